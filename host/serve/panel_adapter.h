// The live page's hold on the rest of the host: the few calls into the panel reader,
// the module's resources and the sound log that serve uses, kept here so that changes
// to those rooms touch one small file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/panel/panel_config.h"
#include "host/render/panel_render.h"

class GaugeHost;

// Reads a panel.cfg and places every gauge of it on the host. False when it has errors.
bool open_panel(GaugeHost& host, const std::string& path, PanelConfig& panel, Diagnostics& diagnostics);

// The open windows as `render` lays them out, in the panel's window order, with the XML
// gauges placed on them (xml may be null).
std::vector<PanelWindowView> open_window_views(GaugeHost& host, const PanelConfig& panel, BitmapSource& faces,
                                               const PanelBackgrounds& backgrounds, Size screen,
                                               const XmlPanel* xml = nullptr);

// A resource of the module (as the simulator reads the .gau's), or empty.
std::string module_resource(GaugeHost& host, uint16_t id, const char* type);

// How many times a module loaded into this process has started a sound playing since
// the program began (a host in another process counts its own).
size_t sound_plays();

// The name of a help id in the module's table of tooltip names, or null.
const char* help_name(uint32_t help_id);
