// The simulated flight over flat ground: positions in nautical miles east and north of
// the VOR, bearings in degrees clockwise from north. Units of every token are written
// down in tokens.cpp.
#include "host/sim/flight.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t TO_FROM_OFF = 0;
constexpr uint32_t TO_FROM_TO = 1;
constexpr uint32_t TO_FROM_FROM = 2;

// The start: 8 NM south of the VOR, flying north at 2000 ft and 100 kt on course 360.
constexpr double START_EAST_NM = 0.0;
constexpr double START_NORTH_NM = -8.0;
constexpr double START_ALTITUDE_FT = 2000.0;
constexpr double START_AIRSPEED_KT = 100.0;
constexpr double START_HEADING_DEG = 360.0;
constexpr double START_COURSE_DEG = 360.0;

constexpr double NDB_EAST_NM = 6.0;
constexpr double NDB_NORTH_NM = 4.0;

constexpr double VOR_RANGE_NM = 40.0;
constexpr double DEVIATION_FULL_SCALE_DEG = 10.0;
constexpr double MARKER_RADIUS_NM = 0.5;      // the lamp source is on this close to the VOR
constexpr double GLIDESLOPE_RANGE_NM = 10.0;  // received this close, on the TO side
constexpr double GLIDESLOPE_PATH_DEG = 3.0;
constexpr double GLIDESLOPE_FULL_SCALE_DEG = 0.7;
constexpr double FEET_PER_NM = 6076.12;
constexpr double PI = 3.14159265358979323846;

double radians(double deg) { return deg * PI / 180.0; }
double degrees(double rad) { return rad * 180.0 / PI; }

// Into [-180, 180).
double wrap180(double deg) { return deg - 360.0 * std::floor((deg + 180.0) / 360.0); }
// Into [0, 360).
double wrap360(double deg) { return deg - 360.0 * std::floor(deg / 360.0); }

// Bearing from (east, north) to (to_east, to_north), degrees clockwise from north.
double bearing_deg(double east, double north, double to_east, double to_north) {
    return wrap360(degrees(std::atan2(to_east - east, to_north - north)));
}

// A card showing heading_deg under its top index is turned anticlockwise by it.
double card_rotation_rad(double heading_deg) { return -radians(heading_deg); }

}  // namespace

SimFlight::SimFlight(Variables& vars)
    : east_nm_(START_EAST_NM), north_nm_(START_NORTH_NM), altitude_ft_(START_ALTITUDE_FT) {
    vars.set(TOKEN_AIRSPEED_KNOTS, START_AIRSPEED_KT);
    vars.set(TOKEN_COMPASS_DEG, START_HEADING_DEG);
    vars.set(TOKEN_NAV1_COURSE_DEG, START_COURSE_DEG);
    publish_all(vars, 0.0);
}

bool SimFlight::handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) {
    switch (event_id) {
        case EVENT_NAV1_COURSE_SET: aircraft.vars().set(TOKEN_NAV1_COURSE_DEG, static_cast<int32_t>(value)); break;
        case EVENT_ADF_CARD_UP: adf_card_deg_ = (adf_card_deg_ + 1) % 360; break;
        case EVENT_ADF_CARD_DOWN: adf_card_deg_ = (adf_card_deg_ + 359) % 360; break;
        default: return false;
    }
    publish_all(aircraft.vars(), aircraft.time_s());
    return true;
}

void SimFlight::advance(double dt_s, Aircraft& aircraft) {
    Variables& vars = aircraft.vars();
    const double distance_nm = vars.number(TOKEN_AIRSPEED_KNOTS) * dt_s / 3600.0;
    const double heading = radians(vars.number(TOKEN_COMPASS_DEG));
    east_nm_ += distance_nm * std::sin(heading);
    north_nm_ += distance_nm * std::cos(heading);
    publish_all(vars, aircraft.time_s());
}

void SimFlight::publish_all(Variables& vars, double time_s) {
    publish(vars, TOKEN_CLOCK_SECONDS, time_s);
    publish_nav1(vars);
    const double to_ndb = bearing_deg(east_nm_, north_nm_, NDB_EAST_NM, NDB_NORTH_NM);
    publish(vars, TOKEN_ADF_BEARING_DEG, wrap360(to_ndb - vars.number(TOKEN_COMPASS_DEG)));
    publish(vars, TOKEN_ADF_CARD_RAD, card_rotation_rad(adf_card_deg_));
}

// The VOR's needles and flags. Deviation: the angle between the aircraft's radial and
// the course (or its reciprocal on the TO side), positive when the course lies to the
// right, 10 degrees to full scale. Glideslope: the aircraft's elevation angle seen from
// the station against a 3-degree path, positive above it, 0.7 degrees to full scale.
void SimFlight::publish_nav1(Variables& vars) {
    const double course = vars.number(TOKEN_NAV1_COURSE_DEG);
    publish(vars, TOKEN_NAV1_COURSE_CARD_RAD, card_rotation_rad(course));
    const double distance_nm = std::hypot(east_nm_, north_nm_);
    const double radial = bearing_deg(0.0, 0.0, east_nm_, north_nm_);
    const double off_course = wrap180(radial - course);
    uint32_t to_from = TO_FROM_OFF;
    double deviation = 0.0;
    if (distance_nm <= VOR_RANGE_NM) {
        const bool from = std::fabs(off_course) < 90.0;
        to_from = from ? TO_FROM_FROM : TO_FROM_TO;
        const double error_deg = from ? -off_course : wrap180(off_course - 180.0);
        deviation = std::clamp(error_deg / DEVIATION_FULL_SCALE_DEG, -1.0, 1.0);
    }
    publish(vars, TOKEN_NAV1_TO_FROM_FLAG, to_from);
    publish(vars, TOKEN_NAV1_DEVIATION_FULL_SCALE, deviation);
    publish(vars, TOKEN_NAV1_MARKER_FLAG, distance_nm <= MARKER_RADIUS_NM ? 1.0 : 0.0);

    const bool glideslope = to_from == TO_FROM_TO && distance_nm <= GLIDESLOPE_RANGE_NM;
    double above_path = 0.0;
    if (glideslope) {
        const double elevation = degrees(std::atan2(altitude_ft_, distance_nm * FEET_PER_NM));
        above_path = std::clamp((elevation - GLIDESLOPE_PATH_DEG) / GLIDESLOPE_FULL_SCALE_DEG, -1.0, 1.0);
    }
    publish(vars, TOKEN_NAV1_GLIDESLOPE_FLAG, glideslope ? 1.0 : 0.0);
    publish(vars, TOKEN_NAV1_GLIDESLOPE_FULL_SCALE, above_path);
}

void SimFlight::publish(Variables& vars, uint32_t token, double value) {
    const auto last = published_.find(token);
    if (last != published_.end() && vars.number(token) != last->second) held_.insert(token);
    if (held_.count(token)) return;
    vars.set(token, value);
    published_[token] = vars.number(token);
}
