// Stored setting values through the typed table, and on to what reads them further: one value a
// line, given to the settings in the table's order. A value is read or refused with
// std::invalid_argument or std::out_of_range; what is read is written back and must read the same.

#include "engine/check/address_families.h"
#include "engine/check/probe_targets.h"
#include "settings/often_index.h"
#include "settings/settings.h"
#include "testsupport/settings_fakes.h"

#include "fuzz/fuzz_files.h"

#include <cstdlib>
#include <stdexcept>

namespace {

using namespace pellavane;

template <class T>
bool Absent(const T&)
{
    return false;
}

// "Nothing stored" is no text: it is never written, so it has nothing to read back.
template <class T>
bool Absent(const std::optional<T>& value)
{
    return !value;
}

template <class T>
void ReadBack(const Settings& settings, const Setting<T>& setting)
{
    try {
        const T value = settings.Get(setting);
        if (!Absent(value) && setting.parse(setting.format(value)) != value) {
            std::abort();
        }
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    }
}

std::optional<std::string> NoEnvironment(const char*)
{
    return std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    testing::FakeSettings store;
    const char* keys[] = {kLogFileSetting.key,      kIntervalRowSetting.key, kLoggingOnSetting.key,
                          kStartAtLogOnSetting.key, kMinimizedSetting.key,   kMetricsFileSetting.key,
                          kNotifySetting.key,       kProbeHostsSetting.key,  kEchoesPerCheckSetting.key,
                          kFamiliesSetting.key,     kCheckUrlSetting.key,    kDegradedLossPctSetting.key,
                          kDegradedRttMsSetting.key};
    std::string_view rest = fuzz::Text(data, size);
    for (const char* key : keys) {
        if (rest.empty()) {
            break;
        }
        const std::size_t end = rest.find('\n');
        store.values[std::string(kSettingsApp) + "/" + kSettingsSection + "/" + key] =
            std::string(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    const Settings settings(store);
    ReadBack(settings, kLogFileSetting);
    ReadBack(settings, kIntervalRowSetting);
    ReadBack(settings, kLoggingOnSetting);
    ReadBack(settings, kStartAtLogOnSetting);
    ReadBack(settings, kMinimizedSetting);
    ReadBack(settings, kMetricsFileSetting);
    ReadBack(settings, kNotifySetting);
    ReadBack(settings, kProbeHostsSetting);
    ReadBack(settings, kEchoesPerCheckSetting);
    ReadBack(settings, kFamiliesSetting);
    ReadBack(settings, kCheckUrlSetting);
    ReadBack(settings, kDegradedLossPctSetting);
    ReadBack(settings, kDegradedRttMsSetting);

    ParseFamilyChoice(settings.Get(kFamiliesSetting));
    try {
        ParseOftenIndex(store.Read(kSettingsApp, kSettingsSection, kIntervalRowSetting.key, "2"));
    } catch (const std::invalid_argument&) {
    } catch (const std::out_of_range&) {
    }
    try {
        const ProbeTargets targets =
            ResolveProbeTargets(std::nullopt, settings.Get(kProbeHostsSetting), NoEnvironment);
        ResolveCheckUrl(targets, settings.Get(kCheckUrlSetting), NoEnvironment);
    } catch (const ProbeTargetsError&) {
    }
    return 0;
}
