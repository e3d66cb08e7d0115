// Loading the real module with LoadLibrary.
#include <windows.h>

#include "host/core/module_library.h"

std::unique_ptr<ModuleLibrary> ModuleLibrary::open(const std::string& path, Diagnostics& diagnostics) {
    HMODULE handle = LoadLibraryA(path.c_str());
    if (!handle) {
        diagnostics.error(path, 0, "cannot load module (error " + std::to_string(GetLastError()) + ")");
        return nullptr;
    }
    auto* linkage = reinterpret_cast<ModuleLinkage*>(reinterpret_cast<void*>(GetProcAddress(handle, "Linkage")));
    auto* imports = reinterpret_cast<ModuleImports*>(reinterpret_cast<void*>(GetProcAddress(handle, "ImportTable")));
    if (!linkage || !imports) {
        diagnostics.error(path, 0,
                          std::string("not a gauge module (no ") + (linkage ? "ImportTable" : "Linkage") + " export)");
        FreeLibrary(handle);
        return nullptr;
    }
    return std::unique_ptr<ModuleLibrary>(new ModuleLibrary(handle, linkage, imports, path));
}

ModuleLibrary::~ModuleLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

std::string default_module_path() {
    char buffer[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string exe(buffer, n < MAX_PATH ? n : 0);
    return exe.substr(0, exe.find_last_of("\\/") + 1) + "Tarvolen_Instr.gau";
}
