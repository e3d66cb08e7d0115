// The module's resources on Windows: the resource functions over the module's handle.
#include <windows.h>

#include "platform/platform.h"

namespace {

HMODULE module_of(ModuleInstance module) { return reinterpret_cast<HMODULE>(module); }

}  // namespace

PlatformResource* platform_find_resource(ModuleInstance module, uint16_t id, const char* type) {
    return reinterpret_cast<PlatformResource*>(FindResourceA(module_of(module), MAKEINTRESOURCEA(id), type));
}

PlatformResourceData* platform_load_resource(ModuleInstance module, PlatformResource* resource) {
    return reinterpret_cast<PlatformResourceData*>(LoadResource(module_of(module), reinterpret_cast<HRSRC>(resource)));
}

const void* platform_lock_resource(PlatformResourceData* data) { return LockResource(reinterpret_cast<HGLOBAL>(data)); }

uint32_t platform_resource_size(ModuleInstance module, PlatformResource* resource) {
    return SizeofResource(module_of(module), reinterpret_cast<HRSRC>(resource));
}

void platform_free_resource(PlatformResourceData* data) { FreeResource(reinterpret_cast<HGLOBAL>(data)); }
