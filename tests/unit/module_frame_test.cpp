// The module's exported records as the host sees them after loading the library.
#include <set>

#include "host/core/services.h"
#include "tests/unit/host_fixture.h"

using ModuleFrame = HostTest;

TEST_F(ModuleFrame, LinkageCarriesTheModuleIdentityAndReservedZeros) {
    const ModuleLinkage* linkage = host.module()->linkage();
    EXPECT_EQ(linkage->module_id, 0x13u);
    EXPECT_EQ(linkage->module_version, 0x800u);
    EXPECT_EQ(linkage->reserved[0], 0u);
    EXPECT_EQ(linkage->reserved[1], 0u);
    EXPECT_NE(held(linkage->init), nullptr);
    EXPECT_NE(held(linkage->deinit), nullptr);
}

TEST_F(ModuleFrame, LoadingWritesTheServiceTableIntoImportTable) {
    const ModuleImports* imports = host.module()->imports();
    EXPECT_EQ(imports->table_id, 0x0Fu);
    ASSERT_NE(held(imports->table), nullptr);
    EXPECT_NE(imports->table->send_event, nullptr);
    EXPECT_NE(imports->table->read_var, nullptr);
    EXPECT_NE(imports->table->close_panel_window, nullptr);
    EXPECT_EQ(imports->end_id, 0u);
    EXPECT_EQ(held(imports->end_pointer), nullptr);
}

TEST_F(ModuleFrame, GaugeTableEndsWithNullAfterDistinctWellFormedGauges) {
    const ModuleLinkage* linkage = host.module()->linkage();
    int count = 0;
    while (count < GAUGE_TABLE_SLOTS && linkage->gauges[count]) ++count;
    ASSERT_LT(count, GAUGE_TABLE_SLOTS) << "the table must end with a null pointer";
    for (int i = count; i < GAUGE_TABLE_SLOTS; ++i) EXPECT_EQ(linkage->gauges[i], nullptr) << "slot " << i;
    std::set<std::string> names;
    for (int i = 0; i < count; ++i) {
        const GaugeHeader* gauge = linkage->gauges[i];
        EXPECT_EQ(gauge->version, 800u) << gauge->name;
        EXPECT_EQ(gauge->height_mm, 0u) << gauge->name;
        EXPECT_EQ(gauge->user_word, 0u) << gauge->name;
        ASSERT_NE(held(gauge->elements), nullptr) << gauge->name;
        ASSERT_NE(*gauge->elements, nullptr) << gauge->name;
        EXPECT_EQ((*gauge->elements)->kind, ELEMENT_STATIC_IMAGE) << gauge->name;
        EXPECT_TRUE(names.insert(gauge->name).second) << "duplicate gauge " << gauge->name;
    }
}

TEST_F(ModuleFrame, UnknownGaugeNameIsAClearErrorNotAPlacement) {
    Diagnostics error;
    EXPECT_EQ(host.place("No_Such_Gauge", std::nullopt, error), -1);
    ASSERT_EQ(error.errors().size(), 1u);
    EXPECT_NE(error.errors()[0].find("No_Such_Gauge"), std::string::npos);
    EXPECT_TRUE(host.placements().empty());
}

TEST(ModuleLoading, MissingLibraryNamesTheFile) {
    PanelHost host;
    Diagnostics error;
    EXPECT_FALSE(host.load_module("/nonexistent/Tarvolen.so", error));
    ASSERT_EQ(error.items().size(), 1u);
    EXPECT_EQ(error.items()[0].file, "/nonexistent/Tarvolen.so");
    EXPECT_EQ(error.errors()[0], "/nonexistent/Tarvolen.so: cannot open gauge module: no such file");
}

namespace {

int reads_through_other_table = 0;

int32_t TARVOLEN_CALLBACK counting_read_var(ModuleVar* var) {
    ++reads_through_other_table;
    var->value.u32 = 0x1830;
    return 1;
}

}  // namespace

TEST_F(ModuleFrame, ServiceCallsUseTheTableImportTableHoldsAtTheMomentOfTheCall) {
    const int id = place("Old_COM1");
    ModuleImports* imports = host.module()->imports();
    PanelServices* hosts_table = imports->table;
    PanelServices other = *hosts_table;
    other.read_var = counting_read_var;

    imports->table = &other;
    host.frame(id);  // the radio reads its frequency at every update
    imports->table = hosts_table;

    EXPECT_GT(reads_through_other_table, 0);
    const int before = reads_through_other_table;
    host.frame(id);
    EXPECT_EQ(reads_through_other_table, before) << "the module kept a copy of the replaced table";
}

TEST_F(ModuleFrame, AServiceEntryTheModuleMustNotUseIsReportedAsAFault) {
    PanelServices* table = host.module()->imports()->table;
    const int id = place("Old_COM1");
    host.frame(id);
    ASSERT_TRUE(host.errors().empty());

    // What the module would do if it called entry 7 of the table from a callback.
    ActiveHost active(&host);
    table->unused_0_34[7]();

    ASSERT_EQ(host.errors().size(), 1u);
    EXPECT_EQ(host.errors()[0], "unexpected service 7");
    EXPECT_EQ(ops("fault").size(), 1u);
}
