// Zirk: the desktop program of the Zirk stop-time measuring instrument.
#include "windows/MainForm.h"
#include "windows/Program.h"
#include "windows/QtPlatform.h"
#include "windows/ZirkApplication.h"

#include <QTimer>

int main(int argc, char **argv)
{
    ZirkApplication app(argc, argv);
    QtPlatform qt;
    app.setDialogs(qt.platform().dialogs);

    QStringList arguments = app.arguments();
    arguments.removeFirst();
    ZirkProgram program(qt.platform(), arguments);
    program.mainForm()->show();

    // ZIRK_SCREENSHOT=file: save a picture of the main window after start-up
    // and close again (used to check a build on a machine without display).
    const QString shot = qEnvironmentVariable("ZIRK_SCREENSHOT");
    if (!shot.isEmpty()) {
        QTimer::singleShot(3500, program.mainForm(), [&] {
            program.mainForm()->grab().save(shot);
            // An orderly close writes the settings file like a user's close.
            if (!program.mainForm()->close())
                app.quit();
        });
    }
    return app.exec();
}
