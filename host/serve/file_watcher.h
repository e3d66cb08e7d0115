// Watching the files a served panel was made from (the panel.cfg, its backgrounds, the
// gauge files it loaded) for saves. The folders are watched rather than the files: an
// editor that saves by writing a new file and renaming it over the old one replaces the
// file a watch on the file itself would follow, and such a save is seen all the same.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class FileWatcher {
public:
    FileWatcher();
    ~FileWatcher();
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // False when the system gave no watch (the reason in error()).
    bool ok() const { return inotify_ >= 0; }
    const std::string& error() const { return error_; }

    // The files to watch, replacing the ones before. A file need not exist yet: its
    // folder is watched, so that creating it is a change. Safe from any thread.
    void watch(const std::vector<std::string>& paths);

    // Waits up to timeout_ms for a change to a watched file; after the first, waits until
    // no event has come for settle_ms (a save is several steps: write, rename, attributes)
    // and returns the files changed, as watch() was given them. Empty at the timeout or
    // when woken.
    std::vector<std::string> wait(int timeout_ms, int settle_ms = 25);
    // Makes a wait() in another thread return at once.
    void wake();

private:
    bool read_events(std::set<std::string>& changed);

    int inotify_ = -1;
    int wake_pipe_[2] = {-1, -1};
    std::string error_;
    std::mutex mutex_;
    std::vector<std::string> paths_;                                   // as watch() was given them
    std::map<int, std::string> folders_;                               // watch descriptor -> folder
    std::map<std::string, std::map<std::string, std::string>> files_;  // folder -> lower-case name -> path
};
