// The bitmaps of a loaded gauge module, taken from the module's own resources through
// the platform's resource calls (as the simulator takes them from the .gau), decoded
// once and kept.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/render/bitmap.h"

class ModuleBitmaps : public BitmapSource {
public:
    // instance: the module's instance handle (ModuleLibrary::instance()).
    explicit ModuleBitmaps(uintptr_t instance) : instance_(instance) {}
    const Bitmap* find(uint32_t id) override;
    // Resources that were found and could not be decoded: "bitmap ID: reason".
    const std::vector<std::string>& problems() const { return problems_; }

private:
    uintptr_t instance_;
    std::map<uint32_t, Bitmap> decoded_;
    std::map<uint32_t, bool> missing_;
    std::vector<std::string> problems_;
};
