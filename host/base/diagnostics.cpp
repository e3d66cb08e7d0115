// Errors and notes in one printed shape.
#include "host/base/diagnostics.h"

#include <ostream>

std::string Diagnostic::str() const {
    std::string out;
    if (!file.empty()) out = file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": ";
    if (level == Level::note) out += "note: ";
    return out + what;
}

void Diagnostics::error(std::string file, int line, std::string what) {
    items_.push_back({Diagnostic::Level::error, std::move(file), line, std::move(what)});
    ++errors_;
}

void Diagnostics::note(std::string file, int line, std::string what) {
    items_.push_back({Diagnostic::Level::note, std::move(file), line, std::move(what)});
}

void Diagnostics::merge(const Diagnostics& other) {
    for (const Diagnostic& item : other.items_) items_.push_back(item);
    errors_ += other.errors_;
}

void Diagnostics::merge(const Diagnostics& other, const std::string& file, int line) {
    for (Diagnostic item : other.items_) {
        if (item.file.empty()) {
            item.file = file;
            item.line = line;
        }
        items_.push_back(std::move(item));
    }
    errors_ += other.errors_;
}

std::vector<std::string> Diagnostics::printed(Diagnostic::Level level) const {
    std::vector<std::string> out;
    for (const Diagnostic& item : items_)
        if (item.level == level) out.push_back(item.str());
    return out;
}

std::ostream& operator<<(std::ostream& out, const Diagnostics& diagnostics) {
    for (const Diagnostic& item : diagnostics.items()) out << item.str() << '\n';
    return out;
}
