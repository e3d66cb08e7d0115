// Composed views of whole gauges, put together the way the host draws them, to look
// at the artwork in place. Written only with --png; never part of the resources.
#pragma once

#include <map>
#include <string>

#include "picture.hpp"

namespace artgen {

void write_previews(const std::map<std::string, Picture>& pictures, const std::string& dir);

}  // namespace artgen
