#include "windows/ZirkApplication.h"

#include "base/ErrorHandling.h"
#include "base/Seams.h"

ZirkApplication::ZirkApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(kApplicationTitle);
}

bool ZirkApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (m_dialogs)
            showEscapedError(*m_dialogs, activeWindow(), std::current_exception());
        return false;
    }
}
