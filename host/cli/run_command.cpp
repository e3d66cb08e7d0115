// `panelhost run`: a scenario, its trace on standard output; with --record, the run as
// a moving picture too.
#include <CLI/CLI.hpp>
#include <ostream>

#include "host/base/input_file.h"
#include "host/cli/commands.h"
#include "host/cli/options.h"
#include "host/core/gauge_host.h"
#include "host/scenario/scenario.h"
#include "host/trace/trace_writer.h"
#ifdef TARVOLEN_HAVE_RENDERER
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "host/bridge/remote_gauge_host.h"
#include "host/cli/render_command.h"
#include "host/record/recording.h"
#endif

namespace {

constexpr int kDefaultFps = 18;
constexpr int kMaxFps = 120;

struct RunOptions {
    std::string scenario;
    std::string out_dir;  // where render lines write; empty: the current folder
    std::string record;   // the recording to make; empty: none
    int fps = kDefaultFps;
#ifdef TARVOLEN_HAVE_RENDERER
    PictureOptions picture;                  // how the recording draws the panel
    std::vector<std::string> gauge_folders;  // --gauges: where other modules are looked for
#endif
};

// The scenario's text; false with the error when the path is not a readable scenario
// file (missing, a folder, a FIFO or a device, larger than any scenario).
bool read_scenario(const std::string& path, std::string& text, Diagnostics& diagnostics) {
    std::string error;
    if (!read_input_file(path, SCENARIO_FILE, text, error)) return diagnostics.error(path, 0, error), false;
    return true;
}

#ifdef TARVOLEN_HAVE_RENDERER
// The progress of a recording on one line of the terminal, redrawn in place.
void show_progress(const RecordProgress& progress) {
    if (progress.frames % 9 != 0 && progress.frames != progress.expected) return;
    if (progress.expected > 0)
        std::fprintf(stderr, "\rrecording: frame %lld of %lld (%lld%%)", static_cast<long long>(progress.frames),
                     static_cast<long long>(progress.expected),
                     static_cast<long long>(progress.frames * 100 / progress.expected));
    else
        std::fprintf(stderr, "\rrecording: frame %lld", static_cast<long long>(progress.frames));
}

// The recording the options ask for, checked before any work; null when there is none
// to make, or when the options are wrong (the exit code set).
std::unique_ptr<Recording> open_recording(const RunOptions& options, const std::string& text, CommandContext& context) {
    if (options.record.empty()) return nullptr;
    RecordOptions record;
    record.output = options.record;
    record.fps = options.fps;
    record.frame_s = FRAME_SECONDS;
    record.expected_frames = count_scenario_frames(text);
    record.picture = options.picture;
    if (isatty(STDERR_FILENO)) record.progress = show_progress;
    bool usage = false;
    std::unique_ptr<Recording> recording = Recording::open(record, context.diagnostics, usage);
    if (!recording) context.exit_code = usage ? EXIT_USAGE : EXIT_FAILED;
    return recording;
}

// Puts the finished recording in place and says what it holds.
void finish_recording(Recording& recording, GaugeHost& host, const RunOptions& options, CommandContext& context) {
    if (isatty(STDERR_FILENO)) std::fputc('\n', stderr);
    const Diagnostics finished = recording.finish(host);
    context.diagnostics.merge(finished);
    if (!finished.ok()) {
        context.exit_code = recording.too_large() ? EXIT_USAGE : EXIT_FAILED;
        return;
    }
    const size_t plays = recording.plays();
    std::string what = "recorded " + std::to_string(recording.pictures()) + " pictures at " +
                       std::to_string(options.fps) + " a second";
    if (recording.has_sound()) what += ", " + std::to_string(plays) + (plays == 1 ? " click" : " clicks");
    context.diagnostics.note(options.record, 0, what);
}
#endif

void run(const RunOptions& options, CommandContext& context) {
    std::string text;
    if (!read_scenario(options.scenario, text, context.diagnostics)) {
        context.exit_code = EXIT_FAILED;
        return;
    }
#ifdef TARVOLEN_HAVE_RENDERER
    std::unique_ptr<Recording> recording = open_recording(options, text, context);
    if (context.exit_code != EXIT_DONE) return;
#endif
    OpenModule module;
    if (!module.open(context, HostOptions{})) return;
    GaugeHost& host = module.host();
#ifdef TARVOLEN_HAVE_RENDERER
    ScenarioHooks hooks = renderer_hooks(options.out_dir, host, options.gauge_folders);
    // A recording draws each frame with the module's own bitmaps, wherever it runs; the
    // plays of a .gau under Wine are those its far side reports.
    if (recording) {
        if (const RemoteGaugeHost* remote = module.remote())
            recording->hear_plays_from({[remote] { return remote->sound_plays().size(); },
                                        [remote](size_t i) { return remote->sound_plays()[i].buffer; }});
        recording->draw_xml_gauges(xml_gauges(hooks));
        hooks.before_frame = [&recording](GaugeHost& running) { recording->before_frame(running); };
        hooks.after_frame = [&recording](GaugeHost& running, const PanelConfig* panel) {
            recording->after_frame(running, panel);
        };
    }
#else
    ScenarioHooks hooks;  // this build draws nothing: render lines are passed over
    hooks.output_dir = options.out_dir;
#endif
    // The trace goes out as it grows, so a long flight holds no more than two frames of
    // it: one being written on the writer's thread while the next is made.
    TraceWriter trace_out(context.out);
    hooks.flush = [&trace_out](GaugeHost& running) {
        running.take_trace(trace_out.next());
        trace_out.send();
    };
    const Diagnostics result = run_scenario(host, text, options.scenario, hooks);
    hooks.flush(host);
    trace_out.finish();
    context.diagnostics.merge(result);
    if (!result.ok()) context.exit_code = EXIT_FAILED;
#ifdef TARVOLEN_HAVE_RENDERER
    if (recording) finish_recording(*recording, host, options, context);
#endif
}

}  // namespace

void add_run_command(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* command =
        app.add_subcommand("run", "Run a scenario (its commands below) and print the trace as JSON lines");
    command->add_option("SCENARIO", options->scenario, "the scenario file")->required();
    command->add_option("--out", options->out_dir, "the folder render lines write their pictures to")->type_name("DIR");
#ifdef TARVOLEN_HAVE_RENDERER
    CLI::Option* record =
        command
            ->add_option("--record", options->record,
                         "also record the run: .webm or .mp4 (with the clicks on a sound track), .apng or .gif")
            ->type_name("OUT");
    add_whole_option(*command, "--fps", options->fps, 1, kMaxFps, "pictures a second in the recording")
        ->default_str(std::to_string(kDefaultFps))
        ->needs(record);
    for (CLI::Option* option : add_picture_options(*command, options->picture)) option->needs(record);
    command
        ->add_option("--gauges", options->gauge_folders,
                     "a folder to look for other modules' gauges in, after the panel.cfg's (many may be given)")
        ->type_name("DIR")
        ->allow_extra_args(false);
    command->footer("A scenario's lines ('#' starts a comment):\n" + scenario_commands_help() +
                    "\n--record: every frame the scenario runs (1/18 s of scenario time) becomes a picture of the\n"
                    "open panel windows, N a second (each showing the last frame run by its time); .webm and .mp4\n"
                    "carry the module's clicks at the times it plays them. The file appears under OUT's name only\n"
                    "when it is whole. --night, --layout, --screen, --windows and --scale draw the recording's\n"
                    "pictures as they draw render's. A panel line's XML gauges of other authors are looked for\n"
                    "beside the panel.cfg, then in each --gauges folder; they run, click and are drawn.");
#else
    // This build draws nothing; --record says so instead of being an unknown option.
    command
        ->add_option_function<std::string>(
            "--record",
            [&context](const std::string&) {
                context.diagnostics.error("this build cannot record (use the Linux panelhost)");
                context.exit_code = EXIT_USAGE;
            },
            "not in this build")
        ->type_name("OUT");
    command->footer("A scenario's lines ('#' starts a comment):\n" + scenario_commands_help());
#endif
    command->callback([options, &context] {
        if (context.exit_code == EXIT_DONE) run(*options, context);
    });
}
