// The process on the far side of the bridge, seen from Linux: started with pipes on its
// standard input and output, in a process group of its own, spoken to in frames with a
// bounded wait for each reply, and stopped so that nothing of it is left running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct FarCommand {
    std::vector<std::string> argv;       // the program (found on PATH when it has no '/') and its arguments
    std::vector<std::string> set_env;    // NAME=VALUE for the child
    std::vector<std::string> unset_env;  // names the child does not get
    std::string description;             // how messages name it: "panelhost.exe under Wine"
};

class FarProcess {
public:
    FarProcess() = default;
    ~FarProcess();
    FarProcess(const FarProcess&) = delete;
    FarProcess& operator=(const FarProcess&) = delete;

    bool start(const FarCommand& command, std::string& error);
    // Writes one frame; false with error when the pipe is broken.
    bool send(std::span<const uint8_t> frame, std::string& error);
    // Reads one frame's bytes (without the length) within timeout_ms; false with error
    // saying what happened: the process ended (and how), it closed the pipe and stayed,
    // the wait ran out, or what came is not a frame of ours.
    bool receive(std::vector<uint8_t>& frame, int timeout_ms, std::string& error);
    // Closes its input, waits up to grace_ms for it to end, then kills its process
    // group. Returns how it ended ("exit code 0", "signal 9").
    std::string stop(int grace_ms);
    bool running() const { return pid_ > 0; }
    // Its process id while it runs (its memory can be watched), else -1.
    pid_t pid() const { return pid_; }

private:
    // Reads until the inbox holds count bytes, or fails with error by the deadline.
    bool fill(size_t count, std::chrono::steady_clock::time_point deadline, int timeout_ms, std::string& error);
    // Waits up to timeout_ms for the child to end; true when it has (status_ then set).
    bool wait_exit(int timeout_ms);
    std::string ended_how() const;

    pid_t pid_ = -1;
    int to_child_ = -1, from_child_ = -1;
    int status_ = 0;
    bool reaped_ = false;
    std::string description_;
    static constexpr size_t kInboxChunk = 64 * 1024;
    std::vector<uint8_t> inbox_;  // what was read and not yet taken: held_ bytes at its front
    size_t held_ = 0;
};
