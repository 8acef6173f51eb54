#include "app/check/app_verdict.h"

#include "settings/settings.h"

#include <exception>
#include <utility>

namespace pellavane {
namespace {

int StoredEchoesPerCheck(const Settings& stored)
{
    try {
        const int echoes = stored.Get(kEchoesPerCheckSetting);
        if (echoes >= 1 && echoes <= kMostEchoesPerCheck) {
            return echoes;
        }
    } catch (const std::exception&) {
        // Not a number: as if nothing were stored, as for a number out of range.
    }
    return Settings::Default(kEchoesPerCheckSetting);
}

} // namespace

VerdictSetup ReadVerdictSetup(ISettingsStore& settings, const std::optional<std::string>& commandLineHosts,
                              std::optional<int> commandLineEchoes,
                              std::optional<FamilyChoice> commandLineFamilies)
{
    VerdictSetup setup;
    const Settings stored(settings);
    setup.targets = ResolveProbeTargets(commandLineHosts, stored.Get(kProbeHostsSetting));
    setup.checkUrl = ResolveCheckUrl(setup.targets, stored.Get(kCheckUrlSetting));
    setup.echoesPerCheck = commandLineEchoes ? *commandLineEchoes : StoredEchoesPerCheck(stored);
    setup.families = commandLineFamilies
                         ? *commandLineFamilies
                         : ParseFamilyChoice(stored.Get(kFamiliesSetting)).value_or(FamilyChoice::Auto);
    return setup;
}

AppVerdict::AppVerdict(const VerdictSetup& setup, EventPump pump)
    : m_ping(std::move(pump)),
      m_web(setup.checkUrl.empty() ? nullptr
                                   : std::make_unique<QtWebCheck>(QString::fromStdString(setup.checkUrl))),
      m_local(MakeSystemLocalNetwork()), m_verdict(m_ping, setup.targets.hosts, m_web.get(), {},
                                                   m_local.get(), setup.echoesPerCheck, setup.families)
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
