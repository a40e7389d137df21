// The hourglass pointer over the whole program while a long command runs: up
// from construction until restore(), or until the end of the scope on any
// way out.
#pragma once

#include <QApplication>

class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { restore(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    void restore()
    {
        if (m_shown) {
            QApplication::restoreOverrideCursor();
            m_shown = false;
        }
    }

private:
    bool m_shown = true;
};
