// The simulated aircraft: its variables and the systems that carry out the events the
// gauges send. Each system (radios, panel windows, flight, ...) lives in a file of its
// own and is listed once in aircraft.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <map>

#include "host/sim/variables.h"
#include "host/trace/trace.h"

class Aircraft;

class SimSystem {
public:
    virtual ~SimSystem() = default;
    // Carries out one event. Returns false when the event is not this system's.
    virtual bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) = 0;
    // Moves the system on by dt_s seconds of scenario time.
    virtual void advance(double dt_s, Aircraft& aircraft) {
        (void)dt_s;
        (void)aircraft;
    }
};

class Aircraft {
public:
    Aircraft();
    Variables& vars() { return vars_; }
    const Variables& vars() const { return vars_; }
    // Carries out an event; false when no system knows it.
    bool carry_out(uint32_t event_id, uint32_t value);
    void advance(double dt_s);
    double time_s() const { return time_s_; }

    // Panel windows by ident: open, closed, or never mentioned (closed).
    void open_window(int32_t ident) { set_window(ident, true); }
    void close_window(int32_t ident) { set_window(ident, false); }
    void toggle_window(int32_t ident) { set_window(ident, !window_open(ident)); }
    bool window_open(int32_t ident) const;
    // A window declared (or opened or closed) that is not open now; a window nothing
    // has named is not closed.
    bool window_closed(int32_t ident) const;
    // Declares a window's state without tracing it (the panel configuration's start).
    void declare_window(int32_t ident, bool open) { windows_[ident] = open; }

    // Where systems note what they did (a record to fill); may be null.
    void set_trace(Trace* trace) { trace_ = trace; }
    TraceEntry note(TraceName op) { return trace_ ? trace_->add(op) : TraceEntry(); }

    // Returns the system of the given type, or null.
    template <class System>
    System* system() {
        for (auto& s : systems_)
            if (auto* found = dynamic_cast<System*>(s.get())) return found;
        return nullptr;
    }

private:
    Variables vars_;
    std::vector<std::unique_ptr<SimSystem>> systems_;
    void set_window(int32_t ident, bool open);

    double time_s_ = 0.0;
    std::map<int32_t, bool> windows_;
    Trace* trace_ = nullptr;
};
