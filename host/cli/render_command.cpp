// `panelhost render`: place a panel, set variables, click, run frames, draw one PNG.
#include "host/cli/render_command.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/core/panel_host.h"
#include "host/panel/panel_config.h"
#include "host/render/panel_render.h"

namespace {

struct RenderArgs {
    std::string panel;
    std::vector<std::pair<uint32_t, double>> sets;
    struct Click {
        std::string gauge;
        int x = 0, y = 0;
        std::string text;
    };
    std::vector<Click> clicks;
    int frames = 1;
    bool night = false;
    std::string out;
};

bool parse_number(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        out = static_cast<double>(std::strtoull(text.c_str() + 2, &end, 16));
    else
        out = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(out);
}

bool parse_whole(const std::string& text, int& out) {
    double v = 0;
    if (!parse_number(text, v) || std::floor(v) != v || std::fabs(v) > 1e6) return false;
    out = static_cast<int>(v);
    return true;
}

// A token by number or by its name in the host's table.
bool parse_token(const std::string& text, uint32_t& token) {
    double v = 0;
    if (parse_number(text, v) && v >= 0 && std::floor(v) == v && v <= 4294967295.0) {
        token = static_cast<uint32_t>(v);
        return find_token(token) != nullptr;
    }
    for (const TokenInfo* row = token_table(); row->name; ++row)
        if (text == row->name) return token = row->token, true;
    return false;
}

bool parse_set(const std::string& text, RenderArgs& args, std::string& error) {
    const auto eq = text.find('=');
    uint32_t token = 0;
    double value = 0;
    if (eq == std::string::npos) return error = "--set needs TOKEN=VALUE, got \"" + text + "\"", false;
    if (!parse_token(text.substr(0, eq), token))
        return error = "--set: unknown variable \"" + text.substr(0, eq) + "\" (a token number or name)", false;
    if (!parse_number(text.substr(eq + 1), value))
        return error = "--set: \"" + text.substr(eq + 1) + "\" is not a number", false;
    args.sets.emplace_back(token, value);
    return true;
}

bool parse_click(const std::string& text, RenderArgs& args, std::string& error) {
    const auto at = text.rfind('@');
    const auto comma = text.find(',', at == std::string::npos ? 0 : at);
    RenderArgs::Click click;
    click.text = text;
    if (at == std::string::npos || at == 0 || comma == std::string::npos ||
        !parse_whole(text.substr(at + 1, comma - at - 1), click.x) || !parse_whole(text.substr(comma + 1), click.y))
        return error = "--click needs GAUGE@X,Y, got \"" + text + "\"", false;
    click.gauge = text.substr(0, at);
    args.clicks.push_back(click);
    return true;
}

bool parse_args(const std::vector<std::string>& words, RenderArgs& args, std::string& error) {
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const bool has_value = i + 1 < words.size();
        if (word == "--night") {
            args.night = true;
        } else if (word == "--set" || word == "--click" || word == "--frames" || word == "-o") {
            if (!has_value) return error = word + " needs a value", false;
            const std::string& value = words[++i];
            if (word == "--set" && !parse_set(value, args, error)) return false;
            if (word == "--click" && !parse_click(value, args, error)) return false;
            if (word == "--frames" && (!parse_whole(value, args.frames) || args.frames < 1))
                return error = "--frames needs a count of 1 or more", false;
            if (word == "-o") args.out = value;
        } else if (!word.empty() && word[0] == '-') {
            return error = "unknown option \"" + word + "\"", false;
        } else if (args.panel.empty()) {
            args.panel = word;
        } else {
            return error = "one panel file only (\"" + word + "\" is a second)", false;
        }
    }
    if (args.panel.empty()) return error = "render needs a panel file", false;
    if (args.out.empty()) return error = "render needs -o OUT.png", false;
    return true;
}

void next_frame(PanelHost& host) {
    host.aircraft().advance(FRAME_SECONDS);
    host.frame_all();
}

// Sets, clicks (a frame after each, as a hand clicks between frames) and frames.
bool drive(PanelHost& host, const RenderArgs& args) {
    for (const auto& [token, value] : args.sets) host.aircraft().vars().set(token, value);
    host.frame_all();
    for (const auto& click : args.clicks) {
        Placement* p = find_placement(host, click.gauge);
        if (!p) {
            std::fprintf(stderr, "panelhost: --click %s: no gauge \"%s\" on the panel\n", click.text.c_str(),
                         click.gauge.c_str());
            return false;
        }
        if (!host.click(p->id, click.x, click.y)) {
            std::fprintf(stderr, "panelhost: --click %s: hits no click area of %s\n", click.text.c_str(),
                         click.gauge.c_str());
            return false;
        }
        next_frame(host);
    }
    for (int i = 0; i < args.frames; ++i) next_frame(host);
    for (const auto& fault : host.errors()) std::fprintf(stderr, "panelhost: module fault: %s\n", fault.c_str());
    return host.errors().empty();
}

bool draw(PanelHost& host, const PanelConfig* panel, const std::string& path, bool night, std::string& error) {
    const RenderOutcome outcome = render_panel_png(host, panel, path, {.night = night});
    for (const auto& problem : outcome.problems)
        std::fprintf(stderr, "panelhost: %s: %s\n", path.c_str(), problem.c_str());
    if (!outcome.ok) return error = outcome.error, false;
    std::fprintf(stderr, "panelhost: wrote %s (%d x %d pixels, %d window%s%s)\n", path.c_str(), outcome.width,
                 outcome.height, outcome.windows, outcome.windows == 1 ? "" : "s", night ? ", night" : "");
    if (!outcome.problems.empty()) return error = path + ": drawn with missing pictures", false;
    return true;
}

}  // namespace

int render_command(const std::vector<std::string>& words, const std::string& module_path) {
    RenderArgs args;
    std::string error;
    if (!parse_args(words, args, error)) {
        std::fprintf(stderr, "panelhost render: %s\n", error.c_str());
        return 2;
    }
    PanelHost host(HostOptions{.trace = false});  // the picture is the output, not the trace
    if (!host.load_module(module_path, error)) {
        std::fprintf(stderr, "panelhost: %s\n", error.c_str());
        return 1;
    }
    ConfigMessages messages;
    const PanelConfig panel = read_panel_config(args.panel, messages);
    if (messages.ok()) place_panel(host, panel, messages);
    for (const auto& note : messages.notes) std::fprintf(stderr, "panelhost: note: %s\n", note.c_str());
    for (const auto& message : messages.errors) std::fprintf(stderr, "%s\n", message.c_str());
    if (!messages.ok() || !drive(host, args)) return 1;
    if (!draw(host, &panel, args.out, args.night, error)) {
        std::fprintf(stderr, "panelhost: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

ScenarioHooks renderer_hooks(const std::string& out_dir) {
    ScenarioHooks hooks;
    hooks.output_dir = out_dir;
    hooks.render = draw;
    return hooks;
}
