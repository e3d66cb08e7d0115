// Fuzzes the cabinet reader: any bytes either unpack into files within the limits, each
// as long as the cabinet says, or are refused with a reason.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/xml/cabinet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CabinetLimits limits;
    limits.max_files = 64;
    limits.max_file_bytes = size_t{1} << 20;
    limits.max_total_bytes = size_t{4} << 20;
    std::vector<CabinetFile> files;
    std::string error;
    if (!read_cabinet(data, size, files, error, limits)) {
        if (error.empty() || !files.empty()) {
            std::fprintf(stderr, "cabinet_fuzz: refused without a reason, or with files kept\n");
            std::abort();
        }
        return 0;
    }
    size_t total = 0;
    for (const CabinetFile& f : files) total += f.bytes.size();
    if (files.size() > limits.max_files || total > limits.max_total_bytes) {
        std::fprintf(stderr, "cabinet_fuzz: %zu files, %zu bytes: past the limits\n", files.size(), total);
        std::abort();
    }
    return 0;
}
