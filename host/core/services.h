// The panel service table the host writes into a module's ImportTable. Entries 35, 36
// and 40 reach the active host; every other entry reports "unexpected service N".
#pragma once

#include "sdk/records.h"

class PanelHost;

// The table (one for the whole process; it routes to the active host).
PanelServices* panel_services();

// Makes a host the one the service table reaches while a module callback runs.
class ActiveHost {
public:
    explicit ActiveHost(PanelHost* host);
    ~ActiveHost();
    ActiveHost(const ActiveHost&) = delete;
    ActiveHost& operator=(const ActiveHost&) = delete;
    static PanelHost* get();

private:
    PanelHost* previous_;
};
