// Reading a file the user names (a module, a scenario, a panel.cfg, a bitmap): a path
// that is not a regular file is refused by its kind before anything opens it for
// reading, since reading a FIFO or a terminal waits forever and a folder reads as
// nothing, and a file's size is bounded before it is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FileKind { missing, regular, folder, fifo, character_device, block_device, socket, other };

// What path names, symbolic links followed.
FileKind file_kind(const std::string& path);
// The kind as an error names it: "a FIFO (named pipe)", "a folder", ...
const char* file_kind_name(FileKind kind);

// What a reader expects and how much of it: what names the file in messages ("scenario",
// "panel configuration").
struct InputFile {
    const char* what;
    uint64_t max_bytes;
};

// Checks that path is a regular file no larger than the bound; false with the error
// ("is a FIFO (named pipe), not a scenario file", "larger than 4 MB: too large for a
// scenario", "cannot open scenario: no such file"), to be given with the path.
bool check_input_file(const std::string& path, const InputFile& expected, std::string& error);

// The whole file, checked as above. The file is opened without waiting (a FIFO put in
// its place after the check is refused too) and read in pieces, never beyond the bound
// even when it grows while read.
bool read_input_file(const std::string& path, const InputFile& expected, std::string& text, std::string& error);
bool read_input_file(const std::string& path, const InputFile& expected, std::vector<uint8_t>& bytes,
                     std::string& error);

// At most count bytes from the file's start (its header), checked as above.
bool read_input_head(const std::string& path, const InputFile& expected, size_t count, std::vector<uint8_t>& bytes,
                     std::string& error);

// The files the host reads by name, with their bounds (a bitmap's is the renderer's).
inline constexpr InputFile MODULE_FILE{"gauge module", 64u << 20};
inline constexpr InputFile SCENARIO_FILE{"scenario", 4u << 20};
inline constexpr InputFile PANEL_CONFIG_FILE{"panel configuration", 4u << 20};
