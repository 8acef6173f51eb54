#pragma once

// Where QtSettingsStore keeps a section on this platform; one file per platform says.

#include <QSettings>
#include <QString>

#include <string>

namespace pellavane {

/** One section of an application's settings: on Windows the user's registry key
 *  Software\<app>\<section>, elsewhere the group <section> of <app>.ini. */
class SectionSettings
{
public:
    SectionSettings(const QString& app, const QString& section);

    QSettings& operator*() noexcept { return m_settings; }
    QSettings* operator->() noexcept { return &m_settings; }

private:
    QSettings m_settings;
};

/** Why settings, whose status is an error, could not be saved, in words for the user. */
std::string WhyNotSaved(const QSettings& settings);

} // namespace pellavane
