#include "settings/qt_settings_section.h"

#include <QFileInfo>

namespace pellavane {

SectionSettings::SectionSettings(const QString& app, const QString& section)
    : m_settings(QSettings::IniFormat, QSettings::UserScope, app)
{
    m_settings.beginGroup(section);
}

std::string WhyNotSaved(const QSettings& settings)
{
    if (settings.status() == QSettings::FormatError)
        return "the file holds text that cannot be read as settings";
    if (QFileInfo(settings.fileName()).isDir())
        return "a folder stands where the file should be";
    return "the file cannot be written";
}

} // namespace pellavane
