#pragma once
// The screen's table of cursors by slot number: the main window loads its
// own cursors into slots 1 to 4 at start and each map view takes its cursors
// from there by number. A slot never loaded gives the arrow.
#include <QCursor>

void SetScreenCursor(int slot, const QCursor& cursor);
QCursor ScreenCursor(int slot);
