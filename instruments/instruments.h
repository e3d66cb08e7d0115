// The flight instruments (VOR and ADF indicators, airspeed dial, strip compass) and
// the registration plate: the gauge headers the module's gauge table names.
//
// To add a gauge to this family:
//  1. In its own file here, declare its records leaf first: failure lists and
//     calibration tables, then the top-most element, each next element naming the
//     previous one in its one-entry children array, the root (the face) last; then
//     the MouseRect array and the GaugeHeader. Every record is constinit and every
//     element's `gauge` points at the header.
//  2. Write its callbacks (GaugeCallback, ValueCallbacks, MouseHandlers) with
//     TARVOLEN_CALLBACK beside the records; state is named statics.
//  3. Declare the header below as `<name>_gauge` and add it to the table in
//     module/linkage.cpp at its place in the table order.
//  4. Bind and send tokens and events by their names in sdk/ids.h. Only one new to
//     that header is named there (once), given a row in host/sim/tokens.cpp (a token)
//     or carried out by a host system in host/sim/ (an event), by the same name.
#pragma once

#include "sdk/records.h"

extern GaugeHeader registration_gauge;
extern GaugeHeader airspeed_kts_gauge;
extern GaugeHeader vor1_indicator_gauge;
extern GaugeHeader adf_indicator_gauge;
extern GaugeHeader magnetic_compass_gauge;
