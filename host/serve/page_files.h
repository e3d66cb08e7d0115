// The live page's files, embedded in the binary at build time (cmake/embed_files.cmake):
// the server serves these and nothing else.
#pragma once

#include <cstddef>
#include <string_view>

struct EmbeddedFile {
    const char* name;  // the file name, as the page asks for it after "/"
    const unsigned char* data;
    size_t size;
    std::string_view bytes() const { return {reinterpret_cast<const char*>(data), size}; }
};

extern const EmbeddedFile EMBEDDED_PAGE_FILES[];
extern const size_t EMBEDDED_PAGE_FILE_COUNT;
