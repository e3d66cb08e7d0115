// The live page's messages, one JSON object each, written with the host's one JSON
// writer; text from panel files (window titles) and from the user (notes that quote a
// scenario line) goes out as UTF-8. Their fields are what serve/page/page.js reads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/panel/panel_config.h"
#include "host/render/panel_picture.h"
#include "host/serve/gauge_pictures.h"

class Scenario;

// The windows and where every shown gauge lies, with its click spots and tooltips.
struct PageLayout {
    uint64_t version = 0;
    const PanelConfig& panel;
    const PanelLayout& layout;
    const std::vector<PanelWindowView>& views;  // the open windows, as laid out
    const std::vector<int32_t>& open_windows;
    const std::vector<std::unique_ptr<GaugeView>>& gauges;
    bool screen = false;  // the screen layout, on a screen of this size
    Size screen_size;
    const std::vector<std::string>& gauge_names;  // the module's, to add from
    const XmlPanel* xml = nullptr;                // other authors' XML gauges placed on the panel
};
std::string layout_message(const PageLayout& page);

// A gauge's newest picture: whole (a PNG), or, for tabs that have the version before,
// the patch ("png", or "rgba" with its "w" and "h" when it travels raw).
std::string gauge_message(GaugeView& view, bool whole);
std::string window_message(const WindowPicture& picture);

// The flight clock, the scenario's progress and the newest notes.
struct PageState {
    bool playing = false;
    double speed = 1.0;
    bool night = false;
    double time_s = 0.0;
    int clicks = 0;
    const Scenario* scenario = nullptr;  // null: the aircraft flies on its own
    std::string scenario_source;
    const std::vector<std::string>& notes;
};
std::string state_message(const PageState& state);

// Every variable of the token table, in its order, with values (the same order).
std::string vars_message(const std::vector<double>& values);

// Clicks heard since the last message, and in all.
std::string click_message(size_t count, int total);
