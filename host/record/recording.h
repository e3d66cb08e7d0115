// Recording a scenario as a moving picture: every frame the scenario runs, drawn as the
// renderer draws the panel, at the frame's scenario time; for formats with sound, the
// module's own click sounds at the scenario time of each play the module makes.
//
// Time: the scenario's n-th frame (its clock at n frame times once run) is shown from
// (n - 1) to n frame times, so a click made after it sounds at the start of the next
// picture, the first that shows what the click did. At another frame rate each picture
// shows the last frame run by its start.
#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/record/click_track.h"
#include "host/record/media_queue.h"
#include "host/record/media_writer.h"
#include "host/render/panel_render.h"

class CairoCanvas;
class GaugeHost;
class ModuleBitmaps;

// The formats, chosen by OUT's ending. Bytes a pixel: peak memory over picture size,
// measured with 1 to 16 million pixel pictures (VP9 ~119, H.264 ~104, APNG ~20, GIF ~13).
inline constexpr RecordFormat RECORD_FORMATS[] = {
    // ending  container  video         sound      bytes a pixel
    {".webm", "webm", "libvpx-vp9", "libopus", 128},  // VP9 and Opus
    {".mp4", "mp4", "libx264", "aac", 112},           // H.264 and AAC
    {".apng", "apng", "apng", nullptr, 24},           // animated PNG, every pixel kept
    {".gif", "gif", "gif", nullptr, 16},              // 252 colours, dithered
};
static_assert(std::size(RECORD_FORMATS) == 4);

// The memory a recording may take, and what of it is left for the pictures once the
// host, the module and the renderer have theirs.
inline constexpr int64_t RECORD_MEMORY_BYTES = int64_t{1} << 30;
inline constexpr int64_t RECORD_PICTURE_BYTES = RECORD_MEMORY_BYTES - (int64_t{128} << 20);
// The most pixels a picture of the format may have.
inline constexpr int64_t max_record_pixels(const RecordFormat& format) {
    return RECORD_PICTURE_BYTES / format.memory_per_pixel;
}

// The format whose ending path has (case as written) among formats, or null.
const RecordFormat* record_format_for(const std::string& path, std::span<const RecordFormat> formats = RECORD_FORMATS);

struct RecordProgress {
    int64_t frames = 0;    // scenario frames run so far
    int64_t expected = 0;  // frames the scenario will run (0: not known)
    int64_t written = 0;   // pictures written
};

// The module's sound plays as a recording hears them: how many there have been so far,
// and the buffer that play i started.
struct PlaySource {
    std::function<size_t()> count;
    std::function<uint32_t(size_t i)> buffer;
};

struct RecordOptions {
    std::string output;           // OUT: .webm, .mp4, .apng or .gif
    int fps = 18;                 // pictures a second in the file (1 to 120)
    double frame_s = 1.0 / 18.0;  // scenario time one frame stands for
    int64_t expected_frames = 0;  // for progress reports
    PictureOptions picture;       // layout, windows, scale, night: as render draws them
    // Called after every scenario frame.
    std::function<void(const RecordProgress&)> progress;
    // The formats OUT's ending chooses from (tests give others).
    std::span<const RecordFormat> formats = RECORD_FORMATS;
};

class Recording {
public:
    // Checks the options before any work is done: the ending names a format, fps is in
    // range, this FFmpeg has the format's encoders, and OUT's folder takes a new file
    // (the temporary file beside OUT that the recording is written to). Null with the
    // errors in diagnostics otherwise; usage_error tells a wrong ending or rate (exit 2)
    // from the rest (exit 1).
    static std::unique_ptr<Recording> open(const RecordOptions& options, Diagnostics& diagnostics, bool& usage_error);
    // A recording never finished leaves no file behind.
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    // Where the plays are heard from now on; until this is called, the sound back end of
    // this process (a module loaded into it). A host in another process reports its own.
    void hear_plays_from(PlaySource source);
    // Hooks around each scenario frame: sounds the module played since the last hook
    // are stamped with the clock; after the frame, the panel is drawn as it stands,
    // with the bitmaps of the host's module.
    void before_frame(GaugeHost& host);
    void after_frame(GaugeHost& host, const PanelConfig* panel);
    // Other authors' XML gauges the scenario places: drawn in their windows too.
    void draw_xml_gauges(const XmlPanel* xml) { options_.picture.xml = xml; }
    // Takes the last plays, writes the file's end and puts it in OUT's place. Errors
    // when the scenario ran no frame, drawing or encoding failed, or the rename failed.
    Diagnostics finish(GaugeHost& host);

    int64_t pictures() const { return pictures_; }
    // The options asked for pictures larger than a recording may hold (exit 2).
    bool too_large() const { return too_large_; }
    size_t plays() const { return plays_; }
    bool has_sound() const { return format_.audio_encoder != nullptr; }

private:
    Recording(const RecordOptions& options, const RecordFormat& format, std::string temporary);
    bool start(GaugeHost& host, int width, int height);
    bool picture_fits(int width, int height);
    bool ensure_track(GaugeHost& host);
    void take_plays(GaugeHost& host);
    // The windows the picture options choose, as they stand.
    std::vector<PanelWindowView> current_views(GaugeHost& host, const PanelConfig* panel);
    // Draws the windows in view and writes the pictures up to due (first the blank ones
    // owed from before anything was drawn); starts the file at the first call.
    void draw(GaugeHost& host, const std::vector<PanelWindowView>& views, int64_t due);
    // The canvas of the layout's size, cleared, to draw the next picture on.
    CairoCanvas& clean_canvas(int width, int height, uint32_t background);
    // Hands the canvas's picture to the writer count times, as it stands when it has the
    // file's size, or else scaled to fit the file's size.
    void write_picture(uint32_t background, int64_t count);
    void write_blank_pictures(uint32_t background);
    void hand_over(cairo_surface_t* picture, int64_t count);
    void write_sound_until(int64_t sample);
    void fail(const std::string& what);

    RecordOptions options_;
    const RecordFormat& format_;
    std::string temporary_;
    MediaQueue writer_;
    std::unique_ptr<ClickTrack> track_;
    std::unique_ptr<ModuleBitmaps> bitmaps_;
    std::unique_ptr<PanelBackgrounds> backgrounds_;  // of the panel backgrounds_for_
    const PanelConfig* backgrounds_for_ = nullptr;
    // The panel as the renderer lays it out. When that is the file's size, its pictures
    // go to the writer as they are: it draws the next one on the other surface, spare_,
    // while the writer reads the last. Otherwise each is scaled into frame_, the picture
    // of the file's size. Either way two pictures: the one drawn, the one being written.
    std::unique_ptr<CairoCanvas> canvas_;
    cairo_surface_t* spare_ = nullptr;
    cairo_surface_t* frame_ = nullptr;
    int file_width_ = 0, file_height_ = 0;
    Diagnostics diagnostics_;
    bool started_ = false;
    bool finished_ = false;
    bool too_large_ = false;
    int64_t frames_ = 0;
    int64_t pictures_ = 0;        // pictures written or owed
    int64_t blank_pictures_ = 0;  // owed: frames before anything was drawn
    int64_t sound_written_ = 0;
    PlaySource plays_from_;
    size_t play_log_seen_ = 0;
    size_t plays_ = 0;
};
