// The bitmaps of a loaded gauge module, taken from the module's own resources (as the
// simulator takes them from the .gau), decoded once and kept.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/render/bitmap.h"

class GaugeHost;

class ModuleBitmaps : public BitmapSource {
public:
    // Reads the BITMAP resource with this id; false when the module has none.
    using Loader = std::function<bool(uint16_t id, std::vector<uint8_t>& bytes)>;
    explicit ModuleBitmaps(Loader loader) : loader_(std::move(loader)) {}
    // instance: the module's instance handle (ModuleLibrary::instance()).
    explicit ModuleBitmaps(uintptr_t instance);
    // The bitmaps of the module a gauge host drives.
    explicit ModuleBitmaps(GaugeHost& host);
    const Bitmap* find(uint32_t id) override;
    // Resources that were found and could not be decoded: "bitmap ID: reason".
    const std::vector<std::string>& problems() const { return problems_; }

private:
    Loader loader_;
    std::map<uint32_t, Bitmap> decoded_;
    std::map<uint32_t, bool> missing_;
    std::vector<std::string> problems_;
};
