#include "app/instance_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvex {
namespace {

std::vector<std::uint32_t> Ids(const InstanceTable& table) {
    return {table.ProcessIds, table.ProcessIds + table.Count};
}

TEST(InstanceTableTest, ApplicationIdNamesTheSharedObjects) {
    EXPECT_EQ(ApplicationId("C:\\APPS\\TARVEX.EXE"), "JCLC:_APPS_TARVEX.EXE");
    EXPECT_EQ(InstanceTableName(ApplicationId("C:\\APPS\\TARVEX.EXE")), "JCLC:_APPS_TARVEX.EXE_All");
    EXPECT_EQ(InstanceLockName(ApplicationId("Z:\\X")), "JCLZ:_X_Otx");
}

TEST(InstanceTableTest, FirstCheckSetsTheLimitAndLaterStartsAreRefused) {
    InstanceTable table{};
    EXPECT_TRUE(RegisterInstance(table, 100, 1));
    EXPECT_EQ(table.Limit, 1);
    EXPECT_FALSE(RegisterInstance(table, 200, 1));
    EXPECT_EQ(Ids(table), (std::vector<std::uint32_t>{100, 200}));

    // The refused start ends and leaves the table as it found it.
    UnregisterInstance(table, 200);
    EXPECT_EQ(Ids(table), (std::vector<std::uint32_t>{100}));

    // Once the first one has gone, the next start may run.
    UnregisterInstance(table, 100);
    EXPECT_EQ(table.Count, 0);
    EXPECT_TRUE(RegisterInstance(table, 300, 1));
}

TEST(InstanceTableTest, StoredLimitWinsAndZeroMeansNoLimit) {
    InstanceTable table{};
    table.Limit = 2;
    EXPECT_TRUE(RegisterInstance(table, 1, 1));
    EXPECT_TRUE(RegisterInstance(table, 2, 1));
    EXPECT_FALSE(RegisterInstance(table, 3, 1));

    InstanceTable open{};
    for (std::uint32_t id = 1; id <= 10; ++id) EXPECT_TRUE(RegisterInstance(open, id, 0));
}

TEST(InstanceTableTest, UnregisterKeepsOrderAndIgnoresStrangers) {
    InstanceTable table{};
    for (std::uint32_t id : {5, 6, 7, 8}) RegisterInstance(table, id, 0);
    UnregisterInstance(table, 6);
    EXPECT_EQ(Ids(table), (std::vector<std::uint32_t>{5, 7, 8}));
    UnregisterInstance(table, 42);
    EXPECT_EQ(Ids(table), (std::vector<std::uint32_t>{5, 7, 8}));
}

TEST(InstanceTableTest, NoWritePastAFullOrDamagedTable) {
    struct Guarded {
        InstanceTable table{};
        std::uint32_t fence = 0xDEADBEEF;
    } guarded;
    for (std::uint32_t id = 1; id <= InstanceTable::kSlots + 5; ++id) RegisterInstance(guarded.table, id, 0);
    EXPECT_EQ(guarded.table.Count, InstanceTable::kSlots);
    EXPECT_EQ(guarded.fence, 0xDEADBEEF);
    UnregisterInstance(guarded.table, 1);
    EXPECT_EQ(guarded.table.Count, InstanceTable::kSlots - 1);
    EXPECT_EQ(guarded.table.ProcessIds[0], 2u);

    guarded.table.Count = 60000;  // damaged by someone else
    EXPECT_FALSE(RegisterInstance(guarded.table, 9, 1));
    EXPECT_EQ(guarded.fence, 0xDEADBEEF);
    UnregisterInstance(guarded.table, 12345);
    EXPECT_EQ(guarded.fence, 0xDEADBEEF);
}

}  // namespace
}  // namespace tarvex
