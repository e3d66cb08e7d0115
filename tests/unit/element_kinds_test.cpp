// The table of element kinds, walked row by row: every kind once, its bindings the
// fields its record declares, its painting reaching the painter's method of that kind.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "host/core/element_kinds.h"
#include "host/trace/json_writer.h"
#include "tests/unit/trace_json.h"

namespace {

// Where each kind's bindings sit in its record, written out from the record formats.
struct ExpectedKind {
    uint32_t kind;
    const char* name;
    std::vector<size_t> binding_offsets;
    size_t record_size;
};

const std::vector<ExpectedKind>& expected_kinds() {
    static const std::vector<ExpectedKind> kinds = {
        {ELEMENT_STATIC_IMAGE, "static_image", {}, sizeof(StaticImage)},
        {ELEMENT_NEEDLE, "needle", {offsetof(Needle, source)}, sizeof(Needle)},
        {ELEMENT_STRING,
         "string",
         {offsetof(StringElement, sources), offsetof(StringElement, sources) + sizeof(ModuleVar),
          offsetof(StringElement, sources) + 2 * sizeof(ModuleVar)},
         sizeof(StringElement)},
        {ELEMENT_ICON, "icon", {offsetof(Icon, source)}, sizeof(Icon)},
        {ELEMENT_MOVING_IMAGE,
         "moving_image",
         {offsetof(MovingImage, source_x), offsetof(MovingImage, source_y)},
         sizeof(MovingImage)},
        {ELEMENT_SPRITE,
         "sprite",
         {offsetof(Sprite, source_x), offsetof(Sprite, source_y), offsetof(Sprite, source_angle)},
         sizeof(Sprite)},
    };
    return kinds;
}

// Room for any element record, zeroed, with its kind set.
struct AnyElement {
    alignas(8) unsigned char bytes[sizeof(StringElement) + sizeof(Needle)] = {};
    explicit AnyElement(uint32_t kind) { header().kind = kind; }
    ElementHeader& header() { return *reinterpret_cast<ElementHeader*>(bytes); }
};

// Notes which method the table called, and for which record.
class NamingPainter : public ElementPainter {
public:
    std::vector<std::string> calls;
    std::vector<const void*> records;
    void static_image(const ElementHeader& e, const ElementState&) override { note("static_image", &e); }
    void needle(const Needle& e, const ElementState&) override { note("needle", &e); }
    void string(const StringElement& e, const ElementState&) override { note("string", &e); }
    void icon(const Icon& e, const ElementState&) override { note("icon", &e); }
    void moving_image(const MovingImage& e, const ElementState&) override { note("moving_image", &e); }
    void sprite(const Sprite& e, const ElementState&) override { note("sprite", &e); }

private:
    void note(const char* what, const void* record) {
        calls.push_back(what);
        records.push_back(record);
    }
};

}  // namespace

TEST(ElementKinds, TheTableHasEveryKindOnceAndFindsEachByItsId) {
    const ElementKind* rows = element_kinds();
    std::set<uint32_t> ids;
    std::set<std::string> names;
    for (size_t i = 0; i < kElementKindCount; ++i) {
        ids.insert(rows[i].kind);
        names.insert(rows[i].name);
        EXPECT_EQ(find_element_kind(rows[i].kind), &rows[i]) << rows[i].name;
    }
    EXPECT_EQ(ids.size(), kElementKindCount);
    EXPECT_EQ(names.size(), kElementKindCount);
    EXPECT_EQ(expected_kinds().size(), kElementKindCount);
    EXPECT_EQ(find_element_kind(3), nullptr) << "a slider is not a kind the host draws";
    EXPECT_EQ(find_element_kind(7), nullptr);
}

TEST(ElementKinds, EachRowBindsTheFieldsItsRecordDeclaresAndTakesItsValueFromOne) {
    for (const ExpectedKind& want : expected_kinds()) {
        SCOPED_TRACE(want.name);
        const ElementKind* row = find_element_kind(want.kind);
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(row->name, want.name);
        ASSERT_EQ(static_cast<size_t>(row->binding_count), want.binding_offsets.size());
        ASSERT_LE(row->binding_count, kMaxBindings);
        AnyElement element(want.kind);
        for (int i = 0; i < row->binding_count; ++i) {
            const auto* at = reinterpret_cast<const unsigned char*>(&row->binding(element.header(), i));
            EXPECT_EQ(static_cast<size_t>(at - element.bytes), want.binding_offsets[static_cast<size_t>(i)])
                << "binding " << i;
        }
        if (row->binding_count == 0) {
            EXPECT_EQ(row->value_binding, -1);
        } else {
            EXPECT_LT(row->value_binding, row->binding_count);
        }
        EXPECT_GE(row->value_binding, -1);
        EXPECT_EQ(row->writes_text, want.kind == ELEMENT_STRING);
    }
}

TEST(ElementKinds, EachRowPaintsThroughThePainterMethodOfItsKind) {
    for (const ExpectedKind& want : expected_kinds()) {
        AnyElement element(want.kind);
        const ElementState state = element_state(&element.header(), 1);
        ASSERT_NE(state.kind, nullptr) << want.name;
        NamingPainter painter;
        state.kind->paint(painter, state);
        EXPECT_EQ(painter.calls, std::vector<std::string>{want.name});
        EXPECT_EQ(painter.records, std::vector<const void*>{element.bytes}) << want.name;
    }
}

TEST(ElementKinds, APlacedElementHasItsBindingsResolvedAndItsTextBufferSized) {
    AnyElement element(ELEMENT_MOVING_IMAGE);
    auto& moving = reinterpret_cast<MovingImage&>(element.header());
    moving.source_x.token = 83;    // compass: a real
    moving.source_y.token = 9999;  // no such variable
    const ElementState state = element_state(&element.header(), 4);
    EXPECT_EQ(state.index, 4);
    ASSERT_EQ(state.binding_count, 2);
    EXPECT_EQ(state.bindings[0].var, &moving.source_x);
    EXPECT_TRUE(state.bindings[0].slot.known());
    EXPECT_EQ(state.bindings[0].slot.kind, VarKind::F64);
    EXPECT_FALSE(state.bindings[1].slot.known());

    AnyElement text(ELEMENT_STRING);
    reinterpret_cast<StringElement&>(text.header()).char_count = 8;
    EXPECT_EQ(element_state(&text.header(), 2).text_buffer.size(), 9u);

    AnyElement slider(3);
    EXPECT_EQ(element_state(&slider.header(), 1).kind, nullptr);
}

TEST(ElementKinds, EachRowDumpsItsOwnFieldsAsJson) {
    for (const ExpectedKind& want : expected_kinds()) {
        AnyElement element(want.kind);
        std::string out;
        JsonWriter json(out);
        json.begin_object();
        find_element_kind(want.kind)->dump(element.header(), json);
        json.end_object();
        const Json fields = Json::parse(out, nullptr, false);
        ASSERT_TRUE(fields.is_object()) << want.name << ": " << out;
        // A kind with bindings names each one's token.
        for (const char* source : {"source", "source_x", "source_y", "source_angle"}) {
            if (fields.contains(source)) {
                EXPECT_EQ(fields[source], 0) << want.name;
            }
        }
        EXPECT_EQ(fields.empty(), want.kind == ELEMENT_STATIC_IMAGE) << want.name;
    }
}
