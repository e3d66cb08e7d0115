// What library code of the host reports: errors and notes, each tied to a file and line
// where there is one. Library code returns them; only the command line prints them, all
// in one shape: "FILE:LINE: what", "FILE:LINE: note: what", or "what" without a place.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

struct Diagnostic {
    enum class Level { error, note };
    Level level = Level::error;
    std::string file;  // empty: not about a file
    int line = 0;      // 0: the whole file
    std::string what;
    // The printed form.
    std::string str() const;
};

class Diagnostics {
public:
    void error(std::string file, int line, std::string what);
    void error(std::string what) { error({}, 0, std::move(what)); }
    void note(std::string file, int line, std::string what);
    void note(std::string what) { note({}, 0, std::move(what)); }
    // Appends another's items, in order.
    void merge(const Diagnostics& other);
    // The same, giving the items that have no file this place (a caller that knows the
    // line a call came from: "unknown gauge" becomes "panel.cfg:7: unknown gauge").
    void merge(const Diagnostics& other, const std::string& file, int line);

    bool ok() const { return errors_ == 0; }
    int error_count() const { return errors_; }
    const std::vector<Diagnostic>& items() const { return items_; }
    // The items of one level, printed, in order.
    std::vector<std::string> errors() const { return printed(Diagnostic::Level::error); }
    std::vector<std::string> notes() const { return printed(Diagnostic::Level::note); }

private:
    std::vector<std::string> printed(Diagnostic::Level level) const;
    std::vector<Diagnostic> items_;
    int errors_ = 0;
};

// Every item printed, one a line (for test messages).
std::ostream& operator<<(std::ostream& out, const Diagnostics& diagnostics);
