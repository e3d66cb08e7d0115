// The scenario interpreter.
#include "host/cli/scenario.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <thread>

#include "host/core/panel_host.h"
#include "host/panel/panel_config.h"
#include "host/trace/json_writer.h"

namespace {

bool parse_number(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const unsigned long long v = std::strtoull(text.c_str() + 2, &end, 16);
        out = static_cast<double>(v);
    } else {
        out = std::strtod(text.c_str(), &end);
    }
    return end && *end == '\0' && std::isfinite(out);
}

bool parse_u32(const std::string& text, uint32_t& out) {
    double v = 0;
    if (!parse_number(text, v) || v < 0 || v > 4294967295.0 || std::floor(v) != v) return false;
    out = static_cast<uint32_t>(v);
    return true;
}

bool parse_int(const std::string& text, int& out) {
    double v = 0;
    if (!parse_number(text, v) || std::fabs(v) > 1e9 || std::floor(v) != v) return false;
    out = static_cast<int>(v);
    return true;
}

class Runner {
public:
    Runner(PanelHost& host, std::string source, const ScenarioHooks& hooks)
        : host_(host), source_(std::move(source)), hooks_(hooks) {}

    void line(const std::string& text, int number) {
        number_ = number;
        std::istringstream in(text);
        std::string command;
        if (!(in >> command) || command[0] == '#') return;
        std::vector<std::string> args;
        for (std::string word; in >> word;) args.push_back(word);
        if (command == "place")
            place(text, args);
        else if (command == "set")
            set(args);
        else if (command == "event")
            event(args);
        else if (command == "frame")
            frame(args);
        else if (command == "click")
            click(args);
        else if (command == "remove")
            remove(args);
        else if (command == "expect")
            expect(args);
        else if (command == "sleep")
            sleep(args);
        else if (command == "panel")
            panel(args);
        else if (command == "render")
            render(args);
        else
            fail("unknown command \"" + command + "\"");
    }

    ScenarioResult result;

private:
    void fail(const std::string& what) {
        result.ok = false;
        result.messages.push_back(source_ + ":" + std::to_string(number_) + ": " + what);
    }

    void place(const std::string& text, const std::vector<std::string>& args) {
        if (args.empty()) return fail("place needs a gauge name");
        std::optional<std::string> parameters;
        int window = 0;
        size_t i = 1;
        if (args.size() > 2 && args[1] == "window") {
            if (!parse_int(args[2], window)) return fail("window ident \"" + args[2] + "\" is not a number");
            i = 3;
        }
        if (i < args.size()) {
            if (args[i] != "params") return fail("expected \"params\" or \"window\", found \"" + args[i] + "\"");
            // The parameter text is the rest of the line after "params " verbatim.
            const auto at = text.find("params");
            std::string rest = text.substr(at + 6);
            parameters = rest.empty() ? rest : rest.substr(1);
        }
        std::string error;
        if (host_.place(args[0], parameters, error, window) < 0) fail(error);
    }

    void set(const std::vector<std::string>& args) {
        uint32_t token = 0;
        double value = 0;
        if (args.size() != 2 || !parse_u32(args[0], token) || !parse_number(args[1], value))
            return fail("set needs TOKEN VALUE");
        if (!host_.aircraft().vars().set(token, value)) fail("unknown variable token " + args[0]);
    }

    void event(const std::vector<std::string>& args) {
        uint32_t id = 0, value = 0;
        if (args.empty() || args.size() > 2 || !parse_u32(args[0], id) ||
            (args.size() == 2 && !parse_u32(args[1], value)))
            return fail("event needs ID [VALUE]");
        host_.host_event(id, value);
    }

    void frame(const std::vector<std::string>& args) {
        int count = 1;
        if (args.size() > 1 || (args.size() == 1 && (!parse_int(args[0], count) || count < 0)))
            return fail("frame takes an optional count");
        for (int i = 0; i < count; ++i) {
            host_.aircraft().advance(FRAME_SECONDS);
            host_.frame_all();
        }
    }

    void click(const std::vector<std::string>& args) {
        int x = 0, y = 0;
        if (args.size() != 3 || !parse_int(args[1], x) || !parse_int(args[2], y)) return fail("click needs GAUGE X Y");
        Placement* p = find_placement(host_, args[0]);
        if (!p) return fail("no placed gauge \"" + args[0] + "\"");
        if (!host_.click(p->id, x, y)) fail("click at " + args[1] + "," + args[2] + " hits nothing on " + args[0]);
    }

    void remove(const std::vector<std::string>& args) {
        if (args.size() != 1) return fail("remove needs GAUGE");
        Placement* p = find_placement(host_, args[0]);
        if (!p) return fail("no placed gauge \"" + args[0] + "\"");
        host_.remove(p->id);
    }

    void sleep(const std::vector<std::string>& args) {
        int ms = 0;
        if (args.size() != 1 || !parse_int(args[0], ms) || ms < 0 || ms > 60000)
            return fail("sleep needs a time in milliseconds (0 to 60000)");
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    void expect(const std::vector<std::string>& args) {
        if (args.size() == 3 && args[0] == "var") {
            uint32_t token = 0;
            double want = 0;
            if (!parse_u32(args[1], token) || !parse_number(args[2], want)) return fail("expect var needs TOKEN VALUE");
            const double got = host_.aircraft().vars().number(token);
            if (got != want) fail("variable " + args[1] + " is " + format_real(got) + ", expected " + args[2]);
        } else if (args.size() == 3 && args[0] == "window") {
            int ident = 0;
            if (!parse_int(args[1], ident) || (args[2] != "open" && args[2] != "closed"))
                return fail("expect window needs IDENT open|closed");
            const bool open = host_.aircraft().window_open(ident);
            if (open != (args[2] == "open"))
                fail("window " + args[1] + " is " + (open ? "open" : "closed") + ", expected " + args[2]);
        } else {
            fail("expect needs \"var TOKEN VALUE\" or \"window IDENT open|closed\"");
        }
    }

    void panel(const std::vector<std::string>& args) {
        if (args.size() != 1) return fail("panel needs FILE.cfg");
        const std::string path = beside_scenario(args[0]);
        ConfigMessages messages;
        PanelConfig config = read_panel_config(path, messages);
        if (messages.ok()) place_panel(host_, config, messages);
        for (const auto& error : messages.errors) fail(error);
        // Pictures show the windows of every panel placed so far.
        if (!panel_) panel_ = std::make_unique<PanelConfig>();
        for (auto& window : config.windows) panel_->windows.push_back(std::move(window));
    }

    void render(const std::vector<std::string>& args) {
        if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "night"))
            return fail("render needs FILE.png [night]");
        if (!hooks_.render) return;  // no renderer in this host
        const std::string path = hooks_.output_dir.empty() ? args[0] : hooks_.output_dir + "/" + args[0];
        std::string error;
        if (!hooks_.render(host_, panel_.get(), path, args.size() == 2, error)) fail(error);
    }

    // A file named by the scenario: relative names are taken from the scenario's folder
    // (Windows paths too, for the Windows host under Wine).
    std::string beside_scenario(const std::string& name) const {
        const bool absolute = name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':');
        const auto slash = source_.find_last_of("/\\");
        return absolute || slash == std::string::npos ? name : source_.substr(0, slash + 1) + name;
    }

    PanelHost& host_;
    std::string source_;
    const ScenarioHooks& hooks_;
    std::unique_ptr<PanelConfig> panel_;
    int number_ = 0;
};

}  // namespace

Placement* find_placement(PanelHost& host, const std::string& arg) {
    std::string name = arg;
    int wanted = 1;
    const auto hash = arg.find('#');
    if (hash != std::string::npos) {
        name = arg.substr(0, hash);
        if (!parse_int(arg.substr(hash + 1), wanted) || wanted < 1) return nullptr;
    }
    int seen = 0;
    for (const auto& p : host.placements())
        if (p->name == name && ++seen == wanted) return p.get();
    return nullptr;
}

ScenarioResult run_scenario(PanelHost& host, const std::string& text, const std::string& source,
                            const ScenarioHooks& hooks) {
    Runner runner(host, source, hooks);
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        runner.line(line, ++number);
    }
    for (const auto& fault : host.errors()) {
        runner.result.ok = false;
        runner.result.messages.push_back(source + ": module fault: " + fault);
    }
    return runner.result;
}
