// The baseline the running window is measured against: a bare Qt window whose one-second timer
// changes a line of text, as the countdown does, and nothing else. It has the main window's size
// (536 by 574), since what a window draws into grows with its area: the comparison is of what the
// program adds to a window of its size.
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    auto* layout = new QVBoxLayout(&window);
    auto* label = new QLabel(QStringLiteral("0"), &window);
    layout->addWidget(label);
    window.setFixedSize(536, 574);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, label, [&] { label->setText(QString::number(++ticks)); });
    timer.start(1000);
    window.show();
    return QApplication::exec();
}
