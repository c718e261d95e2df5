#include <gtest/gtest.h>

#include "app/module_kill_client.h"
#include "app/repair_run.h"
#include "app/run_log.h"

namespace {

class OverridesNothing final : public IModuleKillClientNull {};

TEST(ModuleInterface, NullBaseDefaults) {
    OverridesNothing module;
    int host = 0;
    EXPECT_EQ(module.Host(), nullptr);
    EXPECT_EQ(module.SetHost(&host), 1);
    EXPECT_EQ(module.Host(), &host);
    EXPECT_EQ(module.SetHost(nullptr), 1);
    EXPECT_EQ(module.Detect(), 0);
    EXPECT_EQ(module.Scan(), 0);
    EXPECT_EQ(module.Repair(), 0);
    EXPECT_EQ(module.Finish(), 1);
}

TEST(ModuleInterface, SlotOrderIsSetHostDetectScanRepairFinish) {
    // Peers that hold a module by its interface call through these slots.
    struct Probe final : IModuleKillClientNull {
        int SetHost(void*) override { return 11; }
        int Detect() override { return 12; }
        int Scan() override { return 13; }
        int Repair() override { return 14; }
        int Finish() override { return 15; }
    } probe;
    using Slot = int (*)(void*);
    void** table = *reinterpret_cast<void***>(&probe);
    EXPECT_EQ(reinterpret_cast<int (*)(void*, void*)>(table[0])(&probe, nullptr), 11);
    for (int slot = 1; slot < 5; ++slot)
        EXPECT_EQ(reinterpret_cast<Slot>(table[slot])(&probe), 11 + slot);
}

TEST(ModuleInterface, ModuleThatOverridesNothingLeavesTheLogAlone) {
    RunLog& log = TheRunLog();
    log.Assign(nullptr);
    log.Append("before");
    OverridesNothing module;
    EXPECT_FALSE(repair_run::ScanAndRepair(module, "title\r\n", L"IModuleKillClientNull", true));
    EXPECT_EQ(log.Text(), "before");
}

} // namespace
