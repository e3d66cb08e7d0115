// `panelhost dump`: the declarations as JSON, read back with a small reader of its own
// and compared with what the gauges declare.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/cli/dump.h"
#include "tests/unit/host_fixture.h"

namespace {

// A JSON value: object, array, string, number or literal.
struct JsonValue {
    std::map<std::string, JsonValue> object;
    std::vector<JsonValue> array;
    std::string text;
    double number = 0;
    bool is_object = false, is_array = false;

    const JsonValue& operator[](const std::string& key) const {
        static const JsonValue none;
        auto it = object.find(key);
        return it == object.end() ? none : it->second;
    }
    const JsonValue& operator[](size_t i) const { return array.at(i); }
};

// Reads JSON text strictly enough to reject what is not JSON: returns false on the
// first thing out of place.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : s_(text) {}
    bool read(JsonValue& out) {
        if (!value(out)) return false;
        blanks();
        return at_ == s_.size();
    }

private:
    void blanks() {
        while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
    }
    bool take(char c) {
        blanks();
        if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
        return false;
    }
    bool string(std::string& out) {
        if (!take('"')) return false;
        while (at_ < s_.size() && s_[at_] != '"') {
            if (s_[at_] == '\\') ++at_;
            if (at_ < s_.size()) out += s_[at_++];
        }
        return at_ < s_.size() && s_[at_++] == '"';
    }
    bool value(JsonValue& out) {
        blanks();
        if (at_ >= s_.size()) return false;
        const char c = s_[at_];
        if (c == '{') return object(out);
        if (c == '[') return array(out);
        if (c == '"') return string(out.text);
        for (const char* word : {"true", "false", "null"})
            if (s_.compare(at_, std::strlen(word), word) == 0) return out.text = word, at_ += std::strlen(word), true;
        char* end = nullptr;
        out.number = std::strtod(s_.c_str() + at_, &end);
        if (end == s_.c_str() + at_) return false;
        at_ = static_cast<size_t>(end - s_.c_str());
        return true;
    }
    bool object(JsonValue& out) {
        out.is_object = true;
        take('{');
        if (take('}')) return true;
        do {
            std::string key;
            if (!string(key) || !take(':') || !value(out.object[key])) return false;
        } while (take(','));
        return take('}');
    }
    bool array(JsonValue& out) {
        out.is_array = true;
        take('[');
        if (take(']')) return true;
        do {
            out.array.emplace_back();
            if (!value(out.array.back())) return false;
        } while (take(','));
        return take(']');
    }

    const std::string& s_;
    size_t at_ = 0;
};

}  // namespace

class Dump : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        text = dump_declarations(host);
        ASSERT_TRUE(JsonReader(text).read(doc)) << "not JSON:\n" << text.substr(0, 400);
    }
    const JsonValue& gauge(const std::string& name) {
        for (const JsonValue& g : doc["gauges"].array)
            if (g["name"].text == name) return g;
        ADD_FAILURE() << "no gauge " << name;
        static const JsonValue none;
        return none;
    }

    std::string text;
    JsonValue doc;
};

TEST_F(Dump, ListsEveryGaugeOfTheTableInOrderWithItsSizeAndTrees) {
    const auto& gauges = doc["gauges"].array;
    ASSERT_EQ(gauges.size(), host.gauges().size());
    for (size_t i = 0; i < gauges.size(); ++i) {
        const GaugeHeader* declared = host.gauges()[i];
        EXPECT_EQ(gauges[i]["name"].text, declared->name);
        EXPECT_EQ(gauges[i]["width_mm"].number, declared->width_mm);
        ASSERT_FALSE(gauges[i]["elements"].array.empty()) << declared->name;
        EXPECT_EQ(gauges[i]["elements"][0]["kind"].text, "static_image") << declared->name;
        EXPECT_EQ(gauges[i]["elements"][0]["bitmap_id"].number, (*declared->elements)->bitmap_id);
    }
}

TEST_F(Dump, AirspeedNeedleCarriesItsSeventeenPointTable) {
    const JsonValue& needle = gauge("Airspeed_Kts")["elements"][1];
    EXPECT_EQ(needle["kind"].text, "needle");
    EXPECT_EQ(needle["source"].number, 61);
    EXPECT_EQ(needle["pivot_x"].number, 21);
    const auto& points = needle["points"].array;
    ASSERT_EQ(points.size(), 17u);
    EXPECT_EQ(points[0]["x"].number, 59);
    EXPECT_EQ(points[0]["y"].number, 106);
    EXPECT_EQ(points[16]["value"].number, 400);
    EXPECT_EQ(needle["failures"].array.size(), 2u);
    EXPECT_EQ(needle["image_flags"].text, "0x83");
}

TEST_F(Dump, CompassStripRangesAndMouseListsAreShownAsDeclared) {
    const JsonValue& card = gauge("Magnetic_Compass")["elements"][1];
    EXPECT_EQ(card["kind"].text, "moving_image");
    EXPECT_EQ(card["min_x"].number, 360);
    EXPECT_EQ(card["max_x"].number, 0);
    EXPECT_EQ(card["source_x"].number, 83);
    const auto& rects = gauge("Old_COM1")["mouse_rects"].array;
    ASSERT_EQ(rects.size(), 14u);  // the end marker is not listed
    EXPECT_EQ(rects[4]["kind"].text, "child");
    EXPECT_EQ(rects[4]["mouse_flags"].text, "0x20200000");
    EXPECT_EQ(rects[4]["handler"].text, "true");
    EXPECT_EQ(rects[3]["box"][0].number, 83);
}
