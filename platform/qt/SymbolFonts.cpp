#include "platform/qt/SymbolFonts.h"

#include <QFontDatabase>
#include <QStringList>

int RegisterSymbolFonts()
{
    int registered = 0;
    for (const char* file : {"/usr/share/wine/fonts/symbol.ttf", "/usr/share/wine/fonts/wingding.ttf"})
        if (QFontDatabase::addApplicationFont(QString::fromUtf8(file)) >= 0) ++registered;
    return registered;
}

bool FontFamilyInstalled(const QString& family)
{
    const QStringList families = QFontDatabase::families();
    for (const QString& f : families)
        if (f.compare(family, Qt::CaseInsensitive) == 0) return true;
    return false;
}
