#include "settings/settings.h"

#include "testsupport/settings_fakes.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>

namespace pellavane {
namespace {

using pellavane::testing::FakeSettings;

std::string Stored(const char* key)
{
    return std::string(kSettingsApp) + "/" + kSettingsSection + "/" + key;
}

TEST(Settings, DefaultsStandUntilAValueIsStoredAndValuesAreStoredAsBefore)
{
    FakeSettings store;
    Settings settings(store);
    EXPECT_EQ(settings.Get(kIntervalRowSetting), 2);
    EXPECT_EQ(settings.Get(kLoggingOnSetting), true);
    EXPECT_FALSE(settings.Get(kStartAtLogOnSetting));
    EXPECT_FALSE(settings.Get(kMinimizedSetting));
    EXPECT_EQ(settings.Get(kLogFileSetting, "/state/Pellavane.txt"), "/state/Pellavane.txt");
    EXPECT_EQ(settings.Get(kEchoesPerCheckSetting), 1);
    EXPECT_EQ(settings.Get(kFamiliesSetting), "auto");

    settings.Set(kIntervalRowSetting, 12);
    settings.Set(kLoggingOnSetting, false);
    settings.Set(kStartAtLogOnSetting, true);
    settings.Set(kMinimizedSetting, true);
    settings.Set(kLogFileSetting, "");
    EXPECT_EQ(store.values, (std::map<std::string, std::string>{{Stored("OftenIndex"), "12"},
                                                                {Stored("StartStopState"), "Off"},
                                                                {Stored("Windows Startup"), "On"},
                                                                {Stored("Minimized"), "On"},
                                                                {Stored("Text1"), ""}}));
    EXPECT_EQ(settings.Get(kIntervalRowSetting), 12);
    EXPECT_EQ(settings.Get(kLoggingOnSetting), false);
    EXPECT_TRUE(settings.Get(kStartAtLogOnSetting));
    EXPECT_EQ(settings.Get(kLogFileSetting, "default"), "") << "an empty path is a stored value";
}

TEST(Settings, StoredTextThatIsNoValidValueReadsAsBefore)
{
    FakeSettings store;
    Settings settings(store);
    store.values[Stored("OftenIndex")] = "often";
    EXPECT_THROW(settings.Get(kIntervalRowSetting), std::invalid_argument);
    store.values[Stored("OftenIndex")] = "70000";
    EXPECT_THROW(settings.Get(kIntervalRowSetting), std::out_of_range);
    // Neither on nor off: start-up then leaves the switch as designed.
    store.values[Stored("StartStopState")] = "on";
    EXPECT_EQ(settings.Get(kLoggingOnSetting), std::nullopt);
    store.values[Stored("Minimized")] = "Yes";
    EXPECT_FALSE(settings.Get(kMinimizedSetting));
}

TEST(Settings, TheCheckSettingsTellNothingStoredFromStoredEmpty)
{
    FakeSettings store;
    Settings settings(store);
    for (const auto* setting : {&kProbeHostsSetting, &kCheckUrlSetting}) {
        EXPECT_EQ(settings.Get(*setting), std::nullopt) << setting->key;
        store.values[Stored(setting->key)] = "";
        EXPECT_EQ(settings.Get(*setting), "") << setting->key;
        settings.Set(*setting, "127.0.0.1,::1");
        EXPECT_EQ(settings.Get(*setting), "127.0.0.1,::1") << setting->key;
    }
}

TEST(Settings, TheDegradedThresholdsReadWithinTheirRangesOrThrow)
{
    FakeSettings store;
    Settings settings(store);
    EXPECT_EQ(settings.Get(kDegradedLossPctSetting), 5.0);
    EXPECT_EQ(settings.Get(kDegradedRttMsSetting), 250);
    settings.Set(kDegradedLossPctSetting, 2.5);
    EXPECT_EQ(store.values[Stored("DegradedLossPct")], "2.5");
    EXPECT_EQ(settings.Get(kDegradedLossPctSetting), 2.5);

    struct Case
    {
        const char* loss;
        const char* rtt;
        bool valid;
    };
    for (const Case& c : {Case{" 0.1 ", "1", true}, Case{"100", "60000", true}, Case{"0.09", "0", false},
                          Case{"100.5", "60001", false}, Case{"nan", "250ms", false}, Case{"", "", false},
                          Case{"5,5", "2.5", false}, Case{"-inf", "-1", false}}) {
        store.values[Stored("DegradedLossPct")] = c.loss;
        store.values[Stored("DegradedRttMs")] = c.rtt;
        if (c.valid) {
            EXPECT_NO_THROW(settings.Get(kDegradedLossPctSetting)) << c.loss;
            EXPECT_NO_THROW(settings.Get(kDegradedRttMsSetting)) << c.rtt;
        } else {
            EXPECT_ANY_THROW(settings.Get(kDegradedLossPctSetting)) << c.loss;
            EXPECT_ANY_THROW(settings.Get(kDegradedRttMsSetting)) << c.rtt;
        }
    }
}

TEST(Settings, EveryKeyIsDistinct)
{
    const std::set<std::string> keys{
        kLogFileSetting.key,      kIntervalRowSetting.key,     kLoggingOnSetting.key,
        kStartAtLogOnSetting.key, kMinimizedSetting.key,       kProbeHostsSetting.key,
        kCheckUrlSetting.key,     kDegradedLossPctSetting.key, kDegradedRttMsSetting.key};
    EXPECT_EQ(keys.size(), 9u);
}

} // namespace
} // namespace pellavane
