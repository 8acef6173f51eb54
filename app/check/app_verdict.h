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

/** What a check is made of: the targets and the web check's address (empty: none). */
struct VerdictSetup
{
    ProbeTargets targets;
    std::string checkUrl;
};

/** The setup from --hosts, the environment and the settings, in that order. Throws
 *  ProbeTargetsError when the chosen host list is refused. */
VerdictSetup ReadVerdictSetup(ISettingsStore& settings, const std::optional<std::string>& commandLineHosts);

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
