#include <QCoreApplication>
#include <QSettings>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <string>

// The tests get a home, a settings folder and a state folder of their own, set before Qt first looks
// at them, so the real user's settings are never read or written.
int main(int argc, char** argv)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/settings-tests.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::cerr << "Cannot create a temporary folder from '" << pattern << "'\n";
        return 2;
    }
    const std::filesystem::path sandbox = pattern;
    setenv("HOME", (sandbox / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (sandbox / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (sandbox / "state").c_str(), 1);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(sandbox / "config"));

    int rc = 0;
    {
        QCoreApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    std::filesystem::remove_all(sandbox, ignored);
    return rc;
}
