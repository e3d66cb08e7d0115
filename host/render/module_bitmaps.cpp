// Reading bitmap resources of the module.
#include "host/render/module_bitmaps.h"

#include "host/core/gauge_host.h"
#include "platform/platform.h"

ModuleBitmaps::ModuleBitmaps(uintptr_t instance)
    : loader_([instance](uint16_t id, std::vector<uint8_t>& bytes) {
          PlatformResource* resource = platform_find_resource(instance, id, "BITMAP");
          if (!resource) return false;
          const uint32_t size = platform_resource_size(instance, resource);
          PlatformResourceData* data = platform_load_resource(instance, resource);
          const auto* begin = data ? static_cast<const uint8_t*>(platform_lock_resource(data)) : nullptr;
          if (begin) bytes.assign(begin, begin + size);
          if (data) platform_free_resource(data);
          return true;  // found; empty bytes when it could not be loaded
      }) {}

ModuleBitmaps::ModuleBitmaps(GaugeHost& host)
    : loader_([&host](uint16_t id, std::vector<uint8_t>& bytes) { return host.resource(id, "BITMAP", bytes); }) {}

const Bitmap* ModuleBitmaps::find(uint32_t id) {
    auto found = decoded_.find(id);
    if (found != decoded_.end()) return &found->second;
    if (missing_.count(id) || id > 0xFFFF) return nullptr;
    missing_[id] = true;
    std::vector<uint8_t> bytes;
    if (!loader_(static_cast<uint16_t>(id), bytes)) return nullptr;
    Bitmap bitmap;
    std::string error;
    const bool ok = !bytes.empty() && decode_bmp(bytes.data(), bytes.size(), bitmap, error);
    if (!ok) {
        problems_.push_back("bitmap " + std::to_string(id) + ": " +
                            (bytes.empty() ? "cannot load the resource" : error));
        return nullptr;
    }
    missing_.erase(id);
    return &(decoded_[id] = std::move(bitmap));
}
