// The request loop of the bridge's far side, with its crash reply.
#include "host/bridge/bridge_server.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <thread>
#include <vector>

#include "host/bridge/requests.h"
#include "host/core/host_platform.h"
#include "host/core/panel_host.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#include <csignal>
#endif

namespace bridge {
namespace {

// The requests as they come: each read takes whatever the pipe holds (a whole request,
// mostly), so that a request costs one read rather than one for its length and one for
// its bytes.
class Inbox {
public:
    explicit Inbox(int fd) : fd_(fd) {}

    bool take(void* out, size_t count) {
        std::span<const uint8_t> bytes;
        if (!take(count, bytes)) return false;
        std::memcpy(out, bytes.data(), count);
        return true;
    }

    // The next count bytes, valid until the next take.
    bool take(size_t count, std::span<const uint8_t>& bytes) {
        if (end_ - at_ < count) {
            if (at_ > 0) {  // what is left of the last read goes to the front
                std::memmove(buffer_.data(), buffer_.data() + at_, end_ - at_);
                end_ -= at_;
                at_ = 0;
            }
            if (buffer_.size() < count) buffer_.resize(std::max(count, kChunk));
            while (end_ < count) {
#ifdef _WIN32
                const int n = _read(fd_, buffer_.data() + end_, static_cast<unsigned>(buffer_.size() - end_));
#else
                const ssize_t n = read(fd_, buffer_.data() + end_, buffer_.size() - end_);
                if (n < 0 && errno == EINTR) continue;
#endif
                if (n <= 0) return false;
                end_ += static_cast<size_t>(n);
            }
        }
        bytes = {buffer_.data() + at_, count};
        at_ += count;
        return true;
    }

private:
    static constexpr size_t kChunk = 64 * 1024;
    int fd_;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kChunk);
    size_t at_ = 0, end_ = 0;
};

bool write_all(int fd, const void* buffer, size_t count) {
    const auto* at = static_cast<const char*>(buffer);
    while (count > 0) {
#ifdef _WIN32
        const int n = _write(fd, at, static_cast<unsigned>(count));
#else
        const ssize_t n = write(fd, at, count);
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n <= 0) return false;
        at += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// The crash reply for the request that is running, made before it runs so that the
// crash handler only patches in the code and writes it.
struct CrashReply {
    std::array<uint8_t, 96> bytes{};
    size_t size = 0;
    int fd = -1;
};
CrashReply g_crash;

// Crash codes: the Windows exception code (0), or the Linux signal number (1).
#ifdef _WIN32
constexpr uint8_t CODE_KIND = 0;
#else
constexpr uint8_t CODE_KIND = 1;
#endif

void arm_crash_reply(Request request) {
    const uint8_t code_kind = CODE_KIND;
    Writer reply;
    reply.u8(static_cast<uint8_t>(Status::crashed)).u32(0).u32(0).text(request_name(request));
    reply.u8(code_kind).u32(0);
    const std::vector<uint8_t> frame = reply.frame();
    g_crash.size = std::min(frame.size(), g_crash.bytes.size());
    std::memcpy(g_crash.bytes.data(), frame.data(), g_crash.size);
}

void send_crash_reply(uint32_t code) {
    if (g_crash.size < 4 || g_crash.fd < 0) return;
    for (size_t i = 0; i < 4; ++i) g_crash.bytes[g_crash.size - 4 + i] = static_cast<uint8_t>(code >> (8 * i));
    write_all(g_crash.fd, g_crash.bytes.data(), g_crash.size);
}

#ifdef _WIN32
LONG WINAPI on_crash(EXCEPTION_POINTERS* info) {
    send_crash_reply(static_cast<uint32_t>(info->ExceptionRecord->ExceptionCode));
    TerminateProcess(GetCurrentProcess(), 70);
    return EXCEPTION_EXECUTE_HANDLER;
}

void install_crash_handler() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(on_crash);
}

void crash_on_purpose() { RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr); }
#else
void on_crash(int signal_number) {
    send_crash_reply(static_cast<uint32_t>(signal_number));
    _exit(70);
}

void install_crash_handler() {
    struct sigaction action {};
    action.sa_handler = on_crash;
    for (int signal_number : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) sigaction(signal_number, &action, nullptr);
}

void crash_on_purpose() { raise(SIGSEGV); }
#endif

// The sound plays heard while a request runs, each with the number of trace records
// before it, so that the reply can place it among the trace lines.
struct HeardPlay {
    size_t at;
    SoundPlay play;
};
std::vector<HeardPlay> g_plays;
const Trace* g_trace = nullptr;

void hear_play(const SoundPlay& play) { g_plays.push_back({g_trace ? g_trace->size() : 0, play}); }

class Server {
public:
    Server(int out_fd, DeclarationsWriter declarations) : out_fd_(out_fd) {
        far_.declarations = declarations;
        const char* fault = std::getenv("TARVOLEN_BRIDGE_FAULT");
        far_.fault = fault ? fault : "";
    }

    // Answers one request; false when the loop ends (quit, or the reply cannot go out).
    bool answer(std::span<const uint8_t> frame) {
        Reader in(frame);
        const auto request = static_cast<Request>(in.u8());
        arm_crash_reply(request);
        const RequestRow* row = find_request(request);
        payload_.clear();
        Writer& payload = payload_;
        std::string refusal;
        RequestFields fields;
        if (row) row->decode(in, fields);
        if (!row)
            refusal = "unknown request " + std::to_string(static_cast<int>(request));
        else if (!in.ok() || (!fields.too_many && !in.at_end()))
            refusal = std::string("malformed ") + row->name + " request";
        else if (request != Request::load && !far_.host)
            refusal = "no module loaded";
        else
            run(*row, fields, payload, refusal);
        return send(payload, refusal) && !far_.quit;
    }

private:
    void run(const RequestRow& row, const RequestFields& fields, Writer& payload, std::string& refusal) {
        if (row.id == Request::frame) {
            if (far_.fault == "crash") crash_on_purpose();
            if (far_.fault == "hang") std::this_thread::sleep_for(std::chrono::hours(1));
            if (far_.fault == "exit") std::_Exit(3);  // the pipe breaks mid-request
        }
        if (row.id == Request::load) {
            g_trace = nullptr;
            faults_sent_ = 0;
        }
        row.handle(far_, fields, payload, refusal);
        g_trace = far_.host ? &far_.host->trace() : nullptr;
    }

    bool send(const Writer& payload, const std::string& refusal) {
        Writer& reply = reply_;
        reply.clear();
        reply.u8(static_cast<uint8_t>(refusal.empty() ? Status::ok : Status::refused));
        const std::vector<std::string> none;
        const auto& faults = far_.host ? far_.host->errors() : none;
        write_trace_entries(reply);
        reply.u32(static_cast<uint32_t>(faults.size() - faults_sent_));
        for (; faults_sent_ < faults.size(); ++faults_sent_) reply.text(faults[faults_sent_]);
        if (!refusal.empty()) reply.text(refusal);
        reply.append(payload);
        const std::span<const uint8_t> frame = reply.framed();
        return write_all(out_fd_, frame.data(), frame.size());
    }

    // The new trace lines and the plays heard among them, in order. Sound lines of this
    // host's trace are left out: only the portable build has them, and plays come as
    // plays on both builds. Once sent the records are forgotten: kept, they grew by some
    // 25 KB a frame until a 32-bit far side ran out of memory (10,700 frames).
    void write_trace_entries(Writer& entries) {
        const size_t count_at = entries.size();
        entries.u32(0);
        uint32_t count = 0;
        size_t next_play = 0;
        const auto write_plays_before = [&](size_t record) {
            for (; next_play < g_plays.size() && g_plays[next_play].at <= record; ++next_play, ++count) {
                const SoundPlay& play = g_plays[next_play].play;
                entries.u8(static_cast<uint8_t>(Entry::sound_play)).u32(play.buffer).u32(play.flags);
                entries.u8(play.ok ? 1 : 0);
            }
        };
        PanelHost* host = far_.host.get();
        const size_t records = host ? host->trace().size() : 0;
        for (size_t i = 0; i < records; ++i) {
            write_plays_before(i);
            if (host->trace().op(i) == "sound") continue;
            entries.u8(static_cast<uint8_t>(Entry::trace_line))
                .text(host->trace().gauge(i))
                .text(host->trace().line_view(i));
            ++count;
        }
        write_plays_before(SIZE_MAX);
        g_plays.clear();
        if (host) host->trace().clear();
        entries.set_u32(count_at, count);
    }

    int out_fd_;
    FarSide far_;
    Writer payload_, reply_;  // kept from request to request, with the memory they have grown
    size_t faults_sent_ = 0;
};

}  // namespace
}  // namespace bridge

int take_reply_channel() {
#ifdef _WIN32
    const int replies = _dup(1);
    if (replies < 0 || _dup2(2, 1) != 0) return -1;
    _setmode(0, _O_BINARY);
    _setmode(replies, _O_BINARY);
#else
    const int replies = dup(1);
    if (replies < 0 || dup2(2, 1) < 0) return -1;
#endif
    return replies;
}

int serve_bridge(int in_fd, int out_fd, DeclarationsWriter declarations) {
    using namespace bridge;
    g_crash.fd = out_fd;
    install_crash_handler();
    watch_sound_plays(hear_play);  // none without a sound device, where the module has no sound either
    Server server(out_fd, declarations);
    Inbox inbox(in_fd);
    for (;;) {
        uint8_t length_bytes[4];
        if (!inbox.take(length_bytes, sizeof length_bytes)) return 0;  // the Linux side is gone
        const uint32_t length = static_cast<uint32_t>(length_bytes[0]) | static_cast<uint32_t>(length_bytes[1]) << 8 |
                                static_cast<uint32_t>(length_bytes[2]) << 16 |
                                static_cast<uint32_t>(length_bytes[3]) << 24;
        if (length == 0 || length > MAX_FRAME_BYTES) return 1;
        std::span<const uint8_t> frame;
        if (!inbox.take(length, frame)) return 0;
        if (!server.answer(frame)) return 0;
    }
}
