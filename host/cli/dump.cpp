// Writing the declarations as JSON, through the host's one JSON writer; each element
// kind's own fields come from its row of the element-kind table.
#include "host/cli/dump.h"

#include "host/core/element_kinds.h"
#include "host/core/panel_host.h"
#include "host/trace/json_writer.h"

namespace {

void failures(const FailureEntry* entry, JsonWriter& json) {
    json.key("failures").begin_array();
    for (; entry && entry->key != 0; ++entry)
        json.begin_object().num("key", entry->key).num("action", entry->action).end_object();
    json.end_array();
}

// The element tree in drawing order, numbered from 1 at the root.
void elements(const ElementHeader* element, int& index, JsonWriter& json) {
    if (!element) return;
    const ElementKind* kind = find_element_kind(element->kind);
    json.begin_object().num("index", ++index).text("kind", kind ? kind->name : "unknown");
    json.num("bitmap_id", static_cast<int32_t>(element->bitmap_id)).num("x", element->x).num("y", element->y);
    json.num("pivot_x", element->pivot_x).num("pivot_y", element->pivot_y).hex("image_flags", element->image_flags);
    failures(element->failures, json);
    if (kind) kind->dump(*element, json);
    json.end_object();
    if (element->children)
        for (ElementHeader* const* child = element->children; *child; ++child) elements(*child, index, json);
}

const char* rect_kind(uint32_t kind) {
    switch (kind) {
        case MOUSE_PARENT: return "parent";
        case MOUSE_CHILD: return "child";
        case MOUSE_PARENT_END: return "parent_end";
        default: return "unknown";
    }
}

void mouse_rects(const MouseRect* rect, JsonWriter& json) {
    json.key("mouse_rects").begin_array();
    for (; rect && rect->kind != MOUSE_END; ++rect) {
        json.begin_object().text("kind", rect_kind(rect->kind));
        json.key("box").begin_array().num(rect->box_x).num(rect->box_y).num(rect->box_w).num(rect->box_h).end_array();
        json.num("cursor", rect->cursor).num("help_id", rect->help_id).hex("mouse_flags", rect->mouse_flags);
        json.num("event_id", rect->event_id).flag("handler", rect->handler != nullptr).end_object();
    }
    json.end_array();
}

void gauge_json(const GaugeHeader* gauge, JsonWriter& json) {
    json.begin_object().text("name", gauge->name ? gauge->name : "").num("version", gauge->version);
    json.num("width_mm", gauge->width_mm).num("height_mm", gauge->height_mm);
    json.flag("gauge_callback", gauge->gauge_callback != nullptr);
    json.key("elements").begin_array();
    int index = 0;
    if (gauge->elements) elements(*gauge->elements, index, json);
    json.end_array();
    mouse_rects(gauge->mouse_rects, json);
    json.end_object();
}

}  // namespace

std::string dump_declarations(const PanelHost& host) {
    std::string out;
    JsonWriter json(out);
    json.begin_object().key("gauges").begin_array(",\n");
    for (const GaugeHeader* gauge : host.gauges()) gauge_json(gauge, json);
    json.end_array().end_object();
    out += '\n';
    return out;
}
