// Recordings of a scenario: the click track's mixing, the checks made before any work,
// that a recording leaves either the whole file or nothing, FFmpeg loaded only for a
// recording, and the writer's thread.
#include <cairo.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/commands.h"
#include "host/record/click_track.h"
#include "host/record/ffmpeg_library.h"
#include "host/record/media_queue.h"
#include "host/record/media_writer.h"
#include "host/record/recording.h"
#include "host/scenario/scenario.h"

namespace {

namespace fs = std::filesystem;

const std::string kClicks = TARVOLEN_SOURCE_DIR "/tests/record/clicks.scn";

std::vector<float> rendered(ClickTrack& track, int64_t from, size_t count) {
    std::vector<float> out(count, 99.0f);
    track.render(from, count, out.data());
    return out;
}

// A WAVE file of 8-bit PCM in two channels, 1000 frames a second.
std::vector<uint8_t> stereo_wave(const std::vector<uint8_t>& frames) {
    auto u32 = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    std::vector<uint8_t> b{'R', 'I', 'F', 'F'};
    u32(b, static_cast<uint32_t>(36 + frames.size()));
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(b, 16);
    b.insert(b.end(), {1, 0, 2, 0});  // PCM, two channels
    u32(b, 1000);
    u32(b, 2000);
    b.insert(b.end(), {2, 0, 8, 0});  // two bytes a frame, 8 bits
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    u32(b, static_cast<uint32_t>(frames.size()));
    b.insert(b.end(), frames.begin(), frames.end());
    return b;
}

// A GIF's picture size, from its header.
std::pair<int, int> gif_size(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[10] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    return {header[6] | header[7] << 8, header[8] | header[9] << 8};
}

// Whether any of FFmpeg's encoding libraries is loaded into this process.
bool ffmpeg_loaded() {
    const FfmpegFiles files = ffmpeg_files();
    bool loaded = false;
    for (const char* name : {files.avformat, files.avcodec, files.swscale, files.swresample})
        if (void* handle = dlopen(name, RTLD_NOW | RTLD_NOLOAD)) {
            dlclose(handle);
            loaded = true;
        }
    return loaded;
}

std::string file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Picture n of a test recording: a pattern that moves from picture to picture, with
// noise that encoders cannot squeeze much.
void paint_test_picture(cairo_surface_t* surface, int n) {
    cairo_surface_flush(surface);
    uint8_t* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    uint32_t noise = 12345u + static_cast<uint32_t>(n);
    for (int y = 0; y < cairo_image_surface_get_height(surface); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < cairo_image_surface_get_width(surface); ++x) {
            noise = noise * 1103515245u + 12345u;
            const uint32_t shade = static_cast<uint32_t>((x + y + 3 * n) * 4) & 0xFF;
            row[x] = shade << 16 | (noise >> 24) << 8 | static_cast<uint32_t>(x * 4);
        }
    }
    cairo_surface_mark_dirty(surface);
}

// The sound of a test recording after picture n: a tone whose pitch follows n.
std::vector<float> test_sound(int samples, int n) {
    std::vector<float> sound(static_cast<size_t>(samples));
    for (size_t i = 0; i < sound.size(); ++i)
        sound[i] = 0.5f * static_cast<float>(std::sin(0.01 * static_cast<double>((n + 1) * static_cast<int>(i))));
    return sound;
}

class RecordingFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("recording_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // The names in the test's folder.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
        return names;
    }
    // panelhost ARGS... --module THE_BUILD, as a user types it.
    int panelhost(std::vector<std::string> args) {
        args.insert(args.end(), {"--module", TARVOLEN_MODULE_PATH});
        out.str("");
        err.str("");
        return run_command_line(args, out, err);
    }
    // Recording::open for a recording to output.
    std::unique_ptr<Recording> open(const fs::path& output, int fps = 18,
                                    std::span<const RecordFormat> formats = RECORD_FORMATS) {
        RecordOptions options;
        options.output = output.string();
        options.fps = fps;
        options.formats = formats;
        diagnostics = Diagnostics();
        return Recording::open(options, diagnostics, usage_error);
    }

    fs::path dir;
    std::ostringstream out, err;
    Diagnostics diagnostics;
    bool usage_error = false;
};

}  // namespace

TEST(ClickTrack, PlaysOfTwoBuffersAtOneInstantAddUpAndClip) {
    ClickTrack track(MonoSound{48000, {0.25f, 0.5f, -0.75f}});
    track.play(1, 2);
    track.play(2, 2);
    EXPECT_EQ(rendered(track, 0, 6), (std::vector<float>{0, 0, 0.5f, 1.0f, -1.0f, 0}));
    EXPECT_EQ(track.end(), 5);
}

TEST(ClickTrack, ANewPlayOfOneBufferCutsItsEarlierPlayShort) {
    ClickTrack track(MonoSound{48000, {0.5f, 0.5f, 0.5f, 0.5f}});
    track.play(7, 0);
    track.play(7, 2);
    // One buffer sounds once at a time: never 1.0 where the plays would overlap.
    EXPECT_EQ(rendered(track, 0, 7), (std::vector<float>{0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0}));
    EXPECT_EQ(track.end(), 6);
}

TEST(ClickTrack, ATrackAskedForPieceByPieceIsTheTrackAskedForWhole) {
    const MonoSound click{48000, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f}};
    ClickTrack whole(click), pieces(click);
    for (ClickTrack* track : {&whole, &pieces}) {
        track->play(1, 1);
        track->play(2, 3);
        track->play(1, 9);
    }
    const std::vector<float> expected = rendered(whole, 0, 16);
    std::vector<float> joined;
    for (int64_t from = 0; from < 16; from += 3) {
        const std::vector<float> piece = rendered(pieces, from, static_cast<size_t>(std::min<int64_t>(3, 16 - from)));
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(joined, expected);
}

TEST(ClickSound, StereoEightBitIsMixedToOneChannelAndATruncatedFileIsRefused) {
    const std::vector<uint8_t> wave = stereo_wave({128, 128, 192, 64, 255, 255});
    MonoSound sound;
    std::string error;
    ASSERT_TRUE(decode_wave(wave.data(), wave.size(), sound, error)) << error;
    EXPECT_EQ(sound.rate_hz, 1000);
    EXPECT_EQ(sound.samples, (std::vector<float>{0.0f, 0.0f, 127.0f / 128.0f}));
    EXPECT_FALSE(decode_wave(wave.data(), wave.size() - 1, sound, error));
    EXPECT_EQ(error, "a chunk runs past the end of the file");
}

TEST(RecordingProgress, FramesAreCountedFromTheFrameLinesThatRun) {
    // Lines that do not run (a bad count, extra words, another command) count nothing.
    EXPECT_EQ(count_scenario_frames("frame\nframe 10\n  frame 0x10\nframe x\nframe 2 3\nframes 4\n# frame 5\n"), 27);
    EXPECT_EQ(count_scenario_frames("frame 1000001\nframe 1000000\n"), 1000000);
}

TEST_F(RecordingFiles, WrongEndingsAndRatesAreUsageErrorsAndCreateNothing) {
    EXPECT_FALSE(open(dir / "flight.avi"));
    EXPECT_TRUE(usage_error);
    EXPECT_NE(diagnostics.errors().at(0).find("flight.avi: unknown kind of recording"), std::string::npos);
    EXPECT_FALSE(open(dir / "flight"));
    EXPECT_TRUE(usage_error);
    EXPECT_FALSE(open(dir / "flight.webm", 121));
    EXPECT_TRUE(usage_error);
    EXPECT_TRUE(files().empty());
}

TEST_F(RecordingFiles, AMissingEncoderIsNamedBeforeAnyFileIsMade) {
    const RecordFormat formats[] = {{".webm", "webm", "no_such_encoder", "libopus"}};
    EXPECT_FALSE(open(dir / "flight.webm", 18, formats));
    EXPECT_FALSE(usage_error);
    EXPECT_EQ(
        diagnostics.errors().at(0),
        (dir / "flight.webm").string() + ": this FFmpeg has no encoder \"no_such_encoder\" (needed for .webm files)");
    EXPECT_TRUE(files().empty());
}

TEST_F(RecordingFiles, AFolderThatTakesNoFileIsRefused) {
    EXPECT_FALSE(open(dir / "missing" / "flight.gif"));
    EXPECT_FALSE(usage_error);
    EXPECT_NE(diagnostics.errors().at(0).find("cannot write into the folder " + (dir / "missing").string()),
              std::string::npos);
    fs::create_directory(dir / "flight.gif");
    EXPECT_FALSE(open(dir / "flight.gif"));
    EXPECT_EQ(diagnostics.errors().at(0), (dir / "flight.gif").string() + ": is a folder");
    EXPECT_EQ(files(), std::vector<std::string>{"flight.gif"});
}

TEST_F(RecordingFiles, ARecordingNeverFinishedLeavesNoFile) {
    {
        const std::unique_ptr<Recording> recording = open(dir / "flight.apng");
        ASSERT_TRUE(recording) << diagnostics;
        EXPECT_EQ(files().size(), 1u);  // the temporary file it grows in
    }
    EXPECT_TRUE(files().empty());
}

TEST_F(RecordingFiles, ARunRecordsTheWholeFileUnderItsNameAndNothingElse) {
    const std::string gif = (dir / "clicks.gif").string();
    ASSERT_EQ(panelhost({"run", kClicks, "--record", gif, "--fps", "9"}), EXIT_DONE) << err.str();
    EXPECT_EQ(files(), std::vector<std::string>{"clicks.gif"});
    // 44 frames of 1/18 s at 9 pictures a second; a .gif has no sound track to count clicks on.
    EXPECT_EQ(err.str(), gif + ": note: recorded 22 pictures at 9 a second\n");
    EXPECT_GT(fs::file_size(gif), 0u);
}

TEST_F(RecordingFiles, FramesBeforeAnyGaugeIsPlacedDoNotShrinkTheRecording) {
    std::ofstream(dir / "late.scn") << "frame 2\nplace Old_COM1\nframe 3\n";
    std::ofstream(dir / "early.scn") << "place Old_COM1\nframe 5\n";
    for (const char* name : {"late", "early"})
        ASSERT_EQ(panelhost({"run", (dir / (std::string(name) + ".scn")).string(), "--record",
                             (dir / (std::string(name) + ".gif")).string()}),
                  EXIT_DONE)
            << err.str();
    EXPECT_GT(gif_size(dir / "early.gif").first, 100);
    EXPECT_EQ(gif_size(dir / "late.gif"), gif_size(dir / "early.gif"));
}

TEST_F(RecordingFiles, TheScreenLayoutRecordsTheScreen) {
    std::ofstream(dir / "panel.scn") << "panel " TARVOLEN_SOURCE_DIR "/examples/panel.cfg\nframe 2\n";
    const fs::path gif = dir / "screen.gif";
    ASSERT_EQ(panelhost({"run", (dir / "panel.scn").string(), "--record", gif.string(), "--layout", "screen",
                         "--screen", "800x600", "--windows", "all"}),
              EXIT_DONE)
        << err.str();
    EXPECT_EQ(gif_size(gif), std::make_pair(800, 600));
}

TEST_F(RecordingFiles, BadRecordingOptionsStopTheRunBeforeAnyWork) {
    EXPECT_EQ(panelhost({"run", kClicks, "--record", (dir / "clicks.mkv").string()}), EXIT_USAGE);
    EXPECT_NE(err.str().find("clicks.mkv: unknown kind of recording"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");  // no trace: the scenario did not run
    EXPECT_EQ(panelhost({"run", kClicks, "--record", (dir / "no" / "clicks.webm").string()}), EXIT_FAILED);
    EXPECT_NE(err.str().find("cannot write into the folder"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(panelhost({"run", kClicks, "--fps", "9"}), EXIT_USAGE);
    EXPECT_NE(err.str().find("--fps requires --record"), std::string::npos) << err.str();
    EXPECT_EQ(panelhost({"run", kClicks, "--layout", "screen"}), EXIT_USAGE);
    EXPECT_NE(err.str().find("--layout requires --record"), std::string::npos) << err.str();
    EXPECT_TRUE(files().empty());
}

TEST_F(RecordingFiles, RunHelpNamesTheRecordingOptions) {
    EXPECT_EQ(panelhost({"run", "--help"}), EXIT_DONE);
    for (const char* part : {"--record OUT", "--fps N", ".webm", ".apng", ".gif", "only\nwhen it is whole"})
        EXPECT_NE(out.str().find(part), std::string::npos) << part << "\n" << out.str();
}

TEST_F(RecordingFiles, AModuleThatDoesNotLoadLeavesNoRecording) {
    std::vector<std::string> args{
        "run", kClicks, "--record", (dir / "clicks.webm").string(), "--module", (dir / "missing.so").string()};
    out.str("");
    EXPECT_EQ(run_command_line(args, out, err), EXIT_FAILED);
    EXPECT_NE(err.str().find("missing.so"), std::string::npos) << err.str();
    EXPECT_TRUE(files().empty());
}

TEST_F(RecordingFiles, PicturesTooLargeForTheMemoryBoundAreAUsageErrorNamingTheLimit) {
    // Before: --scale 8 --windows all took 7.3 GB for 20 frames of a .webm. The example
    // panel's three windows at scale 8 are 8024 x 7836 pixels.
    std::ofstream(dir / "panel.scn") << "panel " TARVOLEN_SOURCE_DIR "/examples/panel.cfg\nframe 20\n";
    for (const RecordFormat& format : RECORD_FORMATS) {
        const std::string file = (dir / ("big" + std::string(format.extension))).string();
        EXPECT_EQ(
            panelhost({"run", (dir / "panel.scn").string(), "--record", file, "--scale", "8", "--windows", "all"}),
            EXIT_USAGE)
            << err.str();
        const int64_t pixels = int64_t{8024} * 7836;
        EXPECT_GT(pixels, max_record_pixels(format));
        EXPECT_NE(
            err.str().find(file + ": the pictures would be 8024 x 7836 pixels: a " + format.extension +
                           " recording of that size takes " + std::to_string(pixels * format.memory_per_pixel >> 20) +
                           " MB, more than the 1024 MB a recording may use"),
            std::string::npos)
            << err.str();
    }
    EXPECT_TRUE(files() == std::vector<std::string>{"panel.scn"});
}

TEST_F(RecordingFiles, EveryFormatRecordsTheExamplePanelAtTwiceItsSize) {
    // 2024 x 2016 pixels: within every format's bound, so the bound refuses no usual size.
    for (const RecordFormat& format : RECORD_FORMATS)
        EXPECT_GE(max_record_pixels(format), int64_t{2024} * 2016) << format.extension;
}

TEST_F(RecordingFiles, FfmpegIsLoadedOnlyWhenARecordingStarts) {
    // In a process of its own (this one may have recorded already): drawing and checking
    // need none of FFmpeg's encoding libraries, which took longer to load than they run.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const std::string panel = TARVOLEN_SOURCE_DIR "/examples/panel.cfg";
            int status = ffmpeg_loaded() ? 10 : 0;
            if (panelhost({"render", panel, "-o", (dir / "panel.png").string()}) != EXIT_DONE) status |= 1;
            if (panelhost({"check", panel}) == EXIT_USAGE) status |= 1;
            if (ffmpeg_loaded()) status |= 2;
            if (panelhost({"run", kClicks, "--record", (dir / "clicks.gif").string()}) != EXIT_DONE) status |= 1;
            if (!ffmpeg_loaded()) status |= 4;
            std::exit(status);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(FfmpegLibraries, AMissingLibraryIsNamedWithItsPackage) {
    FfmpegFiles files = ffmpeg_files();
    files.swscale = "libswscale.so.1";
    std::string error;
    EXPECT_FALSE(load_ffmpeg(files, error));
    EXPECT_EQ(
        error.rfind("recording needs FFmpeg's libswscale.so.1 (Debian's package libswscale1), which does not load: "
                    "libswscale.so.1: cannot open shared object file",
                    0),
        0u)
        << error;
}

TEST(FfmpegLibraries, AnotherLibraryInAPlaceIsFoundOutByItsMissingFunctions) {
    FfmpegFiles files = ffmpeg_files();
    files.swscale = files.swresample;
    std::string error;
    EXPECT_FALSE(load_ffmpeg(files, error));
    EXPECT_NE(error.find(std::string(files.swresample) + " (Debian's package libswresample"), std::string::npos);
    EXPECT_NE(error.find("which does not load: it has no function sws_getContext"), std::string::npos) << error;
}

TEST(FfmpegLibraries, TheLibrariesCompiledAgainstLoadAndEncode) {
    std::string error;
    const FfmpegLibrary* library = ffmpeg(error);
    ASSERT_TRUE(library) << error;
    EXPECT_EQ(ffmpeg(error), library);  // loaded once
    EXPECT_TRUE(library->avcodec_find_encoder_by_name("gif"));
    EXPECT_FALSE(library->avcodec_find_encoder_by_name("no_such_encoder"));
}

TEST_F(RecordingFiles, TheWriterThreadWritesTheBytesOfWritingInTurn) {
    // Pictures written one, two or three times each and sound between them, written
    // straight and through the queue, whose caller paints each next picture at once
    // on the surface the queue has just let go.
    constexpr int kWidth = 64, kHeight = 48, kPictures = 24;
    for (const char* ending : {".mp4", ".gif", ".apng"}) {
        const RecordFormat& format = *record_format_for(std::string("recording") + ending);
        const fs::path straight = dir / (std::string("straight") + ending),
                       queued = dir / (std::string("queued") + ending);
        cairo_surface_t* surfaces[2] = {cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight),
                                        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight)};
        std::string error;
        {
            MediaWriter writer;
            ASSERT_TRUE(writer.open(format, straight.string(), kWidth, kHeight, 18, 48000, error)) << error;
            for (int n = 0; n < kPictures; ++n) {
                paint_test_picture(surfaces[0], n);
                for (int i = 0; i <= n % 3; ++i)
                    ASSERT_TRUE(writer.video(cairo_image_surface_get_data(surfaces[0]),
                                             cairo_image_surface_get_stride(surfaces[0]), error))
                        << error;
                if (writer.has_audio()) {
                    ASSERT_TRUE(writer.audio(test_sound(writer.audio_frame_samples(), n).data(),
                                             writer.audio_frame_samples(), error))
                        << error;
                }
            }
            ASSERT_TRUE(writer.close(error)) << error;
        }
        {
            MediaQueue queue;
            ASSERT_TRUE(queue.open(format, queued.string(), kWidth, kHeight, 18, 48000, error)) << error;
            paint_test_picture(surfaces[0], 0);
            for (int n = 0; n < kPictures; ++n) {
                ASSERT_TRUE(queue.video(surfaces[n % 2], 1 + n % 3, error)) << error;
                if (queue.has_audio()) {
                    ASSERT_TRUE(queue.audio(test_sound(queue.audio_frame_samples(), n), error)) << error;
                }
                paint_test_picture(surfaces[(n + 1) % 2], n + 1);
            }
            ASSERT_TRUE(queue.close(error)) << error;
        }
        for (cairo_surface_t* surface : surfaces) cairo_surface_destroy(surface);
        const std::string expected = file_bytes(straight);
        EXPECT_GT(expected.size(), 1000u) << ending;
        EXPECT_TRUE(file_bytes(queued) == expected) << ending;
    }
}

TEST_F(RecordingFiles, AWriteThatFailsOnTheWriterThreadIsReportedAtTheNextPictureAndAtTheEnd) {
    // A full disk: the file opens and takes its header, the pictures' bytes do not fit.
    // (An .apng: FFmpeg's GIF writer keeps a packet it frees only at a file's end.)
    MediaQueue queue;
    std::string error;
    ASSERT_TRUE(queue.open(*record_format_for("recording.apng"), "/dev/full", 64, 48, 18, 48000, error)) << error;
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 64, 48);
    int handed = 0;
    for (; handed < 1000; ++handed) {
        paint_test_picture(picture, handed);
        if (!queue.video(picture, 1, error)) break;
    }
    cairo_surface_destroy(picture);
    EXPECT_LT(handed, 1000);
    EXPECT_EQ(error, "cannot write to the file (No space left on device)");
    error.clear();
    EXPECT_FALSE(queue.audio({}, error));
    EXPECT_EQ(error, "cannot write to the file (No space left on device)");
    error.clear();
    EXPECT_FALSE(queue.close(error));
    EXPECT_EQ(error, "cannot write to the file (No space left on device)");
}
