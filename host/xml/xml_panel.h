// Other authors' XML gauges on a panel: found where the simulator looks, read and
// compiled once when the panel is placed (scripts into programs, bitmaps decoded once per
// module file), evaluated each frame against the one simulated aircraft of the GaugeHost
// (A: variables through the host's tokens, K: events as the host's events, L: variables
// kept here, for the whole panel), clicked through their <Area>s. The renderer draws what
// a frame left in the placements.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/panel/panel_config.h"
#include "host/render/bitmap.h"
#include "host/xml/calculator.h"
#include "host/xml/gauge_files.h"
#include "host/xml/xml_gauge.h"

class GaugeHost;

// What makes an area's click run (its Kind=): a press of the left button, repeated while
// it is held, the pointer moved while it is held, the button let go.
inline constexpr uint32_t XML_CLICK_PRESS = 1;
inline constexpr uint32_t XML_CLICK_REPEAT = 2;
inline constexpr uint32_t XML_CLICK_DRAG = 4;
inline constexpr uint32_t XML_CLICK_RELEASE = 8;

// What the left button does: pressed (a held button repeats by pressing again), moved
// while held, let go.
enum class XmlMouse { press, drag, release };

// One element of a placed XML gauge, flattened in drawing order.
struct XmlNode {
    const xmlgauge::Element* element = nullptr;
    int parent = -1;      // index of the enclosing node; -1: the gauge
    int case_index = -1;  // the case of the parent's <Select> this node is; -1: none
    calc::Program visible, value, select;
    const Bitmap* image = nullptr;
    const Bitmap* mask = nullptr;
    // What the last frame left:
    bool shown = false;
    double number = 0;  // the rotate or shift value
    int chosen = -1;    // the case shown, for a <Select>
};

struct XmlArea {
    const xmlgauge::Area* area = nullptr;
    double x = 0, y = 0, w = 0, h = 0;  // in the gauge's pixels, resolved against the parents
    int depth = 0;
    calc::Program click;
    uint32_t kinds = 0;  // XML_CLICK_*; 0: no click of the left button
    uint32_t event = 0;  // the resolved Event=, when there is one
    bool has_event = false;
};

struct XmlPlacement {
    int id = 0;                // unique in its XmlPanel
    std::string module, name;  // as the panel.cfg writes them
    std::string file;          // the XML file as messages name it
    int32_t window = 0;        // the ident of its window
    int panel_window = -1;     // NN of [WindowNN]
    int gauge_index = 0;       // NN of gaugeNN
    int x = 0, y = 0, w = 0, h = 0;
    std::shared_ptr<const xmlgauge::Gauge> gauge;  // shared by the placements of one file
    const Bitmap* background = nullptr;
    int face_w = 0, face_h = 0;
    std::vector<XmlNode> nodes;
    std::vector<XmlArea> areas;  // every area, parents before children
    std::array<double, 10> g_vars{};
    double mouse_x = 0, mouse_y = 0;  // M:X and M:Y: the pointer in the clicked area's box
    int held = -1;                    // the area the button was pressed on, while it is held
};

class XmlPanel {
public:
    // first_id: the id of the first placement, the next ones counting up.
    explicit XmlPanel(GaugeHost& host, int first_id = 1) : host_(host), next_id_(first_id) {}
    XmlPanel(const XmlPanel&) = delete;
    XmlPanel& operator=(const XmlPanel&) = delete;

    // Places every gauge of the panel that is not the module's own. folders: where to
    // look after the panel.cfg's folder. Notes say what was not found and where it was
    // looked for; errors, what could not be read (the rest of the panel is placed).
    void place(const PanelConfig& panel, const std::string& panel_path, const std::vector<std::string>& folders,
               Diagnostics& diagnostics);

    // Evaluates every placed gauge.
    void frame();
    // The left button at (x, y) in the gauge's pixels. A press runs the click of the area
    // it hits and holds that area; a drag or release runs the held area's click when its
    // Kind= asks for it. False when a press hits no area that clicks, or a drag or
    // release finds no held area that takes it.
    bool click(XmlPlacement& placement, int x, int y, XmlMouse mouse = XmlMouse::press);
    // A click (a press and a release) at (x, y) of the gauge MODULE!NAME, as a scenario
    // clicks: false with the problem in words when its window is closed or the click hits
    // nothing; false with the problem untouched when there is no such gauge.
    bool click_gauge(const std::string& module_and_name, int x, int y, std::string& problem);
    // Takes over the state of the panel placed before this one: L: variables by name, G:
    // variables of the gauges on the same lines.
    void keep_state(const XmlPanel& before);
    // The id the next placement would get.
    int next_id() const { return next_id_; }
    // The placement MODULE!NAME (without regard to case), or null.
    XmlPlacement* find(const std::string& module_and_name);
    // The placement of that id, or null.
    XmlPlacement* placement(int id);

    const std::vector<std::unique_ptr<XmlPlacement>>& placements() const { return placements_; }
    // The gauge line is placed here (not a placeholder).
    bool placed(int panel_window, int gauge_index) const;
    // Faults met while running (a script that underflowed, an event refused), each once.
    const std::vector<std::string>& problems() const { return problems_; }

    // For the calculator's environment.
    double read(uint32_t ref);
    void write(uint32_t ref, double value);
    void event(uint32_t ref, double value);
    bool resolve_variable(char prefix, std::string_view name, std::string_view unit, bool write, uint32_t& ref,
                          std::string& problem);
    bool resolve_event(std::string_view name, uint32_t& ref, std::string& problem);
    // A name the scripts use that the host does not simulate (an A: variable reads 0, a K:
    // event is refused), where a file first uses it.
    struct Unsimulated {
        std::string name;  // "A:NAME", "K:EVENT"
        std::string file;
        int line = 0;
    };
    const std::vector<Unsimulated>& unsimulated() const { return unsimulated_; }
    bool simulates(const std::string& name) const;

private:
    struct AVar {
        uint32_t token = 0, token2 = 0;
        const void* row = nullptr;  // NamedVar
        double factor = 1, offset = 0;
    };
    struct TimeVar {
        double factor = 1;
    };
    GaugeModule* module(const std::string& name, const std::string& panel_dir, const std::vector<std::string>& folders,
                        const std::string& where, Diagnostics& diagnostics, std::string& gau);
    const Bitmap* bitmap(GaugeModule& module, const std::string& name, const std::string& file, int line,
                         Diagnostics& diagnostics);
    bool compile(const xmlgauge::Script& script, calc::Program& program, const std::string& file,
                 Diagnostics& diagnostics);
    std::shared_ptr<const xmlgauge::Gauge> gauge(GaugeModule& module, const std::string& file, const PanelGauge& line,
                                                 const std::string& source, Diagnostics& diagnostics);
    void build(XmlPlacement& placement, GaugeModule& module, Diagnostics& diagnostics);
    void add_node(XmlPlacement& p, GaugeModule& module, const xmlgauge::Element& element, int parent, int case_index,
                  Diagnostics& diagnostics);
    void add_area(XmlPlacement& p, const xmlgauge::Area& area, double px, double py, double pw, double ph, int depth,
                  Diagnostics& diagnostics);
    double run(const calc::Program& program);
    int hit(const XmlPlacement& p, int x, int y) const;
    void problem(const std::string& what);

    GaugeHost& host_;
    int next_id_ = 1;
    std::map<std::string, std::unique_ptr<GaugeModule>> modules_;  // by lower-case module name; null: not found
    std::map<std::string, std::string> module_notes_;
    std::map<std::string, std::unique_ptr<Bitmap>> bitmaps_;  // by module path + file key; null: unreadable
    std::vector<std::unique_ptr<XmlPlacement>> placements_;
    std::map<std::string, std::shared_ptr<const xmlgauge::Gauge>> gauges_;  // by file; null: unreadable
    std::vector<AVar> a_vars_;
    std::map<std::string, uint32_t> a_index_;
    std::vector<double> l_vars_;
    std::map<std::string, uint32_t> l_index_;
    std::vector<TimeVar> time_vars_;
    std::vector<uint32_t> events_;  // host event ids; 0: unknown
    std::vector<std::string> event_names_;
    void not_simulated(const std::string& name);
    std::vector<Unsimulated> unsimulated_;
    int current_line_ = 0;
    std::vector<std::string> problems_;
    XmlPlacement* current_ = nullptr;  // the placement whose script runs
    std::string current_file_;
};
