#pragma once

#include <QEvent>
#include <QObject>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

// Ends the program once a window has painted itself for the first time:
// the end point of the start-time benchmark (bench/start-time.sh), which
// measures zirk and a bare Qt window the same way.  The end is immediate (no
// close, no settings written, no destructors), so that what is timed is the
// start alone.  Header-only, so that the bare window links nothing of Zirk.
class QuitWhenShown : public QObject
{
public:
    explicit QuitWhenShown(QObject *window) : QObject(window) { window->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // After this paint has reached the screen.
            QTimer::singleShot(0, this, [] {
                std::fflush(nullptr);
                std::_Exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};
