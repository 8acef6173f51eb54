#include "testsupport/test_files.h"

#include <QCoreApplication>
#include <QSettings>
#include <cstdlib>
#include <gtest/gtest.h>

// The tests get a home, a settings folder and a state folder of their own, set before Qt first looks
// at them, so the real user's settings are never read or written.
int main(int argc, char** argv)
{
    const pellavane::testing::TempFolder sandbox;
    setenv("HOME", (sandbox.Path() / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (sandbox.Path() / "config").c_str(), 1);
    setenv("XDG_STATE_HOME", (sandbox.Path() / "state").c_str(), 1);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(sandbox.Path() / "config"));

    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
