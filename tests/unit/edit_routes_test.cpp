// The panel.cfg edits over HTTP, as a script or the page sends them: an edit answers
// the line written and the new version, a stale version is refused with nothing
// written, undo gives the file back byte for byte.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "host/serve/routes.h"
#include "tests/unit/panels/panel_files.h"

namespace {

class EditRoutes : public PanelFolder {
protected:
    void SetUp() override {
        PanelFolder::SetUp();
        std::ifstream in(TARVOLEN_SOURCE_DIR "/tests/serve/live_panel.cfg", std::ios::binary);
        original.assign(std::istreambuf_iterator<char>(in), {});
        path = write("panel.cfg", original);
        LiveOptions options;
        options.panel_path = path;
        options.module_path = TARVOLEN_MODULE_PATH;
        Diagnostics diagnostics;
        ASSERT_TRUE(panel.open(options, diagnostics)) << diagnostics;
        routes = std::make_unique<PageRoutes>(
            panel,
            [](const std::function<void()>& job) {
                job();
                return true;
            },
            [] {});
        std::string error;
        ASSERT_TRUE(workbench.open(path, error)) << error;
        routes->set_workbench(&workbench, [this] { ++edits_seen; });
    }
    PageResponse post(const std::string& what, const std::string& body) {
        return routes->answer({"POST", "/api/" + what, "", body, static_cast<long long>(body.size())});
    }
    std::string on_disk() const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    std::string original, path;
    LivePanel panel;
    Workbench workbench;
    std::unique_ptr<PageRoutes> routes;
    int edits_seen = 0;
};

TEST_F(EditRoutes, EditAnswersTheLineAndVersionAndUndoRestoresTheFile) {
    const PageResponse moved =
        post("edit", "section=Window00&key=gauge01&x=250&y=14&version=" + cfg_text_version(original));
    ASSERT_EQ(moved.status, 200) << moved.body;
    const auto json = nlohmann::json::parse(moved.body);
    EXPECT_EQ(json["line"], "gauge01=Tarvolen_Instr!VOR1_Indicator, 250, 14, 200");
    EXPECT_EQ(json["version"], cfg_text_version(on_disk()));
    EXPECT_EQ(edits_seen, 1);

    // The version before the edit is stale now: refused, nothing written.
    const std::string after_edit = on_disk();
    const PageResponse stale = post("edit", "section=Window00&key=gauge01&x=1&version=" + cfg_text_version(original));
    EXPECT_EQ(stale.status, 409) << stale.body;
    EXPECT_EQ(on_disk(), after_edit);

    const PageResponse undone = post("undo", "version=" + json["version"].get<std::string>());
    ASSERT_EQ(undone.status, 200) << undone.body;
    EXPECT_EQ(on_disk(), original);
    EXPECT_EQ(post("redo", "").status, 200);
    EXPECT_EQ(on_disk(), after_edit);
}

TEST_F(EditRoutes, AddAndRemoveAGauge) {
    const PageResponse added = post("add", "section=Window01&gauge=Tarvolen_Instr!Old_ADF&x=10&y=200&w=250");
    ASSERT_EQ(added.status, 200) << added.body;
    const auto json = nlohmann::json::parse(added.body);
    EXPECT_EQ(json["key"], "gauge02");
    EXPECT_NE(on_disk().find("gauge02=Tarvolen_Instr!Old_ADF, 10, 200, 250\n"), std::string::npos);
    ASSERT_EQ(post("remove", "section=Window01&key=gauge02").status, 200);
    EXPECT_EQ(on_disk(), original);
}

TEST_F(EditRoutes, RefusesEditsItCannotMake) {
    EXPECT_EQ(post("edit", "section=Window00&key=gauge01").status, 400);        // no number
    EXPECT_EQ(post("edit", "key=gauge01&x=1").status, 400);                     // no section
    EXPECT_EQ(post("edit", "section=Window00&key=gauge01&x=abc").status, 400);  // not a number
    EXPECT_EQ(post("edit", "section=Window07&key=gauge01&x=1").status, 404);
    EXPECT_EQ(post("edit", "section=Window00&key=gauge01&w=-5").status, 422);
    EXPECT_EQ(post("undo", "").status, 409);  // nothing to undo
    EXPECT_EQ(on_disk(), original);
    routes->set_workbench(nullptr, {});
    EXPECT_EQ(post("edit", "section=Window00&key=gauge01&x=1").status, 404);
}

}  // namespace
