// Writing and reading the bridge's frames and placement snapshots.
#include "host/bridge/protocol.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>

namespace bridge {

namespace {

// Bounds a reader applies to counts it is given, so a malformed frame cannot make it
// allocate without limit.
constexpr uint32_t kMaxElements = 4096;
constexpr uint32_t kMaxPoints = 1024;

// Each element kind's fields as they travel, in order, described once for the writer
// and the reader: where the field lies in the record and how it is sent. The records
// are packed, so fields are copied in and out by bytes, never through a reference.
enum class Wire {
    u32,
    i32,
    f64,
    f32,   // a float, sent as a double
    font,  // the 32-byte font name, sent as text up to its first NUL
};

struct Field {
    Wire wire;
    size_t offset;
};

#define TARVOLEN_FIELD(wire, record, field) \
    Field { Wire::wire, offsetof(record, field) }

// The header, first in every element.
constexpr Field kHeaderFields[] = {
    TARVOLEN_FIELD(u32, ElementHeader, kind),        TARVOLEN_FIELD(u32, ElementHeader, bitmap_id),
    TARVOLEN_FIELD(i32, ElementHeader, x),           TARVOLEN_FIELD(i32, ElementHeader, y),
    TARVOLEN_FIELD(i32, ElementHeader, pivot_x),     TARVOLEN_FIELD(i32, ElementHeader, pivot_y),
    TARVOLEN_FIELD(u32, ElementHeader, image_flags),
};
// A needle's nonlinearity points follow its fields (a count, then x, y, value each).
constexpr Field kNeedleFields[] = {TARVOLEN_FIELD(u32, Needle, source.token)};
constexpr Field kStringFields[] = {
    TARVOLEN_FIELD(u32, StringElement, sources[0].token),
    TARVOLEN_FIELD(u32, StringElement, sources[1].token),
    TARVOLEN_FIELD(u32, StringElement, sources[2].token),
    TARVOLEN_FIELD(i32, StringElement, box_w),
    TARVOLEN_FIELD(i32, StringElement, box_h),
    TARVOLEN_FIELD(u32, StringElement, text_colour),
    TARVOLEN_FIELD(u32, StringElement, back_colour),
    TARVOLEN_FIELD(u32, StringElement, highlight_colour),
    TARVOLEN_FIELD(font, StringElement, font_name),
    TARVOLEN_FIELD(u32, StringElement, font_weight),
    TARVOLEN_FIELD(u32, StringElement, font_charset),
    TARVOLEN_FIELD(u32, StringElement, draw_flags),
    TARVOLEN_FIELD(u32, StringElement, char_count),
};
constexpr Field kIconFields[] = {
    TARVOLEN_FIELD(u32, Icon, source.token), TARVOLEN_FIELD(u32, Icon, switch_mode), TARVOLEN_FIELD(f64, Icon, scale),
    TARVOLEN_FIELD(i32, Icon, offset),       TARVOLEN_FIELD(u32, Icon, pictures),
};
constexpr Field kMovingImageFields[] = {
    TARVOLEN_FIELD(u32, MovingImage, source_x.token), TARVOLEN_FIELD(f64, MovingImage, min_x),
    TARVOLEN_FIELD(f64, MovingImage, max_x),          TARVOLEN_FIELD(u32, MovingImage, source_y.token),
    TARVOLEN_FIELD(f64, MovingImage, min_y),          TARVOLEN_FIELD(f64, MovingImage, max_y),
};
constexpr Field kSpriteFields[] = {
    TARVOLEN_FIELD(u32, Sprite, source_x.token),     TARVOLEN_FIELD(f64, Sprite, scale_x),
    TARVOLEN_FIELD(u32, Sprite, source_y.token),     TARVOLEN_FIELD(f64, Sprite, scale_y),
    TARVOLEN_FIELD(u32, Sprite, source_angle.token), TARVOLEN_FIELD(f64, Sprite, scale_angle),
    TARVOLEN_FIELD(f32, Sprite, texture_scale_x),    TARVOLEN_FIELD(f32, Sprite, texture_scale_y),
};

#undef TARVOLEN_FIELD

// The fields of a kind after the header (none for a static image or a kind unknown).
std::span<const Field> kind_fields(uint32_t kind) {
    switch (kind) {
        case ELEMENT_NEEDLE: return kNeedleFields;
        case ELEMENT_STRING: return kStringFields;
        case ELEMENT_ICON: return kIconFields;
        case ELEMENT_MOVING_IMAGE: return kMovingImageFields;
        case ELEMENT_SPRITE: return kSpriteFields;
        default: return {};
    }
}

constexpr size_t kFontBytes = sizeof StringElement::font_name;

template <class T>
T field_value(const void* record, const Field& field) {
    T value;
    std::memcpy(&value, static_cast<const char*>(record) + field.offset, sizeof value);
    return value;
}

template <class T>
void set_field(void* record, const Field& field, T value) {
    std::memcpy(static_cast<char*>(record) + field.offset, &value, sizeof value);
}

void write_fields(Writer& out, const void* record, std::span<const Field> fields) {
    for (const Field& field : fields) {
        switch (field.wire) {
            case Wire::u32: out.u32(field_value<uint32_t>(record, field)); break;
            case Wire::i32: out.i32(field_value<int32_t>(record, field)); break;
            case Wire::f64: out.f64(field_value<double>(record, field)); break;
            case Wire::f32: out.f64(static_cast<double>(field_value<float>(record, field))); break;
            case Wire::font: {
                const char* name = static_cast<const char*>(record) + field.offset;
                out.text(std::string_view(name, strnlen(name, kFontBytes)));
                break;
            }
        }
    }
}

void read_fields(Reader& in, void* record, std::span<const Field> fields) {
    for (const Field& field : fields) {
        switch (field.wire) {
            case Wire::u32: set_field(record, field, in.u32()); break;
            case Wire::i32: set_field(record, field, in.i32()); break;
            case Wire::f64: set_field(record, field, in.f64()); break;
            case Wire::f32: set_field(record, field, static_cast<float>(in.f64())); break;
            case Wire::font: {
                const std::string font = in.text();
                std::memcpy(static_cast<char*>(record) + field.offset, font.data(), std::min(font.size(), kFontBytes));
                break;
            }
        }
    }
}

void write_header(Writer& out, const ElementHeader& e) { write_fields(out, &e, kHeaderFields); }

void read_header(Reader& in, ElementHeader& e) { read_fields(in, &e, kHeaderFields); }

void write_kind(Writer& out, const ElementHeader& e) {
    write_fields(out, &e, kind_fields(e.kind));
    if (e.kind != ELEMENT_NEEDLE) return;
    const auto& n = reinterpret_cast<const Needle&>(e);
    const uint32_t count = n.points ? std::min(n.point_count, kMaxPoints) : 0;
    out.u32(count);
    for (uint32_t i = 0; i < count; ++i) out.i32(n.points[i].x).i32(n.points[i].y).f64(n.points[i].value);
}

bool read_kind(Reader& in, ElementRecord& record, std::vector<NonlinearityPoint>& points) {
    read_fields(in, &record, kind_fields(record.header.kind));
    if (record.header.kind != ELEMENT_NEEDLE) return in.ok();
    const uint32_t count = in.u32();
    if (count > kMaxPoints) return false;
    points.resize(count);
    for (NonlinearityPoint& point : points) {
        point.x = in.i32();
        point.y = in.i32();
        point.value = in.f64();
    }
    record.needle.points = points.empty() ? nullptr : points.data();
    record.needle.point_count = count;
    return in.ok();
}

}  // namespace

void Writer::grow(size_t n) { buffer_.resize(std::max({size_ + n, buffer_.size() * 2, size_t{256}})); }

Writer& Writer::f64(double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    u32(static_cast<uint32_t>(bits));
    return u32(static_cast<uint32_t>(bits >> 32));
}

Writer& Writer::put(std::span<const uint8_t> bytes) {
    if (!bytes.empty()) std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
    size_ += bytes.size();
    return *this;
}

Writer& Writer::text(std::string_view v) {
    u32(static_cast<uint32_t>(v.size()));
    return put({reinterpret_cast<const uint8_t*>(v.data()), v.size()});
}

Writer& Writer::optional_text(const std::optional<std::string>& v) {
    u8(v ? 1 : 0);
    return v ? text(*v) : *this;
}

std::span<const uint8_t> Writer::framed() {
    put_u32(buffer_.data(), static_cast<uint32_t>(size()));
    return {buffer_.data(), size_};
}

std::vector<uint8_t> Writer::frame() const {
    Writer copy;
    copy.put(bytes());
    const std::span<const uint8_t> framed = copy.framed();
    return {framed.begin(), framed.end()};
}

bool Reader::take(size_t count) {
    if (!ok_ || count > bytes_.size() - at_) return ok_ = false;
    at_ += count;
    return true;
}

uint8_t Reader::u8() { return take(1) ? bytes_[at_ - 1] : 0; }

uint32_t Reader::u32() {
    if (!take(4)) return 0;
    const uint8_t* p = &bytes_[at_ - 4];
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

double Reader::f64() {
    const uint64_t low = u32();
    const uint64_t bits = low | static_cast<uint64_t>(u32()) << 32;
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::string Reader::text() { return std::string(view()); }

std::string_view Reader::view() {
    const uint32_t size = u32();
    if (!take(size)) return {};
    return {reinterpret_cast<const char*>(bytes_.data() + at_ - size), size};
}

std::optional<std::string> Reader::optional_text() {
    if (u8() == 0) return std::nullopt;
    return text();
}

void write_snapshot(Writer& out, const Placement& placement) {
    out.i32(placement.id).u32(static_cast<uint32_t>(placement.elements.size()));
    for (const ElementState& state : placement.elements) {
        write_header(out, *state.element);
        write_kind(out, *state.element);
        out.i32(state.index).f64(state.value).f64(state.value_x).f64(state.value_y).f64(state.angle).text(state.text);
    }
}

int32_t read_snapshot_id(Reader& in) { return in.i32(); }

// The records, point tables and states the placement has are read into again (a frame
// brings the same placements' snapshots time after time), so that reading one allocates
// nothing once the placement has been read.
bool read_snapshot(Reader& in, Placement& placement, PlacementRecords& records) {
    const uint32_t count = in.u32();
    if (!in.ok() || count > kMaxElements) return false;
    records.elements.resize(count);
    records.points.resize(count);
    placement.elements.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        std::unique_ptr<ElementRecord>& record = records.elements[i];
        if (!record) record = std::make_unique<ElementRecord>();
        std::memset(static_cast<void*>(record.get()), 0, sizeof *record);
        read_header(in, record->header);
        record->header.gauge = &records.gauge;
        if (!read_kind(in, *record, records.points[i])) return false;
        ElementState& state = placement.elements[i];
        state.element = &record->header;
        state.index = in.i32();
        state.value = in.f64();
        state.value_x = in.f64();
        state.value_y = in.f64();
        state.angle = in.f64();
        state.text.assign(in.view());
    }
    return in.ok();
}

void write_mouse_rects(Writer& out, const GaugeHeader& gauge) {
    uint32_t count = 0;
    for (const MouseRect* rect = gauge.mouse_rects; rect && rect->kind != MOUSE_END && count < kMaxMouseRects; ++rect)
        ++count;
    out.u32(count);
    for (uint32_t i = 0; i < count; ++i) {
        const MouseRect& rect = gauge.mouse_rects[i];
        out.u32(rect.kind).i32(rect.box_x).i32(rect.box_y).i32(rect.box_w).i32(rect.box_h).i32(rect.cursor);
        out.u32(rect.help_id).u32(rect.mouse_flags).u32(rect.event_id).u32(rect.data);
    }
}

bool read_mouse_rects(Reader& in, PlacementRecords& records) {
    const uint32_t count = in.u32();
    if (!in.ok() || count > kMaxMouseRects) return false;
    records.mouse_rects.assign(count + 1, MouseRect{});  // the last one ends the table (MOUSE_END)
    for (uint32_t i = 0; i < count; ++i) {
        MouseRect& rect = records.mouse_rects[i];
        rect.kind = in.u32();
        rect.box_x = in.i32();
        rect.box_y = in.i32();
        rect.box_w = in.i32();
        rect.box_h = in.i32();
        rect.cursor = in.i32();
        rect.help_id = in.u32();
        rect.mouse_flags = in.u32();
        rect.event_id = in.u32();
        rect.data = in.u32();
        if (rect.kind == MOUSE_END) return false;
    }
    records.gauge.mouse_rects = records.mouse_rects.data();
    return in.ok();
}

}  // namespace bridge
