// Writing the declarations as JSON.
#include "host/cli/dump.h"

#include <cstdio>
#include <cstring>

#include "host/core/panel_host.h"
#include "host/trace/trace.h"

namespace {

// Builds one JSON object, fields in the order they are added.
class Json {
public:
    Json& num(const char* key, int64_t value) { return raw(key, std::to_string(value)); }
    Json& real(const char* key, double value) { return raw(key, format_real(value)); }
    Json& text(const char* key, const std::string& value) { return raw(key, json_quote(value)); }
    Json& flag(const char* key, bool value) { return raw(key, value ? "true" : "false"); }
    Json& hex(const char* key, uint32_t value) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "0x%X", value);
        return text(key, buffer);
    }
    Json& raw(const char* key, const std::string& json) {
        body_ += (body_.empty() ? "" : ",") + json_quote(key) + ":" + json;
        return *this;
    }
    std::string str() const { return "{" + body_ + "}"; }

private:
    std::string body_;
};

std::string list(const std::vector<std::string>& items, const char* separator = ",") {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
    return out + "]";
}

const char* kind_name(uint32_t kind) {
    switch (kind) {
        case ELEMENT_STATIC_IMAGE: return "static_image";
        case ELEMENT_NEEDLE: return "needle";
        case ELEMENT_STRING: return "string";
        case ELEMENT_ICON: return "icon";
        case ELEMENT_MOVING_IMAGE: return "moving_image";
        case ELEMENT_SPRITE: return "sprite";
        default: return "unknown";
    }
}

std::string failures(const FailureEntry* entry) {
    std::vector<std::string> out;
    for (; entry && entry->key != 0; ++entry)
        out.push_back(Json().num("key", entry->key).num("action", entry->action).str());
    return list(out);
}

std::string points(const Needle& needle) {
    std::vector<std::string> out;
    for (uint32_t i = 0; needle.points && i < needle.point_count; ++i) {
        const NonlinearityPoint& p = needle.points[i];
        out.push_back(Json().num("x", p.x).num("y", p.y).real("value", p.value).str());
    }
    return list(out);
}

void kind_fields(const ElementHeader* element, Json& json) {
    switch (element->kind) {
        case ELEMENT_NEEDLE: {
            const auto* n = reinterpret_cast<const Needle*>(element);
            json.num("source", n->source.token).raw("points", points(*n)).flag("callback", n->callback != nullptr);
            break;
        }
        case ELEMENT_ICON: {
            const auto* i = reinterpret_cast<const Icon*>(element);
            json.num("source", i->source.token).num("pictures", i->pictures).num("switch_mode", i->switch_mode);
            json.real("scale", i->scale).num("offset", i->offset).flag("callback", i->callback != nullptr);
            break;
        }
        case ELEMENT_MOVING_IMAGE: {
            const auto* m = reinterpret_cast<const MovingImage*>(element);
            json.num("source_x", m->source_x.token).real("min_x", m->min_x).real("max_x", m->max_x);
            json.num("source_y", m->source_y.token).real("min_y", m->min_y).real("max_y", m->max_y);
            json.flag("callback_y", m->callback_y != nullptr);
            break;
        }
        case ELEMENT_SPRITE: {
            const auto* s = reinterpret_cast<const Sprite*>(element);
            json.num("source_x", s->source_x.token).real("scale_x", s->scale_x);
            json.num("source_y", s->source_y.token).real("scale_y", s->scale_y);
            json.num("source_angle", s->source_angle.token).real("scale_angle", s->scale_angle);
            json.real("texture_scale_x", static_cast<double>(s->texture_scale_x))
                .real("texture_scale_y", static_cast<double>(s->texture_scale_y));
            break;
        }
        case ELEMENT_STRING: {
            const auto* t = reinterpret_cast<const StringElement*>(element);
            json.num("box_w", t->box_w).num("box_h", t->box_h).hex("text_colour", t->text_colour);
            json.hex("back_colour", t->back_colour).hex("highlight_colour", t->highlight_colour);
            json.text("font_name", std::string(t->font_name, strnlen(t->font_name, sizeof t->font_name)));
            json.num("font_weight", t->font_weight).num("font_charset", t->font_charset);
            json.hex("draw_flags", t->draw_flags).num("char_count", t->char_count);
            json.flag("callback", t->callback != nullptr);
            break;
        }
        default: break;
    }
}

// The element tree in drawing order, numbered from 1 at the root.
void elements(const ElementHeader* element, std::vector<std::string>& out) {
    if (!element) return;
    Json json;
    json.num("index", static_cast<int64_t>(out.size()) + 1).text("kind", kind_name(element->kind));
    json.num("bitmap_id", static_cast<int32_t>(element->bitmap_id)).num("x", element->x).num("y", element->y);
    json.num("pivot_x", element->pivot_x).num("pivot_y", element->pivot_y).hex("image_flags", element->image_flags);
    json.raw("failures", failures(element->failures));
    kind_fields(element, json);
    out.push_back(json.str());
    if (element->children)
        for (ElementHeader* const* child = element->children; *child; ++child) elements(*child, out);
}

const char* rect_kind(uint32_t kind) {
    switch (kind) {
        case MOUSE_PARENT: return "parent";
        case MOUSE_CHILD: return "child";
        case MOUSE_PARENT_END: return "parent_end";
        default: return "unknown";
    }
}

std::string mouse_rects(const MouseRect* rect) {
    std::vector<std::string> out;
    for (; rect && rect->kind != MOUSE_END; ++rect) {
        Json json;
        json.text("kind", rect_kind(rect->kind));
        json.raw("box", "[" + std::to_string(rect->box_x) + "," + std::to_string(rect->box_y) + "," +
                            std::to_string(rect->box_w) + "," + std::to_string(rect->box_h) + "]");
        json.num("cursor", rect->cursor).num("help_id", rect->help_id).hex("mouse_flags", rect->mouse_flags);
        json.num("event_id", rect->event_id).flag("handler", rect->handler != nullptr);
        out.push_back(json.str());
    }
    return list(out);
}

std::string gauge_json(const GaugeHeader* gauge) {
    std::vector<std::string> tree;
    if (gauge->elements) elements(*gauge->elements, tree);
    Json json;
    json.text("name", gauge->name ? gauge->name : "").num("version", gauge->version);
    json.num("width_mm", gauge->width_mm).num("height_mm", gauge->height_mm);
    json.flag("gauge_callback", gauge->gauge_callback != nullptr);
    json.raw("elements", list(tree)).raw("mouse_rects", mouse_rects(gauge->mouse_rects));
    return json.str();
}

}  // namespace

std::string dump_declarations(const PanelHost& host) {
    std::vector<std::string> gauges;
    for (const GaugeHeader* gauge : host.gauges()) gauges.push_back(gauge_json(gauge));
    return "{\"gauges\":" + list(gauges, ",\n") + "}\n";
}
