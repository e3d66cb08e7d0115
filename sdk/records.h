// Binary record formats shared by the gauge module and the panel host: the gauge
// header, element records, mouse rectangles, the host's service table and the two
// exported records. The layouts are a wire format; on 32-bit builds every offset is
// checked below. On 64-bit builds pointers widen and nothing reads records by offset.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define TARVOLEN_CALLBACK __attribute__((stdcall))
#else
#define TARVOLEN_CALLBACK
#endif

// The 32-bit layout packs records on 4-byte boundaries (a double may start at any
// multiple of 4). 64-bit builds keep natural alignment: their layout is nobody's format.
#if UINTPTR_MAX == 0xFFFFFFFFu
#pragma pack(push, 4)
#endif

struct GaugeHeader;
struct ElementHeader;
struct MouseRect;
struct ModuleVar;

inline constexpr uint32_t SERVICE_INSTALL = 2;
inline constexpr uint32_t SERVICE_UPDATE = 6;
inline constexpr uint32_t SERVICE_KILL = 12;

// Element kinds (ElementHeader::kind).
inline constexpr uint32_t ELEMENT_STATIC_IMAGE = 0;
inline constexpr uint32_t ELEMENT_NEEDLE = 1;
inline constexpr uint32_t ELEMENT_STRING = 2;
inline constexpr uint32_t ELEMENT_ICON = 4;
inline constexpr uint32_t ELEMENT_MOVING_IMAGE = 5;
inline constexpr uint32_t ELEMENT_SPRITE = 6;

// image_flags bits with a meaning the module or the host relies on.
inline constexpr uint32_t IMAGE_TRANSPARENT = 0x1;
inline constexpr uint32_t IMAGE_BRIGHT = 0x4;
inline constexpr uint32_t IMAGE_LUMINOUS = 0x4000;
inline constexpr uint32_t IMAGE_ON_SCREEN = 0x80000000u;

// MouseRect::kind.
inline constexpr uint32_t MOUSE_END = 0;
inline constexpr uint32_t MOUSE_PARENT = 1;
inline constexpr uint32_t MOUSE_CHILD = 2;
inline constexpr uint32_t MOUSE_PARENT_END = 3;

// MouseRect::mouse_flags and cursor numbers.
inline constexpr uint32_t MOUSE_LEFT_CLICK = 0x20000000;
inline constexpr uint32_t MOUSE_REPEAT = 0x00200000;
inline constexpr int32_t CURSOR_NONE = -1;
inline constexpr int32_t CURSOR_INCREASE = 1;
inline constexpr int32_t CURSOR_DECREASE = 2;
inline constexpr int32_t CURSOR_BUTTON = 5;

inline constexpr uint32_t GAUGE_VERSION = 800;
inline constexpr uint32_t MODULE_ID = 0x13;
inline constexpr uint32_t MODULE_VERSION = 0x800;
inline constexpr uint32_t PANEL_SERVICES_ID = 0x0F;
inline constexpr int GAUGE_TABLE_SLOTS = 28;

struct ClickRecord;

using GaugeCallback = void(TARVOLEN_CALLBACK*)(GaugeHeader* gauge, uint32_t service, uintptr_t extra);
using ValueCallback = double(TARVOLEN_CALLBACK*)(ElementHeader* element);
using MouseHandler = int32_t(TARVOLEN_CALLBACK*)(ClickRecord* click, uint32_t mouse_flags);

// The value word of a variable binding: a 64-bit float, or a 32-bit unsigned integer
// in the first four bytes for integer variables (frequencies in BCD, codes, flags).
union VarValue {
    double f64;
    uint32_t u32;
};

struct ModuleVar {
    uint32_t token;
    uint32_t host_a[2];
    VarValue value;
    uint32_t host_b[2];
};

struct GaugeHeader {
    uint32_t version;
    const char* name;
    ElementHeader** elements;
    uint32_t reserved_a[8];
    uint32_t width_mm;
    uint32_t height_mm;
    uint32_t reserved_b[7];
    MouseRect* mouse_rects;
    GaugeCallback gauge_callback;
    uint32_t user_word;
    char* parameters;
    uint32_t host[50];
};

struct FailureEntry {
    uint32_t key;
    uint32_t action;
    uint32_t reserved;
};

struct ElementHeader {
    uint32_t kind;
    uint32_t bitmap_id;
    int32_t x;
    int32_t y;
    uint32_t host_a[2];
    int32_t pivot_x;
    int32_t pivot_y;
    GaugeHeader* gauge;
    uint32_t host_b;
    ElementHeader** children;
    FailureEntry* failures;
    uint32_t image_flags;
    uint32_t reserved[2];
};

struct StaticImage {
    ElementHeader header;
    uint32_t host[9];
};

struct NonlinearityPoint {
    int32_t x;
    int32_t y;
    double value;
    uint32_t host[2];
};

struct Needle {
    ElementHeader header;
    ModuleVar source;
    uint32_t host_a[6];
    NonlinearityPoint* points;
    uint32_t point_count;
    uint32_t reserved;
    uint32_t host_b[25];
    ValueCallback callback;
    uint32_t host_c[2];
};

struct StringElement {
    ElementHeader header;
    ModuleVar sources[3];
    uint32_t host_a[10];
    char* text;
    uint32_t host_b;
    int32_t box_w;
    int32_t box_h;
    uint32_t reserved[2];
    uint32_t text_colour;
    uint32_t back_colour;
    uint32_t highlight_colour;
    uint32_t host_c[7];
    char font_name[32];
    uint32_t font_weight;
    uint32_t font_charset;
    uint32_t draw_flags;
    uint32_t char_count;
    uint32_t host_d[4];
    ValueCallback callback;
    uint32_t host_e[2];
};

struct Icon {
    ElementHeader header;
    ModuleVar source;
    uint32_t host_a;
    uint32_t switch_mode;
    uint32_t reserved;
    double scale;
    int32_t offset;
    uint32_t pictures;
    uint32_t host_b[4];
    ValueCallback callback;
    uint32_t host_c;
};

struct MovingImage {
    ElementHeader header;
    ModuleVar source_x;
    uint32_t host_a;
    double min_x;
    double max_x;
    uint32_t reserved_a;
    ModuleVar source_y;
    uint32_t host_b;
    double min_y;
    double max_y;
    uint32_t host_c[21];
    uint32_t reserved_b;
    ValueCallback callback_y;
    uint32_t host_d[4];
};

struct Sprite {
    ElementHeader header;
    ModuleVar source_x;
    uint32_t host_a;
    double scale_x;
    ModuleVar source_y;
    uint32_t host_b;
    double scale_y;
    ModuleVar source_angle;
    uint32_t host_c;
    double scale_angle;
    float texture_scale_x;
    float texture_scale_y;
    uint32_t reserved[41];
};

struct MouseRect {
    uint32_t kind;
    int32_t box_x;
    int32_t box_y;
    int32_t box_w;
    int32_t box_h;
    int32_t cursor;
    uint32_t help_id;
    uint32_t mouse_flags;
    uint32_t event_id;
    MouseHandler handler;
    uint32_t data;
};

// What the host hands a mouse handler; the module reads only the gauge pointer.
struct ClickRecord {
    uint32_t host[2];
    GaugeHeader* gauge;
};

using CloseWindowService = int32_t(TARVOLEN_CALLBACK*)(int32_t window);
using SendEventService = int32_t(TARVOLEN_CALLBACK*)(uint32_t event_id, uint32_t value);
using ReadVarService = int32_t(TARVOLEN_CALLBACK*)(ModuleVar* var);
using UnusedService = void (*)();

inline constexpr int PANEL_SERVICE_COUNT = 41;
inline constexpr int SERVICE_CLOSE_PANEL_WINDOW = 35;
inline constexpr int SERVICE_SEND_EVENT = 36;
inline constexpr int SERVICE_READ_VAR = 40;

// The host's table of service entry points, called by position.
struct PanelServices {
    UnusedService unused_0_34[35];
    CloseWindowService close_panel_window;
    SendEventService send_event;
    UnusedService unused_37_39[3];
    ReadVarService read_var;
};

using ModuleEntry = void(TARVOLEN_CALLBACK*)();

struct ModuleLinkage {
    uint32_t module_id;
    ModuleEntry init;
    ModuleEntry deinit;
    uint32_t reserved[2];
    uint32_t module_version;
    GaugeHeader* gauges[GAUGE_TABLE_SLOTS];
};

// The record exported as ImportTable: (id, pointer) pairs ended by id 0.
struct ModuleImports {
    uint32_t table_id;
    PanelServices* table;
    uint32_t end_id;
    void* end_pointer;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
#pragma pack(pop)
#endif

#if defined(__i386__)
#define TARVOLEN_AT(type, field, offset) static_assert(offsetof(type, field) == (offset), #type "::" #field)
static_assert(sizeof(GaugeHeader) == 296);
TARVOLEN_AT(GaugeHeader, name, 0x04);
TARVOLEN_AT(GaugeHeader, elements, 0x08);
TARVOLEN_AT(GaugeHeader, width_mm, 0x2C);
TARVOLEN_AT(GaugeHeader, height_mm, 0x30);
TARVOLEN_AT(GaugeHeader, mouse_rects, 0x50);
TARVOLEN_AT(GaugeHeader, gauge_callback, 0x54);
TARVOLEN_AT(GaugeHeader, user_word, 0x58);
TARVOLEN_AT(GaugeHeader, parameters, 0x5C);
TARVOLEN_AT(GaugeHeader, host, 0x60);
static_assert(sizeof(ElementHeader) == 60);
TARVOLEN_AT(ElementHeader, bitmap_id, 0x04);
TARVOLEN_AT(ElementHeader, x, 0x08);
TARVOLEN_AT(ElementHeader, y, 0x0C);
TARVOLEN_AT(ElementHeader, pivot_x, 0x18);
TARVOLEN_AT(ElementHeader, pivot_y, 0x1C);
TARVOLEN_AT(ElementHeader, gauge, 0x20);
TARVOLEN_AT(ElementHeader, children, 0x28);
TARVOLEN_AT(ElementHeader, failures, 0x2C);
TARVOLEN_AT(ElementHeader, image_flags, 0x30);
static_assert(sizeof(ModuleVar) == 28);
TARVOLEN_AT(ModuleVar, value, 0x0C);
static_assert(sizeof(StaticImage) == 96);
static_assert(sizeof(NonlinearityPoint) == 24);
TARVOLEN_AT(NonlinearityPoint, value, 0x08);
static_assert(sizeof(Needle) == 236);
TARVOLEN_AT(Needle, source, 0x3C);
TARVOLEN_AT(Needle, points, 0x70);
TARVOLEN_AT(Needle, point_count, 0x74);
TARVOLEN_AT(Needle, callback, 0xE0);
static_assert(sizeof(StringElement) == 324);
TARVOLEN_AT(StringElement, sources, 0x3C);
TARVOLEN_AT(StringElement, text, 0xB8);
TARVOLEN_AT(StringElement, box_w, 0xC0);
TARVOLEN_AT(StringElement, box_h, 0xC4);
TARVOLEN_AT(StringElement, text_colour, 0xD0);
TARVOLEN_AT(StringElement, back_colour, 0xD4);
TARVOLEN_AT(StringElement, highlight_colour, 0xD8);
TARVOLEN_AT(StringElement, font_name, 0xF8);
TARVOLEN_AT(StringElement, font_weight, 0x118);
TARVOLEN_AT(StringElement, font_charset, 0x11C);
TARVOLEN_AT(StringElement, draw_flags, 0x120);
TARVOLEN_AT(StringElement, char_count, 0x124);
TARVOLEN_AT(StringElement, callback, 0x138);
static_assert(sizeof(Icon) == 140);
TARVOLEN_AT(Icon, source, 0x3C);
TARVOLEN_AT(Icon, switch_mode, 0x5C);
TARVOLEN_AT(Icon, scale, 0x64);
TARVOLEN_AT(Icon, offset, 0x6C);
TARVOLEN_AT(Icon, pictures, 0x70);
TARVOLEN_AT(Icon, callback, 0x84);
static_assert(sizeof(MovingImage) == 268);
TARVOLEN_AT(MovingImage, source_x, 0x3C);
TARVOLEN_AT(MovingImage, min_x, 0x5C);
TARVOLEN_AT(MovingImage, max_x, 0x64);
TARVOLEN_AT(MovingImage, source_y, 0x70);
TARVOLEN_AT(MovingImage, min_y, 0x90);
TARVOLEN_AT(MovingImage, max_y, 0x98);
TARVOLEN_AT(MovingImage, reserved_b, 0xF4);
TARVOLEN_AT(MovingImage, callback_y, 0xF8);
static_assert(sizeof(Sprite) == 352);
TARVOLEN_AT(Sprite, source_x, 0x3C);
TARVOLEN_AT(Sprite, scale_x, 0x5C);
TARVOLEN_AT(Sprite, source_y, 0x64);
TARVOLEN_AT(Sprite, scale_y, 0x84);
TARVOLEN_AT(Sprite, source_angle, 0x8C);
TARVOLEN_AT(Sprite, scale_angle, 0xAC);
TARVOLEN_AT(Sprite, texture_scale_x, 0xB4);
TARVOLEN_AT(Sprite, texture_scale_y, 0xB8);
static_assert(sizeof(FailureEntry) == 12);
static_assert(sizeof(MouseRect) == 44);
TARVOLEN_AT(MouseRect, cursor, 0x14);
TARVOLEN_AT(MouseRect, help_id, 0x18);
TARVOLEN_AT(MouseRect, mouse_flags, 0x1C);
TARVOLEN_AT(MouseRect, event_id, 0x20);
TARVOLEN_AT(MouseRect, handler, 0x24);
TARVOLEN_AT(MouseRect, data, 0x28);
TARVOLEN_AT(ClickRecord, gauge, 0x08);
TARVOLEN_AT(PanelServices, close_panel_window, 0x8C);
TARVOLEN_AT(PanelServices, send_event, 0x90);
TARVOLEN_AT(PanelServices, read_var, 0xA0);
static_assert(sizeof(ModuleLinkage) == 0x18 + 4 * 28);
TARVOLEN_AT(ModuleLinkage, init, 0x04);
TARVOLEN_AT(ModuleLinkage, deinit, 0x08);
TARVOLEN_AT(ModuleLinkage, module_version, 0x14);
TARVOLEN_AT(ModuleLinkage, gauges, 0x18);
static_assert(sizeof(ModuleImports) == 16);
TARVOLEN_AT(ModuleImports, table, 0x04);
#undef TARVOLEN_AT
#endif
