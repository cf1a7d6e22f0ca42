// Zirk: the desktop program of the Zirk stop-time measuring instrument.
#include "base/QuitWhenShown.h"
#include "windows/MainForm.h"
#include "windows/Program.h"
#include "windows/QtPlatform.h"
#include "windows/StartArguments.h"
#include "windows/ZirkApplication.h"

#include <QTimer>

#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char **argv)
{
    // Answered before any window, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(startHelp().toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("zirk %s\n", ZIRK_VERSION);
            return 0;
        }
    }

    ZirkApplication app(argc, argv);
    QtPlatform qt;
    app.setDialogs(qt.platform().dialogs);

    QStringList arguments = app.arguments();
    arguments.removeFirst();
    ZirkProgram program(qt.platform(), arguments);
    program.mainForm()->show();
    if (qEnvironmentVariableIsSet("ZIRK_QUIT_WHEN_SHOWN"))
        new QuitWhenShown(program.mainForm());

    // ZIRK_SCREENSHOT=file: save a picture of the main window after start-up
    // and close again (used to check a build on a machine without display).
    const QString shot = qEnvironmentVariable("ZIRK_SCREENSHOT");
    if (!shot.isEmpty()) {
        QTimer::singleShot(3500, program.mainForm(), [&] {
            program.mainForm()->grab().save(shot);
            // The settings file is written as a user's close writes it, but
            // without the close's question about a series (a project given
            // on the command line): nobody is there to answer it.
            try {
                program.mainForm()->ZapisIni();
            } catch (const std::exception &e) {
                std::fprintf(stderr, "zirk: %s\n", e.what());
            }
            // exit, not quit: Qt's quit would close the windows, and the
            // close asks its question.
            QCoreApplication::exit(0);
        });
    }
    return app.exec();
}
