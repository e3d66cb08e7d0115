// The host a command drives for a module file: a PE file (told by its header, whatever
// its name) runs in panelhost.exe under Wine through the bridge; any other file is
// loaded into this process.
#pragma once

#include <memory>
#include <string>

#include "host/bridge/remote_gauge_host.h"
#include "host/core/gauge_host.h"

class OpenedHost {
public:
    // Null with an error saying what failed: the module, Wine, or the far side. The
    // options are the host's, in whichever process it runs.
    static std::unique_ptr<OpenedHost> open(const std::string& module_path, HostOptions options,
                                            Diagnostics& diagnostics);
    // The far side the options name, started and its module loaded (tests: the native
    // far side). Null with an error saying what failed.
    static std::unique_ptr<OpenedHost> start_remote(RemoteOptions options, Diagnostics& diagnostics);

    GaugeHost& host() { return remote_ ? static_cast<GaugeHost&>(*remote_) : *local_view_; }
    // One of the two is set.
    PanelHost* local() { return local_.get(); }
    RemoteGaugeHost* remote() { return remote_.get(); }

private:
    std::unique_ptr<PanelHost> local_;
    std::unique_ptr<LocalGaugeHost> local_view_;
    std::unique_ptr<RemoteGaugeHost> remote_;
};

// The options of a bridge to panelhost.exe under Wine for this .gau, from the machine
// (wine_setup.h) and TARVOLEN_BRIDGE_TIMEOUT (seconds a request may take; 10 unless
// set). The prefix is made here on first use. False with error.
bool wine_bridge_options(const std::string& gau_path, RemoteOptions& options, std::string& error);

// The bitmaps and sounds of a PE file, read from its resource directory.
bool pe_resource_reader(const std::string& path, RemoteOptions& options, std::string& error);
