// The page's click spots, cursors and tooltips of an XML gauge.
#include "host/serve/xml_spots.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "host/panel/text.h"
#include "sdk/records.h"

namespace {

constexpr const char* kIdPrefix = "TOOLTIPTEXT_";

// The areas innermost first, the file's order among those of one depth: the page takes
// the first that holds the pointer.
std::vector<const XmlArea*> innermost_first(const XmlPlacement& p) {
    std::vector<const XmlArea*> areas;
    for (const XmlArea& a : p.areas) areas.push_back(&a);
    std::stable_sort(areas.begin(), areas.end(),
                     [](const XmlArea* a, const XmlArea* b) { return a->depth > b->depth; });
    return areas;
}

void write_box(JsonWriter& json, const XmlArea& a) { json.begin_array().real(a.x).real(a.y).real(a.w).real(a.h); }

}  // namespace

const char* xml_cursor_css(const std::string& type) {
    const std::string t = lower(type);
    if (t == "hand") return "pointer";
    if (t == "uparrow") return "n-resize";
    if (t == "downarrow") return "s-resize";
    if (t == "leftarrow") return "w-resize";
    if (t == "rightarrow") return "e-resize";
    if (t == "grab") return "grab";
    if (t == "crosshair") return "crosshair";
    return "default";
}

std::string xml_tooltip_text(const std::string& tooltip) {
    std::string text = tooltip;
    if (text.starts_with(kIdPrefix)) {
        text = lower(text.substr(std::char_traits<char>::length(kIdPrefix)));
        std::replace(text.begin(), text.end(), '_', ' ');
        if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        return text;
    }
    // %(script)% with its format (!d!, !3.1f!) after it.
    for (size_t at; (at = text.find("%(")) != std::string::npos;) {
        size_t end = text.find(")%", at + 2);
        end = end == std::string::npos ? text.size() : end + 2;
        if (end < text.size() && text[end] == '!') {
            const size_t close = text.find('!', end + 1);
            end = close == std::string::npos ? text.size() : close + 1;
        }
        text.replace(at, end - at, "\xE2\x80\xA6");
    }
    return text;
}

void write_xml_gauge(JsonWriter& json, const GaugeView& view) {
    const XmlPlacement& p = *view.xml;
    json.num("id", view.placement_id)
        .utf8("name", p.name)
        .num("window", p.window)
        .finite("x", view.x)
        .finite("y", view.y)
        .num("w", view.width)
        .num("h", view.height)
        .num("fw", view.face_w)
        .num("fh", view.face_h)
        .flag("xml", true);
    const std::vector<const XmlArea*> areas = innermost_first(p);
    json.key("spots").begin_array();
    for (const XmlArea* a : areas) {
        if (!a->kinds || (a->click.empty() && !a->has_event)) continue;
        write_box(json, *a);
        json.num(CURSOR_NONE)
            .num(MOUSE_LEFT_CLICK | (a->kinds & XML_CLICK_REPEAT ? MOUSE_REPEAT : 0))
            .text(xml_cursor_css(a->area->cursor))
            .num(a->kinds)
            .end_array();
    }
    json.end_array().key("helps").begin_array();
    for (const XmlArea* a : areas) {
        if (a->area->tooltip.empty()) continue;
        write_box(json, *a);
        json.num(0).utf8(xml_tooltip_text(a->area->tooltip)).end_array();
    }
    if (!p.gauge->tooltip.empty())
        json.begin_array().num(0).num(0).num(0).num(0).num(0).utf8(xml_tooltip_text(p.gauge->tooltip)).end_array();
    json.end_array();
}
