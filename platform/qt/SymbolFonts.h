#pragma once
// The symbol fonts of point symbols. "Symbol" and "Wingdings" come from
// Debian's fonts-wine, which keeps them in Wine's own folder where the font
// configuration does not look, so the programs register them at start.
#include <QString>

// Registers the two fonts with the application's font database; returns the
// number registered. Needs a QGuiApplication.
int RegisterSymbolFonts();
// True when a font family of that name is available.
bool FontFamilyInstalled(const QString& family);
