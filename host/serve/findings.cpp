// The findings list of a served panel.
#include "host/serve/findings.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <set>

#include "host/panel/check.h"
#include "host/panel/text.h"
#include "host/trace/json_writer.h"

extern char** environ;

namespace {

// Where the simulator would find another module's gauge file: the aircraft's panel
// folder, then the simulator's Gauges folder (two levels above an aircraft's panel
// folder, as aircraft are installed). Names matched without case.
std::string look_for_module(const std::string& panel_path, const std::string& module, std::string& looked) {
    namespace fs = std::filesystem;
    const fs::path panel_dir = fs::path(panel_path).parent_path();
    const std::vector<fs::path> folders = {panel_dir, panel_dir.parent_path().parent_path().parent_path() / "Gauges"};
    const std::string wanted_gau = lower(module + ".gau"), wanted_dll = lower(module + ".dll");
    for (const fs::path& folder : folders) {
        looked += (looked.empty() ? "" : ", ") + (folder.empty() ? std::string(".") : folder.string());
        std::error_code code;
        for (fs::directory_iterator it(folder.empty() ? "." : folder, code), end; !code && it != end;
             it.increment(code)) {
            const std::string name = lower(it->path().filename().string());
            if (name == wanted_gau || name == wanted_dll) return it->path().string();
        }
    }
    return {};
}

std::string section_name(const PanelWindow& window) {
    return "[Window" + two_digits(window.index) + "] " + window_label(window);
}

// What a click on one of the module's toggle gauges will do, naming the windows by their
// sections and titles, so the designer need not click each toggle to learn it. An ident
// that no window has is the checker's finding.
// What the commands do, by the windows of each ident ("toggles [Window01] Radios (ident
// 50), then ..."); the idents no window has go to unknown.
std::string window_commands_text(const PanelConfig& panel, const std::vector<ToggleClick::Command>& sent,
                                 std::vector<int32_t>* unknown) {
    std::string does;
    for (const ToggleClick::Command& command : sent) {
        std::string windows;
        for (const PanelWindow& w : panel.windows)
            if (w.ident && *w.ident == command.ident) windows += (windows.empty() ? "" : " and ") + section_name(w);
        if (windows.empty()) {
            if (unknown) unknown->push_back(command.ident);
            continue;
        }
        const char* verb = command.letter == 'o' ? "opens " : command.letter == 'c' ? "closes " : "toggles ";
        does += (does.empty() ? "" : ", then ") + std::string(verb) + windows + " (ident " +
                std::to_string(command.ident) + ")";
    }
    return does;
}

void toggle_note(const PanelConfig& panel, const PanelWindow& window, const PanelGauge& gauge, Diagnostics& out) {
    const ToggleClick click = toggle_click(gauge.name, gauge.parameters);
    if (!click.toggle) return;
    const std::string who = gauge.name + " (gauge" + two_digits(gauge.index) + ")";
    if (click.closes_own)
        return out.note(panel.source, gauge.line,
                        who + " has no parameters: a click closes the window it is on, " + section_name(window) +
                            (window_ident(window) == 0 ? " (the main panel)" : ""));
    // An ident no window has is the checker's finding.
    const std::string does = window_commands_text(panel, click.sent, nullptr);
    if (!does.empty()) return out.note(panel.source, gauge.line, who + ": a click " + does);
    if (click.sent.empty() && !click.other_commands)
        out.note(panel.source, gauge.line,
                 who + ": a click changes no window: its parameters hold no o, c or t command before a comment mark");
}

}  // namespace

void designer_notes(const PanelConfig& panel, Diagnostics& out, const std::function<bool(int, int)>& placed) {
    std::map<int32_t, const PanelWindow*> by_ident;
    std::map<std::string, std::string> modules;  // lower-case module name -> what was found
    for (const PanelWindow& window : panel.windows) {
        const std::string name = "[Window" + two_digits(window.index) + "] " + window_label(window);
        if (!window.visible)
            out.note(panel.source, window.line,
                     name + " is hidden as the panel loads (visible=0): a toggle or the window list opens it");
        if (window.ident) {
            const auto [first, fresh] = by_ident.try_emplace(*window.ident, &window);
            if (!fresh)
                out.note(panel.source, window.line,
                         name + " has ident " + std::to_string(*window.ident) + ", as [Window" +
                             two_digits(first->second->index) + "] (line " + std::to_string(first->second->line) +
                             ") has: a command for that ident opens or closes both");
        }
        for (const PanelGauge& gauge : window.gauges) {
            if (is_module_gauge(gauge)) {
                toggle_note(panel, window, gauge, out);
                continue;
            }
            if (placed && placed(window.index, gauge.index)) continue;
            auto [found, fresh] = modules.try_emplace(lower(gauge.module));
            if (fresh) {
                std::string looked;
                const std::string file = look_for_module(panel.source, gauge.module, looked);
                found->second = file.empty() ? "no " + gauge.module + ".gau or .dll in " + looked
                                             : gauge.module + " is " + file + ", a module serve does not load";
            }
            out.note(panel.source, gauge.line,
                     gauge.module + "!" + gauge.name + " is drawn as a placeholder: " + found->second);
        }
    }
}

std::vector<Finding> gather_findings(const PanelConfig& panel, const std::vector<const Diagnostics*>& lists) {
    std::vector<Finding> findings;
    std::set<std::string> seen;
    for (const Diagnostics* list : lists)
        for (const Diagnostic& item : list->items()) {
            if (!seen.insert(item.str()).second) continue;
            Finding finding{item, -1, -1};
            int header = 0;  // the window whose section holds the line: the last header above it
            if (item.line > 0 && item.file == panel.source)
                for (const PanelWindow& window : panel.windows) {
                    if (window.line <= item.line && window.line > header && finding.gauge < 0)
                        finding.window = window.index, header = window.line;
                    for (const PanelGauge& gauge : window.gauges)
                        if (gauge.line == item.line) finding.window = window.index, finding.gauge = gauge.index;
                }
            findings.push_back(std::move(finding));
        }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.item.line < b.item.line; });
    return findings;
}

std::string findings_json(const std::vector<Finding>& findings) {
    std::string out;
    JsonWriter json(out);
    json.begin_object().key("findings").begin_array();
    for (const Finding& finding : findings) {
        json.begin_object()
            .text("level", finding.item.level == Diagnostic::Level::error ? "error" : "note")
            .text("file", finding.item.file)
            .num("line", finding.item.line)
            .text("what", finding.item.what)
            .text("text", finding.item.str())
            .num("window", finding.window)
            .num("gauge", finding.gauge)
            .end_object();
    }
    json.end_array().end_object();
    return out;
}

namespace {

// "FILE:LINE: what" for the panel's file, else a finding about no line.
void read_check_line(const std::string& line, const std::string& panel_path, Diagnostics& out) {
    const std::string prefix = panel_path + ":";
    if (line.compare(0, prefix.size(), prefix) == 0) {
        size_t at = prefix.size();
        size_t end = at;
        while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
        if (end > at && end + 1 < line.size() && line.compare(end, 2, ": ") == 0 && end - at < 9) {
            const int number = std::stoi(line.substr(at, end - at));
            return out.error(panel_path, number, line.substr(end + 2));
        }
        if (line.compare(at, 1, " ") == 0) return out.error(panel_path, 0, line.substr(at + 1));
    }
    out.error(line);
}

}  // namespace

bool run_check_process(const std::string& exe, const std::string& module_path, const std::string& panel_path,
                       Diagnostics& out, std::string& error, std::atomic<int>* running,
                       const std::vector<std::string>& gauge_folders) {
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return error = "no pipe for the check", false;
    std::vector<std::string> args = {exe};
    if (!module_path.empty()) args.insert(args.end(), {"--module", module_path});
    args.insert(args.end(), {"check", panel_path});
    for (const std::string& folder : gauge_folders) args.insert(args.end(), {"--gauges", folder});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    if (spawned == 0 && running) running->store(pid);
    if (spawned != 0) {
        ::close(pipe_fds[0]);
        return error = "cannot run " + exe + " check", false;
    }
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        if (text.size() < (1u << 20)) text.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipe_fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (running) running->store(0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return error = "the check stopped without its findings (status " + std::to_string(status) + ")", false;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        if (end > at) read_check_line(text.substr(at, end - at), panel_path, out);
        at = end + 1;
    }
    return true;
}

ReportPrinter::ReportPrinter(int fd) : fd_(fd), writer_([this] { run(); }) {}

ReportPrinter::ReportPrinter(std::ostream& out) : out_(&out), writer_([this] { run(); }) {}

ReportPrinter::~ReportPrinter() { stop(); }

void ReportPrinter::print(std::string report) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        if (waiting_.size() >= kReportsWaiting) {
            waiting_.pop_front();
            ++dropped_;
            ++dropped_unsaid_;
        }
        waiting_.push_back(std::move(report));
    }
    ready_.notify_one();
}

void ReportPrinter::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_one();
    if (writer_.joinable()) writer_.join();
}

size_t ReportPrinter::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void ReportPrinter::run() {
    for (;;) {
        std::string text;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (waiting_.empty()) return;
            text = std::move(waiting_.front());
            waiting_.pop_front();
            if (dropped_unsaid_ > 0)
                text = "panelhost: " + std::to_string(dropped_unsaid_) +
                       (dropped_unsaid_ == 1 ? " findings report was" : " findings reports were") +
                       " not printed: the output was not being read\n" + text;
            dropped_unsaid_ = 0;
        }
        if (out_) {
            *out_ << text;
            out_->flush();
        } else if (!write_fd(text)) {
            return;
        }
    }
}

bool ReportPrinter::write_fd(const std::string& text) {
    // A pipe that polls writable takes a write of up to a page without blocking.
    constexpr size_t kPiece = 4096;
    constexpr int kPollMs = 50;
    for (size_t at = 0; at < text.size();) {
        pollfd ready{fd_, POLLOUT, 0};
        const int polled = ::poll(&ready, 1, kPollMs);
        if (polled < 0 && errno != EINTR) return false;
        if (polled <= 0) {
            if (stopping_) return false;
            continue;
        }
        if (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
        const ssize_t n = ::write(fd_, text.data() + at, std::min(kPiece, text.size() - at));
        if (n < 0 && errno != EINTR && errno != EAGAIN) return false;
        if (n > 0) at += static_cast<size_t>(n);
    }
    return true;
}

std::vector<ToggleClick::Command> xml_window_commands(const std::string& script) {
    // A literal number pushed right before the event; a computed one is not known here.
    static const std::regex command(R"((^|\s)(\d+)(\.0*)?\s+\(\s*>\s*K:PANEL_ID_(TOGGLE|OPEN|CLOSE)\s*\))",
                                    std::regex::icase);
    std::vector<ToggleClick::Command> sent;
    for (std::sregex_iterator it(script.begin(), script.end(), command), end; it != end; ++it) {
        const std::string digits = (*it)[2].str();
        if (digits.size() > 9) continue;
        const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>((*it)[4].str()[0])));
        sent.push_back({kind, static_cast<int32_t>(std::stol(digits))});
    }
    return sent;
}

void xml_toggle_note(const PanelConfig& panel, int window_index, int gauge_index,
                     const std::vector<ToggleClick::Command>& sent, Diagnostics& out) {
    for (const PanelWindow& window : panel.windows) {
        if (window.index != window_index) continue;
        for (const PanelGauge& gauge : window.gauges) {
            if (gauge.index != gauge_index) continue;
            const std::string who = gauge.module + "!" + gauge.name + " (gauge" + two_digits(gauge.index) + ")";
            std::vector<int32_t> unknown;
            const std::string does = window_commands_text(panel, sent, &unknown);
            if (!does.empty()) out.note(panel.source, gauge.line, who + ": a click " + does);
            for (const int32_t ident : unknown)
                out.note(panel.source, gauge.line,
                         who + ": its click names window " + std::to_string(ident) +
                             ", which no window of this file has: that command does nothing");
        }
    }
}
