// What the page knows of an XML gauge's <Mouse>, in the shape it knows the module's
// gauges by: click spots [x, y, w, h, cursor, flags, CSS cursor, kinds] (flags
// MOUSE_REPEAT where a held button repeats; kinds the XML_CLICK_* of the area, which tell
// the page to send the pointer's moves while held and the button let go) and tooltips
// [x, y, w, h, 0, text], both in the gauge's pixels, the innermost area first.
#pragma once

#include <string>

#include "host/serve/gauge_pictures.h"
#include "host/trace/json_writer.h"

// The gauge's id, name, window, place and size on the page, face size, spots and tooltips.
void write_xml_gauge(JsonWriter& json, const GaugeView& view);

// The CSS cursor for a <Cursor Type=...>: a hand, arrows for up and down or left and
// right, a grab, a crosshair; the default arrow for the rest.
const char* xml_cursor_css(const std::string& type);

// The text a <Tooltip> shows: its own words, or, for the simulator's string ids
// (TOOLTIPTEXT_AIRSPEED_KNOTS), those words ("Airspeed knots"). A value it would format
// into the text (%(...)%!d!) is shown as "…": the tooltip is sent with the layout.
std::string xml_tooltip_text(const std::string& tooltip);
