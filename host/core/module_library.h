// A loaded gauge module: the library handle and the two records the host reads.
// Implemented once with dlopen (module_library_posix.cpp) and once with LoadLibrary
// (module_library_win32.cpp).
#pragma once

#include <memory>
#include <string>

#include "host/base/diagnostics.h"
#include "sdk/records.h"

class ModuleLibrary {
public:
    // Loads the library at path and finds its Linkage and ImportTable records.
    // Returns null and adds an error about the file (what was missing) on failure.
    static std::unique_ptr<ModuleLibrary> open(const std::string& path, Diagnostics& diagnostics);
    ~ModuleLibrary();
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    ModuleLinkage* linkage() const { return linkage_; }
    ModuleImports* imports() const { return imports_; }
    // The module's instance handle, handed to gauges as the extra data of install.
    uintptr_t instance() const { return reinterpret_cast<uintptr_t>(handle_); }
    const std::string& path() const { return path_; }

private:
    ModuleLibrary(void* handle, ModuleLinkage* linkage, ModuleImports* imports, std::string path)
        : handle_(handle), linkage_(linkage), imports_(imports), path_(std::move(path)) {}
    void* handle_;
    ModuleLinkage* linkage_;
    ModuleImports* imports_;
    std::string path_;
};

// The module build that sits beside the running host executable.
std::string default_module_path();
