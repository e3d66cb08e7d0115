// What the commands drive: the gauges of one module on one host, whether that host runs
// in this process (LocalGaugeHost, over a PanelHost) or beside the real .gau in a Wine
// process (the bridge). Rendering and the scenario runner use only this.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/core/panel_host.h"

class GaugeHost {
public:
    virtual ~GaugeHost() = default;

    // The names of the module's gauges, in the order of its table.
    virtual std::vector<std::string> gauge_names() = 0;

    // As PanelHost::place: the placement id, or -1 with an error added.
    virtual int place(const std::string& name, const std::optional<std::string>& parameters, Diagnostics& diagnostics,
                      int32_t window) = 0;
    virtual void remove(int id) = 0;
    // One frame of every placed gauge; the placements then hold the element states.
    virtual void frame_all() = 0;
    // False when no click area of the gauge is hit.
    virtual bool click(int id, int x, int y) = 0;
    virtual const std::vector<std::unique_ptr<Placement>>& placements() const = 0;
    virtual Placement* placement(int id) = 0;

    // The simulated aircraft.
    virtual void advance(double dt_s) = 0;
    virtual bool set_var(uint32_t token, double value) = 0;  // false: unknown token
    virtual double var_number(uint32_t token) = 0;
    // False for an event no simulated system takes.
    virtual bool host_event(uint32_t event_id, uint32_t value) = 0;
    virtual void declare_window(int32_t ident, bool open) = 0;
    virtual bool window_open(int32_t ident) = 0;
    // The scenario clock: seconds advanced so far.
    virtual double time_s() = 0;
    // Many variables or windows at once, in the order asked (a host in another process
    // answers each list in one request).
    virtual std::vector<double> var_numbers(const std::vector<uint32_t>& tokens) {
        std::vector<double> values;
        for (uint32_t token : tokens) values.push_back(var_number(token));
        return values;
    }
    virtual std::vector<bool> windows_open(const std::vector<int32_t>& idents) {
        std::vector<bool> open;
        for (int32_t ident : idents) open.push_back(window_open(ident));
        return open;
    }

    // The module's resource (id, type "BITMAP" or "WAVE") as bytes; false when absent.
    virtual bool resource(uint16_t id, const char* type, std::vector<uint8_t>& bytes) = 0;
    // Faults of the module (and, for a host in another process, of that process).
    virtual std::vector<std::string> errors() = 0;
    // The trace so far, one JSON object per line.
    virtual std::string trace_text() = 0;
    // Forgets the trace so far (a caller that has written it out).
    virtual void clear_trace() = 0;
    // Moves the trace so far into batch (emptied first): the host's trace is left empty
    // and records into what batch held.
    virtual void take_trace(TraceBatch& batch) = 0;
};

// The placement is in a window of a panel and that window is closed now: the simulator
// gives it no clicks (a gauge placed without a panel is always on screen).
inline bool hidden(GaugeHost& host, const Placement& placement) {
    return placement.panel_window >= 0 && !host.window_open(placement.window);
}

// Hands report each module fault the host has reported past the first `seen`, as every
// command words it ("module fault: WHAT"), and moves seen past them. Returns how many.
template <class Report>
size_t report_module_faults(GaugeHost& host, size_t& seen, Report&& report) {
    const std::vector<std::string> faults = host.errors();
    const size_t before = seen;
    for (; seen < faults.size(); ++seen) report("module fault: " + faults[seen]);
    return seen - before;
}
// Every fault the host has reported, as errors: how many.
inline size_t report_module_faults(GaugeHost& host, Diagnostics& diagnostics) {
    size_t seen = 0;
    return report_module_faults(host, seen, [&diagnostics](std::string fault) { diagnostics.error(std::move(fault)); });
}

// A GaugeHost over a PanelHost of this process.
class LocalGaugeHost : public GaugeHost {
public:
    explicit LocalGaugeHost(PanelHost& host) : host_(host) {}

    std::vector<std::string> gauge_names() override;
    int place(const std::string& name, const std::optional<std::string>& parameters, Diagnostics& diagnostics,
              int32_t window) override {
        return host_.place(name, parameters, diagnostics, window);
    }
    void remove(int id) override { host_.remove(id); }
    void frame_all() override { host_.frame_all(); }
    bool click(int id, int x, int y) override { return host_.click(id, x, y); }
    const std::vector<std::unique_ptr<Placement>>& placements() const override { return host_.placements(); }
    Placement* placement(int id) override { return host_.placement(id); }
    void advance(double dt_s) override { host_.aircraft().advance(dt_s); }
    bool set_var(uint32_t token, double value) override { return host_.aircraft().vars().set(token, value); }
    double var_number(uint32_t token) override { return host_.aircraft().vars().number(token); }
    bool host_event(uint32_t event_id, uint32_t value) override { return host_.host_event(event_id, value); }
    void declare_window(int32_t ident, bool open) override { host_.aircraft().declare_window(ident, open); }
    bool window_open(int32_t ident) override { return host_.aircraft().window_open(ident); }
    double time_s() override { return host_.aircraft().time_s(); }
    bool resource(uint16_t id, const char* type, std::vector<uint8_t>& bytes) override;
    std::vector<std::string> errors() override { return host_.errors(); }
    std::string trace_text() override { return host_.trace().joined(); }
    void clear_trace() override { host_.trace().clear(); }
    void take_trace(TraceBatch& batch) override;

private:
    PanelHost& host_;
};
