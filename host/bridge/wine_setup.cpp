// Finding wine and panelhost.exe, making the private prefix, running helper commands
// of Wine with a bounded wait.
#include "host/bridge/wine_setup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kPrefixMs = 180000;   // wineboot on a slow machine
constexpr int kHelperMs = 30000;    // reg add
constexpr int kServerEndMs = 8000;  // the server's grace time and its services ending

std::string env_or(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

bool on_path(const std::string& program) {
    const std::string path = env_or("PATH", "/usr/bin:/bin");
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find(':', start), path.size());
        const std::string dir = path.substr(start, end - start);
        if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

fs::path own_folder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

FarCommand wine_command(const WineSetup& setup, std::vector<std::string> argv, const std::string& description) {
    FarCommand command;
    command.argv = std::move(argv);
    command.set_env = {"WINEPREFIX=" + setup.wine_dir + "/prefix", "HOME=" + setup.wine_dir + "/home", "WINEDEBUG=-all",
                       "WINEDLLOVERRIDES=mscoree,mshtml=", "WINEARCH=win32"};
    command.unset_env = {"DISPLAY", "WAYLAND_DISPLAY"};
    command.description = description;
    return command;
}

// Runs a Wine helper to its end within timeout_ms; false when it fails or overruns.
bool run_helper(const WineSetup& setup, std::vector<std::string> argv, int timeout_ms) {
    FarProcess helper;
    std::string error;
    const std::string name = argv[0];
    if (!helper.start(wine_command(setup, std::move(argv), name), error)) return false;
    return helper.stop(timeout_ms) == "exit code 0";
}

}  // namespace

bool find_wine_setup(WineSetup& setup, std::string& error) {
    if (!on_path("wine") || !on_path("wineserver"))
        return error = "cannot run a .gau: Wine is not installed (no wine on PATH; scripts/setup.sh installs it)",
               false;
    const fs::path here = own_folder();
    setup.wine_dir = env_or("TARVOLEN_WINE_DIR", (here.parent_path() / "wine").string());
    const std::vector<fs::path> candidates = {here.parent_path() / "win32" / "host" / "panelhost.exe",
                                              here / "panelhost.exe"};
    const char* given = std::getenv("TARVOLEN_PANELHOST_EXE");
    if (given && *given) {
        setup.panelhost_exe = given;
        if (fs::exists(setup.panelhost_exe)) return true;
        return error = "cannot run a .gau: no panelhost.exe at " + setup.panelhost_exe + " (TARVOLEN_PANELHOST_EXE)",
               false;
    }
    for (const fs::path& candidate : candidates)
        if (fs::exists(candidate)) return setup.panelhost_exe = fs::absolute(candidate).string(), true;
    return error = "cannot run a .gau: no panelhost.exe at " + candidates[0].string() + " or " +
                   candidates[1].string() + " (build the win32 preset, or set TARVOLEN_PANELHOST_EXE)",
           false;
}

bool prepare_wine_prefix(const WineSetup& setup, std::string& error) {
    const fs::path dir = setup.wine_dir, prefix = dir / "prefix", home = dir / "home";
    std::error_code ec;
    fs::create_directories(home, ec);
    if (ec) return error = "cannot make the Wine folder " + home.string() + ": " + ec.message(), false;
    const fs::path asoundrc = home / ".asoundrc";
    if (!fs::exists(asoundrc)) std::ofstream(asoundrc) << "pcm.!default { type null }\n";
    if (fs::exists(prefix / "system.reg")) return true;
    const int lock = open((dir / "prefix.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) {
        if (lock >= 0) close(lock);
        return error = "cannot lock " + (dir / "prefix.lock").string(), false;
    }
    bool ok = fs::exists(prefix / "system.reg");  // made by another command meanwhile
    if (!ok) {
        fs::create_directories(prefix, ec);
        ok = run_helper(setup, {"wineboot", "-i"}, kPrefixMs) &&
             run_helper(setup,
                        {"wine", "reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"},
                        kHelperMs);
        wait_for_wineserver(setup);
        ok = ok && fs::exists(prefix / "system.reg");
        if (!ok) error = "cannot make the Wine prefix " + prefix.string() + " (wineboot -i failed)";
    }
    flock(lock, LOCK_UN);
    close(lock);
    return ok;
}

FarCommand wine_bridge_command(const WineSetup& setup) {
    return wine_command(setup, {"wine", setup.panelhost_exe, "bridge"}, "panelhost.exe under Wine");
}

void wait_for_wineserver(const WineSetup& setup) { run_helper(setup, {"wineserver", "-w"}, kServerEndMs); }

pid_t find_wineserver(const WineSetup& setup) {
    struct stat prefix {};
    if (stat((setup.wine_dir + "/prefix").c_str(), &prefix) != 0) return 0;
    // The server of a prefix works in a folder named after the prefix's device and inode
    // (under /tmp, where depends on the build of Wine).
    char folder[64];
    std::snprintf(folder, sizeof folder, "server-%llx-%llx", static_cast<unsigned long long>(prefix.st_dev),
                  static_cast<unsigned long long>(prefix.st_ino));
    std::error_code code;
    for (fs::directory_iterator it("/proc", code), end; !code && it != end; it.increment(code)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code unreadable;
        const fs::path exe = fs::read_symlink(it->path() / "exe", unreadable);
        if (unreadable || exe.filename().string().rfind("wineserver", 0) != 0) continue;
        if (fs::read_symlink(it->path() / "cwd", unreadable).filename() == folder)
            return static_cast<pid_t>(std::stol(name));
    }
    return 0;
}

namespace {

struct WineProcess {
    pid_t pid;
    std::string program;  // its first argument: "C:\\windows\\system32\\services.exe", "/usr/lib/wine/wineserver32"
};

// Wine's programs (wine, wine-preloader, wineserver) of this user running in the prefix
// (their WINEPREFIX is it), this process aside.
std::vector<WineProcess> prefix_processes(const WineSetup& setup) {
    const std::string wanted = "WINEPREFIX=" + setup.wine_dir + "/prefix";
    std::vector<WineProcess> found;
    std::error_code code;
    for (fs::directory_iterator it("/proc", code), end; !code && it != end; it.increment(code)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const auto pid = static_cast<pid_t>(std::stol(name));
        if (pid == getpid()) continue;
        // Not a shell or a test that has the prefix in its environment.
        std::error_code unreadable;
        const fs::path exe = fs::read_symlink(it->path() / "exe", unreadable);
        if (unreadable || exe.filename().string().rfind("wine", 0) != 0) continue;
        std::ifstream environ_file(it->path() / "environ", std::ios::binary);
        const std::string environ_text((std::istreambuf_iterator<char>(environ_file)),
                                       std::istreambuf_iterator<char>());
        bool in_prefix = false;
        for (size_t start = 0; start < environ_text.size() && !in_prefix;) {
            const size_t stop = std::min(environ_text.find('\0', start), environ_text.size());
            in_prefix = environ_text.compare(start, stop - start, wanted) == 0;
            start = stop + 1;
        }
        if (!in_prefix) continue;
        std::ifstream cmdline(it->path() / "cmdline", std::ios::binary);
        std::string program;
        std::getline(cmdline, program, '\0');
        found.push_back({pid, program});
    }
    return found;
}

// The wineserver, and the services Wine starts for itself and ends with the server.
bool wine_itself(const std::string& program) {
    if (fs::path(program).filename().string().rfind("wineserver", 0) == 0) return true;
    std::string windows_name = program.substr(program.find_last_of('\\') + 1);  // the whole when none
    for (char& c : windows_name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* service :
         {"services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe", "rpcss.exe", "explorer.exe", "conhost.exe"})
        if (windows_name == service) return true;
    return false;
}

}  // namespace

void end_wineserver(const WineSetup& setup) {
    for (const WineProcess& process : prefix_processes(setup))
        if (!wine_itself(process.program)) return wait_for_wineserver(setup);  // another command's Wine runs
    // Killed outright: asked to end, the server saves the registry (most of a second)
    // and its services linger on; our commands change nothing there worth keeping. The
    // services do not end with a killed server, so they are ended after it.
    if (const pid_t server = find_wineserver(setup); server > 0) kill(server, SIGKILL);
    end_prefix_processes(setup);
}

int end_prefix_processes(const WineSetup& setup) {
    int ended = 0;
    for (const WineProcess& process : prefix_processes(setup))
        if (kill(process.pid, SIGKILL) == 0) ++ended;
    return ended;
}
std::string windows_path(const std::string& path) {
    std::string out = "Z:" + fs::absolute(path).lexically_normal().string();
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}
