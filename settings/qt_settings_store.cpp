#include "settings/qt_settings_store.h"

#include "settings/qt_settings_section.h"

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace pellavane {

namespace {

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

// One QSettings per call, synced before it goes: nothing is left waiting for an event-loop pass or a
// destructor that a crash would never run.
QSettings::Status SaveOnce(const QString& app, const QString& section, const QString& key,
                           const QString& value, std::string& reason, QString& where)
{
    SectionSettings settings(app, section);
    settings->setValue(key, value);
    settings->sync();
    where = settings->fileName();
    if (settings->status() != QSettings::NoError)
        reason = WhyNotSaved(*settings);
    return settings->status();
}

} // namespace

std::string QtSettingsStore::Read(const std::string& app, const std::string& section, const std::string& key,
                                  const std::string& defaultValue)
{
    try {
        SectionSettings settings(ToQt(app), ToQt(section));
        // A format error is not a reason to drop the values Qt could parse: it reports the error only
        // to the first reader of the file in a process, so later reads would see them anyway and
        // the five start-up reads would disagree.
        if (settings->status() == QSettings::AccessError)
            return defaultValue;
        const QVariant value = settings->value(ToQt(key));
        if (settings->status() == QSettings::AccessError || !value.isValid())
            return defaultValue;
        // A hand-edited value with commas and no quotes comes back as a list.
        if (value.typeId() == QMetaType::QStringList)
            return value.toStringList().join(QStringLiteral(", ")).toStdString();
        if (!value.canConvert<QString>())
            return defaultValue;
        return value.toString().toStdString();
    } catch (const std::exception&) {
        return defaultValue;
    }
}

void QtSettingsStore::Save(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& value)
{
    const QString qtValue = ToQt(value);
    if (qtValue.toStdString() != value) {
        throw SettingsWriteError("Cannot save setting '" + key +
                                 "': its value is not valid UTF-8 text, so it " +
                                 "would not read back as it was given");
    }
    std::string reason;
    QString where;
    QSettings::Status status = SaveOnce(ToQt(app), ToQt(section), ToQt(key), qtValue, reason, where);
    // A damaged file is reported as a format error although Qt has just rewritten it with our value;
    // its status stays at that first error, so only a second write can tell whether writing works.
    if (status == QSettings::FormatError)
        status = SaveOnce(ToQt(app), ToQt(section), ToQt(key), qtValue, reason, where);
    if (status != QSettings::NoError) {
        throw SettingsWriteError("Cannot save setting '" + key + "' to '" + where.toStdString() +
                                 "': " + reason);
    }
}

} // namespace pellavane
