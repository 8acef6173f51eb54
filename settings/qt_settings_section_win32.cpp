#include "settings/qt_settings_section.h"

namespace pellavane {

SectionSettings::SectionSettings(const QString& app, const QString& section)
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, app, section)
{}

std::string WhyNotSaved(const QSettings&)
{
    return "the registry key cannot be written";
}

} // namespace pellavane
