// Choosing the host for a module file, and setting up the bridge to Wine.
#include "host/bridge/open_host.h"

#include <signal.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

#include "host/base/input_file.h"
#include "host/base/numbers.h"
#include "host/bridge/pe_resources.h"
#include "host/bridge/wine_setup.h"

bool pe_resource_reader(const std::string& path, RemoteOptions& options, std::string& error) {
    auto resources = std::make_shared<std::map<ResourceKey, std::vector<uint8_t>>>();
    if (!read_pe_resources(path, *resources, error)) return false;
    options.resources = [resources](uint16_t id, const char* type, std::vector<uint8_t>& bytes) {
        // Type names as the resource directory keeps them: bitmaps are type 2.
        const std::string type_key = std::string(type) == "BITMAP" ? "#2" : type;
        const auto found = resources->find({type_key, "#" + std::to_string(id)});
        if (found == resources->end()) return false;
        bytes = found->second;
        return true;
    };
    return true;
}

bool wine_bridge_options(const std::string& gau_path, RemoteOptions& options, std::string& error) {
    WineSetup setup;
    if (!find_wine_setup(setup, error) || !prepare_wine_prefix(setup, error)) return false;
    // A PE file without resources may still be a module; the far side tells.
    std::string no_resources;
    pe_resource_reader(gau_path, options, no_resources);
    options.command = wine_bridge_command(setup);
    options.module_path = windows_path(gau_path);
    // The prefix's wineserver is watched: one that is killed leaves the Wine side unable
    // to serve, and its Wine processes running for good. It is ended with the command,
    // not waited out.
    auto server = std::make_shared<pid_t>(0);
    const auto gone = [server] { return *server > 0 && kill(*server, 0) != 0; };
    options.after_start = [setup, server] { *server = find_wineserver(setup); };
    options.check = [setup, gone] {
        return gone() ? "Wine's wineserver for " + setup.wine_dir + "/prefix ended (was it killed?)" : std::string();
    };
    options.after_stop = [setup, gone] {
        if (gone())
            end_prefix_processes(setup);
        else
            end_wineserver(setup);
    };
    const char* timeout = std::getenv("TARVOLEN_BRIDGE_TIMEOUT");
    if (timeout && *timeout) {
        const Parsed<double> number = parse_number(timeout);
        const double seconds = number.ok() ? number.value : 0.0;
        if (!(seconds > 0 && seconds < 3600)) return error = "TARVOLEN_BRIDGE_TIMEOUT needs seconds (0 to 3600)", false;
        options.request_timeout_ms = static_cast<int>(std::lround(seconds * 1000));
    }
    return true;
}

std::unique_ptr<OpenedHost> OpenedHost::start_remote(RemoteOptions options, Diagnostics& diagnostics) {
    auto opened = std::make_unique<OpenedHost>();
    opened->remote_ = RemoteGaugeHost::start(std::move(options), diagnostics);
    if (!opened->remote_) return nullptr;
    return opened;
}

std::unique_ptr<OpenedHost> OpenedHost::open(const std::string& module_path, HostOptions options,
                                             Diagnostics& diagnostics) {
    std::vector<uint8_t> head;
    std::string refused;
    if (!read_input_head(module_path, MODULE_FILE, IMAGE_HEAD_BYTES, head, refused)) {
        diagnostics.error(module_path, 0, refused);
        return nullptr;
    }
    const ImageStart start = image_start(head);
    if (start == ImageStart::mz_cut_short || start == ImageStart::mz_without_pe) {
        diagnostics.error(module_path, 0,
                          start == ImageStart::mz_cut_short
                              ? "a Windows (MZ) file whose PE header is cut short: not a whole gauge module"
                              : "a Windows (MZ) file without a PE header (a DOS program?): not a gauge module");
        return nullptr;
    }
    if (start == ImageStart::pe) {
        RemoteOptions remote;
        remote.trace = options.trace;
        std::string error;
        if (!wine_bridge_options(module_path, remote, error)) {
            diagnostics.error(module_path, 0, error);
            return nullptr;
        }
        return start_remote(std::move(remote), diagnostics);
    }
    auto opened = std::make_unique<OpenedHost>();
    opened->local_ = std::make_unique<PanelHost>(options);
    if (!opened->local_->load_module(module_path, diagnostics)) return nullptr;
    opened->local_view_ = std::make_unique<LocalGaugeHost>(*opened->local_);
    return opened;
}
