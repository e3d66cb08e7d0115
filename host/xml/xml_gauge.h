// An XML gauge as its file describes it: a <Gauge> of <Element>s (images that stand,
// turn, slide or are chosen by a value, seen through masks) and a <Mouse> of click
// areas, with every script kept as text and every element's line kept for messages.
// Read with pugixml; what the reader does not know, or reads and does not simulate
// (<Failures>), is listed as a note.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"

namespace xmlgauge {

struct Script {
    std::string text;
    int line = 0;
};

struct Image {
    std::string name;
    int line = 0;
    double axis_x = 0, axis_y = 0;
    double points_to_deg = 0;  // the direction the picture points: east 0, south 90, clockwise
    bool bright = false;       // lit at night
    bool alpha = false;
};

// A calibration point: a value and where it puts the picture (X, Y) or its direction.
struct Item {
    double value = 0;
    double x = 0, y = 0;
    bool has_xy = false;
    double degrees = 0;
    bool has_degrees = false;
};

struct Value {
    Script script;
    std::optional<double> minimum, maximum;
};

enum class Motion { none, rotate, shift };

struct Case;

struct Element {
    int line = 0;
    double x = 0, y = 0;  // <Position>, from the parent's
    std::optional<Script> visible;
    std::optional<Image> image;
    std::optional<Image> mask;
    std::vector<Item> image_items;  // <Image><Nonlinearity>: the picture's point at the mask's axis
    Motion motion = Motion::none;
    Value value;                      // of the rotate or shift
    std::vector<Item> items;          // <Rotate>/<Shift><Nonlinearity>
    double scale_x = 0, scale_y = 0;  // <Shift><Scale>
    // <Delay>: the picture follows its value at most this fast (0: at once), degrees a
    // second for a rotate, pixels a second for a shift.
    double delay_per_s = 0;
    std::optional<Value> select;  // <Select><Value>
    std::vector<Case> cases;
    std::vector<Element> children;
};

struct Case {
    double value = 0;
    Element content;  // its image (and what else it holds)
};

struct Area {
    int line = 0;
    std::optional<double> left, top, right, bottom, width, height;
    std::optional<Script> click;  // the script
    std::string event;            // Event=
    std::string kind;             // Kind=
    bool repeat = false;
    std::string cursor;
    std::string tooltip;  // text or ID
    std::vector<Area> children;
};

struct Gauge {
    std::string file;  // as messages name it
    std::string name;
    std::optional<Image> background;
    std::vector<Element> elements;
    std::string tooltip;
    std::vector<Area> areas;
    int update_frequency = 18;
};

inline constexpr int kMaxDepth = 64;
inline constexpr int kMaxNodes = 20000;

// Reads the gauge from its file's bytes. False, with an error naming the file and line,
// when it is not well-formed XML or has no <Gauge>; notes (FILE:LINE) for what the
// reader passes over.
bool read_gauge(const std::vector<uint8_t>& bytes, const std::string& file, Gauge& gauge, Diagnostics& diagnostics);

}  // namespace xmlgauge
