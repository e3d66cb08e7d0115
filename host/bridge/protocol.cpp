// Writing and reading the bridge's frames and placement snapshots.
#include "host/bridge/protocol.h"

#include <algorithm>
#include <cstring>

namespace bridge {

namespace {

// Bounds a reader applies to counts it is given, so a malformed frame cannot make it
// allocate without limit.
constexpr uint32_t kMaxElements = 4096;
constexpr uint32_t kMaxPoints = 1024;

void write_header(Writer& out, const ElementHeader& e) {
    out.u32(e.kind).u32(e.bitmap_id).i32(e.x).i32(e.y).i32(e.pivot_x).i32(e.pivot_y).u32(e.image_flags);
}

void read_header(Reader& in, ElementHeader& e) {
    e.kind = in.u32();
    e.bitmap_id = in.u32();
    e.x = in.i32();
    e.y = in.i32();
    e.pivot_x = in.i32();
    e.pivot_y = in.i32();
    e.image_flags = in.u32();
}

void write_kind(Writer& out, const ElementHeader& e) {
    switch (e.kind) {
        case ELEMENT_NEEDLE: {
            const auto& n = reinterpret_cast<const Needle&>(e);
            const uint32_t count = n.points ? std::min(n.point_count, kMaxPoints) : 0;
            out.u32(n.source.token).u32(count);
            for (uint32_t i = 0; i < count; ++i) out.i32(n.points[i].x).i32(n.points[i].y).f64(n.points[i].value);
            break;
        }
        case ELEMENT_STRING: {
            const auto& s = reinterpret_cast<const StringElement&>(e);
            for (const ModuleVar& var : s.sources) out.u32(var.token);
            out.i32(s.box_w).i32(s.box_h).u32(s.text_colour).u32(s.back_colour).u32(s.highlight_colour);
            out.text(std::string(s.font_name, strnlen(s.font_name, sizeof s.font_name)));
            out.u32(s.font_weight).u32(s.font_charset).u32(s.draw_flags).u32(s.char_count);
            break;
        }
        case ELEMENT_ICON: {
            const auto& i = reinterpret_cast<const Icon&>(e);
            out.u32(i.source.token).u32(i.switch_mode).f64(i.scale).i32(i.offset).u32(i.pictures);
            break;
        }
        case ELEMENT_MOVING_IMAGE: {
            const auto& m = reinterpret_cast<const MovingImage&>(e);
            out.u32(m.source_x.token).f64(m.min_x).f64(m.max_x).u32(m.source_y.token).f64(m.min_y).f64(m.max_y);
            break;
        }
        case ELEMENT_SPRITE: {
            const auto& s = reinterpret_cast<const Sprite&>(e);
            out.u32(s.source_x.token).f64(s.scale_x).u32(s.source_y.token).f64(s.scale_y);
            out.u32(s.source_angle.token)
                .f64(s.scale_angle)
                .f64(static_cast<double>(s.texture_scale_x))
                .f64(static_cast<double>(s.texture_scale_y));
            break;
        }
        default: break;
    }
}

bool read_kind(Reader& in, ElementRecord& record, std::vector<NonlinearityPoint>& points) {
    switch (record.header.kind) {
        case ELEMENT_NEEDLE: {
            Needle& n = record.needle;
            n.source.token = in.u32();
            const uint32_t count = in.u32();
            if (count > kMaxPoints) return false;
            points.resize(count);
            for (NonlinearityPoint& point : points) {
                point.x = in.i32();
                point.y = in.i32();
                point.value = in.f64();
            }
            n.points = points.empty() ? nullptr : points.data();
            n.point_count = count;
            break;
        }
        case ELEMENT_STRING: {
            StringElement& s = record.string;
            for (ModuleVar& var : s.sources) var.token = in.u32();
            s.box_w = in.i32();
            s.box_h = in.i32();
            s.text_colour = in.u32();
            s.back_colour = in.u32();
            s.highlight_colour = in.u32();
            const std::string font = in.text();
            std::memcpy(s.font_name, font.data(), std::min(font.size(), sizeof s.font_name));
            s.font_weight = in.u32();
            s.font_charset = in.u32();
            s.draw_flags = in.u32();
            s.char_count = in.u32();
            break;
        }
        case ELEMENT_ICON: {
            Icon& i = record.icon;
            i.source.token = in.u32();
            i.switch_mode = in.u32();
            i.scale = in.f64();
            i.offset = in.i32();
            i.pictures = in.u32();
            break;
        }
        case ELEMENT_MOVING_IMAGE: {
            MovingImage& m = record.moving;
            m.source_x.token = in.u32();
            m.min_x = in.f64();
            m.max_x = in.f64();
            m.source_y.token = in.u32();
            m.min_y = in.f64();
            m.max_y = in.f64();
            break;
        }
        case ELEMENT_SPRITE: {
            Sprite& s = record.sprite;
            s.source_x.token = in.u32();
            s.scale_x = in.f64();
            s.source_y.token = in.u32();
            s.scale_y = in.f64();
            s.source_angle.token = in.u32();
            s.scale_angle = in.f64();
            s.texture_scale_x = static_cast<float>(in.f64());
            s.texture_scale_y = static_cast<float>(in.f64());
            break;
        }
        default: break;
    }
    return in.ok();
}

}  // namespace

Writer& Writer::u8(uint8_t v) {
    bytes_.push_back(v);
    return *this;
}

Writer& Writer::u32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
}

Writer& Writer::f64(double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    u32(static_cast<uint32_t>(bits));
    return u32(static_cast<uint32_t>(bits >> 32));
}

Writer& Writer::text(const std::string& v) {
    u32(static_cast<uint32_t>(v.size()));
    bytes_.insert(bytes_.end(), v.begin(), v.end());
    return *this;
}

Writer& Writer::optional_text(const std::optional<std::string>& v) {
    u8(v ? 1 : 0);
    return v ? text(*v) : *this;
}

Writer& Writer::append(const Writer& other) {
    bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
    return *this;
}

std::vector<uint8_t> Writer::frame() const {
    Writer length;
    length.u32(static_cast<uint32_t>(bytes_.size()));
    std::vector<uint8_t> out = length.bytes_;
    out.insert(out.end(), bytes_.begin(), bytes_.end());
    return out;
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

std::string Reader::text() {
    const uint32_t size = u32();
    if (!take(size)) return {};
    return std::string(reinterpret_cast<const char*>(&bytes_[at_ - size]), size);
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

bool read_snapshot(Reader& in, Placement& placement, PlacementRecords& records) {
    const uint32_t count = in.u32();
    if (!in.ok() || count > kMaxElements) return false;
    records.elements.clear();
    records.points.assign(count, {});
    placement.elements.assign(count, {});
    for (uint32_t i = 0; i < count; ++i) {
        auto record = std::make_unique<ElementRecord>();
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
        state.text = in.text();
        records.elements.push_back(std::move(record));
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
