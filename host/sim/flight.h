// The simulated flight: a straight flight over flat ground past one VOR (with a
// glideslope and an overhead marker lamp) and one NDB, giving the flight instruments
// their variables. It carries out the course-set event and the ADF card events.
//
// State the flight reads back from the variables at every step, so that a scenario's
// `set` steers it: airspeed (61), heading (83) and the selected course (45). Every
// other variable it writes is derived; once a scenario or test has changed one of
// those, the flight leaves that variable alone from then on (it stays held).
#pragma once

#include <cstdint>
#include <map>
#include <set>

#include "host/sim/aircraft.h"
#include "sdk/ids.h"

class SimFlight : public SimSystem {
public:
    // Writes the start of the flight and everything derived from it.
    explicit SimFlight(Variables& vars);
    bool handle_event(uint32_t event_id, uint32_t value, Aircraft& aircraft) override;
    // Flies on for dt_s seconds at the airspeed and heading the variables hold.
    void advance(double dt_s, Aircraft& aircraft) override;

private:
    void publish_all(Variables& vars, double time_s);
    void publish_nav1(Variables& vars);
    void publish(Variables& vars, uint32_t token, double value);

    double east_nm_;   // position, nautical miles east of the VOR
    double north_nm_;  // and north of it
    double altitude_ft_;
    int adf_card_deg_ = 0;  // the ADF card's heading under the top index, 0..359

    std::map<uint32_t, double> published_;  // what the flight last wrote, by token
    std::set<uint32_t> held_;               // tokens someone else has written since
};
