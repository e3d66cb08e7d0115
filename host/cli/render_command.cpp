// `panelhost render`: place a panel, set variables, click, run frames, draw one PNG.
#include "host/cli/render_command.h"

#include "host/base/numbers.h"
#include "host/bridge/open_host.h"
#include "host/cli/commands.h"
#include "host/cli/options.h"
#include "host/panel/panel_config.h"
#include "host/render/cairo_canvas.h"
#include "host/render/panel_render.h"
#include "host/render/png_queue.h"
#include "host/xml/xml_panel.h"

namespace {

constexpr long long kMaxCoordinate = 1000000;  // a point of a gauge's face, either way
constexpr long long kSmallestScreen = 64, kLargestScreen = 8192;
constexpr double kSmallestScale = 0.05, kLargestScale = 8.0;

void next_frame(GaugeHost& host, XmlPanel* xml) {
    host.advance(FRAME_SECONDS);
    host.frame_all();
    if (xml) xml->frame();
}

// A click on MODULE!NAME: an XML gauge of the panel.
bool click_xml(XmlPanel* xml, GaugeHost& host, const RenderOptions::Click& click, Diagnostics& diagnostics) {
    XmlPlacement* p = xml ? xml->find(click.gauge) : nullptr;
    if (!p)
        return diagnostics.error("--click " + click.text + ": no gauge \"" + click.gauge + "\" on the panel"), false;
    if (p->panel_window >= 0 && !host.window_open(p->window))
        return diagnostics.error("--click " + click.text + ": " + click.gauge + " is in window " +
                                 std::to_string(p->window) + ", which is closed"),
               false;
    if (!xml->click(*p, click.x, click.y))
        return diagnostics.error("--click " + click.text + ": hits no click area of " + click.gauge), false;
    xml->click(*p, click.x, click.y, XmlMouse::release);  // a click lets the button go
    return true;
}

// Adds the module's faults (and a far side's end) as errors; true when there are none.
bool no_faults(GaugeHost& host, Diagnostics& diagnostics) { return report_module_faults(host, diagnostics) == 0; }

// Sets, clicks (a frame after each, as a hand clicks between frames) and frames.
bool drive(GaugeHost& host, XmlPanel* xml, const RenderOptions& options, Diagnostics& diagnostics) {
    for (const auto& [token, value] : options.sets) host.set_var(token, value);
    host.frame_all();
    if (xml) xml->frame();
    for (const auto& click : options.clicks) {
        if (click.gauge.find('!') != std::string::npos) {
            if (!click_xml(xml, host, click, diagnostics)) return false;
            next_frame(host, xml);
            continue;
        }
        Placement* p = find_placement(host, click.gauge);
        if (!p) {
            diagnostics.error("--click " + click.text + ": no gauge \"" + click.gauge + "\" on the panel");
            return false;
        }
        if (hidden(host, *p)) {
            diagnostics.error("--click " + click.text + ": " + click.gauge + " is in window " +
                              std::to_string(p->window) + ", which is closed");
            return false;
        }
        if (!host.click(p->id, click.x, click.y)) {
            if (!no_faults(host, diagnostics)) return false;  // the far side ended during the click
            diagnostics.error("--click " + click.text + ": hits no click area of " + click.gauge);
            return false;
        }
        next_frame(host, xml);
    }
    for (int i = 0; i < options.frames; ++i) next_frame(host, xml);
    return no_faults(host, diagnostics);
}

// Places the panel's XML gauges. What they cannot read (a file, an image, a script) are
// notes: the gauge, or its element, is left out and the rest of the panel is drawn.
void place_xml_gauges(XmlPanel& xml, const PanelConfig& panel, const std::string& path,
                      const std::vector<std::string>& folders, bool verbose, Diagnostics& diagnostics) {
    Diagnostics reading;
    xml.place(panel, path, folders, reading);
    for (const Diagnostic& d : reading.items())
        if (d.level == Diagnostic::Level::error || d.line == 0 || verbose) diagnostics.note(d.file, d.line, d.what);
}

// The XML gauges of a scenario's panel lines, and what its render lines draw of them.
class ScenarioXmlGauges : public OtherGauges {
public:
    ScenarioXmlGauges(GaugeHost& host, std::vector<std::string> folders) : xml(host), folders_(std::move(folders)) {}
    void place(GaugeHost&, const PanelConfig& panel, const std::string& path, Diagnostics& diagnostics) override {
        place_xml_gauges(xml, panel, path, folders_, false, diagnostics);
    }
    void frame() override { xml.frame(); }
    bool click(GaugeHost&, const std::string& gauge, int x, int y, std::string& problem) override {
        return xml.click_gauge(gauge, x, y, problem);
    }
    XmlPanel xml;

private:
    std::vector<std::string> folders_;
};

// What the note on a written picture says.
std::string written_note(const RenderOutcome& outcome, const PictureOptions& options) {
    return "wrote " + std::to_string(outcome.width) + " x " + std::to_string(outcome.height) + " pixels, " +
           std::to_string(outcome.windows) + (outcome.windows == 1 ? " window" : " windows") +
           (options.paint.night ? ", night" : "");
}

void draw_picture(GaugeHost& host, const PanelConfig* panel, const std::string& path, const PictureOptions& options,
                  Diagnostics& diagnostics) {
    const RenderOutcome outcome = render_panel_png(host, panel, path, options);
    diagnostics.merge(outcome.diagnostics);
    if (outcome.written) diagnostics.note(path, 0, written_note(outcome, options));
}

// The same for one of several pictures: drawn now, written by the queue while the next
// is drawn (its note, or the error of its write, comes when the queue finishes).
void queue_picture(GaugeHost& host, const PanelConfig* panel, const std::string& path, const PictureOptions& options,
                   PngQueue& queue, Diagnostics& diagnostics) {
    RenderOutcome outcome;
    const std::unique_ptr<CairoCanvas> canvas = render_panel_picture(host, panel, path, options, outcome);
    diagnostics.merge(outcome.diagnostics);
    if (canvas) queue.write(canvas->surface(), path, written_note(outcome, options), diagnostics);
}

}  // namespace

std::string read_setting(const std::string& text, RenderOptions::Setting& out) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) return "needs TOKEN=VALUE, got \"" + text + "\"";
    const TokenSetting setting =
        read_token_setting(std::string_view(text).substr(0, eq), std::string_view(text).substr(eq + 1));
    if (!setting.ok()) return setting.problem;
    out.token = setting.token->token;
    out.value = setting.value;
    return {};
}

std::string read_click(const std::string& text, RenderOptions::Click& out) {
    const auto at = text.rfind('@');
    const auto comma = text.find(',', at == std::string::npos ? 0 : at);
    if (at == std::string::npos || at == 0 || comma == std::string::npos)
        return "needs GAUGE@X,Y, got \"" + text + "\"";
    const Parsed<long long> x = parse_whole(text.substr(at + 1, comma - at - 1), -kMaxCoordinate, kMaxCoordinate);
    const Parsed<long long> y = parse_whole(text.substr(comma + 1), -kMaxCoordinate, kMaxCoordinate);
    if (!x.ok() || !y.ok()) return "GAUGE@X,Y: " + (x.ok() ? y.problem : x.problem);
    out.text = text;
    out.gauge = text.substr(0, at);
    out.x = static_cast<int>(x.value);
    out.y = static_cast<int>(y.value);
    return {};
}

std::string read_screen(const std::string& text, Size& out) {
    const auto x = text.find('x');
    if (x == std::string::npos) return "needs WIDTHxHEIGHT, got \"" + text + "\"";
    const Parsed<long long> w = parse_whole(text.substr(0, x), kSmallestScreen, kLargestScreen);
    const Parsed<long long> h = parse_whole(text.substr(x + 1), kSmallestScreen, kLargestScreen);
    if (!w.ok() || !h.ok()) return "WIDTHxHEIGHT: " + (w.ok() ? h.problem : w.problem);
    out = {static_cast<int>(w.value), static_cast<int>(h.value)};
    return {};
}

std::string read_windows(const std::string& text, WindowChoice& out) {
    out = {};
    if (text == "visible") return {};
    if (text == "all") return out.kind = WindowChoice::Kind::all, std::string();
    out.kind = WindowChoice::Kind::list;
    std::string::size_type start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        const std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (name.empty()) return "is visible, all or a list of idents and titles (A,B,...), got \"" + text + "\"";
        out.names.push_back(name);
        if (comma == std::string::npos) return {};
        start = comma + 1;
    }
}

int render_panel(const RenderOptions& options, const std::string& module_path, Diagnostics& diagnostics) {
    // The picture is the output, not the trace.
    const std::unique_ptr<OpenedHost> opened = OpenedHost::open(module_path, HostOptions{.trace = false}, diagnostics);
    if (!opened) return EXIT_FAILED;
    GaugeHost& host = opened->host();
    const PanelConfig panel = read_panel_config(options.panel, diagnostics);
    if (diagnostics.ok() && panel.windows.empty())
        diagnostics.error(
            panel.source, 0,
            "no 2D panel window ([WindowNN] with a title in [Window Titles])" +
                std::string(panel.virtual_cockpits ? "; the file has only virtual cockpit sections" : "") +
                ": there is nothing to draw");
    if (diagnostics.ok()) place_panel(host, panel, diagnostics);
    XmlPanel xml(host);
    if (diagnostics.ok()) {
        place_xml_gauges(xml, panel, options.panel, options.gauge_folders, options.verbose, diagnostics);
        std::set<std::pair<int, int>> drawn;
        for (const auto& p : xml.placements()) drawn.insert({p->panel_window, p->gauge_index});
        note_other_modules(panel, options.verbose, diagnostics, drawn);
    }
    if (!no_faults(host, diagnostics) || !diagnostics.ok() || !drive(host, &xml, options, diagnostics))
        return EXIT_FAILED;
    PictureOptions picture = options.picture;
    picture.xml = &xml;
    draw_picture(host, &panel, options.out, picture, diagnostics);
    for (const std::string& problem : xml.problems()) diagnostics.note(problem);
    no_faults(host, diagnostics);
    return diagnostics.ok() ? EXIT_DONE : EXIT_FAILED;
}

std::vector<CLI::Option*> add_picture_options(CLI::App& command, PictureOptions& picture) {
    const CLI::Validator scale_check(
        [](std::string& text) {
            const Parsed<double> scale = parse_number(text);
            if (!scale.ok()) return scale.problem;
            if (scale.value >= kSmallestScale && scale.value <= kLargestScale) return std::string();
            return "\"" + text + "\" is out of range (0.05 to 8)";
        },
        "");
    CLI::Option* night = command.add_flag("--night", picture.paint.night, "dim everything that is not lit");
    CLI::Option* layout =
        command
            .add_option_function<std::string>(
                "--layout", [&picture](const std::string& text) { picture.screen_layout = text == "screen"; },
                "sheet: the windows side by side, each titled (the default); screen: where the panel puts them")
            ->check(CLI::IsMember({"sheet", "screen"}));
    CLI::Option* screen =
        command
            .add_option_function<std::string>(
                "--screen", [&picture](const std::string& text) { read_screen(text, picture.screen); },
                "the screen's pixels, for --layout screen and the choice of background bitmaps (default 1024x768)")
            ->check(reader_check(read_screen))
            ->type_name("WxH");
    CLI::Option* windows =
        command
            .add_option_function<std::string>(
                "--windows", [&picture](const std::string& text) { read_windows(text, picture.windows); },
                "visible: those open (the default); all; or a list of idents, names and titles")
            ->check(reader_check(read_windows))
            ->type_name("visible|all|A,B,...");
    CLI::Option* scale =
        command
            .add_option_function<std::string>(
                "--scale", [&picture](const std::string& text) { picture.scale = parse_number(text).value; },
                "the sheet's pixels per window pixel (0.05 to 8, default 1)")
            ->check(scale_check)
            ->type_name("F");
    return {night, layout, screen, windows, scale};
}

void add_render_command(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = app.add_subcommand("render", "Place a panel.cfg's gauges, set, click, run frames, draw a PNG");
    command->footer(
        "Runs one frame after the sets, one after each click and N more, then draws the chosen\n"
        "windows: on a sheet, side by side, each titled, or on the screen, each where the panel\n"
        "puts it. Other authors' XML gauges (a folder MODULE, MODULE.cab) are drawn from the\n"
        "panel.cfg's folder or a --gauges folder; the rest as placeholders. TOKEN: a number or a name of\n"
        "host/sim/tokens.cpp. GAUGE: a gauge name (its first placement), NAME#K, or MODULE!NAME. X,Y: pixels\n"
        "of the gauge's face bitmap. Numbers: decimal (120, -3.5) or hexadecimal (0x2175).");
    command->add_option("PANEL", options->panel, "the panel.cfg to place")->required();
    command->add_option("-o,--output", options->out, "the PNG file to write")->required()->type_name("OUT.png");
    add_repeated_option(*command, "--set", options->sets, read_setting, "set a simulated variable")
        ->type_name("TOKEN=VALUE");
    add_repeated_option(*command, "--click", options->clicks, read_click, "click a point of a gauge's face")
        ->type_name("GAUGE@X,Y");
    add_whole_option(*command, "--frames", options->frames, 1, MAX_SCENARIO_FRAMES,
                     "frames to run at the end (1/18 s each)")
        ->default_str("1");
    add_picture_options(*command, options->picture);
    command->add_flag("--verbose", options->verbose, "a note for every gauge of another module");
    command
        ->add_option("--gauges", options->gauge_folders,
                     "a folder to look for other modules' gauges in, after the panel.cfg's (many may be given)")
        ->type_name("DIR")
        ->allow_extra_args(false);
    command->callback(
        [options, &context] { context.exit_code = render_panel(*options, context.module_path, context.diagnostics); });
}

const XmlPanel* xml_gauges(const ScenarioHooks& hooks) {
    const auto* others = dynamic_cast<const ScenarioXmlGauges*>(hooks.others.get());
    return others ? &others->xml : nullptr;
}

ScenarioHooks renderer_hooks(const std::string& out_dir, GaugeHost& host,
                             const std::vector<std::string>& gauge_folders) {
    ScenarioHooks hooks;
    hooks.output_dir = out_dir;
    auto xml = std::make_shared<ScenarioXmlGauges>(host, gauge_folders);
    hooks.others = xml;
    auto queue = std::make_shared<PngQueue>();
    hooks.render = [xml, queue](GaugeHost& drawn, const PanelConfig* panel, const std::string& path, bool night,
                                Diagnostics& diagnostics) {
        PictureOptions options;
        options.paint.night = night;
        options.xml = &xml->xml;
        queue_picture(drawn, panel, path, options, *queue, diagnostics);
    };
    hooks.finish = [queue](Diagnostics& result) { queue->finish(result); };
    return hooks;
}
