// Watching a panel's files through inotify on their folders.
#include "host/serve/file_watcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "host/panel/text.h"

namespace {

constexpr uint32_t kFolderEvents =
    IN_CLOSE_WRITE | IN_MODIFY | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ATTRIB;

int64_t now_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

FileWatcher::FileWatcher() {
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) {
        error_ = "no file watch: ";
        error_ += std::strerror(errno);
    }
    if (pipe2(wake_pipe_, O_NONBLOCK | O_CLOEXEC) != 0) wake_pipe_[0] = wake_pipe_[1] = -1;
}

FileWatcher::~FileWatcher() {
    if (inotify_ >= 0) ::close(inotify_);
    for (int fd : wake_pipe_)
        if (fd >= 0) ::close(fd);
}

void FileWatcher::watch(const std::vector<std::string>& paths) {
    if (inotify_ < 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    // The same files again (a panel read again) keep their watches: events on their way
    // through the old ones would be lost.
    if (paths == paths_) return;
    paths_ = paths;
    for (const auto& [wd, folder] : folders_) inotify_rm_watch(inotify_, wd);
    folders_.clear();
    files_.clear();
    for (const std::string& path : paths) {
        const std::filesystem::path file(path);
        std::string folder = file.parent_path().string();
        if (folder.empty()) folder = ".";
        const int wd = inotify_add_watch(inotify_, folder.c_str(), kFolderEvents);
        if (wd < 0) continue;  // a folder that is gone: nothing in it can be saved
        folders_[wd] = folder;
        files_[folder][lower(file.filename().string())] = path;
    }
}

bool FileWatcher::read_events(std::set<std::string>& changed) {
    alignas(inotify_event) char buffer[8192];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(inotify_, buffer, sizeof buffer);
        if (n <= 0) return any;
        std::lock_guard<std::mutex> lock(mutex_);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const auto folder = folders_.find(event->wd);
            if (folder == folders_.end() || event->len == 0) continue;
            const auto names = files_.find(folder->second);
            if (names == files_.end()) continue;
            const auto file = names->second.find(lower(event->name));
            if (file == names->second.end()) continue;
            changed.insert(file->second);
            any = true;
        }
    }
}

std::vector<std::string> FileWatcher::wait(int timeout_ms, int settle_ms) {
    if (inotify_ < 0) return {};
    std::set<std::string> changed;
    const int64_t deadline = now_ms() + timeout_ms;
    int64_t quiet_until = -1;
    for (;;) {
        const int64_t now = now_ms();
        const int64_t until = quiet_until >= 0 ? quiet_until : deadline;
        if (now >= until) break;
        pollfd fds[2] = {{inotify_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
        const int ready = ::poll(fds, wake_pipe_[0] >= 0 ? 2 : 1, static_cast<int>(until - now));
        if (ready < 0 && errno != EINTR) break;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            char drain[64];
            while (::read(wake_pipe_[0], drain, sizeof drain) > 0) {
            }
            return {};
        }
        if (ready > 0 && (fds[0].revents & POLLIN) && read_events(changed)) quiet_until = now_ms() + settle_ms;
    }
    return {changed.begin(), changed.end()};
}

void FileWatcher::wake() {
    if (wake_pipe_[1] < 0) return;
    [[maybe_unused]] const ssize_t n = ::write(wake_pipe_[1], "w", 1);  // a full pipe wakes as well
}
