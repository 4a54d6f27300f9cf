#include "platform/qt/BusyCursor.h"

#include <QApplication>

namespace {

// How many wait cursors this class has put on Qt's stack of override
// cursors; only the GUI thread touches it.
int BusyDepth = 0;

} // namespace

TBusyCursor::TBusyCursor() { Show(true); }

TBusyCursor::~TBusyCursor() { Show(false); }

void TBusyCursor::Show(bool busy)
{
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++BusyDepth;
    } else if (BusyDepth > 0) {
        // An end without its start (a pause took the cursor meanwhile) must
        // not pop a cursor that someone else set.
        QApplication::restoreOverrideCursor();
        --BusyDepth;
    }
}

TBusyCursor::TPause::TPause() : Suspended(BusyDepth)
{
    while (BusyDepth > 0) Show(false);
}

TBusyCursor::TPause::~TPause()
{
    for (int i = 0; i < Suspended; ++i) Show(true);
}
