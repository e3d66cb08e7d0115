// The substitute panel host: loads a gauge module the way the simulator does, writes
// its service table into ImportTable, places gauges, drives their install / update /
// evaluate / kill cycle, routes clicks through their mouse rectangles and traces
// everything. Host state is this object; make as many as you like (they share the
// module's own state when they load the same library).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/core/element_kinds.h"
#include "host/core/module_library.h"
#include "host/sim/aircraft.h"
#include "host/trace/trace.h"
#include "sdk/records.h"

struct Placement {
    int id = 0;
    GaugeHeader* gauge = nullptr;
    std::string name;
    std::optional<std::vector<char>> parameters;  // NUL-terminated; absent = no string
    int32_t window = 0;                           // ident of the panel window holding it
    int panel_window = -1;                        // its number (NN of [WindowNN]); -1: none
    int x = 0, y = 0, w = 0, h = 0;               // where the panel puts it, in panel pixels
    std::vector<ElementState> elements;           // the element tree in drawing order, bindings resolved
    bool installed = false;
};

// How a host is made.
struct HostOptions {
    bool trace = true;  // keep the trace (off: a frame records nothing and allocates nothing)
};

class PanelHost {
public:
    explicit PanelHost(HostOptions options = {});
    ~PanelHost();
    PanelHost(const PanelHost&) = delete;
    PanelHost& operator=(const PanelHost&) = delete;

    // Loads the module, stores the service table into ImportTable, calls init. False,
    // with an error about the file, when it is not a module this host can load.
    bool load_module(const std::string& path, Diagnostics& diagnostics);
    const ModuleLibrary* module() const { return module_.get(); }

    // The gauge of the module's table with exactly this name, or null.
    GaugeHeader* find_gauge(const std::string& name) const;
    std::vector<GaugeHeader*> gauges() const;

    // Places a gauge (stores its parameter string, calls install). Returns the
    // placement id, or -1 with an error (without a place: the caller knows the line)
    // naming the unknown gauge, or saying the host has given out every id it has.
    int place(const std::string& name, const std::optional<std::string>& parameters, Diagnostics& diagnostics,
              int32_t window = 0);
    // Sends the update service and evaluates every element, for one placement or all.
    void frame(int id);
    void frame_all();
    // A click at (x, y) in pixels of the gauge's face. Returns false if no child
    // rectangle is hit, or the gauge's window is closed (the pilot cannot see it, so
    // the simulator gives it no clicks).
    bool click(int id, int x, int y, uint32_t mouse_flags = MOUSE_LEFT_CLICK);
    // The placement is in a window of a panel and that window is closed now (a gauge
    // placed without a panel is always on screen).
    bool hidden(const Placement& placement) const;
    // Calls kill and forgets the placement.
    void remove(int id);

    Placement* placement(int id);
    // The first placement of the gauge with this name, or null.
    Placement* placement(const std::string& name);
    const std::vector<std::unique_ptr<Placement>>& placements() const { return placements_; }

    Aircraft& aircraft() { return aircraft_; }
    Trace& trace() { return trace_; }
    // Events the module has sent, traced or not.
    uint64_t events_sent() const { return events_sent_; }
    // Faults the module caused: unknown services, tokens or events. Empty when sound.
    const std::vector<std::string>& errors() const { return errors_; }

    // Called by the service table.
    void service_send_event(uint32_t event_id, uint32_t value);
    void service_read_var(ModuleVar* var);
    void service_close_panel_window(int32_t window);
    void service_unexpected(int index);

    // Events the host sends on its own (mouse rectangles with an event id, scenario);
    // false for an event no simulated system takes (the caller says whose fault it is).
    bool host_event(uint32_t event_id, uint32_t value);
    void fault(const std::string& what);

private:
    void prepare(Placement& p);
    void frame(Placement& p);
    void evaluate(Placement& p);
    void evaluate_element(Placement& p, ElementState& state);
    void unknown_binding(ModuleVar& var);
    void kill(Placement& p);

    std::unique_ptr<ModuleLibrary> module_;
    std::vector<std::unique_ptr<Placement>> placements_;
    Aircraft aircraft_;
    Trace trace_;
    std::vector<std::string> errors_;
    Placement* current_ = nullptr;  // the placement whose callback is running
    int next_id_ = 1;
    uint64_t events_sent_ = 0;
};
