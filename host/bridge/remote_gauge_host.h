// The gauge host on the far side of the bridge: the host core and the module run in
// another process (panelhost.exe under Wine beside the real .gau), this object speaks
// to it in frames and keeps copies of the placements' records and states for drawing.
// The process is started once and serves every request until this object goes.
//
// A far side that crashes, hangs, writes what is not a reply or whose pipe breaks is
// stopped (its whole process group) and becomes this host's last error; every call
// after that does nothing and answers "nothing" (no placement, not hit, zero).
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "host/bridge/far_process.h"
#include "host/bridge/requests.h"
#include "host/core/gauge_host.h"
#include "host/core/host_platform.h"

struct RemoteOptions {
    FarCommand command;       // the far side: `panelhost(.exe) bridge`
    std::string module_path;  // the module as the far side names it
    bool trace = true;        // the far host keeps the trace (off: frames send none back)
    int start_timeout_ms = 60000;
    int request_timeout_ms = 10000;
    // The module's resources, read on this side (from the PE file).
    std::function<bool(uint16_t id, const char* type, std::vector<uint8_t>& bytes)> resources;
    // Runs once the module is loaded (Wine: find the prefix's wineserver).
    std::function<void()> after_start;
    // Why the far side cannot serve although its process runs (Wine: its wineserver
    // ended), or empty; asked before every request.
    std::function<std::string()> check;
    // Runs once the far process has ended (Wine: wait for its wineserver, or end what
    // is left of the prefix when the wineserver is gone).
    std::function<void()> after_stop;
};

class RemoteGaugeHost : public GaugeHost {
public:
    // Starts the far side and loads the module; null with an error saying what failed.
    static std::unique_ptr<RemoteGaugeHost> start(RemoteOptions options, Diagnostics& diagnostics);
    ~RemoteGaugeHost() override;

    std::vector<std::string> gauge_names() override { return names_; }
    // The module's declarations as JSON, written by the far side.
    std::string declarations();
    int place(const std::string& name, const std::optional<std::string>& parameters, Diagnostics& diagnostics,
              int32_t window) override;
    void remove(int id) override;
    void frame_all() override;
    bool click(int id, int x, int y) override;
    const std::vector<std::unique_ptr<Placement>>& placements() const override { return placements_; }
    Placement* placement(int id) override;
    void advance(double dt_s) override;
    bool set_var(uint32_t token, double value) override;
    double var_number(uint32_t token) override;
    bool host_event(uint32_t event_id, uint32_t value) override;
    void declare_window(int32_t ident, bool open) override;
    bool window_open(int32_t ident) override;
    double time_s() override;
    std::vector<double> var_numbers(const std::vector<uint32_t>& tokens) override;
    std::vector<bool> windows_open(const std::vector<int32_t>& idents) override;
    bool resource(uint16_t id, const char* type, std::vector<uint8_t>& bytes) override;
    std::vector<std::string> errors() override;
    std::string trace_text() override;
    void clear_trace() override;
    void take_trace(TraceBatch& batch) override;

    // The module's sound plays so far, as the far side heard them. Each is also a trace
    // line {"op":"sound","call":"play",...}, as the portable build writes for a play.
    const std::vector<SoundPlay>& sound_plays() const { return plays_; }

    // Requests sent so far (a served frame is one).
    size_t requests() const { return requests_; }

    // The far side's process id while it serves, else -1.
    pid_t far_pid() const { return process_.pid(); }

    // Why the far side was stopped, or empty while it serves.
    const std::string& broken() const { return broken_; }

private:
    explicit RemoteGaugeHost(RemoteOptions options) : options_(std::move(options)) {}

    // Sends a request and reads its reply: true with the payload reader positioned, or
    // false (refused: refusal set; broken: broken_ set and the far side stopped).
    struct Reply {
        std::vector<uint8_t> bytes;
        std::unique_ptr<bridge::Reader> payload;
        std::string refusal;
    };
    bool call(bridge::Request request, const bridge::RequestFields& fields, Reply& reply, int timeout_ms = 0);
    bool call(bridge::Request request, Reply& reply, int timeout_ms = 0) {
        return call(request, bridge::RequestFields{}, reply, timeout_ms);
    }
    // False once the far side is stopped, or when its check finds it cannot serve (it
    // is stopped then), between requests.
    bool still_serving();
    // Sends the advances not sent yet (they go with the next frame when one comes next).
    bool send_advances();
    void fail(const std::string& what);
    void read_snapshots(bridge::Reader& in, uint32_t count);
    bool read_entries(bridge::Reader& in);
    void stop(int grace_ms);

    RemoteOptions options_;
    FarProcess process_;
    std::vector<std::string> names_;
    std::vector<std::unique_ptr<Placement>> placements_;
    std::map<int, bridge::PlacementRecords> records_;
    Trace trace_;  // the far side's lines, each with the gauge it names
    std::vector<std::string> faults_;
    std::vector<SoundPlay> plays_;
    std::string broken_;
    // What the last frame's answer brought besides the states: the clock, and the open
    // flags of the windows last asked for, good until a request that may change them.
    std::vector<double> advances_;  // advances not sent yet
    std::vector<int32_t> window_idents_;
    std::vector<bool> windows_open_;
    double clock_s_ = 0.0;
    bool windows_known_ = false, clock_known_ = false;
    size_t requests_ = 0;
    bridge::Writer message_;  // the request being sent, its memory kept for the next
};
