// The designer's side of serve: edits of the panel.cfg and the watch on its files.
#include "host/serve/workbench.h"

#include "host/trace/json_writer.h"

Workbench::~Workbench() { stop(); }

bool Workbench::open(const std::string& panel_path, std::string& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    return file_.open(panel_path, error);
}

CfgEditResult Workbench::edit(const std::string& section, const std::string& key, const CfgValues& values,
                              const std::string& version) {
    std::lock_guard<std::mutex> lock(mutex_);
    return file_.edit(section, key, values, version);
}

CfgEditResult Workbench::add(const std::string& section, const std::string& gauge, const CfgValues& values,
                             const std::string& version) {
    std::lock_guard<std::mutex> lock(mutex_);
    return file_.add(section, gauge, values, version);
}

CfgEditResult Workbench::remove(const std::string& section, const std::string& key, const std::string& version) {
    std::lock_guard<std::mutex> lock(mutex_);
    return file_.remove(section, key, version);
}

CfgEditResult Workbench::undo(const std::string& version) {
    std::lock_guard<std::mutex> lock(mutex_);
    return file_.undo(version);
}

CfgEditResult Workbench::redo(const std::string& version) {
    std::lock_guard<std::mutex> lock(mutex_);
    return file_.redo(version);
}

void Workbench::refresh() {
    std::lock_guard<std::mutex> lock(mutex_);
    file_.refresh();
}

std::string Workbench::file_json() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string out;
    JsonWriter(out)
        .begin_object()
        .text("type", "file")
        .text("path", file_.path())
        .text("version", file_.version())
        .flag("undo", file_.can_undo())
        .flag("redo", file_.can_redo())
        .end_object();
    return out;
}

void Workbench::watch(const std::vector<std::string>& paths,
                      std::function<void(const std::vector<std::string>&)> on_change) {
    watcher_.watch(paths);
    if (thread_.joinable()) return;
    on_change_ = std::move(on_change);
    thread_ = std::thread([this] {
        while (!stopping_) {
            const std::vector<std::string> changed = watcher_.wait(1000);
            if (stopping_) return;
            if (changed.empty()) continue;
            refresh();
            on_change_(changed);
        }
    });
}

void Workbench::stop() {
    stopping_ = true;
    watcher_.wake();
    if (thread_.joinable()) thread_.join();
}

std::string edit_result_json(const CfgEditResult& result) {
    std::string out;
    JsonWriter json(out);
    json.begin_object().text("line", result.line_text).num("number", result.line);
    if (!result.key.empty()) json.text("key", result.key);
    json.text("version", result.version).end_object();
    return out;
}
