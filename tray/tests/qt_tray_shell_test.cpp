#include "tray/qt_tray_shell.h"

#include "tray/sys_tray.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>

#include <memory>
#include <string>
#include <vector>

namespace pellavane {
namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "tray_tests";
    static char* argv[] = {name, nullptr};
    static std::unique_ptr<QApplication> app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return std::make_unique<QApplication>(argc, argv);
    }();
    return *app;
}

template <class Condition>
bool WaitFor(Condition condition, int ms = 2000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return condition();
}

class QtTrayShellTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { App(); }

    QtTrayShellTest()
    {
        tray.MouseUp = [this](std::int16_t& button, std::int32_t&) {
            events.push_back("up" + std::to_string(button));
        };
    }

    bool trayAvailable = false;
    QtTrayShell shell{nullptr, [this] { return trayAvailable; }, 20};
    cSysTray tray{shell};
    std::vector<std::string> events;
};

TEST_F(QtTrayShellTest, ActivationsReachTheControlAsMouseReleases)
{
    trayAvailable = true;
    tray.SetInTray(true);
    ASSERT_NE(shell.Icon(), nullptr);

    Q_EMIT shell.Icon()->activated(QSystemTrayIcon::Trigger);
    Q_EMIT shell.Icon()->activated(QSystemTrayIcon::Context);
    Q_EMIT shell.Icon()->activated(QSystemTrayIcon::DoubleClick);
    Q_EMIT shell.Icon()->activated(QSystemTrayIcon::MiddleClick);

    EXPECT_EQ(events, (std::vector<std::string>{"up1", "up2"})) << "a double click came as its first click";
}

TEST_F(QtTrayShellTest, BalloonClickEndsTheBalloon)
{
    trayAvailable = true;
    tray.SetInTray(true);
    tray.ShowBalloon("text", "title", 0, false);
    ASSERT_TRUE(tray.BalloonUp());

    Q_EMIT shell.Icon()->messageClicked();

    EXPECT_FALSE(tray.BalloonUp());
}

TEST_F(QtTrayShellTest, IconWaitsForATrayAndAppearsWhenOneStarts)
{
    tray.SetTrayTip("Pellavane");
    tray.SetInTray(true);

    EXPECT_EQ(shell.Icon(), nullptr) << "Qt would settle on a kind of tray before there is one";
    EXPECT_TRUE(shell.WaitingForTray());
    tray.SetTrayTip("Pellavane, connected");

    trayAvailable = true;
    EXPECT_TRUE(WaitFor([this] { return shell.Icon() && shell.Icon()->isVisible(); }));
    EXPECT_FALSE(shell.WaitingForTray());
    EXPECT_EQ(shell.Icon()->toolTip(), "Pellavane, connected") << "the tip set while it waited";
    EXPECT_FALSE(shell.Icon()->icon().isNull()) << "an icon without a picture would never be shown";

    tray.SetInTray(false);
    EXPECT_FALSE(shell.Icon()->isVisible());
}

TEST(QtTrayShellWaitTest, ATrayThatMayHaveAppearedIsLookedForAtOnce)
{
    App();
    bool available = false;
    QtTrayShell shell{nullptr, [&available] { return available; }, 60000};
    shell.ShowIcon(QuillmoorTrayPicture(), "Pellavane");
    available = true;

    shell.CheckNow();

    ASSERT_NE(shell.Icon(), nullptr) << "not after the minute's wait";
    EXPECT_TRUE(shell.Icon()->isVisible());
    EXPECT_FALSE(shell.WaitingForTray());
}

TEST(QtTrayShellWaitTest, EachWaitForATrayIsLongerUpToALimit)
{
    App();
    int checks = 0;
    QtTrayShell shell{nullptr, [&checks] { return ++checks, false; }, 10};
    shell.ShowIcon(QuillmoorTrayPicture(), "Pellavane");
    WaitFor([] { return false; }, 700);
    // Every 10 ms would be some 70; 10, 20, 40, 80, 160, 320 ms are 7 with the first.
    EXPECT_GE(checks, 4);
    EXPECT_LE(checks, 9);
    EXPECT_TRUE(shell.WaitingForTray());
    WaitFor([] { return false; }, 700);
    EXPECT_LE(checks, 12) << "the wait stops growing at 320 ms";
    EXPECT_GE(checks, 8) << "and keeps checking";

    shell.HideIcon();
    checks = 0;
    shell.ShowIcon(QuillmoorTrayPicture(), "Pellavane");
    WaitFor([] { return false; }, 50);
    EXPECT_GE(checks, 2) << "a new icon starts from the shortest wait";
}

TEST_F(QtTrayShellTest, RemovedIconStopsWaitingForATray)
{
    tray.SetInTray(true);
    tray.SetInTray(false);

    EXPECT_FALSE(shell.WaitingForTray());
    trayAvailable = true;
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(shell.Icon(), nullptr);
}

} // namespace
} // namespace pellavane

namespace pellavane {
namespace {

bool IsBlue(QRgb pixel)
{
    return qAlpha(pixel) > 200 && qBlue(pixel) > 150 && qRed(pixel) < 100;
}

TEST(MarkedPixmapTest, AMarkedIconDrawsEachSizeItIsAskedFor)
{
    App();
    const QIcon base = ToQIcon(QuillmoorTrayPicture());
    const QIcon marked = ToQIcon({QuillmoorTrayPicture().resource, TrayMark::Disconnected});
    EXPECT_EQ(marked.availableSizes().size(), 6);
    for (const int size : {16, 22, 40}) {
        EXPECT_EQ(marked.pixmap(size).toImage(), MarkedPixmap(base, TrayMark::Disconnected, size).toImage())
            << size;
    }
    EXPECT_EQ(QIcon(marked).pixmap(22).toImage(), marked.pixmap(22).toImage()) << "a copy draws alike";
}

TEST(MarkedPixmapTest, TheMarkTakesTheCornerAndNeverCoversTheBlueQ)
{
    App();
    const QIcon base = ToQIcon(QuillmoorTrayPicture());
    for (const TrayMark mark :
         {TrayMark::Connected, TrayMark::Disconnected, TrayMark::Idle, TrayMark::Degraded}) {
        for (const int size : {16, 22, 32, 48}) {
            const QImage marked = MarkedPixmap(base, mark, size).toImage();
            const QRect at = MarkedIconRect(size);
            const QImage plain = base.pixmap(at.size()).toImage().scaled(at.size());
            int blue = 0;
            for (int y = 0; y < plain.height(); ++y) {
                for (int x = 0; x < plain.width(); ++x) {
                    if (IsBlue(plain.pixel(x, y))) {
                        ++blue;
                        ASSERT_EQ(marked.pixel(at.x() + x, at.y() + y), plain.pixel(x, y))
                            << "size " << size << " at " << x << "," << y;
                    }
                }
            }
            EXPECT_GT(blue, size * size / 12) << "size " << size;
            const QColor corner = marked.pixelColor(size - size / 4, size / 4);
            EXPECT_EQ(corner.rgb(), MarkColour(mark).rgb()) << "size " << size;
        }
    }
    const std::vector<TrayMark> marks{TrayMark::Connected, TrayMark::Disconnected, TrayMark::Idle,
                                      TrayMark::Degraded};
    for (std::size_t a = 0; a < marks.size(); ++a) {
        for (std::size_t b = a + 1; b < marks.size(); ++b) {
            EXPECT_NE(MarkColour(marks[a]), MarkColour(marks[b])) << a << " and " << b;
        }
    }
}

} // namespace
} // namespace pellavane
