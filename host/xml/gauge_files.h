// Finding another author's gauge module as the simulator does, and reading its files:
// in each folder searched (the panel.cfg's own, then each --gauges folder), a folder
// MODULE/, a cabinet MODULE.cab or a module MODULE.gau, names matched without regard to
// case. A cabinet is read into memory once; a folder's files are read when asked for.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class GaugeModule {
public:
    // Reads a cabinet whole; false with error ("FILE: what") when it cannot.
    static std::unique_ptr<GaugeModule> open_cabinet(const std::string& path, std::string& error);
    static std::unique_ptr<GaugeModule> open_folder(const std::string& path);

    const std::string& path() const { return path_; }
    bool cabinet() const { return cabinet_; }
    // The file's bytes (name matched without regard to case, '\' as '/'), or null with
    // error. A name that climbs out of the module ("..\x.bmp") is refused.
    const std::vector<uint8_t>* file(const std::string& name, std::string& error);
    // How messages name a file of the module: "172Things.CAB/Airspeed.xml".
    std::string where(const std::string& name) const;
    // The files on disk the module's content came from so far: the cabinet, or each file
    // of a folder that was read. What a watch for saves follows.
    std::vector<std::string> sources() const;

private:
    struct Entry {
        std::string stored;
        std::vector<uint8_t> bytes;
        bool read = false;
    };
    std::string path_;
    bool cabinet_ = false;
    std::map<std::string, Entry> files_;  // by lower-case name
};

struct ModuleSearch {
    std::unique_ptr<GaugeModule> module;  // found as a folder or a cabinet
    std::string gau;                      // found as a C module (path), not loaded
    std::string error;                    // found, but its cabinet cannot be read
    std::vector<std::string> looked;      // the folders searched, in order
};

ModuleSearch find_gauge_module(const std::string& module, const std::vector<std::string>& folders);

// Lower case, '\' as '/'.
std::string file_key(const std::string& name);
