// Damaged settings files: whatever the file holds, the window starts, with the stored values it
// can use, the defaults for the rest, and a report only where a stored value cannot be used.
#include "app/tests/faults/fault_support.h"

#include "app/main_window/main_window.h"
#include "settings/qt_settings_store.h"
#include "settings/settings_store.h"
#include "testsupport/main_window_fakes.h"

#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>

namespace pellavane {
namespace {

using namespace pellavane::testing;

/** The real store, except that the log path a damaged file names could be anywhere on this
 *  machine: it is read as the program reads it, and the record goes to the sandbox instead. */
class SandboxedLogStore : public ISettingsStore
{
public:
    explicit SandboxedLogStore(std::string log) : m_log(std::move(log)) {}
    std::string Read(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& defaultValue) override
    {
        const std::string value = m_store.Read(app, section, key, defaultValue);
        return key == "Text1" ? m_log : value;
    }
    void Save(const std::string& app, const std::string& section, const std::string& key,
              const std::string& value) override
    {
        m_store.Save(app, section, key, value);
    }

private:
    QtSettingsStore m_store;
    std::string m_log;
};

const std::string kGoodFile = "[Pellavane]\r\nOftenIndex=3\r\nText1=history.txt\r\nStartStopState=On\r\n"
                              "Windows%20Startup=On\r\nMinimized=On\r\n";

std::string RandomValue(std::mt19937& random)
{
    static const char* const kValues[] = {
        "",      "0",   "1",    "12", "13", "-1",  "32767",      "32768", "-32769",     "+5",
        " 7 ",   "2.5", "word", "On", "on", "Off", "\"quoted\"", "a, b",  "@Invalid()", "@ByteArray(\\0)",
        "\\x41", "\\",  "=",    "["};
    return kValues[random() % std::size(kValues)];
}

/** One damaged settings file of several kinds: cut short, bytes changed, lines of odd values,
 *  or noise. */
std::string DamagedFile(std::mt19937& random, int i)
{
    std::string file = kGoodFile;
    switch (i % 4) {
    case 0:
        file.resize(random() % (kGoodFile.size() + 1));
        break;
    case 1:
        for (int change = 0, changes = 1 + static_cast<int>(random() % 8); change < changes; ++change) {
            const std::size_t at = random() % (file.size() + 1);
            const char byte = static_cast<char>(random() % 256);
            switch (random() % 3) {
            case 0:
                if (at < file.size())
                    file[at] = byte;
                break;
            case 1:
                file.insert(at, 1, byte);
                break;
            default:
                if (at < file.size())
                    file.erase(at, 1);
            }
        }
        break;
    case 2: {
        static const char* const kKeys[] = {
            "OftenIndex", "Text1", "StartStopState", "Windows%20Startup", "Minimized", "Other", ""};
        file = random() % 2 ? "[Pellavane]\n" : "[Pellavane\n";
        for (int line = 0, lines = static_cast<int>(random() % 10); line < lines; ++line) {
            file += std::string(kKeys[random() % std::size(kKeys)]) + "=" + RandomValue(random) + "\n";
        }
        break;
    }
    default:
        file.assign(random() % 600, '\0');
        for (char& byte : file) {
            byte = static_cast<char>(random() % 256);
        }
        if (random() % 2)
            file.insert(0, "[Pellavane]\n");
    }
    return file;
}

TEST(BadSettings, AnyDamagedFileStartsTheWindowWithOnlyTheStoredValueReports)
{
    Sandbox sandbox;
    ScopedEnv home("HOME", sandbox.File("home"));
    ScopedEnv state("XDG_STATE_HOME", sandbox.File("state"));
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);

    const int files = Scaled(1000, 50);
    int withReports = 0;
    for (int i = 0; i < files; ++i) {
        // A folder of its own each time, so that no cached copy of an earlier file is read.
        const std::string folder = sandbox.File("settings-" + std::to_string(i));
        std::filesystem::create_directory(folder);
        const std::string content = DamagedFile(random, i);
        WriteFile(folder + "/Quillmoor.ini", content);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(folder));

        SandboxedLogStore settings(sandbox.File("history.txt"));
        MainWindowFakes fakes;
        fakes.trayAvailable = false;
        MainWindow window(fakes.Services(sandbox.File("bin"), &settings));
        ASSERT_NO_THROW(window.Form_Load()) << "file " << i << ": '" << content << "'";

        bool reported164 = false;
        for (const Report& report : fakes.reporter.reports) {
            EXPECT_EQ(report.tag, HandlerTag("Form_Load"));
            EXPECT_TRUE(report.line == 162 || report.line == 164)
                << "file " << i << " reported at line " << report.line << ": " << report.description
                << "\nfile: '" << content << "'";
            reported164 = reported164 || report.line == 164;
        }
        EXPECT_NE(window.Form().IntervalSelection().SelectedPosition().has_value(), reported164)
            << "a row is selected exactly when the stored position could be used; file: '" << content << "'";
        EXPECT_FALSE(window.StartupInProgress());
        withReports += fakes.reporter.reports.empty() ? 0 : 1;
    }
    std::printf("%d damaged settings files, %d of them started with reports\n", files, withReports);
}

} // namespace
} // namespace pellavane
