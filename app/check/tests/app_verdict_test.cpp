#include "app/check/app_verdict.h"

#include "settings/settings.h"
#include "testsupport/settings_fakes.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace pellavane {
namespace {

TEST(ReadVerdictSetup, EchoesFromTheCommandLineElseAStoredCountThatFitsElseOne)
{
    struct Case
    {
        std::optional<std::string> stored;
        std::optional<int> commandLine;
        int echoes;
    };
    const Case table[] = {
        {std::nullopt, std::nullopt, 1},
        {"5", std::nullopt, 5},
        {"20", std::nullopt, 20},
        {"21", std::nullopt, 1},
        {"0", std::nullopt, 1},
        {"many", std::nullopt, 1},
        {"5", 3, 3},
    };
    for (const Case& row : table) {
        testing::FakeSettings store;
        if (row.stored) {
            store.values[std::string(kSettingsApp) + "/" + kSettingsSection + "/EchoesPerCheck"] =
                *row.stored;
        }
        EXPECT_EQ(ReadVerdictSetup(store, "127.0.0.1", row.commandLine).echoesPerCheck, row.echoes)
            << row.stored.value_or("nothing stored");
    }
}

TEST(ReadVerdictSetup, FamiliesFromTheCommandLineElseAStoredChoiceElseAuto)
{
    struct Case
    {
        std::optional<std::string> stored;
        std::optional<FamilyChoice> commandLine;
        FamilyChoice families;
    };
    const Case table[] = {
        {std::nullopt, std::nullopt, FamilyChoice::Auto},
        {"4", std::nullopt, FamilyChoice::V4},
        {"6", std::nullopt, FamilyChoice::V6},
        {"auto", std::nullopt, FamilyChoice::Auto},
        {"ipv6", std::nullopt, FamilyChoice::Auto},
        {"6", FamilyChoice::V4, FamilyChoice::V4},
    };
    for (const Case& row : table) {
        testing::FakeSettings store;
        if (row.stored) {
            store.values[std::string(kSettingsApp) + "/" + kSettingsSection + "/Families"] = *row.stored;
        }
        EXPECT_EQ(ReadVerdictSetup(store, "127.0.0.1", std::nullopt, row.commandLine).families, row.families)
            << row.stored.value_or("nothing stored");
    }
}

} // namespace
} // namespace pellavane
