#include "app/verdict_setup.h"

#include "engine/settings_store.h"

#include <utility>

namespace pellavane {
namespace {

// Read cannot tell an absent key from its default, so the default is one no one stores.
constexpr const char* kAbsent = "\x01";

std::optional<std::string> Stored(ISettingsStore& settings, const char* key)
{
    std::string value = settings.Read(kSettingsApp, kSettingsSection, key, kAbsent);
    return value == kAbsent ? std::nullopt : std::optional<std::string>(std::move(value));
}

} // namespace

VerdictSetup ReadVerdictSetup(ISettingsStore& settings, const std::optional<std::string>& commandLineHosts)
{
    VerdictSetup setup;
    setup.targets = ResolveProbeTargets(commandLineHosts, Stored(settings, kProbeHostsKey));
    setup.checkUrl = ResolveCheckUrl(setup.targets, Stored(settings, kCheckUrlKey));
    return setup;
}

AppVerdict::AppVerdict(const VerdictSetup& setup, EventPump pump)
    : m_ping(std::move(pump)),
      m_web(setup.checkUrl.empty() ? nullptr
                                   : std::make_unique<QtWebCheck>(QString::fromStdString(setup.checkUrl))),
      m_verdict(m_ping, setup.targets.hosts, m_web.get())
{}

bool AppVerdict::IsInternetConnected()
{
    return m_verdict.IsInternetConnected();
}

} // namespace pellavane
