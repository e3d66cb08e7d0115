// The bridge as a user of a remote host sees it, with the Linux panelhost's own
// `bridge` command as the far side (the same loop panelhost.exe runs under Wine): the
// panel and scenario come out as from the host in this process, and a far side that
// crashes, hangs, breaks its pipe or is not ours is reported and stopped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <span>
#include <sstream>

#include "host/bridge/open_host.h"
#include "host/bridge/protocol.h"
#include "host/bridge/remote_gauge_host.h"
#include "host/cli/render_command.h"
#include "host/core/gauge_host.h"
#include "host/panel/check.h"
#include "host/panel/panel_config.h"
#include "host/record/recording.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_render.h"
#include "host/scenario/scenario.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A trace as both hosts give it: of the sound operations only the plays (the far side
// reports those), their buffers numbered in the order they are first played.
std::string comparable(const std::string& trace) {
    std::istringstream in(trace);
    std::string out;
    std::map<std::string, int> buffers;
    const std::regex object("\"object\":([0-9]+)");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("{\"op\":\"sound\"", 0) == 0) {
            if (line.find("\"call\":\"play\"") == std::string::npos) continue;
            std::smatch found;
            if (std::regex_search(line, found, object)) {
                const int number = buffers.try_emplace(found[1], static_cast<int>(buffers.size()) + 1).first->second;
                line = found.prefix().str() + "\"object\":" + std::to_string(number) + found.suffix().str();
            }
        }
        out += line + "\n";
    }
    return out;
}

size_t plays_in(const std::string& trace) {
    size_t count = 0;
    for (size_t at = 0; (at = trace.find("\"call\":\"play\"", at)) != std::string::npos; ++at) ++count;
    return count;
}

// Every error, one after another, to look for a text in.
std::string all_errors(const Diagnostics& diagnostics) {
    std::string text;
    for (const std::string& error : diagnostics.errors()) text += error + "\n";
    return text;
}

class Bridge : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(local.load_module(TARVOLEN_MODULE_PATH, error)) << error;
        dir =
            fs::temp_directory_path() / ("bridge_" + std::to_string(getpid()) + "_" +
                                         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A far side running the native module; its resources read from this process's copy.
    RemoteOptions native_far_side(std::vector<std::string> argv = {TARVOLEN_PANELHOST_PATH, "bridge"}) {
        RemoteOptions options;
        options.command.argv = std::move(argv);
        options.command.description = "the far side";
        options.module_path = TARVOLEN_MODULE_PATH;
        options.request_timeout_ms = 5000;
        options.resources = [this](uint16_t id, const char* type, std::vector<uint8_t>& bytes) {
            return local.module()->resource(id, type, bytes);
        };
        return options;
    }

    // The errors of the call under test.
    std::string errors() {
        std::string text = all_errors(error);
        error = {};
        return text;
    }

    PanelHost local;
    Diagnostics error;
    fs::path dir;
};

TEST_F(Bridge, ExamplePanelDrawsTheSamePixelsAsTheHostInThisProcess) {
    auto remote = RemoteGaugeHost::start(native_far_side(), error);
    ASSERT_TRUE(remote) << error;
    LocalGaugeHost here(local);
    EXPECT_EQ(remote->gauge_names(), here.gauge_names());
    Diagnostics messages;
    const PanelConfig panel = read_panel_config(TARVOLEN_SOURCE_DIR "/examples/panel.cfg", messages);
    for (GaugeHost* host : {static_cast<GaugeHost*>(remote.get()), static_cast<GaugeHost*>(&here)}) {
        ASSERT_TRUE(place_panel(*host, panel, messages)) << messages;
        host->set_var(23, 0x2175);
        host->frame_all();
        ASSERT_TRUE(host->click(find_placement(*host, "Old_COM1")->id, 20, 105));
        host->advance(FRAME_SECONDS);
        host->frame_all();
    }
    for (const bool night : {false, true}) {
        PictureOptions options;
        options.paint.night = night;
        const fs::path far = dir / "far.png", near = dir / "near.png";
        ASSERT_TRUE(render_panel_png(*remote, &panel, far.string(), options).written);
        ASSERT_TRUE(render_panel_png(here, &panel, near.string(), options).written);
        EXPECT_EQ(read_file(far), read_file(near)) << (night ? "night" : "day");
    }
    EXPECT_EQ(remote->var_number(23), here.var_number(23));
    EXPECT_TRUE(remote->errors().empty());
    EXPECT_EQ(comparable(remote->trace_text()), comparable(here.trace_text()));
}

// What serve asks each frame (advance, frame, which windows are open, the clock) is one
// round trip, whose answer brings only the placements that changed; what it answers is
// what the host in this process answers, frame after frame, clicks and settings between.
TEST_F(Bridge, AServedFrameIsOneRequestAndAnswersAsTheHostHere) {
    auto remote = RemoteGaugeHost::start(native_far_side(), error);
    ASSERT_TRUE(remote) << error;
    LocalGaugeHost here(local);
    Diagnostics messages;
    const PanelConfig panel = read_panel_config(TARVOLEN_SOURCE_DIR "/examples/panel.cfg", messages);
    std::vector<int32_t> idents;
    for (const PanelWindow& window : panel.windows) idents.push_back(window_ident(window));
    GaugeHost* hosts[] = {remote.get(), &here};
    for (GaugeHost* host : hosts) ASSERT_TRUE(place_panel(*host, panel, messages)) << messages;
    struct Served {
        std::vector<bool> open;
        double clock_s = 0;
        std::vector<double> values;
    };
    const auto served_frame = [&idents](GaugeHost& host) {
        host.advance(FRAME_SECONDS);
        host.frame_all();
        Served served{host.windows_open(idents), host.time_s(), {}};
        for (const auto& p : host.placements())
            for (const ElementState& state : p->elements)
                served.values.insert(served.values.end(), {state.value, state.angle, static_cast<double>(state.index)});
        return served;
    };
    for (GaugeHost* host : hosts) served_frame(*host);
    for (int frame = 0; frame < 60; ++frame) {
        const size_t requests = remote->requests();
        const Served far = served_frame(*remote), near = served_frame(here);
        EXPECT_EQ(remote->requests() - requests, 1u) << "frame " << frame;
        EXPECT_EQ(far.open, near.open) << "frame " << frame;
        EXPECT_EQ(far.clock_s, near.clock_s) << "frame " << frame;
        EXPECT_EQ(far.values, near.values) << "frame " << frame;
        for (GaugeHost* host : hosts) {
            if (frame == 10) host->set_var(23, 0x2175);                                         // COM1 tuned
            if (frame == 20) host->click(find_placement(*host, "Compass_Toggle")->id, 19, 19);  // a window opens
            if (frame == 30) host->advance(FRAME_SECONDS);  // a frame's advance twice
        }
    }
    EXPECT_TRUE(remote->errors().empty());
}

TEST_F(Bridge, ScenarioGivesTheSameTraceAndOutcomeOnBothHosts) {
    const std::string path = TARVOLEN_SOURCE_DIR "/tests/e2e/scenarios/com.scn";
    const std::string text = read_file(path) + "expect var 23 999\nremove Old_COM1\nframe\n";
    auto remote = RemoteGaugeHost::start(native_far_side(), error);
    ASSERT_TRUE(remote) << error;
    LocalGaugeHost here(local);
    const Diagnostics far = run_scenario(*remote, text, path);
    const Diagnostics near = run_scenario(here, text, path);
    EXPECT_EQ(far.errors(), near.errors());
    ASSERT_FALSE(near.ok());  // the expect line above fails on both
    // Every click of the radio plays its click, in the same place of the trace.
    EXPECT_EQ(comparable(remote->trace_text()), comparable(here.trace_text()));
    EXPECT_EQ(remote->placements().size(), here.placements().size());
    ASSERT_EQ(remote->sound_plays().size(), plays_in(here.trace_text()));
    EXPECT_GE(remote->sound_plays().size(), 6u);
    EXPECT_EQ(remote->sound_plays().front().buffer, 1u);
    EXPECT_TRUE(remote->sound_plays().front().ok);
}

TEST_F(Bridge, SoundPlaysComeBackWithTheTraceOff) {
    RemoteOptions options = native_far_side();
    options.trace = false;
    auto remote = RemoteGaugeHost::start(options, error);
    ASSERT_TRUE(remote) << error;
    const int id = remote->place("Old_COM1", std::nullopt, error, 0);
    ASSERT_GT(id, 0) << error;
    remote->frame_all();
    for (const int y : {105, 135}) {  // on, then off (each clicks); a hand clicks between frames
        ASSERT_TRUE(remote->click(id, 20, y));
        remote->advance(FRAME_SECONDS);
        remote->frame_all();
    }
    EXPECT_EQ(remote->trace_text(), "");
    ASSERT_EQ(remote->sound_plays().size(), 2u);
    EXPECT_EQ(remote->sound_plays()[0].buffer, remote->sound_plays()[1].buffer);
}

// A recording drawn through the far side: every picture the same pixels as the one made
// with the host in this process, and the same plays heard (the far side reports them).
TEST_F(Bridge, RecordingOverTheFarSideIsTheRecordingMadeHere) {
    auto remote = RemoteGaugeHost::start(native_far_side(), error);
    ASSERT_TRUE(remote) << error;
    LocalGaugeHost here(local);
    const std::string scenario = read_file(TARVOLEN_SOURCE_DIR "/tests/record/clicks.scn");
    std::string files[2];
    size_t plays[2] = {0, 0};
    GaugeHost* hosts[2] = {&here, remote.get()};
    for (int side = 0; side < 2; ++side) {
        RecordOptions options;
        options.output = (dir / ("clicks-" + std::to_string(side) + ".apng")).string();
        bool usage = false;
        std::unique_ptr<Recording> recording = Recording::open(options, error, usage);
        ASSERT_TRUE(recording) << error;
        if (side == 1)
            recording->hear_plays_from({[&remote] { return remote->sound_plays().size(); },
                                        [&remote](size_t i) { return remote->sound_plays()[i].buffer; }});
        ScenarioHooks hooks;
        hooks.before_frame = [&recording](GaugeHost& host) { recording->before_frame(host); };
        hooks.after_frame = [&recording](GaugeHost& host, const PanelConfig* panel) {
            recording->after_frame(host, panel);
        };
        const Diagnostics ran = run_scenario(*hosts[side], scenario, "clicks.scn", hooks);
        ASSERT_TRUE(ran.ok()) << ran;
        const Diagnostics finished = recording->finish(*hosts[side]);
        ASSERT_TRUE(finished.ok()) << finished;
        EXPECT_EQ(recording->pictures(), 44);
        plays[side] = recording->plays();
        files[side] = read_file(options.output);
    }
    EXPECT_EQ(plays[0], 6u);
    EXPECT_EQ(plays[1], plays[0]);
    ASSERT_GT(files[0].size(), 1000u);
    EXPECT_TRUE(files[1] == files[0]) << "the recordings differ";
}

TEST_F(Bridge, PanelChecksTheSameOnBothHostsClickAreasIncluded) {
    const fs::path path = dir / "panel.cfg";
    std::ofstream(path) << "[Window Titles]\nWindow00=Main\n[Window00]\nsize_mm=400,200\n"
                           "gauge00=Tarvolen_Instr!GPS_Toggle, 10, 10, 40\n"
                           "gauge01=Tarvolen_Instr!ATC_Toggle, 20, 20, 40\n"
                           "gauge02=Tarvolen_Instr!Old_COM, 380, 150, 250\n"
                           "gauge03=Tarvolen_Instr!Old_C0M1, 10, 100, 250\n";
    auto remote = RemoteGaugeHost::start(native_far_side(), error);
    ASSERT_TRUE(remote) << error;
    LocalGaugeHost here(local);
    std::vector<std::vector<std::string>> findings;
    for (GaugeHost* host : {static_cast<GaugeHost*>(remote.get()), static_cast<GaugeHost*>(&here)}) {
        Diagnostics read;
        const PanelConfig panel = read_panel_config(path.string(), read);
        ModuleBitmaps faces(*host);
        CheckSizes sizes;
        sizes.face = [&faces](const Placement& p) {
            const Bitmap* face = faces.find(p.elements.front().element->bitmap_id);
            return face ? Size{face->width, face->height} : Size{};
        };
        sizes.background = [](const PanelWindow&) { return Size{}; };
        findings.push_back(check_panel(*host, panel, read, sizes).errors());
    }
    EXPECT_EQ(findings[0], findings[1]);
    const std::string far = ::testing::PrintToString(findings[0]);
    EXPECT_THAT(far, HasSubstr("click area of ATC_Toggle overlaps that of GPS_Toggle"));
    EXPECT_THAT(far, HasSubstr("did you mean Old_COM1?"));
}

TEST_F(Bridge, RefusalsComeBackAsErrorsAndTheFarSideServesOn) {
    auto remote = RemoteGaugeHost::start(native_far_side(), error);
    ASSERT_TRUE(remote) << error;
    EXPECT_EQ(remote->place("No_Such_Gauge", std::nullopt, error, 0), -1);
    EXPECT_THAT(errors(), HasSubstr("unknown gauge \"No_Such_Gauge\""));
    EXPECT_FALSE(remote->set_var(999999, 1.0));
    EXPECT_GT(remote->place("Airspeed_Kts", std::nullopt, error, 0), 0);
    EXPECT_TRUE(remote->broken().empty());

    RemoteOptions options = native_far_side();
    options.module_path = TARVOLEN_SOURCE_DIR "/examples/panel.cfg";
    EXPECT_FALSE(RemoteGaugeHost::start(options, error));
    EXPECT_THAT(errors(), HasSubstr("cannot load module"));
}

// The far side's pid, written by a shell before it becomes the far side.
struct Spied {
    std::vector<std::string> argv;
    fs::path pid_file;
    // On a loaded machine the far side may be stopped before its shell wrote the pid:
    // then there is no process of its own to outlive the stop.
    bool gone() const {
        const std::string text = fs::exists(pid_file) ? read_file(pid_file) : std::string();
        if (text.find_first_of("0123456789") == std::string::npos) return true;
        const pid_t pid = static_cast<pid_t>(std::stol(text));
        return kill(pid, 0) != 0;
    }
};

// Each spied far side writes its pid to a file of its own, so that one case's pid is
// never read as another's.
Spied spied(const fs::path& dir, const std::string& then) {
    static int count = 0;
    const fs::path pid_file = dir / ("pid" + std::to_string(++count));
    return {{"/bin/sh", "-c", "echo $$ >'" + pid_file.string() + "'; " + then}, pid_file};
}

TEST_F(Bridge, FarSideThatHangsIsStoppedAfterTheWait) {
    const Spied hang = spied(dir, "exec sleep 30");
    RemoteOptions options = native_far_side(hang.argv);
    options.start_timeout_ms = 300;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(RemoteGaugeHost::start(options, error));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_THAT(errors(),
                HasSubstr("the far side did not answer within 0.3 s (the module hangs?) during load; it was stopped"));
    EXPECT_TRUE(hang.gone());
}

TEST_F(Bridge, FarSideThatCrashesInAFrameIsNamedWithItsSignal) {
    setenv("TARVOLEN_BRIDGE_FAULT", "crash", 1);
    auto remote = RemoteGaugeHost::start(native_far_side(), error);
    unsetenv("TARVOLEN_BRIDGE_FAULT");
    ASSERT_TRUE(remote) << error;
    ASSERT_GT(remote->place("Airspeed_Kts", std::nullopt, error, 0), 0);
    remote->frame_all();
    EXPECT_EQ(remote->broken(), "the module crashed the far side during frame (signal 11); it was stopped");
    EXPECT_EQ(remote->errors().back(), remote->broken());
    // Nothing is served any more, and nothing blocks.
    EXPECT_FALSE(remote->click(1, 10, 10));
    EXPECT_EQ(remote->place("Airspeed_Kts", std::nullopt, error, 0), -1);
    EXPECT_EQ(error.errors(), std::vector<std::string>{remote->broken()});
}

TEST_F(Bridge, FarSideThatIsNotOursOrEndsOrClosesItsPipeIsReported) {
    EXPECT_FALSE(RemoteGaugeHost::start(native_far_side({"/bin/sh", "-c", "echo hello, world; exec sleep 30"}), error));
    EXPECT_THAT(errors(), HasSubstr("wrote something that is not a reply of the bridge"));

    // Ends before or after the request went out: either way its exit code is named.
    const Spied ends = spied(dir, "exit 3");
    EXPECT_FALSE(RemoteGaugeHost::start(native_far_side(ends.argv), error));
    const std::string ended = errors();
    EXPECT_THAT(ended, HasSubstr("exit code 3"));
    EXPECT_THAT(ended, HasSubstr("during load; it was stopped"));

    // Reads nothing: its input closes, so the request cannot be written.
    const Spied deaf = spied(dir, "exec 0<&-; exec sleep 30");
    RemoteOptions options = native_far_side(deaf.argv);
    options.start_timeout_ms = 1000;
    EXPECT_FALSE(RemoteGaugeHost::start(options, error));
    const std::string deaf_errors = errors();
    const bool broken_pipe = deaf_errors.find("the pipe to the far side is broken") != std::string::npos;
    const bool no_answer = deaf_errors.find("did not answer") != std::string::npos;  // closed after the write
    EXPECT_TRUE(broken_pipe || no_answer) << deaf_errors;
    EXPECT_TRUE(deaf.gone());

    // Closes its side of the pipe and stays: named as a broken pipe, and stopped.
    const Spied mute = spied(dir, "exec 1>&-; exec sleep 30");
    EXPECT_FALSE(RemoteGaugeHost::start(native_far_side(mute.argv), error));
    EXPECT_THAT(errors(), HasSubstr("the pipe from the far side is broken: it closed it without answering during load; "
                                    "it was stopped"));
    EXPECT_TRUE(mute.gone());

    EXPECT_FALSE(RemoteGaugeHost::start(native_far_side({"/no/such/program"}), error));
    EXPECT_THAT(errors(), HasSubstr("cannot start /no/such/program"));
}

TEST_F(Bridge, ModuleIsToldByItsHeaderNotItsName) {
    // The Linux build named like the Windows one still loads into this process.
    const fs::path renamed = dir / "Tarvolen_Instr.gau";
    fs::copy_file(TARVOLEN_MODULE_PATH, renamed);
    auto opened = OpenedHost::open(renamed.string(), HostOptions{.trace = false}, error);
    ASSERT_TRUE(opened) << error;
    EXPECT_TRUE(opened->local() && !opened->remote());
    EXPECT_EQ(opened->host().gauge_names(), LocalGaugeHost(local).gauge_names());

    // A PE header, whatever the name, goes to Wine; without wine that is the error.
    const fs::path pe = dir / "libsomething.so";
    std::vector<char> image(0x58, 0);  // the MZ header, the PE signature and its file header
    image[0] = 'M', image[1] = 'Z', image[0x3C] = 0x40, image[0x40] = 'P', image[0x41] = 'E';
    std::ofstream(pe, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
    const std::string path = getenv("PATH");
    setenv("PATH", "/nonexistent", 1);
    EXPECT_FALSE(OpenedHost::open(pe.string(), HostOptions{}, error));
    setenv("PATH", path.c_str(), 1);
    EXPECT_THAT(errors(), HasSubstr(pe.string() + ": cannot run a .gau: Wine is not installed"));
}

// The far side keeps its writers from request to request and writes a count before
// what it counts, setting it afterwards: a reused writer's frame holds only its new
// fields, and the count set later reads back in its place.
TEST(BridgeFrames, AReusedWriterFramesOnlyItsNewFieldsWithACountSetAfterThem) {
    bridge::Writer writer;
    writer.text(std::string(100000, 'x')).u32(1);
    writer.clear();
    const size_t count_at = writer.size();
    writer.u32(0).text("abc").u8(9);
    writer.set_u32(count_at, 2);
    const std::span<const uint8_t> framed = writer.framed();
    ASSERT_EQ(framed.size(), 4u + 4 + 4 + 3 + 1);
    EXPECT_EQ(std::vector<uint8_t>(framed.begin(), framed.end()), writer.frame());
    bridge::Reader in(framed.subspan(4));
    EXPECT_EQ(in.u32(), 2u);
    EXPECT_EQ(in.view(), "abc");
    EXPECT_EQ(in.u8(), 9u);
    EXPECT_TRUE(in.ok() && in.at_end());
}

TEST(BridgeFrames, FieldsPastTheEndFailTheReaderAndReadAsZero) {
    bridge::Writer writer;
    writer.u32(7).text("abc").f64(-0.25);
    const std::vector<uint8_t> frame = writer.frame();
    ASSERT_EQ(frame.size(), 4u + 4 + 4 + 3 + 8);
    const std::vector<uint8_t> body(frame.begin() + 4, frame.end());
    bridge::Reader whole(body);
    EXPECT_EQ(whole.u32(), 7u);
    EXPECT_EQ(whole.text(), "abc");
    EXPECT_EQ(whole.f64(), -0.25);
    EXPECT_TRUE(whole.ok() && whole.at_end());

    const std::vector<uint8_t> cut(body.begin(), body.end() - 1);
    bridge::Reader short_one(cut);
    short_one.u32();
    short_one.text();
    EXPECT_EQ(short_one.f64(), 0.0);
    EXPECT_FALSE(short_one.ok());
    // A text length beyond the frame is refused, not allocated.
    const std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0x7F, 'a'};
    bridge::Reader lying(huge);
    EXPECT_EQ(lying.text(), "");
    EXPECT_FALSE(lying.ok());
}

}  // namespace
