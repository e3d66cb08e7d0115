// The bridge's wire format between the Linux host and panelhost.exe under Wine: frames
// of a 32-bit little-endian length and that many bytes; a frame holds one request (a
// kind byte and its fields) or one reply. Numbers are little-endian, doubles travel as
// their 8 bytes (values come back exactly), texts as a length and their bytes.
//
// The requests, their fields and their answers are listed in requests.h.
//
// Every reply starts with its status (ok, refused with a reason, or crashed: the module
// took the Wine side down, with the exception code), then the trace lines (each with the
// gauge it names, or an empty name) and sound plays (buffer, flags, played) that arose
// while the request ran, in order, and the module faults, then its payload. A placement
// snapshot carries each element's record fields (what drawing reads) and its state.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/panel_host.h"

namespace bridge {

enum class Status : uint8_t { ok = 0x80, refused = 0x81, crashed = 0x82 };

// What a reply's entries are: a trace line, or a sound play.
enum class Entry : uint8_t { trace_line = 1, sound_play = 2 };

// The largest frame either side accepts: far above any snapshot, small enough that a
// stray length (output that is not ours) is refused instead of allocated.
inline constexpr uint32_t MAX_FRAME_BYTES = 16u << 20;
// The most tokens or windows one vars or windows_open request asks for.
inline constexpr uint32_t MAX_QUERY_ITEMS = 4096;

// Writes fields one after another into memory it keeps (clear() keeps it for the next
// frame), with room before them for the frame's length.
class Writer {
public:
    Writer& u8(uint8_t v) {
        *room(1) = v;
        size_ += 1;
        return *this;
    }
    Writer& u32(uint32_t v) {
        put_u32(room(4), v);
        size_ += 4;
        return *this;
    }
    Writer& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Writer& f64(double v);
    Writer& text(std::string_view v);
    Writer& optional_text(const std::optional<std::string>& v);
    Writer& append(const Writer& other) { return put(other.bytes()); }
    Writer& put(std::span<const uint8_t> bytes);
    // Where the next field goes; a count written before what it counts is set there later.
    size_t size() const { return size_ - kLengthBytes; }
    void set_u32(size_t at, uint32_t v) { put_u32(buffer_.data() + kLengthBytes + at, v); }
    std::span<const uint8_t> bytes() const { return {buffer_.data() + kLengthBytes, size()}; }
    void clear() { size_ = kLengthBytes; }
    // The frame: its length, then the bytes written; framed() without a copy (valid
    // until the writer is written to again).
    std::vector<uint8_t> frame() const;
    std::span<const uint8_t> framed();

private:
    static constexpr size_t kLengthBytes = 4;
    static void put_u32(uint8_t* at, uint32_t v) {
        at[0] = static_cast<uint8_t>(v);
        at[1] = static_cast<uint8_t>(v >> 8);
        at[2] = static_cast<uint8_t>(v >> 16);
        at[3] = static_cast<uint8_t>(v >> 24);
    }
    uint8_t* room(size_t n) {
        if (buffer_.size() - size_ < n) grow(n);
        return buffer_.data() + size_;
    }
    void grow(size_t n);
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kLengthBytes);  // its size is the room there is
    size_t size_ = kLengthBytes;                                        // the bytes written, the length's first
};

// Reads fields of one frame; a field past the end fails the reader (ok() turns false)
// and reads as zero, so a malformed frame cannot run off its bytes.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint8_t u8();
    uint32_t u32();
    int32_t i32() { return static_cast<int32_t>(u32()); }
    double f64();
    std::string text();
    // A text as a view of the frame's bytes (valid while they are).
    std::string_view view();
    std::optional<std::string> optional_text();
    bool ok() const { return ok_; }
    bool at_end() const { return at_ == bytes_.size(); }

private:
    bool take(size_t count);
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

// Writes a placement's id and elements: each element's record fields and state.
void write_snapshot(Writer& out, const Placement& placement);

// The records a snapshot is read into on the Linux side: a copy of each element record
// with the fields drawing reads, which the placement's element states point to.
union ElementRecord {
    ElementHeader header;
    StaticImage static_image;
    Needle needle;
    StringElement string;
    Icon icon;
    MovingImage moving;
    Sprite sprite;
};

struct PlacementRecords {
    GaugeHeader gauge{};
    std::string name;
    std::vector<MouseRect> mouse_rects;  // the gauge's click areas (no handlers: clicks go to the far side)
    std::vector<std::unique_ptr<ElementRecord>> elements;
    std::vector<std::vector<NonlinearityPoint>> points;
};

// Reads a snapshot into the placement (its elements) and the records behind it, which
// are replaced. The id is read by the caller first (read_snapshot_id) to find them.
int32_t read_snapshot_id(Reader& in);
bool read_snapshot(Reader& in, Placement& placement, PlacementRecords& records);

// The gauge's click areas, for a place reply (what checking a panel reads), and read
// into the records behind the placement's gauge.
inline constexpr uint32_t kMaxMouseRects = 4096;
void write_mouse_rects(Writer& out, const GaugeHeader& gauge);
bool read_mouse_rects(Reader& in, PlacementRecords& records);

}  // namespace bridge
