// Refusing special files by kind and reading regular ones within a bound.
#include "host/base/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

FileKind kind_of(unsigned mode) {
    if (S_ISREG(mode)) return FileKind::regular;
    if (S_ISDIR(mode)) return FileKind::folder;
    if (S_ISCHR(mode)) return FileKind::character_device;
#ifndef _WIN32
    if (S_ISFIFO(mode)) return FileKind::fifo;
    if (S_ISBLK(mode)) return FileKind::block_device;
    if (S_ISSOCK(mode)) return FileKind::socket;
#endif
    return FileKind::other;
}

std::string size_text(uint64_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MB";
    return std::to_string(bytes) + " bytes";
}

// The error for a file of this kind and size, or empty when it may be read.
std::string refusal(FileKind kind, uint64_t size, const InputFile& expected) {
    const std::string what = expected.what;
    if (kind == FileKind::missing) return "cannot open " + what + ": no such file";
    if (kind != FileKind::regular) return std::string("is ") + file_kind_name(kind) + ", not a " + what + " file";
    if (size > expected.max_bytes) return "larger than " + size_text(expected.max_bytes) + ": too large for a " + what;
    return {};
}

#ifdef _WIN32
int open_for_reading(const std::string& path) { return _open(path.c_str(), _O_RDONLY | _O_BINARY); }
long long read_some(int fd, char* into, size_t count) { return _read(fd, into, static_cast<unsigned>(count)); }
void close_file(int fd) { _close(fd); }
int stat_open(int fd, struct _stat64& seen) { return _fstat64(fd, &seen); }
int stat_path(const std::string& path, struct _stat64& seen) { return _stat64(path.c_str(), &seen); }
using Stat = struct _stat64;
#else
// O_NONBLOCK: opening a FIFO that took the file's place after the check does not wait
// for a writer; O_NOCTTY: a terminal never becomes ours.
int open_for_reading(const std::string& path) {
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}
long long read_some(int fd, char* into, size_t count) {
    for (;;) {
        const ssize_t n = ::read(fd, into, count);
        if (n >= 0 || errno != EINTR) return n;
    }
}
void close_file(int fd) { ::close(fd); }
int stat_open(int fd, struct stat& seen) { return ::fstat(fd, &seen); }
int stat_path(const std::string& path, struct stat& seen) { return ::stat(path.c_str(), &seen); }
using Stat = struct stat;
#endif

std::string missing_or_failed(const InputFile& expected) {
    if (errno == ENOENT || errno == ENOTDIR) return refusal(FileKind::missing, 0, expected);
    return "cannot open " + std::string(expected.what) + " (" + std::strerror(errno) + ")";
}

std::string read_failed(const InputFile& expected) {
    return "cannot read " + std::string(expected.what) + " (" + std::strerror(errno) + ")";
}

// Reads up to limit bytes into out through append(piece, count); false with the error.
template <typename Append>
bool read_bounded(const std::string& path, const InputFile& expected, uint64_t limit, Append append,
                  std::string& error) {
    if (!check_input_file(path, expected, error)) return false;
    const int fd = open_for_reading(path);
    if (fd < 0) return error = missing_or_failed(expected), false;
    Stat seen{};
    if (stat_open(fd, seen) != 0)
        error = read_failed(expected);
    else
        error = refusal(kind_of(static_cast<unsigned>(seen.st_mode)), static_cast<uint64_t>(seen.st_size), expected);
    if (!error.empty()) {
        close_file(fd);
        return false;
    }
    char piece[1 << 16];
    uint64_t total = 0;
    while (total < limit) {
        const size_t want = static_cast<size_t>(std::min<uint64_t>(sizeof piece, limit - total));
        const long long n = read_some(fd, piece, want);
        if (n < 0) {
            error = read_failed(expected);
            close_file(fd);
            return false;
        }
        if (n == 0) break;
        append(piece, static_cast<size_t>(n));
        total += static_cast<uint64_t>(n);
    }
    close_file(fd);
    return true;
}

// The whole file into out (a string or a byte vector).
template <typename Bytes>
bool read_whole(const std::string& path, const InputFile& expected, Bytes& out, std::string& error) {
    Bytes read;
    const auto append = [&read](const char* piece, size_t count) { read.insert(read.end(), piece, piece + count); };
    // One byte past the bound tells a file that grew after its size was taken.
    if (!read_bounded(path, expected, expected.max_bytes + 1, append, error)) return false;
    if (read.size() > expected.max_bytes) return error = refusal(FileKind::regular, read.size(), expected), false;
    out = std::move(read);
    return true;
}

}  // namespace

FileKind file_kind(const std::string& path) {
    Stat seen{};
    if (stat_path(path, seen) != 0) return FileKind::missing;
    return kind_of(static_cast<unsigned>(seen.st_mode));
}

const char* file_kind_name(FileKind kind) {
    switch (kind) {
        case FileKind::missing: return "missing";
        case FileKind::regular: return "a file";
        case FileKind::folder: return "a folder";
        case FileKind::fifo: return "a FIFO (named pipe)";
        case FileKind::character_device: return "a character device";
        case FileKind::block_device: return "a block device";
        case FileKind::socket: return "a socket";
        case FileKind::other: break;
    }
    return "a special file";
}

bool check_input_file(const std::string& path, const InputFile& expected, std::string& error) {
    Stat seen{};
    if (stat_path(path, seen) != 0) return error = missing_or_failed(expected), false;
    error = refusal(kind_of(static_cast<unsigned>(seen.st_mode)), static_cast<uint64_t>(seen.st_size), expected);
    return error.empty();
}

bool read_input_file(const std::string& path, const InputFile& expected, std::string& text, std::string& error) {
    return read_whole(path, expected, text, error);
}

bool read_input_file(const std::string& path, const InputFile& expected, std::vector<uint8_t>& bytes,
                     std::string& error) {
    return read_whole(path, expected, bytes, error);
}

bool read_input_head(const std::string& path, const InputFile& expected, size_t count, std::vector<uint8_t>& bytes,
                     std::string& error) {
    std::vector<uint8_t> read;
    const auto append = [&read](const char* piece, size_t n) { read.insert(read.end(), piece, piece + n); };
    if (!read_bounded(path, expected, count, append, error)) return false;
    bytes = std::move(read);
    return true;
}
