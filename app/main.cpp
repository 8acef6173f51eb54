#include "app_config.h"
#include "form1.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(PELLAVANE_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/pellavane-32.png")));
    pellavane::Form1 form(pellavane::StatusLine);
    form.setWindowTitle(QStringLiteral("Pellavane"));
    form.show();
    return QApplication::exec();
}
