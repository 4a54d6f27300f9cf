#pragma once
// Whether the wait cursor shows, and a probe that notes it each time a
// library starts its hourglass, that is, while a command reads a file. The
// probe installs its hook through the tests' one TTestEnvironment, for its
// lifetime.
#include <QApplication>
#include <QCursor>
#include <QList>

#include "tests/support/TestEnvironment.h"

// The application's override cursor; the arrow when none is set.
inline Qt::CursorShape ShownCursor()
{
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

inline bool WaitCursorShown() { return ShownCursor() == Qt::WaitCursor; }

class TWaitCursorProbe {
public:
    TWaitCursorProbe()
        : Installed(TTestEnvironment::Changed([this](TEnvironment& environment) {
              environment.Hourglass = [this](bool busy) {
                  if (busy) ShownAtReads << WaitCursorShown();
              };
          }))
    {
    }
    TWaitCursorProbe(const TWaitCursorProbe&) = delete;
    TWaitCursorProbe& operator=(const TWaitCursorProbe&) = delete;

    // One entry per read: whether the wait cursor already showed.
    QList<bool> ShownAtReads;

private:
    TTestEnvironment Installed;
};
