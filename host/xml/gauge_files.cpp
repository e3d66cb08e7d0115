// Searching folders for a gauge module and reading its files, bounded.
#include "host/xml/gauge_files.h"

#include <filesystem>
#include <fstream>

#include "host/xml/cabinet.h"

namespace fs = std::filesystem;

namespace {

constexpr uintmax_t kMaxFileBytes = uintmax_t{64} << 20;

bool read_whole(const fs::path& path, std::vector<uint8_t>& bytes, std::string& error) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return error = "not a regular file", false;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) return error = ec.message(), false;
    if (size > kMaxFileBytes) return error = "larger than 64 MB", false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return error = "cannot be opened", false;
    bytes.resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (static_cast<uintmax_t>(in.gcount()) != size) return error = "cannot be read whole", false;
    return true;
}

std::string lower_name(const std::string& name) {
    std::string out;
    for (char c : name) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool climbs(const std::string& key) {
    if (!key.empty() && key[0] == '/') return true;
    if (key.size() > 1 && key[1] == ':') return true;
    size_t start = 0;
    while (start <= key.size()) {
        const size_t slash = key.find('/', start);
        const std::string part = key.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (part == "..") return true;
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    return false;
}

}  // namespace

std::string file_key(const std::string& name) {
    std::string key = lower_name(name);
    for (char& c : key)
        if (c == '\\') c = '/';
    return key;
}

std::unique_ptr<GaugeModule> GaugeModule::open_cabinet(const std::string& path, std::string& error) {
    std::vector<uint8_t> bytes;
    std::string problem;
    if (!read_whole(path, bytes, problem)) return error = path + ": " + problem, nullptr;
    std::vector<CabinetFile> files;
    if (!read_cabinet(bytes.data(), bytes.size(), files, problem)) return error = path + ": " + problem, nullptr;
    auto module = std::unique_ptr<GaugeModule>(new GaugeModule());
    module->path_ = path;
    module->cabinet_ = true;
    for (CabinetFile& f : files) {
        Entry& entry = module->files_[file_key(f.name)];
        entry.stored = f.name;
        entry.bytes = std::move(f.bytes);
        entry.read = true;
    }
    return module;
}

std::unique_ptr<GaugeModule> GaugeModule::open_folder(const std::string& path) {
    auto module = std::unique_ptr<GaugeModule>(new GaugeModule());
    module->path_ = path;
    std::error_code ec;
    for (const auto& item : fs::recursive_directory_iterator(path, ec)) {
        if (!item.is_regular_file(ec)) continue;
        const std::string relative = fs::relative(item.path(), path, ec).generic_string();
        module->files_[file_key(relative)].stored = relative;
        if (module->files_.size() >= 4096) break;
    }
    return module;
}

const std::vector<uint8_t>* GaugeModule::file(const std::string& name, std::string& error) {
    const std::string key = file_key(name);
    if (climbs(key)) return error = "\"" + name + "\" lies outside the gauge's module", nullptr;
    auto it = files_.find(key);
    if (it == files_.end()) return error = "no file \"" + name + "\" in " + path_, nullptr;
    Entry& entry = it->second;
    if (!entry.read) {
        std::string problem;
        if (!read_whole(fs::path(path_) / entry.stored, entry.bytes, problem))
            return error = where(name) + ": " + problem, nullptr;
        entry.read = true;
    }
    return &entry.bytes;
}

std::string GaugeModule::where(const std::string& name) const {
    auto it = files_.find(file_key(name));
    return path_ + "/" + (it == files_.end() ? name : it->second.stored);
}

std::vector<std::string> GaugeModule::sources() const {
    if (cabinet_) return {path_};
    std::vector<std::string> read;
    for (const auto& [key, entry] : files_)
        if (entry.read) read.push_back((fs::path(path_) / entry.stored).string());
    return read;
}

ModuleSearch find_gauge_module(const std::string& module, const std::vector<std::string>& folders) {
    ModuleSearch search;
    const std::string wanted = lower_name(module);
    for (const std::string& folder : folders) {
        search.looked.push_back(folder.empty() ? "." : folder);
        std::error_code ec;
        std::string dir_match, cab_match, gau_match;
        for (const auto& item : fs::directory_iterator(folder.empty() ? "." : folder, ec)) {
            const std::string name = lower_name(item.path().filename().string());
            if (name == wanted && item.is_directory(ec)) dir_match = item.path().string();
            if (name == wanted + ".cab" && item.is_regular_file(ec)) cab_match = item.path().string();
            if (name == wanted + ".gau" && item.is_regular_file(ec)) gau_match = item.path().string();
        }
        if (!dir_match.empty()) {
            search.module = GaugeModule::open_folder(dir_match);
            return search;
        }
        if (!cab_match.empty()) {
            search.module = GaugeModule::open_cabinet(cab_match, search.error);
            return search;
        }
        if (!gau_match.empty()) {
            search.gau = gau_match;
            return search;
        }
    }
    return search;
}
