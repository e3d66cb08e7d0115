// Reading an XML gauge's file into its description, bounded in depth and size.
#include "host/xml/xml_gauge.h"

#include <strings.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>

namespace xmlgauge {
namespace {

class Reader {
public:
    Reader(const std::vector<uint8_t>& bytes, const std::string& file, Diagnostics& diagnostics)
        : file_(file), diagnostics_(diagnostics) {
        for (size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\n') line_starts_.push_back(i + 1);
    }

    int line(const pugi::xml_node& node) const {
        const auto offset = static_cast<size_t>(node.offset_debug());
        return static_cast<int>(std::upper_bound(line_starts_.begin(), line_starts_.end(), offset) -
                                line_starts_.begin()) +
               1;
    }
    int line_of_offset(size_t offset) const {
        return static_cast<int>(std::upper_bound(line_starts_.begin(), line_starts_.end(), offset) -
                                line_starts_.begin()) +
               1;
    }

    void note(const pugi::xml_node& node, const std::string& what) {
        if (notes_ < 200) diagnostics_.note(file_, line(node), what);
        ++notes_;
    }

    bool count(const pugi::xml_node& node) {
        if (++nodes_ <= kMaxNodes) return true;
        if (!too_many_) diagnostics_.error(file_, line(node), "more than " + std::to_string(kMaxNodes) + " elements");
        too_many_ = true;
        return false;
    }

    bool deep(const pugi::xml_node& node, int depth) {
        if (depth <= kMaxDepth) return false;
        if (!too_deep_)
            diagnostics_.error(file_, line(node), "nested more than " + std::to_string(kMaxDepth) + " deep");
        too_deep_ = true;
        return true;
    }

    static bool is(const pugi::xml_node& node, const char* name) { return strcasecmp(node.name(), name) == 0; }

    static pugi::xml_attribute attr(const pugi::xml_node& node, const char* name) {
        for (pugi::xml_attribute a : node.attributes())
            if (strcasecmp(a.name(), name) == 0) return a;
        return {};
    }

    std::optional<double> number(const pugi::xml_node& node, const char* name) {
        const pugi::xml_attribute a = attr(node, name);
        if (!a) return std::nullopt;
        char* end = nullptr;
        const double value = std::strtod(a.value(), &end);
        if (end == a.value() || !std::isfinite(value)) {
            note(node, std::string(name) + "=\"" + a.value() + "\" is not a number; read as 0");
            return 0.0;
        }
        return value;
    }

    static bool yes(const pugi::xml_node& node, const char* name) {
        const pugi::xml_attribute a = attr(node, name);
        return a &&
               (strcasecmp(a.value(), "yes") == 0 || strcasecmp(a.value(), "true") == 0 || strcmp(a.value(), "1") == 0);
    }

    Script script(const pugi::xml_node& node) { return {node.text().get(), line(node)}; }

    static double direction(const char* text) {
        if (strcasecmp(text, "south") == 0) return 90;
        if (strcasecmp(text, "west") == 0) return 180;
        if (strcasecmp(text, "north") == 0) return 270;
        return 0;
    }

    Image image(const pugi::xml_node& node, std::vector<Item>* items) {
        Image image;
        image.name = attr(node, "Name").value();
        image.line = line(node);
        if (image.name.empty()) note(node, "an <" + std::string(node.name()) + "> without Name=");
        if (const auto a = attr(node, "PointsTo")) image.points_to_deg = direction(a.value());
        image.bright = yes(node, "Bright") || yes(node, "Luminous");
        image.alpha = yes(node, "Alpha");
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element || !count(child)) continue;
            if (is(child, "Axis")) {
                image.axis_x = number(child, "X").value_or(0);
                image.axis_y = number(child, "Y").value_or(0);
                if (const auto a = attr(child, "PointsTo")) image.points_to_deg = direction(a.value());
            } else if (is(child, "Nonlinearity") && items) {
                read_items(child, *items);
            } else if (is(child, "Transparent") || is(child, "Bright") || is(child, "Luminous")) {
                if (!is(child, "Transparent")) image.bright = true;
            } else {
                note(child, "<" + std::string(child.name()) + "> in an image is not read");
            }
        }
        for (const pugi::xml_attribute a : node.attributes()) {
            static const char* known[] = {"Name",       "PointsTo",    "Bright",     "Luminous",       "Alpha",
                                          "ImageSizes", "Transparent", "NoBilinear", "DegreesPointsTo"};
            if (std::none_of(std::begin(known), std::end(known),
                             [&](const char* k) { return strcasecmp(a.name(), k) == 0; }))
                note(node, std::string("attribute ") + a.name() + " of <" + node.name() + "> is not read");
        }
        return image;
    }

    void read_items(const pugi::xml_node& node, std::vector<Item>& items) {
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element || !count(child)) continue;
            if (!is(child, "Item")) {
                note(child, "<" + std::string(child.name()) + "> in <Nonlinearity> is not read");
                continue;
            }
            Item item;
            item.value = number(child, "Value").value_or(0);
            const auto x = number(child, "X"), y = number(child, "Y"), degrees = number(child, "Degrees");
            item.has_xy = x || y;
            item.x = x.value_or(0);
            item.y = y.value_or(0);
            item.has_degrees = degrees.has_value();
            item.degrees = degrees.value_or(0);
            items.push_back(item);
        }
    }

    Value value(const pugi::xml_node& node) {
        Value value;
        value.script = script(node);
        value.minimum = number(node, "Minimum");
        value.maximum = number(node, "Maximum");
        if (!value.maximum && attr(node, "Maximun")) {
            value.maximum = number(node, "Maximun");
            note(node, "Maximun= (so spelled) read as Maximum=");
        }
        return value;
    }

    void motion(const pugi::xml_node& node, Element& element) {
        element.motion = is(node, "Rotate") ? Motion::rotate : Motion::shift;
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element || !count(child)) continue;
            if (is(child, "Value")) {
                element.value = value(child);
            } else if (is(child, "Nonlinearity")) {
                read_items(child, element.items);
            } else if (is(child, "Scale")) {
                element.scale_x = number(child, "X").value_or(0);
                element.scale_y = number(child, "Y").value_or(0);
            } else if (is(child, "Delay")) {
                delay(child, element);
            } else if (is(child, "Failures")) {
                // Failures are read and not simulated: the host's instruments do not fail.
            } else {
                note(child, "<" + std::string(child.name()) + "> in <" + node.name() + "> is not read");
            }
        }
    }

    // <Delay DegreesPerSecond=...> for a rotate, PixelsPerSecond= for a shift; the other
    // one, or a rate that is not above 0, leaves the picture moving at once.
    void delay(const pugi::xml_node& node, Element& element) {
        const bool rotate = element.motion == Motion::rotate;
        const char* wanted = rotate ? "DegreesPerSecond" : "PixelsPerSecond";
        const char* other = rotate ? "PixelsPerSecond" : "DegreesPerSecond";
        const std::optional<double> rate = number(node, wanted);
        if (!rate) {
            note(node, std::string("<Delay> without ") + wanted + "=" +
                           (attr(node, other)
                                ? std::string(" (") + other + "= is for a " + (rotate ? "shift" : "rotate") + ")"
                                : std::string()) +
                           ": the picture moves at once");
            return;
        }
        if (*rate <= 0) {
            note(node,
                 std::string(wanted) + "=" + attr(node, wanted).value() + " is not above 0: the picture moves at once");
            return;
        }
        element.delay_per_s = *rate;
    }

    void element(const pugi::xml_node& node, Element& element, int depth) {
        element.line = line(node);
        if (deep(node, depth)) return;
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element || !count(child)) continue;
            if (is(child, "Position")) {
                element.x = number(child, "X").value_or(0);
                element.y = number(child, "Y").value_or(0);
            } else if (is(child, "Visible")) {
                element.visible = script(child);
            } else if (is(child, "Image")) {
                element.image = image(child, &element.image_items);
            } else if (is(child, "MaskImage")) {
                element.mask = image(child, nullptr);
            } else if (is(child, "Rotate") || is(child, "Shift")) {
                motion(child, element);
            } else if (is(child, "Select")) {
                select(child, element, depth);
            } else if (is(child, "Element")) {
                this->element(child, element.children.emplace_back(), depth + 1);
            } else if (is(child, "Failures")) {
                // read, not simulated
            } else {
                note(child, "<" + std::string(child.name()) + "> is not read");
            }
        }
    }

    void select(const pugi::xml_node& node, Element& element, int depth) {
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element || !count(child)) continue;
            if (is(child, "Value")) {
                element.select = value(child);
            } else if (is(child, "Case")) {
                Case& c = element.cases.emplace_back();
                c.value = number(child, "Value").value_or(0);
                this->element(child, c.content, depth + 1);
            } else if (is(child, "Failures")) {
            } else {
                note(child, "<" + std::string(child.name()) + "> in <Select> is not read");
            }
        }
        if (!element.select) note(node, "a <Select> without <Value> shows nothing");
    }

    // A click, cursor, tooltip or help of an area.
    void read_area_child(const pugi::xml_node& child, Area& area) {
        if (is(child, "Click")) {
            const std::string text = child.text().get();
            if (text.find_first_not_of(" \t\r\n") != std::string::npos) area.click = script(child);
            area.event = attr(child, "Event").value();
            area.kind = attr(child, "Kind").value();
            area.repeat = yes(child, "Repeat");
        } else if (is(child, "Cursor")) {
            area.cursor = attr(child, "Type").value();
        } else if (is(child, "Tooltip")) {
            const std::string text = child.text().get();
            area.tooltip = text.empty() ? attr(child, "ID").value() : text;
        } else if (!is(child, "Help")) {
            note(child, "<" + std::string(child.name()) + "> in <Area> is not read");
        }
    }

    void area(const pugi::xml_node& node, Area& area, int depth) {
        area.line = line(node);
        if (deep(node, depth)) return;
        area.left = number(node, "Left");
        area.top = number(node, "Top");
        area.right = number(node, "Right");
        area.bottom = number(node, "Bottom");
        area.width = number(node, "Width");
        area.height = number(node, "Height");
        for (pugi::xml_node child : node.children()) {
            if (child.type() != pugi::node_element || !count(child)) continue;
            if (is(child, "Area"))
                this->area(child, area.children.emplace_back(), depth + 1);
            else
                read_area_child(child, area);
        }
    }

    bool gauge(const pugi::xml_document& document, Gauge& gauge) {
        pugi::xml_node root;
        for (pugi::xml_node child : document.children())
            if (child.type() == pugi::node_element) root = child;
        if (!root || !is(root, "Gauge")) {
            diagnostics_.error(file_, root ? line(root) : 1, "no <Gauge> element");
            return false;
        }
        gauge.name = attr(root, "Name").value();
        std::optional<Area> mouse_area;
        for (pugi::xml_node child : root.children()) {
            if (child.type() != pugi::node_element || !count(child)) continue;
            if (is(child, "Image")) {
                gauge.background = image(child, nullptr);
            } else if (is(child, "Element")) {
                element(child, gauge.elements.emplace_back(), 1);
            } else if (is(child, "Mouse")) {
                for (pugi::xml_node m : child.children()) {
                    if (m.type() != pugi::node_element || !count(m)) continue;
                    if (is(m, "Area")) {
                        area(m, gauge.areas.emplace_back(), 1);
                    } else if (is(m, "Tooltip")) {
                        const std::string text = m.text().get();
                        gauge.tooltip = text.empty() ? attr(m, "ID").value() : text;
                    } else if (is(m, "Click") || is(m, "Cursor")) {
                        // A click or cursor of the <Mouse> itself: an area over the whole gauge,
                        // after the others (an area of their own takes their clicks first).
                        if (!mouse_area) {
                            mouse_area.emplace();
                            mouse_area->line = line(m);
                        }
                        read_area_child(m, *mouse_area);
                    } else if (is(m, "Help")) {
                    } else {
                        note(m, "<" + std::string(m.name()) + "> in <Mouse> is not read");
                    }
                }
                if (mouse_area) gauge.areas.push_back(*mouse_area);
                mouse_area.reset();
            } else if (is(child, "Update")) {
                gauge.update_frequency = static_cast<int>(number(child, "Frequency").value_or(18));
            } else if (is(child, "Comment") || is(child, "Failures") || is(child, "Size")) {
            } else {
                note(child, "<" + std::string(child.name()) + "> in <Gauge> is not read");
            }
        }
        return !too_many_ && !too_deep_;
    }

private:
    std::string file_;
    Diagnostics& diagnostics_;
    std::vector<size_t> line_starts_;
    int nodes_ = 0;
    int notes_ = 0;
    bool too_many_ = false, too_deep_ = false;
};

}  // namespace

bool read_gauge(const std::vector<uint8_t>& bytes, const std::string& file, Gauge& gauge, Diagnostics& diagnostics) {
    gauge = {};
    gauge.file = file;
    Reader reader(bytes, file, diagnostics);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size(), pugi::parse_default);
    if (!parsed) {
        diagnostics.error(file, reader.line_of_offset(static_cast<size_t>(parsed.offset)),
                          std::string("not well-formed XML: ") + parsed.description());
        return false;
    }
    return reader.gauge(document, gauge);
}

}  // namespace xmlgauge
