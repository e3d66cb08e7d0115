// Starting, speaking to and stopping the bridge's far-side process (POSIX).
#include "host/bridge/far_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "host/bridge/protocol.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string seconds_text(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%g s", ms / 1000.0);
    return text;
}

int remaining_ms(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::vector<std::string> child_environment(const FarCommand& command) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool drop = false;
        for (const auto& unset : command.unset_env) drop = drop || name == unset;
        for (const auto& set : command.set_env) drop = drop || name == set.substr(0, set.find('='));
        if (!drop) env.push_back(text);
    }
    env.insert(env.end(), command.set_env.begin(), command.set_env.end());
    return env;
}

std::vector<char*> c_strings(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (auto& text : texts) out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

FarProcess::~FarProcess() {
    if (running()) stop(0);
}

bool FarProcess::start(const FarCommand& command, std::string& error) {
    description_ = command.description;
    int in_pipe[2], out_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0) return error = std::string("cannot make a pipe: ") + strerror(errno), false;
    if (pipe2(out_pipe, O_CLOEXEC) != 0) {
        close(in_pipe[0]);
        close(in_pipe[1]);
        return error = std::string("cannot make a pipe: ") + strerror(errno), false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own: stopping it reaches whatever it started on the way.
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    std::vector<std::string> argv = command.argv, env = child_environment(command);
    std::vector<char*> c_argv = c_strings(argv), c_env = c_strings(env);
    const int rc = posix_spawnp(&pid_, c_argv[0], &actions, &attributes, c_argv.data(), c_env.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(in_pipe[0]);
    close(out_pipe[1]);
    to_child_ = in_pipe[1];
    from_child_ = out_pipe[0];
    if (rc != 0) {
        pid_ = -1;
        close_fd(to_child_);
        close_fd(from_child_);
        return error = "cannot start " + command.argv[0] + ": " + strerror(rc), false;
    }
    reaped_ = false;
    held_ = 0;
    // A far side that is gone must show as a broken pipe, not end this process.
    signal(SIGPIPE, SIG_IGN);
    return true;
}

bool FarProcess::send(std::span<const uint8_t> frame, std::string& error) {
    size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = write(to_child_, frame.data() + done, frame.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "the pipe to " + description_ + " is broken (" + strerror(errno) + ")";
            if (wait_exit(2000)) error += "; it ended with " + ended_how();
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Each read takes whatever the pipe holds, up to the room there is: a reply mostly
// comes in one read, its length and its bytes together.
bool FarProcess::fill(size_t count, Clock::time_point deadline, int timeout_ms, std::string& error) {
    if (inbox_.size() < count) inbox_.resize(std::max(count, kInboxChunk));
    while (held_ < count) {
        pollfd ready{from_child_, POLLIN, 0};
        const int polled = poll(&ready, 1, remaining_ms(deadline));
        if (polled < 0 && errno == EINTR) continue;
        if (polled == 0) {
            error = description_ + " did not answer within " + seconds_text(timeout_ms) + " (the module hangs?)";
            return false;
        }
        const ssize_t n = read(from_child_, inbox_.data() + held_, inbox_.size() - held_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = wait_exit(2000) ? description_ + " ended without answering (" + ended_how() + ")"
                                    : "the pipe from " + description_ + " is broken: it closed it without answering";
            return false;
        }
        held_ += static_cast<size_t>(n);
    }
    return true;
}

bool FarProcess::receive(std::vector<uint8_t>& frame, int timeout_ms, std::string& error) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    if (!fill(4, deadline, timeout_ms, error)) return false;
    const uint32_t length = static_cast<uint32_t>(inbox_[0]) | static_cast<uint32_t>(inbox_[1]) << 8 |
                            static_cast<uint32_t>(inbox_[2]) << 16 | static_cast<uint32_t>(inbox_[3]) << 24;
    if (length == 0 || length > bridge::MAX_FRAME_BYTES) {
        error = description_ + " wrote something that is not a reply of the bridge (is it panelhost's bridge?)";
        return false;
    }
    if (!fill(4 + size_t{length}, deadline, timeout_ms, error)) return false;
    frame.assign(inbox_.begin() + 4, inbox_.begin() + 4 + length);
    // Whatever came after the reply waits for the next receive.
    held_ -= 4 + size_t{length};
    std::memmove(inbox_.data(), inbox_.data() + 4 + length, held_);
    return true;
}

bool FarProcess::wait_exit(int timeout_ms) {
    if (pid_ <= 0) return true;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        const pid_t done = waitpid(pid_, &status_, WNOHANG);
        if (done == pid_ || (done < 0 && errno == ECHILD)) {
            reaped_ = done == pid_;
            return true;
        }
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string FarProcess::ended_how() const {
    if (!reaped_) return "still running";
    if (WIFEXITED(status_)) return "exit code " + std::to_string(WEXITSTATUS(status_));
    if (WIFSIGNALED(status_)) return "signal " + std::to_string(WTERMSIG(status_));
    return "ended";
}

std::string FarProcess::stop(int grace_ms) {
    if (pid_ <= 0) return ended_how();
    close_fd(to_child_);
    bool ended = wait_exit(grace_ms);
    // Whatever else it started in its group goes with it.
    kill(-pid_, SIGKILL);
    if (!ended) ended = wait_exit(5000);
    close_fd(from_child_);
    const std::string how = ended ? ended_how() : "did not end";
    pid_ = -1;
    return how;
}
