#include "KorvalenApp.h"

#include "platform/QtMessageBox.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvalen"));
    QApplication::setQuitOnLastWindowClosed(false);

    platform::QtMessageBoxService messageBoxes;
    platform::setMessageBoxService(&messageBoxes);

    theApp.InitInstance(QApplication::arguments());
    platform::setMessageBoxService(nullptr);
    return 0;
}
