#pragma once

#include <QApplication>

class Dialogs;

// The application object.  Handlers run under the general error handling
// already; this is the net below them for anything else Qt dispatches
// (paint, close and key events): the error is shown and the program goes on.
class ZirkApplication : public QApplication
{
public:
    ZirkApplication(int &argc, char **argv);
    void setDialogs(Dialogs *dialogs) { m_dialogs = dialogs; }
    bool notify(QObject *receiver, QEvent *event) override;

private:
    Dialogs *m_dialogs = nullptr;
};
