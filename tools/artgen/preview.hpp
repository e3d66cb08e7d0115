// Composed views of whole gauges, put together the way the host draws them, to look
// at the artwork in place. Written only with --png; never part of the resources.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "backgrounds.hpp"
#include "picture.hpp"

namespace artgen {

void write_previews(const std::map<std::string, Picture>& pictures, const std::string& dir);

// A background with each seat's face (and cover) scaled into the seat's box the way
// the host scales a placed gauge, black drawn transparent.
void write_background_preview(const Picture& background, const std::vector<Seat>& seats,
                              const std::map<std::string, Picture>& pictures, const std::string& path);

}  // namespace artgen
