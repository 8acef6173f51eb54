#include "app/check/report_about.h"

#include "app/app_config.h"
#include "app/check/app_verdict.h"

#include <QSysInfo>

namespace pellavane {

ReportAbout ThisMachinesReportAbout(ISettingsStore& settings, std::int64_t now)
{
    ReportAbout about;
    about.machine = QSysInfo::machineHostName().toStdString();
    about.version = PELLAVANE_VERSION;
    about.madeAt = now;
    try {
        const VerdictSetup setup = ReadVerdictSetup(settings, std::nullopt);
        for (const std::string& host : setup.targets.hosts) {
            about.targets += (about.targets.empty() ? "" : ", ") + host;
        }
        about.targets += " (from " + SourceName(setup.targets.source) + ")";
    } catch (const ProbeTargetsError& e) {
        about.targets = e.what();
    }
    return about;
}

} // namespace pellavane
