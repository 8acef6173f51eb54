#pragma once

#include "settings/settings_store.h"

#include <optional>
#include <string>
#include <type_traits>

namespace pellavane {

/** One stored setting: its key, the stored text that stands when nothing is stored, and how the
 *  stored text reads as a T and a T is written. parse throws std::invalid_argument or
 *  std::out_of_range, with a message naming the value, for text that is not a valid T. */
template <class T>
struct Setting
{
    const char* key;
    /** nullptr where the default is not fixed and the caller supplies it (the log file's path). */
    const char* defaultText;
    T (*parse)(const std::string& text);
    std::string (*format)(const T& value);
};

/** The stored text as it stands. */
std::string TextAsIs(const std::string& text);
/** "On" is on; anything else reads as off. */
bool IsOn(const std::string& text);
std::string OnOffText(const bool& on);
/** "On" and "Off"; nullopt for any other text, which stands for neither. */
std::optional<bool> OnOffOrNeither(const std::string& text);
std::string OnOffOrNeitherText(const std::optional<bool>& on);
/** A signed 16-bit decimal number, as ParseOftenIndex reads it. */
int ShortNumber(const std::string& text);
std::string NumberText(const int& number);
/** The share of echoes lost that makes a connection degraded, in percent: a decimal number with a
 *  point from 0.1 to 100. Throws std::invalid_argument or std::out_of_range naming the text. */
double LossPercent(const std::string& text);
/** The median round trip that makes a connection degraded, in whole milliseconds from 1 to 60000. */
int RoundTripMs(const std::string& text);
/** A decimal number as LossPercent reads it, in the C locale whatever the program's. */
std::string DecimalText(const double& number);
/** Stands for "nothing stored" where that differs from an empty text: no one stores a control
 *  character in a setting. */
inline constexpr const char* kNothingStored = "\x01";
/** The stored text; nullopt when nothing is stored. */
std::optional<std::string> TextIfStored(const std::string& text);
std::string StoredText(const std::optional<std::string>& text);

// Every setting of the program, one a line. A new one is one more line here.
inline constexpr Setting<std::string> kLogFileSetting{"Text1", nullptr, TextAsIs, TextAsIs};
/** The 1-based row of the interval list. */
inline constexpr Setting<int> kIntervalRowSetting{"OftenIndex", "2", ShortNumber, NumberText};
/** Whether automatic logging was on when the program last stopped. */
inline constexpr Setting<std::optional<bool>> kLoggingOnSetting{"StartStopState", "On", OnOffOrNeither,
                                                                OnOffOrNeitherText};
/** Start at log-on. */
inline constexpr Setting<bool> kStartAtLogOnSetting{"Windows Startup", "Off", IsOn, OnOffText};
/** Go to the tray when started at log-on. */
inline constexpr Setting<bool> kMinimizedSetting{"Minimized", "Off", IsOn, OnOffText};
/** The Prometheus metrics file written after every check; empty writes none. */
inline constexpr Setting<std::string> kMetricsFileSetting{"MetricsFile", "", TextAsIs, TextAsIs};
/** Desktop notices when the connection is lost and when it comes back. */
inline constexpr Setting<bool> kNotifySetting{"Notify", "On", IsOn, OnOffText};
/** The check's targets, comma-separated; nothing stored or empty means the built-in list. */
inline constexpr Setting<std::optional<std::string>> kProbeHostsSetting{"ProbeHosts", kNothingStored,
                                                                        TextIfStored, StoredText};
/** Echo requests sent to the first target in one ping per check, 1 to 20: more measure the loss and
 *  the round trips of a connection that is up. */
inline constexpr Setting<int> kEchoesPerCheckSetting{"EchoesPerCheck", "1", ShortNumber, NumberText};
/** The families a check probes: "auto" (every configured one), "4" or "6"; any other stored text
 *  stands for "auto". */
inline constexpr Setting<std::string> kFamiliesSetting{"Families", "auto", TextAsIs, TextAsIs};
/** The web check's address; nothing stored means the built-in one, empty turns the check off. */
inline constexpr Setting<std::optional<std::string>> kCheckUrlSetting{"CheckUrl", kNothingStored,
                                                                      TextIfStored, StoredText};
/** The loss of the first target's echoes, in percent, at which the connection reads as degraded. */
inline constexpr Setting<double> kDegradedLossPctSetting{"DegradedLossPct", "5", LossPercent, DecimalText};
/** The median round trip, in milliseconds, at which the connection reads as degraded. */
inline constexpr Setting<int> kDegradedRttMsSetting{"DegradedRttMs", "250", RoundTripMs, NumberText};

/** The program's settings, typed, on a per-user store. */
class Settings
{
public:
    explicit Settings(ISettingsStore& store) : m_store(store) {}

    /** The stored value, or the setting's default when nothing is stored or the store cannot be
     *  read. Throws what the setting's parse throws for a stored text that is not valid. */
    template <class T>
    T Get(const Setting<T>& setting) const
    {
        return Get(setting, setting.defaultText != nullptr ? setting.defaultText : "");
    }
    /** The same, with the default text supplied here. */
    template <class T>
    T Get(const Setting<T>& setting, const std::string& defaultText) const
    {
        return setting.parse(m_store.Read(kSettingsApp, kSettingsSection, setting.key, defaultText));
    }
    /** The setting's default as its T. */
    template <class T>
    static T Default(const Setting<T>& setting)
    {
        return setting.parse(setting.defaultText != nullptr ? setting.defaultText : "");
    }
    /** Stores value; it is on disk when this returns. Throws SettingsWriteError. */
    template <class T>
    void Set(const Setting<T>& setting, const std::type_identity_t<T>& value)
    {
        m_store.Save(kSettingsApp, kSettingsSection, setting.key, setting.format(value));
    }

private:
    ISettingsStore& m_store;
};

} // namespace pellavane
