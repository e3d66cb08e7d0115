// Reading a Microsoft cabinet (.cab) in memory, as gauge authors ship their XML gauges:
// every file's name and bytes, decompressed (MSZIP, LZX, Quantum) by libmspack, nothing
// written to disk. libmspack rather than libgcab: it reads through callbacks we supply, so
// the cabinet never leaves memory and every byte it writes is counted against a bound as
// it is written; it has no GLib underneath, and it is the decoder cabextract and ClamAV
// use on hostile input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CabinetFile {
    std::string name;  // as the cabinet stores it (may hold '\' for folders)
    std::vector<uint8_t> bytes;
};

// What a cabinet may unpack to: a gauge cabinet holds a few megabytes.
struct CabinetLimits {
    size_t max_files = 4096;
    size_t max_file_bytes = size_t{64} << 20;
    size_t max_total_bytes = size_t{256} << 20;
};

// Reads every file of the cabinet held in data. False with error (words a message can
// quote after the file's name) for data that is not a cabinet, is truncated or damaged,
// or would unpack to more than the limits allow; files then holds nothing.
bool read_cabinet(const uint8_t* data, size_t size, std::vector<CabinetFile>& files, std::string& error,
                  const CabinetLimits& limits = {});
