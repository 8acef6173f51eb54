#pragma once

#include "app/check/qt_web_check.h"
#include "engine/check/probe_targets.h"
#include "engine/check/system_ping.h"
#include "engine/check/verdict.h"

#include <memory>
#include <optional>
#include <string>

namespace pellavane {

class ISettingsStore;

/** What a check is made of: the targets, the web check's address (empty: none) and the echo
 *  requests the first target is sent. */
struct VerdictSetup
{
    ProbeTargets targets;
    std::string checkUrl;
    int echoesPerCheck = 1;
    FamilyChoice families = FamilyChoice::Auto;
};

/** The setup from --hosts, --echoes and --families, the environment and the settings, in that order;
 *  a stored EchoesPerCheck that is not 1 to 20, or Families that is not 4, 6 or auto, stands for the
 *  default. Throws ProbeTargetsError when the chosen host list is refused. */
VerdictSetup ReadVerdictSetup(ISettingsStore& settings, const std::optional<std::string>& commandLineHosts,
                              std::optional<int> commandLineEchoes = std::nullopt,
                              std::optional<FamilyChoice> commandLineFamilies = std::nullopt);

/** The one verdict the window, --check and --console use: the system ping, the machine's own
 *  network for the cause of a failure and, when an address is set, the web check over Qt Network. */
class AppVerdict : public IConnectivityVerdict
{
public:
    AppVerdict(const VerdictSetup& setup, EventPump pump);
    bool IsInternetConnected() override;
    CheckResult Check() override;
    const CheckResult& LastResult() const { return m_verdict.LastResult(); }

private:
    SystemPing m_ping;
    std::unique_ptr<QtWebCheck> m_web;
    std::unique_ptr<ILocalNetwork> m_local;
    ConnectivityVerdict m_verdict;
};

} // namespace pellavane
