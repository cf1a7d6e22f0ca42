// A bare Qt main window of zirk's size: what a start of zirk is measured
// against in bench/start-time.sh.
#include "base/QuitWhenShown.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    window.setFixedSize(725, 860);
    window.show();
    new QuitWhenShown(&window);
    return app.exec();
}
