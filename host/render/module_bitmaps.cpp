// Reading bitmap resources of the module.
#include "host/render/module_bitmaps.h"

#include "platform/platform.h"

const Bitmap* ModuleBitmaps::find(uint32_t id) {
    auto found = decoded_.find(id);
    if (found != decoded_.end()) return &found->second;
    if (missing_.count(id) || id > 0xFFFF) return nullptr;
    missing_[id] = true;
    PlatformResource* resource = platform_find_resource(instance_, static_cast<uint16_t>(id), "BITMAP");
    if (!resource) return nullptr;
    const uint32_t size = platform_resource_size(instance_, resource);
    PlatformResourceData* data = platform_load_resource(instance_, resource);
    const auto* bytes = data ? static_cast<const uint8_t*>(platform_lock_resource(data)) : nullptr;
    Bitmap bitmap;
    std::string error;
    const bool ok = bytes && decode_bmp(bytes, size, bitmap, error);
    if (data) platform_free_resource(data);
    if (!ok) {
        problems_.push_back("bitmap " + std::to_string(id) + ": " + (bytes ? error : "cannot load the resource"));
        return nullptr;
    }
    missing_.erase(id);
    return &(decoded_[id] = std::move(bitmap));
}
