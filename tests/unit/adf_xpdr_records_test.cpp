// The ADF and transponder declarations as the host reads them: the element chains, the
// pictures inside the face, the knob calibrations and the click areas over the knobs.
#include <map>
#include <set>

#include "host/sim/variables.h"
#include "tests/unit/host_fixture.h"

namespace {

constexpr int FACE_W = 249, FACE_H = 141;

struct Box {
    int x, y, w, h;
};

bool inside_face(const Box& b) { return b.x >= 0 && b.y >= 0 && b.x + b.w <= FACE_W && b.y + b.h <= FACE_H; }

// The pictures' sizes in pixels by bitmap id (a moving image shows through its
// 18x28 window, a knob is 30x30 about its centre).
Box picture_box(const ElementHeader* e) {
    switch (e->kind) {
        case ELEMENT_STATIC_IMAGE: return {e->x, e->y, FACE_W, FACE_H};
        case ELEMENT_NEEDLE: return {e->x - 15, e->y - 15, 30, 30};
        case ELEMENT_MOVING_IMAGE: return {e->x, e->y, 18, 28};
        default: break;
    }
    const bool lamp = e->bitmap_id == 340 || e->bitmap_id == 1030;
    const bool figure = e->bitmap_id == 360;
    return {e->x, e->y, lamp ? 10 : figure ? 18 : 30, lamp ? 10 : figure ? 28 : 30};
}

// What each gauge's declaration must hold.
struct Expected {
    const char* name;
    std::vector<uint32_t> kinds;                   // root first
    std::set<uint32_t> bitmaps;                    // every id the elements name
    std::set<int> with_failures;                   // element numbers carrying the failure list
    std::vector<FailureEntry> failure_list;        // without the end entry
    std::vector<std::pair<int, uint32_t>> tokens;  // element number, bound token
    double knob_full_scale;                        // calibration value straight below the pivot
    size_t mouse_entries, mouse_children;
};

const uint32_t S = ELEMENT_STATIC_IMAGE, N = ELEMENT_NEEDLE, I = ELEMENT_ICON, M = ELEMENT_MOVING_IMAGE;

const Expected kAdf = {"Old_ADF",
                       {S, M, M, M, I, N, N, N, I, I, I},
                       {280, 290, 300, 310, 320, 330, 340, 350, 360},
                       {2, 3, 4, 5, 10},
                       {{20, 3, 0}, {21, 3, 0}, {5, 0, 0}},
                       {{2, 16}, {4, 16}, {6, 16}, {7, 16}, {8, 16}, {9, 880}},
                       5.0,
                       19,
                       10};

const Expected kXpdr = {"Old_XPDR",
                        {S, N, N, N, N, M, M, M, M, I, I, I},
                        {1000, 1010, 1020, 1030, 1040, 1050},
                        {6, 7, 8, 9, 10, 11, 12},
                        {{20, 3, 0}, {21, 3, 0}, {17, 0, 0}},
                        {{6, 38}, {8, 38}, {9, 38}},
                        8.0,
                        18,
                        11};

class RadioHeadRecords : public HostTest, public ::testing::WithParamInterface<const Expected*> {
protected:
    GaugeHeader* gauge() {
        GaugeHeader* g = host.find_gauge(GetParam()->name);
        EXPECT_NE(g, nullptr);
        return g;
    }

    // The element chain from the root up; each element must have exactly one child.
    std::vector<ElementHeader*> chain() {
        std::vector<ElementHeader*> out;
        for (ElementHeader* e = *gauge()->elements; e; e = e->children ? e->children[0] : nullptr) {
            out.push_back(e);
            if (e->children) {
                EXPECT_EQ(e->children[1], nullptr) << "element " << out.size() << " has two children";
            }
        }
        return out;
    }

    static const ModuleVar* first_var(const ElementHeader* e) {
        switch (e->kind) {
            case ELEMENT_NEEDLE: return &reinterpret_cast<const Needle*>(e)->source;
            case ELEMENT_ICON: return &reinterpret_cast<const Icon*>(e)->source;
            case ELEMENT_MOVING_IMAGE: return &reinterpret_cast<const MovingImage*>(e)->source_y;
            default: return nullptr;
        }
    }
};

TEST_P(RadioHeadRecords, ElementChainHasTheKindsPicturesAndOwner) {
    const Expected& want = *GetParam();
    const auto elements = chain();
    ASSERT_EQ(elements.size(), want.kinds.size());
    std::set<uint32_t> bitmaps;
    for (size_t i = 0; i < elements.size(); ++i) {
        EXPECT_EQ(elements[i]->kind, want.kinds[i]) << "element " << i + 1;
        EXPECT_EQ(elements[i]->gauge, gauge()) << "element " << i + 1;
        bitmaps.insert(elements[i]->bitmap_id);
    }
    EXPECT_EQ(bitmaps, want.bitmaps);
    EXPECT_EQ(elements.back()->children, nullptr);
    EXPECT_EQ(gauge()->width_mm, 100u);
}

TEST_P(RadioHeadRecords, EveryPictureLiesInsideTheFace) {
    int k = 0;
    for (const ElementHeader* e : chain()) {
        const Box b = picture_box(e);
        EXPECT_TRUE(inside_face(b)) << "element " << ++k << " at " << b.x << "," << b.y;
    }
}

TEST_P(RadioHeadRecords, FailureListSitsOnTheReadoutAndSwitchesNamed) {
    const Expected& want = *GetParam();
    const auto elements = chain();
    for (size_t i = 0; i < elements.size(); ++i) {
        const int k = static_cast<int>(i) + 1;
        const FailureEntry* list = elements[i]->failures;
        if (!want.with_failures.count(k)) {
            EXPECT_EQ(list, nullptr) << "element " << k;
            continue;
        }
        ASSERT_NE(list, nullptr) << "element " << k;
        for (size_t j = 0; j < want.failure_list.size(); ++j) {
            EXPECT_EQ(list[j].key, want.failure_list[j].key) << "element " << k << " entry " << j;
            EXPECT_EQ(list[j].action, want.failure_list[j].action) << "element " << k << " entry " << j;
        }
        EXPECT_EQ(list[want.failure_list.size()].key, 0u) << "element " << k << " list must end";
    }
}

TEST_P(RadioHeadRecords, OnlyTheNamedElementsBindHostVariables) {
    const Expected& want = *GetParam();
    std::map<int, uint32_t> bound(want.tokens.begin(), want.tokens.end());
    int k = 0;
    for (const ElementHeader* e : chain()) {
        ++k;
        const ModuleVar* var = first_var(e);
        const uint32_t token = var ? var->token : 0;
        EXPECT_EQ(token, bound.count(k) ? bound[k] : 0u) << "element " << k;
        if (token) {
            EXPECT_NE(find_token(token), nullptr) << "the host does not know token " << token;
        }
    }
}

// Each knob turns from value 0 at twelve o'clock to its full scale at six o'clock: two
// points straight above and below a pivot at y 75.
TEST_P(RadioHeadRecords, KnobCalibrationsRunDownTheVerticalThroughAPivot) {
    for (const ElementHeader* e : chain()) {
        if (e->kind != ELEMENT_NEEDLE) continue;
        const auto* needle = reinterpret_cast<const Needle*>(e);
        ASSERT_EQ(needle->point_count, 2u);
        const NonlinearityPoint* p = needle->points;
        EXPECT_EQ(p[0].value, 0.0);
        EXPECT_EQ(p[1].value, GetParam()->knob_full_scale);
        EXPECT_EQ(p[0].x, p[1].x);
        EXPECT_EQ(75 - p[0].y, p[1].y - 75);
        EXPECT_LT(p[0].y, p[1].y);
        EXPECT_EQ(e->y, 75);
        EXPECT_EQ(e->pivot_x, 15);
        EXPECT_EQ(e->pivot_y, 15);
    }
}

TEST(TransponderRecords, AllFourKnobsShareOneCalibrationUnderTheThousandsKnob) {
    PanelHost host;
    Diagnostics error;
    ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
    std::set<const NonlinearityPoint*> tables;
    for (ElementHeader* e = *host.find_gauge("Old_XPDR")->elements; e; e = e->children ? e->children[0] : nullptr)
        if (e->kind == ELEMENT_NEEDLE) tables.insert(reinterpret_cast<const Needle*>(e)->points);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ((*tables.begin())->x, 88);  // the thousands knob's pivot (88, 75)
}

// Click areas: walk the list with the parents still open, as the host does.
TEST_P(RadioHeadRecords, ClickAreasAreWellFormedAndInsideTheFace) {
    const Expected& want = *GetParam();
    const MouseRect* rects = gauge()->mouse_rects;
    EXPECT_EQ(rects[0].kind, MOUSE_PARENT);
    EXPECT_EQ(rects[0].box_w, 0);
    EXPECT_NE(rects[0].help_id, 0u);
    std::vector<Box> open;
    size_t entries = 0, children = 0;
    for (; rects[entries].kind != MOUSE_END; ++entries) {
        const MouseRect& r = rects[entries];
        const Box base = open.empty() ? Box{0, 0, FACE_W, FACE_H} : open.back();
        const Box abs{base.x + r.box_x, base.y + r.box_y, r.box_w, r.box_h};
        EXPECT_EQ(r.data, 0u) << entries;
        EXPECT_EQ(r.event_id, 0u) << entries;
        if (r.kind == MOUSE_PARENT) {
            open.push_back(abs);
            EXPECT_EQ(r.handler, nullptr) << entries;
        } else if (r.kind == MOUSE_PARENT_END) {
            ASSERT_FALSE(open.empty()) << "parent end without parent at " << entries;
            open.pop_back();
        } else {
            ASSERT_EQ(r.kind, MOUSE_CHILD) << entries;
            ++children;
            EXPECT_NE(r.handler, nullptr) << entries;
            EXPECT_TRUE(inside_face(abs)) << "child " << entries;
            const bool knob_half = r.cursor == CURSOR_INCREASE || r.cursor == CURSOR_DECREASE;
            EXPECT_TRUE(knob_half || r.cursor == CURSOR_BUTTON) << entries;
            EXPECT_EQ(r.mouse_flags, knob_half ? 0x20200000u : 0x20000000u) << entries;
        }
        if (r.kind != MOUSE_CHILD) {
            EXPECT_EQ(r.cursor, CURSOR_NONE) << entries;
            EXPECT_EQ(r.mouse_flags, 0u) << entries;
        }
        if (r.kind == MOUSE_PARENT_END && open.empty()) {
            EXPECT_EQ(rects[entries + 1].kind, MOUSE_END) << "the outermost parent closes last";
        }
    }
    EXPECT_TRUE(open.empty()) << "parents left open";
    EXPECT_EQ(entries + 1, want.mouse_entries);
    EXPECT_EQ(children, want.mouse_children);
}

// Each knob picture has its decrease half on the left and its increase half on the
// right, covering the picture exactly.
TEST_P(RadioHeadRecords, KnobHalvesCoverTheirKnobPictures) {
    std::set<std::pair<int, int>> decrease, increase;  // top-left corners, gauge pixels
    for (const MouseRect* r = gauge()->mouse_rects; r->kind != MOUSE_END; ++r) {
        if (r->kind != MOUSE_CHILD || r->box_w != 15 || r->box_h != 30) continue;
        (r->cursor == CURSOR_DECREASE ? decrease : increase).insert({r->box_x, r->box_y});
    }
    size_t knobs = 0;
    for (const ElementHeader* e : chain()) {
        if (e->kind != ELEMENT_NEEDLE) continue;
        ++knobs;
        EXPECT_EQ(decrease.count({e->x - 15, e->y - 15}), 1u) << "knob at " << e->x;
        EXPECT_EQ(increase.count({e->x, e->y - 15}), 1u) << "knob at " << e->x;
    }
    EXPECT_EQ(decrease.size(), knobs);
    EXPECT_EQ(increase.size(), knobs);
}

INSTANTIATE_TEST_SUITE_P(AdfAndTransponder, RadioHeadRecords, ::testing::Values(&kAdf, &kXpdr),
                         [](const auto& test) { return std::string(test.param->name + 4); });

}  // namespace
