// The live page's model of one served panel: the host with the panel placed on it (the
// module in this process, or a .gau in panelhost.exe under Wine, started once and kept
// for the whole serve), the flight clock (the simulated aircraft, or a scenario played
// line by line), and what the page has been sent. Every input answers with a status and
// a short reason; after each, collect() gives the messages that carry what changed (one
// picture per gauge with a version number, redrawn only when its elements changed).
// Single-threaded: the server calls it from one thread only.
//
// A host in another process that crashes, hangs or breaks its pipe is stopped: the page
// keeps the last pictures, its notes say what happened, and every input after that is
// refused (503) with the reason.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/bridge/open_host.h"
#include "host/core/gauge_host.h"
#include "host/panel/panel_config.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_picture.h"
#include "host/scenario/scenario.h"
#include "host/serve/gauge_pictures.h"
#include "host/serve/panel_adapter.h"
#include "host/serve/trace_ring.h"
#include "host/xml/xml_panel.h"

struct LiveOptions {
    std::string panel_path;
    std::string scenario_path;  // empty: the simulated aircraft flies on its own
    std::string module_path;
    // Where other authors' XML gauges are looked for after the panel.cfg's folder.
    std::vector<std::string> gauge_folders;
    // Opens the host; unset: OpenedHost::open of module_path (a .gau runs under Wine).
    std::function<std::unique_ptr<OpenedHost>(Diagnostics& diagnostics)> open_host;
    // Told once, with the reason, when a host in another process has been stopped.
    std::function<void(const std::string& reason)> on_host_stopped;
    // The screen layout (each window where the pilot sees it on a screen of this size)
    // rather than the sheet; the screen also chooses the background bitmaps.
    bool screen_layout = false;
    Size screen{1024, 768};
};

// The answer to an input: an HTTP status and, for a refusal, why.
struct Reply {
    int status = 200;
    std::string reason;
    bool ok() const { return status < 400; }
};
// The refusal of every input once a host in another process has stopped.
inline Reply host_stopped_reply(const std::string& reason) { return {503, "the module's host has stopped: " + reason}; }

// One message for the page (a JSON object). Messages with the same non-empty key
// replace each other when they wait to be sent: only the newest picture of a gauge goes.
struct PageMessage {
    std::string key;
    std::string json;
};

// Seconds of flight one frame stands for, and real frames a second.
inline constexpr double LIVE_FRAME_SECONDS = 1.0 / 18.0;
inline constexpr int LIVE_FRAMES_PER_SECOND = 18;
// The flight speeds the page offers, in frames per real frame.
inline constexpr double LIVE_MIN_SPEED = 0.25;
inline constexpr double LIVE_MAX_SPEED = 16.0;

class LivePanel {
public:
    LivePanel();
    ~LivePanel();
    LivePanel(const LivePanel&) = delete;
    LivePanel& operator=(const LivePanel&) = delete;

    // Loads the module, places the panel, reads the scenario. False with errors.
    bool open(const LiveOptions& options, Diagnostics& diagnostics);

    // A click at a point of a gauge's face (its face bitmap's pixels). An XML gauge also
    // takes the pointer moved while the button is held and the button let go; a drag may
    // lie outside the face.
    Reply click(int gauge_id, int x, int y, XmlMouse mouse = XmlMouse::press);
    // A click at a point of the whole panel picture: the topmost gauge there gets it.
    Reply click_at(int x, int y);
    // Sets a simulated variable by its name in the host's token table (or its number).
    Reply set_variable(const std::string& name, const std::string& value);
    // Opens, closes or toggles a panel window by ident ("open", "close", "toggle").
    Reply window(int32_t ident, const std::string& action);
    Reply set_night(bool night);
    // "play", "pause" or "step" (one frame, paused); speed 0 keeps the speed.
    Reply flight(const std::string& action, double speed);

    // One real frame (1/18 s) of the clock: runs the flight frames the speed asks for
    // while playing. Returns the number of flight frames run.
    int tick();
    bool playing() const { return playing_; }

    // The messages for what changed since the last call.
    void collect(std::vector<PageMessage>& out);
    // Everything the page shows, for a tab that has just connected.
    void snapshot(std::vector<PageMessage>& out);
    // Trace lines after seq, of one gauge (empty: all), at most limit of the newest.
    std::vector<TraceLine> trace_after(uint64_t seq, const std::string& gauge, size_t limit) const {
        return trace_.after(seq, gauge, limit);
    }
    uint64_t last_trace_seq() const { return trace_.last_seq(); }

    // The click sound (the module's WAVE resource 10).
    const std::string& click_sound() const { return click_wav_; }
    GaugeHost& host() { return *host_; }
    // Why the host in another process was stopped; empty while it serves (and always for
    // a host in this process).
    std::string host_stopped() const;
    // Removes every gauge (kill called for each). Returns how many were killed.
    int close();

    // Reads the panel.cfg again and places what changed, the aircraft kept as it is
    // (variables, windows open, flight time, and the gauges that stay keep their state).
    // A file that no longer reads leaves the panel as it was: false, with its errors
    // (and notes) in diagnostics. The reading's notes come there as well on success.
    bool reload(Diagnostics& diagnostics);
    // "sheet" or "screen": how the open windows are laid out.
    Reply set_layout(const std::string& kind);
    const PanelConfig& panel() const { return panel_; }
    // Other authors' XML gauges placed on the panel.
    const XmlPanel& xml() const { return *xml_; }
    // A message from beside the panel (the findings, the file's version), sent to the
    // tabs with the next changes and to every new tab; one of a key replaces the last.
    void set_message(const std::string& key, std::string json);

private:
    void flight_frame();
    void after_input();
    void take_trace();
    // The scenario's messages since the last call, into the notes.
    void take_scenario_notes();
    size_t plays_heard() const;
    void notice_stop();
    void lay_out();
    std::string layout_json() const;
    std::string state_json() const;
    std::string vars_json() const;

    void make_views();
    // Places the panel's XML gauges anew, the last placing's state kept where it can be.
    void place_xml(Diagnostics& diagnostics);
    void add_xml_views(std::vector<std::unique_ptr<GaugeView>>& views);
    Reply click_xml(GaugeView& view, int x, int y, XmlMouse mouse);
    // The XML gauges as the scenario reaches them: run with its frames, clicked by its
    // click lines (its panel lines are passed over on the page).
    std::shared_ptr<OtherGauges> scenario_xml_gauges();
    void frame_gauges();

    std::unique_ptr<OpenedHost> opened_;
    GaugeHost* host_ = nullptr;  // opened_'s host
    std::function<void(const std::string&)> on_host_stopped_;
    bool stop_noticed_ = false;
    PanelConfig panel_;
    std::unique_ptr<ModuleBitmaps> bitmaps_;
    std::unique_ptr<PanelBackgrounds> backgrounds_;
    std::string click_wav_;

    // The flight clock.
    bool playing_ = false;
    double speed_ = 1.0;
    double owed_frames_ = 0.0;
    uint64_t frames_ = 0;
    bool night_ = false;

    // The scenario, played a frame at a time.
    std::unique_ptr<Scenario> scenario_;
    std::string scenario_source_;
    size_t scenario_messages_seen_ = 0;
    std::vector<std::string> notes_;  // scenario messages and module faults, for the page
    size_t faults_seen_ = 0;

    // What the page has.
    std::vector<std::unique_ptr<GaugeView>> gauges_;  // one per placement, in drawing order
    std::map<int32_t, std::unique_ptr<WindowPicture>> window_pictures_;
    std::vector<PanelWindowView> views_;
    PanelLayout layout_;
    std::vector<int32_t> open_windows_;
    double clock_s_ = 0.0;              // the host's clock at the last collect
    std::vector<uint32_t> var_tokens_;  // the token table's, in its order
    uint64_t layout_version_ = 0;
    bool layout_dirty_ = true;
    std::string last_state_;
    std::string last_vars_;
    size_t plays_seen_ = 0;
    int clicks_heard_ = 0;
    TraceRing trace_;
    std::string panel_path_;
    bool screen_layout_ = false;
    Size screen_{1024, 768};
    std::vector<std::string> gauge_names_;  // the module's, for the page's list to add from
    std::unique_ptr<XmlPanel> xml_;
    std::vector<std::string> gauge_folders_;
    size_t xml_problems_seen_ = 0;
    std::map<std::string, std::string> messages_;  // set_message's, by key
    std::vector<std::string> messages_unsent_;
    bool vars_due_ = true;  // a variable may have changed since the last vars message
};
