// A window of which there is at most one at a time: opening it again brings
// the one that is open forward, as it is, instead of making another.
#pragma once

#include "Look.h"

#include <QPointer>

namespace look {

template <typename Window>
class OneWindow {
public:
    // Brings the open window forward; without one, makes one with make() and
    // shows it in front. make() may give nullptr, when the new window has
    // closed itself at once: nothing is shown then.
    template <typename Make>
    static Window* Show(Make&& make)
    {
        QPointer<Window>& slot = Slot();
        if (!slot) {
            slot = make();
            if (!slot) {
                return nullptr;
            }
        }
        BringForward(slot.data());
        return slot.data();
    }

private:
    static QPointer<Window>& Slot()
    {
        static QPointer<Window> window;
        return window;
    }
};

} // namespace look
