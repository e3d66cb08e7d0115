// The module's gauge declarations as JSON, read from the records the way the host reads
// them: every gauge with its element tree, calibration tables and mouse rectangles.
#pragma once

#include <string>

class PanelHost;

// One JSON document: {"gauges": [ ... ]}, one gauge per line.
std::string dump_declarations(const PanelHost& host);
