#include "app/check/app_verdict.h"

#include "settings/settings.h"

#include <utility>

namespace pellavane {
VerdictSetup ReadVerdictSetup(ISettingsStore& settings, const std::optional<std::string>& commandLineHosts)
{
    VerdictSetup setup;
    const Settings stored(settings);
    setup.targets = ResolveProbeTargets(commandLineHosts, stored.Get(kProbeHostsSetting));
    setup.checkUrl = ResolveCheckUrl(setup.targets, stored.Get(kCheckUrlSetting));
    return setup;
}

AppVerdict::AppVerdict(const VerdictSetup& setup, EventPump pump)
    : m_ping(std::move(pump)),
      m_web(setup.checkUrl.empty() ? nullptr
                                   : std::make_unique<QtWebCheck>(QString::fromStdString(setup.checkUrl))),
      m_local(MakeSystemLocalNetwork()),
      m_verdict(m_ping, setup.targets.hosts, m_web.get(), {}, m_local.get())
{}

bool AppVerdict::IsInternetConnected()
{
    return m_verdict.IsInternetConnected();
}

CheckResult AppVerdict::Check()
{
    return m_verdict.Check();
}

} // namespace pellavane
