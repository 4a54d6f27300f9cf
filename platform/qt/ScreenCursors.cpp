#include "platform/qt/ScreenCursors.h"

#include <QCoreApplication>
#include <map>

namespace {

// The one table of the process, as the screen object keeps it.
std::map<int, QCursor>& CursorTable()
{
    static std::map<int, QCursor> table;
    return table;
}

// Cursors hold pixmaps, which must go before the application object does.
void ClearCursorTable()
{
    CursorTable().clear();
}

} // namespace

void SetScreenCursor(int slot, const QCursor& cursor)
{
    if (CursorTable().empty()) qAddPostRoutine(ClearCursorTable);
    CursorTable()[slot] = cursor;
}

QCursor ScreenCursor(int slot)
{
    const auto found = CursorTable().find(slot);
    return found == CursorTable().end() ? QCursor(Qt::ArrowCursor) : found->second;
}
