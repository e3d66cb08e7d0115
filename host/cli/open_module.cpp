// Opening the module a command names: in this process, or through the bridge to Wine
// (the Linux build only; panelhost.exe loads every module itself).
#include "host/cli/commands.h"
#include "host/cli/dump.h"
#include "host/core/gauge_host.h"
#ifdef TARVOLEN_HAVE_RENDERER
#include "host/bridge/open_host.h"
#endif

#ifdef TARVOLEN_HAVE_RENDERER
struct OpenModule::Opened {
    std::unique_ptr<OpenedHost> host;
};

bool OpenModule::open(CommandContext& context, HostOptions options) {
    opened_ = std::make_unique<Opened>();
    opened_->host = OpenedHost::open(context.module_path, options, context.diagnostics);
    if (opened_->host) return true;
    context.exit_code = EXIT_FAILED;
    return false;
}

GaugeHost& OpenModule::host() { return opened_->host->host(); }

RemoteGaugeHost* OpenModule::remote() { return opened_->host->remote(); }

std::string OpenModule::declarations() {
    OpenedHost& opened = *opened_->host;
    return opened.remote() ? opened.remote()->declarations() : dump_declarations(*opened.local());
}
#else
struct OpenModule::Opened {
    explicit Opened(HostOptions options) : host(options) {}
    PanelHost host;
    LocalGaugeHost view{host};
};

bool OpenModule::open(CommandContext& context, HostOptions options) {
    opened_ = std::make_unique<Opened>(options);
    if (opened_->host.load_module(context.module_path, context.diagnostics)) return true;
    context.exit_code = EXIT_FAILED;
    return false;
}

GaugeHost& OpenModule::host() { return opened_->view; }

RemoteGaugeHost* OpenModule::remote() { return nullptr; }

std::string OpenModule::declarations() { return dump_declarations(opened_->host); }
#endif

OpenModule::OpenModule() = default;
OpenModule::~OpenModule() = default;

bool no_faults(GaugeHost& host, CommandContext& context) {
    if (report_module_faults(host, context.diagnostics) == 0) return true;
    context.exit_code = EXIT_FAILED;
    return false;
}
