// The module's resources on the portable build: the files the resource script names,
// built into the library as a table (resources_table.cpp, generated), and any the host
// adds on top.
#include <strings.h>

#include <deque>
#include <memory>

#include "platform/portable/backend_internal.h"
#include "platform/portable/embedded_resources.h"

struct PlatformResource {
    ResourceView view;
};

struct PlatformResourceData {
    PlatformResource* resource;
};

namespace {

struct ResourceState {
    std::deque<PlatformResource> built_in;  // filled once from the generated table
    std::deque<PlatformResource> added;
    std::deque<std::vector<uint8_t>> added_bytes;
    Registry<PlatformResourceData> loaded;
};

ResourceState& resources() {
    static ResourceState s;
    if (s.built_in.empty())
        for (size_t i = 0; i < EMBEDDED_RESOURCE_COUNT; ++i) {
            const EmbeddedResource& r = EMBEDDED_RESOURCES[i];
            s.built_in.push_back(PlatformResource{ResourceView{r.type, r.id, r.name, r.bytes, r.size}});
        }
    return s;
}

PlatformResource* find_in(std::deque<PlatformResource>& list, uint16_t id, const char* type) {
    for (PlatformResource& r : list)
        if (r.view.name.empty() && r.view.id == id && strcasecmp(r.view.type.c_str(), type) == 0) return &r;
    return nullptr;
}

bool known(PlatformResource* resource) {
    for (auto* list : {&resources().added, &resources().built_in})
        for (PlatformResource& r : *list)
            if (&r == resource) return true;
    backend_report_misuse("a resource handle the module does not have");
    return false;
}

}  // namespace

void resource_backend_reset() {
    // Added resources stay readable while the module still holds them loaded.
    if (resources().loaded.size() == 0) {
        resources().added.clear();
        resources().added_bytes.clear();
    }
}

void resource_backend_count(LiveObjects& live) {
    live.loaded_resources += static_cast<uint32_t>(resources().loaded.size());
}

std::vector<ResourceView> backend_resources() {
    std::vector<ResourceView> out;
    for (const PlatformResource& r : resources().built_in) out.push_back(r.view);
    return out;
}

void backend_add_resource(const std::string& type, uint16_t id, std::vector<uint8_t> bytes) {
    ResourceState& s = resources();
    s.added_bytes.push_back(std::move(bytes));
    const std::vector<uint8_t>& kept = s.added_bytes.back();
    s.added.push_front(PlatformResource{ResourceView{type, id, "", kept.data(), static_cast<uint32_t>(kept.size())}});
}

PlatformResource* platform_find_resource(ModuleInstance module, uint16_t id, const char* type) {
    if (!backend_enter(PlatformOp::find_resource)) return nullptr;
    // A null module means the program itself, which carries no resources.
    if (module == 0 || type == nullptr) return nullptr;
    PlatformResource* found = find_in(resources().added, id, type);
    return found != nullptr ? found : find_in(resources().built_in, id, type);
}

PlatformResourceData* platform_load_resource(ModuleInstance module, PlatformResource* resource) {
    if (!backend_enter(PlatformOp::load_resource) || module == 0 || !known(resource)) return nullptr;
    auto data = std::make_unique<PlatformResourceData>(PlatformResourceData{resource});
    return resources().loaded.add(std::move(data));
}

const void* platform_lock_resource(PlatformResourceData* data) {
    if (!backend_enter(PlatformOp::lock_resource)) return nullptr;
    if (!resources().loaded.contains(data)) {
        backend_report_misuse("lock_resource on a resource that is not loaded");
        return nullptr;
    }
    return data->resource->view.bytes;
}

uint32_t platform_resource_size(ModuleInstance module, PlatformResource* resource) {
    if (!backend_enter(PlatformOp::resource_size) || module == 0 || !known(resource)) return 0;
    return resource->view.size;
}

void platform_free_resource(PlatformResourceData* data) {
    if (!resources().loaded.contains(data)) {
        backend_report_misuse("free_resource on a resource that is not loaded");
        return;
    }
    resources().loaded.remove(data);
}
