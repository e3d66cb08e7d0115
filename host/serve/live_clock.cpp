// The live page's flight clock: played, paused, stepped and sped up; each real frame runs
// the flight frames the speed asks for, of the scenario or of the aircraft on its own.
#include <algorithm>
#include <cmath>

#include "host/serve/live_panel.h"

namespace {

// The most flight frames one real frame runs, whatever the speed.
constexpr int kMostFramesPerTick = 16;

}  // namespace

Reply LivePanel::flight(const std::string& action, double speed) {
    if (speed != 0.0 && !(speed >= LIVE_MIN_SPEED && speed <= LIVE_MAX_SPEED))
        return {422, "the speed goes from 0.25 to 16"};
    if (action != "play" && action != "pause" && action != "step" && !action.empty())
        return {400, "the flight plays, pauses or steps"};
    if (const std::string stopped = host_stopped(); !stopped.empty() && (action == "play" || action == "step"))
        return host_stopped_reply(stopped);
    if (speed != 0.0) speed_ = speed;
    if (action == "play") playing_ = true;
    if (action == "pause" || action == "step") playing_ = false;
    if (action == "step") flight_frame();
    owed_frames_ = 0;
    return {};
}

int LivePanel::tick() {
    if (!playing_) return 0;
    owed_frames_ += speed_;
    const int frames = std::min(static_cast<int>(owed_frames_), kMostFramesPerTick);
    owed_frames_ -= std::floor(owed_frames_);
    for (int i = 0; i < frames; ++i) flight_frame();
    return frames;
}

// A frame of the scenario's (its lines up to the frame run first), or, once it has
// ended or without one, of the aircraft flying on its own.
void LivePanel::flight_frame() {
    ++frames_;
    vars_due_ = true;
    const bool scenario_frame = scenario_ && !scenario_->done() && scenario_->step();
    take_scenario_notes();
    if (scenario_frame) return;  // the scenario ran every gauge's frame
    host_->advance(LIVE_FRAME_SECONDS);
    frame_gauges();
}

void LivePanel::take_scenario_notes() {
    if (!scenario_) return;
    const auto& items = scenario_->result().items();
    for (; scenario_messages_seen_ < items.size(); ++scenario_messages_seen_)
        notes_.push_back(items[scenario_messages_seen_].str());
}
