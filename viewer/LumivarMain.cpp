// The program entry of Lumivar: the application object, the hooks through
// which the libraries reach the screen, the main window and the about box,
// then the event loop.
#include <QApplication>
#include <QLocale>
#include <QScreen>

#include "geodata/FontTable.h"
#include "geodata/IdrisiRST.h"
#include "geodata/QMMapDecl.h"
#include "platform/UiHooks.h"
#include "platform/qt/BusyCursor.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/SymbolFonts.h"
#include "platform/qt/UiServices.h"
#include "viewer/ABOUT.h"
#include "viewer/QMVMAIN.h"

namespace {

void InitialiseUnits()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        ScreenDpi = static_cast<std::int32_t>(screen->logicalDotsPerInchY() + 0.5);
    SetHourglassHook(TBusyCursor::Show);
    // The vector reader's own error box stays off: the layer list raises the
    // reader's message as a QMError, which the window shows once.
    IdrisiRSTHooks.DecimalSeparator = []() {
        const QString point = QLocale().decimalPoint();
        return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
    };
    RegisterSymbolFonts();
    SetInstalledFontProbe([](const std::string& family) { return FontFamilyInstalled(QString::fromStdString(family)); });
}

} // namespace

int main(int argc, char** argv)
{
    TGuardedApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Lumivar"));
    InitialiseUnits();

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    TQMVForm mainWindow(arguments);
    TAboutBox aboutBox(&mainWindow);
    mainWindow.SetAboutBox(&aboutBox);
    mainWindow.showMaximized();
    // The command-line file opens at the first activation; ask for it, as
    // a window manager that does not activate new windows would never give it.
    mainWindow.activateWindow();
    return QApplication::exec();
}
