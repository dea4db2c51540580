#include "config/ProgramSettings.h"

#include "tests/CoreFakes.h"

#include <gtest/gtest.h>

namespace kesto {
namespace {

// A store whose `failAt`-th close (1 = the first operation's) cannot be kept.
class FailingStore final : public MemoryRegistryStore {
public:
    void close() override {
        if (++closes == failAt) {
            throw SettingsError("disk full at close " + std::to_string(closes));
        }
        MemoryRegistryStore::close();
    }
    int failAt = 0;
    int closes = 0;
};

struct Program {
    test::FakeClock clock;
    test::FakeSerialLink link;
    test::FakeMessageWindow messages;
    test::FakeAlarm alarm;
    LiveAcquisition acquisition{clock, link, messages, alarm};
};

TEST(ProgramSettings, loadHandsTheGeneralSettingsOverToTheRefresh) {
    for (const bool on : {false, true}) {
        MemoryRegistryStore store;
        store.open();
        store.writeBoolean("TGas", "Decimals", on);
        store.writeBoolean("Meanvalue", "UseMeanValue", on);
        store.writeInteger("Communication", "COMPort", 7);
        store.writeString("O2", "Max", "15");
        store.close();

        Program p;
        p.acquisition.options().tgasDecimals = !on;
        p.acquisition.options().useMeanValue = !on;
        ProgramSettings settings(store, p.acquisition);
        settings.load(builtinChannelDefaults());
        EXPECT_EQ(p.acquisition.options().tgasDecimals, on);
        EXPECT_EQ(p.acquisition.options().useMeanValue, on);
        EXPECT_EQ(settings.general().comPort, 7);
        EXPECT_EQ(p.acquisition.display()[index(Channel::O2)].settings.maximum, 15);

        // A change in the setup dialog reaches the refresh only when handed over.
        settings.general().tgasDecimals = !on;
        EXPECT_EQ(p.acquisition.options().tgasDecimals, on);
        settings.handOver();
        EXPECT_EQ(p.acquisition.options().tgasDecimals, !on);
    }
}

// Channel, reference and general settings are saved in that order; the first that cannot be
// kept ends the saving with its text, and nothing after it is written.
TEST(ProgramSettings, saveStopsAtTheFirstGroupThatCannotBeKept) {
    struct Case {
        int failAt;
        bool channels, references, general;
    };
    for (const Case c : {Case{0, true, true, true}, Case{1, false, false, false},
                         Case{2, true, false, false}, Case{3, true, true, false}}) {
        FailingStore store;
        Program p;
        ProgramSettings settings(store, p.acquisition);
        p.acquisition.display()[index(Channel::CO)].settings.unit = "mg";
        p.acquisition.references()[0].text = "8.0";
        settings.general().comPort = 9;
        store.failAt = c.failAt;

        const std::optional<std::string> error = settings.save();
        SCOPED_TRACE(c.failAt);
        EXPECT_EQ(error.has_value(), c.failAt != 0);
        if (error) {
            EXPECT_EQ(*error, "disk full at close " + std::to_string(c.failAt));
        }
        store.failAt = 0;
        store.open();
        EXPECT_EQ(store.readString("CO", "Unit", "") == "mg", c.channels);
        EXPECT_EQ(store.value("Communication", "COMPort").has_value(), c.general);
        store.discard();
        Program reloaded;
        LoadReferenceSettings(store, reloaded.acquisition.references());
        EXPECT_EQ(reloaded.acquisition.references()[0].text == "8.0", c.references);
    }
}

} // namespace
} // namespace kesto
