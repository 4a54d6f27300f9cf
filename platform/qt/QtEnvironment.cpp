#include "platform/qt/QtEnvironment.h"

#include <QLocale>

#include "platform/qt/BusyCursor.h"
#include "platform/qt/SymbolFonts.h"

namespace {

// Numbers shown to the user take the locale's separator; one that is not a
// single ASCII character cannot go into the byte strings of the libraries.
char LocaleDecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}

} // namespace

TEnvironment QtEnvironment()
{
    TEnvironment environment;
    environment.Hourglass = TBusyCursor::Show;
    environment.FontInstalled = [](const std::string& family) {
        return FontFamilyInstalled(QString::fromStdString(family));
    };
    environment.DecimalSeparator = LocaleDecimalSeparator();
    return environment;
}
