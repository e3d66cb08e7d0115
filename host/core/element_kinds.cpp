// The table of element kinds and each row's functions.
#include "host/core/element_kinds.h"

#include <cstring>

#include "host/trace/json_writer.h"

namespace {

template <class Record>
Record& as(ElementHeader& element) {
    return reinterpret_cast<Record&>(element);
}

template <class Record>
const Record& as(const ElementHeader& element) {
    return reinterpret_cast<const Record&>(element);
}

// Bindings.
ModuleVar& needle_binding(ElementHeader& e, int) { return as<Needle>(e).source; }
ModuleVar& icon_binding(ElementHeader& e, int) { return as<Icon>(e).source; }
ModuleVar& string_binding(ElementHeader& e, int i) { return as<StringElement>(e).sources[i]; }
ModuleVar& moving_binding(ElementHeader& e, int i) {
    return i == 0 ? as<MovingImage>(e).source_x : as<MovingImage>(e).source_y;
}
ModuleVar& sprite_binding(ElementHeader& e, int i) {
    Sprite& s = as<Sprite>(e);
    return i == 0 ? s.source_x : i == 1 ? s.source_y : s.source_angle;
}

// Callbacks.
ValueCallback needle_callback(const ElementHeader& e) { return as<Needle>(e).callback; }
ValueCallback icon_callback(const ElementHeader& e) { return as<Icon>(e).callback; }
ValueCallback string_callback(const ElementHeader& e) { return as<StringElement>(e).callback; }
ValueCallback moving_callback(const ElementHeader& e) { return as<MovingImage>(e).callback_y; }

// Values besides the main one.
void moving_values(ElementState& s, const double* numbers) { s.value_x = numbers[0]; }
void sprite_values(ElementState& s, const double* numbers) {
    s.value_x = numbers[0];
    s.value_y = numbers[1];
    s.angle = numbers[2];
}

// Painting.
void paint_static(ElementPainter& p, const ElementState& s) { p.static_image(*s.element, s); }
void paint_needle(ElementPainter& p, const ElementState& s) { p.needle(as<Needle>(*s.element), s); }
void paint_string(ElementPainter& p, const ElementState& s) { p.string(as<StringElement>(*s.element), s); }
void paint_icon(ElementPainter& p, const ElementState& s) { p.icon(as<Icon>(*s.element), s); }
void paint_moving(ElementPainter& p, const ElementState& s) { p.moving_image(as<MovingImage>(*s.element), s); }
void paint_sprite(ElementPainter& p, const ElementState& s) { p.sprite(as<Sprite>(*s.element), s); }

// Dumping: the fields of each kind after the common ones.
void dump_static(const ElementHeader&, JsonWriter&) {}

void dump_needle(const ElementHeader& e, JsonWriter& json) {
    const Needle& n = as<Needle>(e);
    json.num("source", n.source.token).key("points").begin_array();
    for (uint32_t i = 0; n.points && i < n.point_count; ++i) {
        const NonlinearityPoint& p = n.points[i];
        json.begin_object().num("x", p.x).num("y", p.y).real("value", p.value).end_object();
    }
    json.end_array().flag("callback", n.callback != nullptr);
}

void dump_string(const ElementHeader& e, JsonWriter& json) {
    const StringElement& t = as<StringElement>(e);
    json.num("box_w", t.box_w).num("box_h", t.box_h).hex("text_colour", t.text_colour);
    json.hex("back_colour", t.back_colour).hex("highlight_colour", t.highlight_colour);
    json.text("font_name", std::string_view(t.font_name, strnlen(t.font_name, sizeof t.font_name)));
    json.num("font_weight", t.font_weight).num("font_charset", t.font_charset);
    json.hex("draw_flags", t.draw_flags).num("char_count", t.char_count);
    json.flag("callback", t.callback != nullptr);
}

void dump_icon(const ElementHeader& e, JsonWriter& json) {
    const Icon& i = as<Icon>(e);
    json.num("source", i.source.token).num("pictures", i.pictures).num("switch_mode", i.switch_mode);
    json.real("scale", i.scale).num("offset", i.offset).flag("callback", i.callback != nullptr);
}

void dump_moving(const ElementHeader& e, JsonWriter& json) {
    const MovingImage& m = as<MovingImage>(e);
    json.num("source_x", m.source_x.token).real("min_x", m.min_x).real("max_x", m.max_x);
    json.num("source_y", m.source_y.token).real("min_y", m.min_y).real("max_y", m.max_y);
    json.flag("callback_y", m.callback_y != nullptr);
}

void dump_sprite(const ElementHeader& e, JsonWriter& json) {
    const Sprite& s = as<Sprite>(e);
    json.num("source_x", s.source_x.token).real("scale_x", s.scale_x);
    json.num("source_y", s.source_y.token).real("scale_y", s.scale_y);
    json.num("source_angle", s.source_angle.token).real("scale_angle", s.scale_angle);
    json.real("texture_scale_x", static_cast<double>(s.texture_scale_x));
    json.real("texture_scale_y", static_cast<double>(s.texture_scale_y));
}

// clang-format off
constexpr ElementKind kElementKinds[] = {
    // kind                name            bindings                   callback          value other_values   text   paint          dump
    {ELEMENT_STATIC_IMAGE, "static_image", 0, nullptr,                nullptr,          -1,   nullptr,       false, paint_static,  dump_static},
    {ELEMENT_NEEDLE,       "needle",       1, needle_binding,         needle_callback,  0,    nullptr,       false, paint_needle,  dump_needle},
    {ELEMENT_STRING,       "string",       3, string_binding,         string_callback,  0,    nullptr,       true,  paint_string,  dump_string},
    {ELEMENT_ICON,         "icon",         1, icon_binding,           icon_callback,    0,    nullptr,       false, paint_icon,    dump_icon},
    {ELEMENT_MOVING_IMAGE, "moving_image", 2, moving_binding,         moving_callback,  1,    moving_values, false, paint_moving,  dump_moving},
    {ELEMENT_SPRITE,       "sprite",       3, sprite_binding,         nullptr,          2,    sprite_values, false, paint_sprite,  dump_sprite},
};
// clang-format on
static_assert(sizeof kElementKinds / sizeof kElementKinds[0] == kElementKindCount);

}  // namespace

const ElementKind* element_kinds() { return kElementKinds; }

const ElementKind* find_element_kind(uint32_t kind) {
    for (const ElementKind& row : kElementKinds)
        if (row.kind == kind) return &row;
    return nullptr;
}

ElementState element_state(ElementHeader* element, int index) {
    ElementState state;
    state.element = element;
    state.index = index;
    state.kind = find_element_kind(element->kind);
    if (!state.kind) return state;
    state.binding_count = state.kind->binding_count;
    for (int i = 0; i < state.binding_count; ++i) {
        Binding& b = state.bindings[i];
        b.var = &state.kind->binding(*element, i);
        b.slot = Variables::slot(b.var->token);
    }
    if (state.kind->writes_text) {
        const uint32_t chars = as<StringElement>(*element).char_count;
        state.text_buffer.assign(static_cast<size_t>(chars) + 1, '\0');
        state.text.reserve(static_cast<size_t>(chars) + 1);
    }
    return state;
}

void give_text_buffer(ElementState& state) {
    std::memset(state.text_buffer.data(), 0, state.text_buffer.size());
    as<StringElement>(*state.element).text = state.text_buffer.data();
}
