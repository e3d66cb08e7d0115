// The designer's side of the live page server: the panel read again when its files are
// saved (or edited through the page), and the findings sent to the tabs and printed.
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "host/render/panel_bitmaps.h"
#include "host/serve/findings.h"
#include "host/serve/server_state.h"
#include "host/trace/json_writer.h"
#include "host/xml/xml_panel.h"

namespace {

// The files a panel is made from, for the watch: the panel.cfg, its windows' background
// bitmaps (where they would be, when they are missing), the module.
std::vector<std::string> panel_files(const PanelConfig& panel, const std::string& module_path) {
    std::vector<std::string> files = {panel.source};
    const std::filesystem::path folder = std::filesystem::path(panel.source).parent_path();
    for (const PanelWindow& window : panel.windows)
        for (const auto* name : {&window.file, &window.file_1024}) {
            if (!*name) continue;
            const std::string found = find_beside(panel.source, (*name)->name);
            files.push_back(found.empty() ? (folder / (*name)->name).string() : found);
        }
    if (!module_path.empty()) files.push_back(module_path);
    return files;
}

std::string file_version(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return cfg_text_version(text);
}

}  // namespace

void PreviewServer::State::open_workbench(const ServeOptions& options, const Diagnostics& opening) {
    panel_path = options.live.panel_path;
    module_path = options.live.module_path;
    // Standard output is written through its descriptor, so that a reader that stops
    // reading costs dropped reports, not a blocked writer that stopping must wait for.
    if (options.findings_out == &std::cout) {
        std::cout.flush();
        findings_printer = std::make_unique<ReportPrinter>(STDOUT_FILENO);
    } else if (options.findings_out) {
        findings_printer = std::make_unique<ReportPrinter>(*options.findings_out);
    }
    exe = options.check_program;
    gauge_folders = options.live.gauge_folders;
    notes = opening;
    loaded_version = file_version(panel_path);
    std::string unedited;
    if (workbench.open(panel_path, unedited)) {
        // An edit reads the panel again at once; the watch then sees the save as well,
        // and checks it.
        routes->set_workbench(&workbench, [this] {
            on_clock([this] {
                reload_panel(false);
                show_findings(nullptr);
                push_changes();
            });
        });
        panel.set_message("file", workbench.file_json());
    }
    show_findings(nullptr);
}

void PreviewServer::State::reload_panel(bool force) {
    panel.set_message("file", workbench.file_json());
    const std::string version = file_version(panel_path);
    if (!force && version == loaded_version) return;
    Diagnostics read;
    const bool ok = panel.reload(read);
    notes = read;
    std::string text = panel_path + " does not read: the last good panel stays";
    if (ok) {
        loaded_version = version;
        text = "read " + panel_path + " again";
        workbench.watch(panel_files(panel.panel(), module_path), {});
    }
    std::string json;
    JsonWriter(json).begin_object().text("type", "reload").flag("ok", ok).utf8("text", text).end_object();
    panel.set_message("reload", json);
}

void PreviewServer::State::show_findings(const Diagnostics* checked) {
    Diagnostics designer;
    designer_notes(panel.panel(), designer,
                   [this](int window, int gauge) { return panel.xml().placed(window, gauge); });
    for (const auto& placement : panel.xml().placements()) {
        std::vector<ToggleClick::Command> sent;
        for (const XmlArea& area : placement->areas)
            if (area.area && area.area->click)
                for (const ToggleClick::Command& command : xml_window_commands(area.area->click->text))
                    sent.push_back(command);
        if (!sent.empty())
            xml_toggle_note(panel.panel(), placement->panel_window, placement->gauge_index, sent, designer);
    }
    std::vector<const Diagnostics*> lists;
    if (checked) lists.push_back(checked);
    lists.push_back(&notes);
    lists.push_back(&designer);
    const std::vector<Finding> findings = gather_findings(panel.panel(), lists);
    std::string json = findings_json(findings);
    json.insert(1, "\"type\":\"findings\",\"checked\":" + std::string(checked ? "true" : "false") + ",");
    panel.set_message("findings", json);
    if (!checked || !findings_printer) return;
    std::string report = "panelhost: " + std::to_string(findings.size()) +
                         (findings.size() == 1 ? " finding" : " findings") + " in " + panel_path +
                         (findings.empty() ? "" : ":") + "\n";
    for (const Finding& finding : findings) report += "  " + finding.item.str() + "\n";
    findings_printer->print(std::move(report));
}

void PreviewServer::State::after_save(bool force) {
    const bool ran = on_clock([&] {
        reload_panel(force);
        show_findings(nullptr);
        push_changes();
    });
    if (!ran || exe.empty()) return;
    {
        std::lock_guard lock(check_mutex);
        check_due = true;
    }
    check_ready.notify_one();
}

void PreviewServer::State::run_checks() {
    for (;;) {
        {
            std::unique_lock lock(check_mutex);
            check_ready.wait(lock, [this] { return check_due || check_stopping; });
            if (check_stopping) return;
            check_due = false;
        }
        Diagnostics checked;
        std::string error;
        if (!run_check_process(exe, module_path, panel_path, checked, error, &check_pid, gauge_folders))
            checked.note(error);
        {
            std::lock_guard lock(check_mutex);
            if (check_stopping) return;
            if (check_due) continue;  // saved again meanwhile: these findings are stale
        }
        on_clock([&] {
            show_findings(&checked);
            push_changes();
        });
    }
}

void PreviewServer::State::stop_checks() {
    {
        std::lock_guard lock(check_mutex);
        check_stopping = true;
    }
    check_ready.notify_one();
    // A check still running (with a .gau it starts Wine, and waits for it) is ended, not
    // waited for: its findings would reach no one.
    if (const int check = check_pid.load(); check > 0) ::kill(check, SIGTERM);
    if (checker.joinable()) checker.join();
}

void PreviewServer::watch() {
    State& state = *state_;
    state.workbench.watch(panel_files(state.panel.panel(), state.module_path),
                          [&state](const std::vector<std::string>&) { state.after_save(false); });
    // The findings on start were shown as the panel opened; the checker's follow.
    state.check_due = !state.exe.empty();
    state.checker = std::thread([&state] { state.run_checks(); });
}
