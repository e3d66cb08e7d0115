// Running a recording along a scenario: drawing each frame, stamping the module's plays,
// feeding the writer, and putting the file in place only when it is whole.
#include "host/record/recording.h"

#include <cairo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "host/core/gauge_host.h"
#include "host/render/cairo_canvas.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_render.h"
#include "platform/portable/backend.h"

namespace {

// The module's click: the WAVE resource its radios play.
constexpr uint16_t kClickResourceId = 10;
constexpr int kSoundRateHz = 48000;
constexpr int kMaxFps = 120;

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string folder_of(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Claims a new file beside path for the recording to grow in; empty with error if the
// folder takes none.
std::string claim_temporary(const std::string& path, std::string& error) {
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = folder_of(path) + "/." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0) {
        error = path + ": cannot write into the folder " + folder_of(path) + " (" + std::strerror(errno) + ")";
        return {};
    }
    // The finished recording gets the permissions any new file would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return buffer.data();
}

// A recording stopped by SIGINT, SIGTERM or SIGHUP leaves nothing behind: the handler
// removes the temporary file, then the signal ends the process as it would have (the
// shell sees the usual status). The path is copied here before the handlers go in,
// since a handler may only read memory that nothing changes under it.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
char g_growing_file[4096];
struct sigaction g_before[std::size(kStopSignals)];
bool g_handled[std::size(kStopSignals)];

void remove_growing_file(int signal_number) {
    unlink(g_growing_file);
    raise(signal_number);  // the handler was reset on entry: delivered on return, as default
}

void remove_on_stop_signals(const std::string& temporary) {
    if (temporary.size() >= sizeof g_growing_file) return;
    std::memcpy(g_growing_file, temporary.c_str(), temporary.size() + 1);
    struct sigaction action {};
    action.sa_handler = remove_growing_file;
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kStopSignals); ++i) {
        sigaction(kStopSignals[i], nullptr, &g_before[i]);
        // A signal the process was started ignoring (nohup) stays ignored.
        g_handled[i] = g_before[i].sa_handler != SIG_IGN;
        if (g_handled[i]) sigaction(kStopSignals[i], &action, nullptr);
    }
}

void keep_on_stop_signals() {
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
        if (std::exchange(g_handled[i], false)) sigaction(kStopSignals[i], &g_before[i], nullptr);
    g_growing_file[0] = '\0';
}

int even(int n) { return n + (n & 1); }

// The whole picture in one colour (0xRRGGBB), as a canvas clears to its background.
void paint_colour(cairo_surface_t* surface, uint32_t rgb) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, (rgb >> 16 & 0xFF) / 255.0, (rgb >> 8 & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
}

// The click at the track's rate, from the module's own resources.
bool load_click(GaugeHost& host, MonoSound& click, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!host.resource(kClickResourceId, "WAVE", bytes))
        return error = "the module has no click sound (WAVE resource 10)", false;
    MonoSound native;
    if (!decode_wave(bytes.data(), bytes.size(), native, error))
        return error = "the module's click sound (WAVE resource 10): " + error, false;
    return resample(native, kSoundRateHz, click, error);
}

// The plays the sound back end of this process logs, whichever host made them.
PlaySource back_end_plays() {
    return {[] { return backend_play_log().size(); }, [](size_t i) { return backend_play_log()[i].buffer; }};
}

}  // namespace

const RecordFormat* record_format_for(const std::string& path, std::span<const RecordFormat> formats) {
    for (const RecordFormat& format : formats)
        if (ends_with(path, format.extension)) return &format;
    return nullptr;
}

std::unique_ptr<Recording> Recording::open(const RecordOptions& options, Diagnostics& diagnostics, bool& usage_error) {
    usage_error = true;
    const RecordFormat* format = record_format_for(options.output, options.formats);
    if (!format) {
        diagnostics.error(options.output + ": unknown kind of recording (the name ends in .webm, .mp4, .apng or .gif)");
        return nullptr;
    }
    if (options.fps < 1 || options.fps > kMaxFps) {
        diagnostics.error("the frame rate is " + std::to_string(options.fps) + " (1 to " + std::to_string(kMaxFps) +
                          " frames a second)");
        return nullptr;
    }
    if (!(options.frame_s > 0)) {
        diagnostics.error("a scenario frame must last some time");
        return nullptr;
    }
    usage_error = false;
    std::string error;
    if (!format_available(*format, error)) {
        diagnostics.error(options.output + ": " + error);
        return nullptr;
    }
    struct stat seen {};
    if (stat(options.output.c_str(), &seen) == 0 && S_ISDIR(seen.st_mode)) {
        diagnostics.error(options.output + ": is a folder");
        return nullptr;
    }
    std::string temporary = claim_temporary(options.output, error);
    if (temporary.empty()) {
        diagnostics.error(error);
        return nullptr;
    }
    return std::unique_ptr<Recording>(new Recording(options, *format, std::move(temporary)));
}

Recording::Recording(const RecordOptions& options, const RecordFormat& format, std::string temporary)
    : options_(options), format_(format), temporary_(std::move(temporary)) {
    remove_on_stop_signals(temporary_);
    hear_plays_from(back_end_plays());
}

void Recording::hear_plays_from(PlaySource source) {
    plays_from_ = std::move(source);
    // Plays made before belong to earlier hosts.
    play_log_seen_ = plays_from_.count();
}

Recording::~Recording() {
    writer_.abandon();
    if (!finished_) std::remove(temporary_.c_str());
    keep_on_stop_signals();
    if (spare_) cairo_surface_destroy(spare_);
    if (frame_) cairo_surface_destroy(frame_);
}

void Recording::fail(const std::string& what) {
    if (diagnostics_.ok()) diagnostics_.error(options_.output + ": " + what);
}

void Recording::take_plays(GaugeHost& host) {
    const size_t count = plays_from_.count();
    if (count < play_log_seen_) play_log_seen_ = 0;  // the log was reset
    if (count == play_log_seen_) return;
    if (format_.audio_encoder && !ensure_track(host)) return;
    const int64_t at = std::llround(host.time_s() * kSoundRateHz);
    for (; play_log_seen_ < count; ++play_log_seen_, ++plays_)
        if (track_) track_->play(plays_from_.buffer(play_log_seen_), at);
}

bool Recording::ensure_track(GaugeHost& host) {
    if (track_) return true;
    if (!diagnostics_.ok()) return false;
    MonoSound click;
    std::string error;
    if (!load_click(host, click, error)) return fail(error), false;
    track_ = std::make_unique<ClickTrack>(std::move(click));
    return true;
}

bool Recording::start(GaugeHost& host, int width, int height) {
    started_ = true;
    if (format_.audio_encoder && !ensure_track(host)) return false;
    std::string error;
    if (!writer_.open(format_, temporary_, width, height, options_.fps, kSoundRateHz, error)) return fail(error), false;
    file_width_ = width;
    file_height_ = height;
    return true;
}

void Recording::write_sound_until(int64_t sample) {
    if (!writer_.has_audio() || !diagnostics_.ok()) return;
    const int chunk = writer_.audio_frame_samples();
    std::string error;
    while (sound_written_ + chunk <= sample) {
        std::vector<float> samples(static_cast<size_t>(chunk));
        track_->render(sound_written_, samples.size(), samples.data());
        if (!writer_.audio(std::move(samples), error)) return fail(error);
        sound_written_ += chunk;
    }
}

void Recording::before_frame(GaugeHost& host) { take_plays(host); }

void Recording::after_frame(GaugeHost& host, const PanelConfig* panel) {
    ++frames_;
    take_plays(host);
    // Pictures whose start lies before this frame's end show this frame.
    const auto due =
        static_cast<int64_t>(std::ceil(static_cast<double>(frames_) * options_.frame_s * options_.fps - 1e-6));
    if (diagnostics_.ok() && pictures_ < due) {
        const std::vector<PanelWindowView> views = current_views(host, panel);
        if (views.empty() && !started_)
            blank_pictures_ = pictures_ = due;  // the file takes the size of the first thing drawn
        else if (diagnostics_.ok())
            draw(host, views, due);
    }
    if (writer_.has_audio()) write_sound_until(std::llround(host.time_s() * kSoundRateHz));
    if (options_.progress) options_.progress({frames_, options_.expected_frames, pictures_});
}

std::vector<PanelWindowView> Recording::current_views(GaugeHost& host, const PanelConfig* panel) {
    if (!bitmaps_) bitmaps_ = std::make_unique<ModuleBitmaps>(host);
    std::vector<const PanelWindow*> chosen;
    if (panel) {
        if (panel != backgrounds_for_) {
            backgrounds_ = std::make_unique<PanelBackgrounds>(*panel, options_.picture.screen.w, diagnostics_);
            backgrounds_for_ = panel;
        }
        std::string error;
        if (!choose_windows(host, *panel, options_.picture.windows, chosen, error)) {
            fail(error);
            return {};
        }
    }
    return panel_views(host, panel, *bitmaps_, backgrounds_.get(), panel ? &chosen : nullptr, options_.picture);
}

CairoCanvas& Recording::clean_canvas(int width, int height, uint32_t background) {
    if (canvas_ && canvas_->width() == width && canvas_->height() == height) {
        canvas_->clear(background);
        return *canvas_;
    }
    canvas_ = std::make_unique<CairoCanvas>(width, height, background);
    if (spare_) cairo_surface_destroy(std::exchange(spare_, nullptr));  // of the old size
    return *canvas_;
}

void Recording::hand_over(cairo_surface_t* picture, int64_t count) {
    std::string error;
    if (count > 0 && diagnostics_.ok() && !writer_.video(picture, count, error)) fail(error);
}

void Recording::write_blank_pictures(uint32_t background) {
    if (blank_pictures_ == 0) return;
    // On the surface the canvas draws on next, or on the frame the canvas is scaled into:
    // a surface of the file's size that nothing else holds.
    const bool as_drawn = canvas_->width() == file_width_ && canvas_->height() == file_height_;
    cairo_surface_t*& blank = as_drawn ? spare_ : frame_;
    std::string error;
    if (!blank)
        blank = cairo_image_surface_create(CAIRO_FORMAT_RGB24, file_width_, file_height_);
    else if (!writer_.wait_for_picture(error))
        return fail(error);
    paint_colour(blank, background);
    hand_over(blank, std::exchange(blank_pictures_, 0));
}

void Recording::write_picture(uint32_t background, int64_t count) {
    if (count <= 0) return;
    if (canvas_->width() == file_width_ && canvas_->height() == file_height_) {
        // As drawn: the writer takes this surface, the canvas goes on on the other one
        // (free once the writer has taken this: it had the picture before).
        if (frame_) cairo_surface_destroy(std::exchange(frame_, nullptr));
        cairo_surface_t* drawn = canvas_->surface();
        hand_over(drawn, count);
        if (!spare_) spare_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, file_width_, file_height_);
        spare_ = canvas_->exchange_surface(spare_);
        return;
    }
    // The file keeps the size of its first picture; a panel that grows or shrinks
    // later (a window opened or closed) is scaled to fit it.
    if (spare_) cairo_surface_destroy(std::exchange(spare_, nullptr));
    std::string error;
    if (!frame_)
        frame_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, file_width_, file_height_);
    else if (!writer_.wait_for_picture(error))
        return fail(error);  // the writer may still read it
    paint_colour(frame_, background);
    const double scale = std::min(file_width_ / static_cast<double>(canvas_->width()),
                                  file_height_ / static_cast<double>(canvas_->height()));
    cairo_t* cr = cairo_create(frame_);
    if (scale < 1.0) cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, canvas_->surface(), 0, 0);
    if (scale < 1.0) cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(frame_);
    hand_over(frame_, count);
}

void Recording::draw(GaugeHost& host, const std::vector<PanelWindowView>& views, int64_t due) {
    if (!bitmaps_) bitmaps_ = std::make_unique<ModuleBitmaps>(host);
    const PictureOptions& picture = options_.picture;
    const PanelLayout layout =
        picture.screen_layout ? lay_out_screen(views, picture.screen) : lay_out_panel(views, *bitmaps_, picture.scale);
    if (!picture_fits(layout.width, layout.height)) return;
    const uint32_t background = layout.screen ? OUTSIDE_COLOUR : 0x1C1C1C;
    CairoCanvas& canvas = clean_canvas(layout.width, layout.height, background);
    const std::vector<std::string> problems = paint_panel(views, layout, *bitmaps_, canvas, picture.paint);
    if (!problems.empty()) return fail(problems.front());
    if (!bitmaps_->problems().empty()) return fail(bitmaps_->problems().front());
    if (!started_ && !start(host, even(layout.width), even(layout.height))) return;
    // The frames before anything was drawn are blank pictures of the file's size.
    write_blank_pictures(background);
    write_picture(background, due - pictures_);
    pictures_ = std::max(pictures_, due);
}

// Whether a picture of this size may be recorded, checked before anything of its size
// is made; false with the usage error naming the limit.
bool Recording::picture_fits(int width, int height) {
    const int64_t pixels = int64_t{width} * height, limit = max_record_pixels(format_);
    if (width <= MAX_PICTURE_SIDE && height <= MAX_PICTURE_SIDE && pixels <= limit) return true;
    too_large_ = true;
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width > MAX_PICTURE_SIDE || height > MAX_PICTURE_SIDE)
        return fail("the pictures would be " + size + ", more than " + std::to_string(MAX_PICTURE_SIDE) +
                    " on a side (a smaller --scale, or fewer --windows)"),
               false;
    char most[32];
    std::snprintf(most, sizeof most, "%.1f", static_cast<double>(limit) / 1e6);
    fail("the pictures would be " + size + ": a " + format_.extension + " recording of that size takes " +
         std::to_string(pixels * format_.memory_per_pixel >> 20) + " MB, more than the " +
         std::to_string(RECORD_MEMORY_BYTES >> 20) + " MB a recording may use (at most " + most +
         " million pixels; a smaller --scale, or fewer --windows)");
    return false;
}

Diagnostics Recording::finish(GaugeHost& host) {
    take_plays(host);
    if (frames_ == 0) fail("the scenario runs no frame: nothing to record");
    if (diagnostics_.ok() && !started_) draw(host, {}, pictures_);  // nothing was ever drawn
    if (diagnostics_.ok() && writer_.has_audio()) {
        const int64_t video_end = std::llround(static_cast<double>(pictures_) / options_.fps * kSoundRateHz);
        const int64_t end = std::max(video_end, track_ ? track_->end() : 0);
        const int64_t chunk = writer_.audio_frame_samples();
        write_sound_until((end + chunk - 1) / chunk * chunk);
    }
    std::string error;
    if (diagnostics_.ok() && !writer_.close(error)) fail(error);
    if (diagnostics_.ok() && std::rename(temporary_.c_str(), options_.output.c_str()) != 0)
        fail(std::string("cannot put the recording in place (") + std::strerror(errno) + ")");
    finished_ = diagnostics_.ok();
    return diagnostics_;
}
