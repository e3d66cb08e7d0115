// The bridge's requests, one row each in the table of requests.cpp: the id that travels
// on the wire, the name messages use ("... during frame"), the encoder the Linux side
// writes the request's fields with, the decoder the far side reads them back with, and
// the handler that runs the request on the far side's host and writes its answer. The
// Linux side reads each answer in the RemoteGaugeHost method that makes the request.
//
// To add a request:
//   1. an id at the end of Request (ids travel on the wire: never renumber one);
//   2. the fields it carries in RequestFields, when none there fits;
//   3. its row in the table: name, encoder and decoder of those fields side by side (so
//      that the two agree), handler;
//   4. the RemoteGaugeHost method that calls it and reads its answer;
//   5. a case in tests/unit/bridge_test.cpp that runs it through both hosts.
//
//   request          fields                                  answer payload
//   load             module path (a Windows path), trace on  gauge names
//   place            name, parameters?, window               placement snapshot, click areas
//   remove           id                                      -
//   frame            advances, window idents                 changed snapshots, windows open, clock
//   click            id, x, y                                hit, changed snapshots
//   advance          advances                                -
//   set_var          token, value                            known
//   var              token                                   value
//   event            id, value                               known
//   declare_window   ident, open                             -
//   window_open      ident                                   open
//   declarations     -                                       the declarations JSON
//   quit             -                                       -
//   vars             tokens                                  values
//   windows_open     idents                                  open flags
//   clock            -                                       seconds advanced
//
// A frame is one round trip: the clock's advances since the last frame run first, then
// every placement's frame; the answer carries the snapshots of the placements whose
// records or states changed since they were last sent, the open flags of the windows
// asked for, and the clock.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/bridge/bridge_server.h"
#include "host/bridge/protocol.h"

namespace bridge {

enum class Request : uint8_t {
    load = 1,
    place,
    remove,
    frame,
    click,
    advance,
    set_var,
    var,
    event,
    declare_window,
    window_open,
    declarations,
    quit,
    vars,
    windows_open,
    clock,
};

// What a request carries; each request uses the few fields its row encodes.
struct RequestFields {
    std::string text;                       // load: the module path; place: the gauge name
    std::optional<std::string> parameters;  // place
    int32_t id = 0;                         // remove, click: the placement; place, declare_window,
                                            // window_open: the window ident
    int32_t x = 0, y = 0;                   // click
    uint32_t token = 0;                     // set_var, var: the variable; event: the event id
    uint32_t word = 0;                      // event: its value
    double value = 0.0;                     // set_var
    bool flag = false;                      // load: trace on; declare_window: open
    std::vector<double> advances;           // advance, frame: seconds of each advance, in order
    std::vector<uint32_t> tokens;           // vars
    std::vector<int32_t> idents;            // windows_open, frame
    bool too_many = false;                  // a list longer than MAX_QUERY_ITEMS (left unread)
};

// The far side's state between requests.
struct FarSide {
    std::unique_ptr<PanelHost> host;
    DeclarationsWriter declarations = nullptr;
    std::string fault;  // TARVOLEN_BRIDGE_FAULT: what the first frame does instead
    // Each placement's snapshot as last sent, so that answers carry only what changed.
    std::map<int32_t, std::vector<uint8_t>> sent;
    Writer snapshot;  // a placement's snapshot as it is now, to compare with the one sent
    bool quit = false;
};

struct RequestRow {
    Request id;
    const char* name;
    void (*encode)(Writer& out, const RequestFields& fields);
    void (*decode)(Reader& in, RequestFields& fields);
    void (*handle)(FarSide& far, const RequestFields& fields, Writer& answer, std::string& refusal);
};

// The row of a request, or null for an id no row has.
const RequestRow* find_request(Request id);
// The request's name in messages ("during frame").
const char* request_name(Request id);

}  // namespace bridge
