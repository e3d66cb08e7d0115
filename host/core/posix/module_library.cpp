// Loading a native module build with dlopen.
#include <dlfcn.h>
#include <unistd.h>

#include "host/core/module_library.h"
#include "platform/platform.h"

std::unique_ptr<ModuleLibrary> ModuleLibrary::open(const std::string& path, Diagnostics& diagnostics) {
    // A name without a folder is a file of the current folder, not one for dlopen to
    // look for on the library path.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        diagnostics.error(path, 0, std::string("cannot load module: ") + (why ? why : "unknown error"));
        return nullptr;
    }
    auto* linkage = static_cast<ModuleLinkage*>(dlsym(handle, "Linkage"));
    auto* imports = static_cast<ModuleImports*>(dlsym(handle, "ImportTable"));
    if (!linkage || !imports) {
        diagnostics.error(path, 0,
                          std::string("not a gauge module (no ") + (linkage ? "ImportTable" : "Linkage") + " export)");
        dlclose(handle);
        return nullptr;
    }
    return std::unique_ptr<ModuleLibrary>(new ModuleLibrary(handle, linkage, imports, path));
}

ModuleLibrary::~ModuleLibrary() { dlclose(handle_); }

bool ModuleLibrary::resource(uint16_t id, const char* type, std::vector<uint8_t>& bytes) const {
    PlatformResource* found = platform_find_resource(instance(), id, type);
    if (!found) return false;
    const uint32_t size = platform_resource_size(instance(), found);
    PlatformResourceData* data = platform_load_resource(instance(), found);
    const auto* begin = data ? static_cast<const uint8_t*>(platform_lock_resource(data)) : nullptr;
    if (begin) bytes.assign(begin, begin + size);
    if (data) platform_free_resource(data);
    return begin != nullptr;
}

std::string default_module_path() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string exe = n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string("./panelhost");
    return exe.substr(0, exe.find_last_of('/') + 1) + "libtarvolen_instr.so";
}
