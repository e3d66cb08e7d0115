// The designer's side of serve: the panel.cfg editor behind the page's edit requests
// (each answered with the line written and the file's new version), and the watch on
// the files the served panel was made from, which tells serve to read the panel again.
// Safe to call from any thread: the server's request threads edit, the watch's thread
// reports.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/panel/cfg_edit.h"
#include "host/serve/file_watcher.h"

class Workbench {
public:
    ~Workbench();

    // Opens the panel.cfg for editing; false with a reason.
    bool open(const std::string& panel_path, std::string& error);

    // The edits; see PanelCfgFile. An empty version stands for the current one.
    CfgEditResult edit(const std::string& section, const std::string& key, const CfgValues& values,
                       const std::string& version);
    CfgEditResult add(const std::string& section, const std::string& gauge, const CfgValues& values,
                      const std::string& version);
    CfgEditResult remove(const std::string& section, const std::string& key, const std::string& version);
    CfgEditResult undo(const std::string& version);
    CfgEditResult redo(const std::string& version);
    // Takes an outside save into account (the watch calls it before reloading).
    void refresh();

    // {"type":"file","path":...,"version":...,"undo":bool,"redo":bool}
    std::string file_json();

    // Watches the files and calls on_change (from the watch's thread) with the ones
    // changed, a save at a time. Calling it again replaces the files watched.
    void watch(const std::vector<std::string>& paths, std::function<void(const std::vector<std::string>&)> on_change);
    // Ends the watch's thread.
    void stop();

private:
    std::mutex mutex_;
    PanelCfgFile file_;
    FileWatcher watcher_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::function<void(const std::vector<std::string>&)> on_change_;
};

// {"line":"gauge03=...","number":12,"key":"gauge03","version":"..."}, the answer to an edit.
std::string edit_result_json(const CfgEditResult& result);
