#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>

// Ends the program once a window has painted itself for the first time:
// the end point of the start-time benchmark (bench/start-time.sh), which
// measures zirk and a bare Qt window the same way.  Header-only, so that the
// bare window links nothing of Zirk.
class QuitWhenShown : public QObject
{
public:
    explicit QuitWhenShown(QObject *window) : QObject(window) { window->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // After this paint has reached the screen.
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};
