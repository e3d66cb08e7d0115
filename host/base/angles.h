// Angles in degrees as the painters turn pictures by them.
#pragma once

#include <cmath>

// The angle equal to `angle` modulo 360 that lies nearest to `near`, so that a needle
// kept continuous turns the short way.
inline double nearest_turn(double angle, double near) {
    double delta = std::fmod(angle - near, 360.0);
    if (delta > 180.0) delta -= 360.0;
    if (delta <= -180.0) delta += 360.0;
    return near + delta;
}
