// The program entry of Lumivar: the application object, the environment
// through which the libraries reach the screen, the main window and the
// about box, then the event loop.
#include <QApplication>
#include <QScreen>
#include <iostream>

#include "geodata/QMMapDecl.h"
#include "platform/ProgramOptions.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/QtEnvironment.h"
#include "platform/qt/SymbolFonts.h"
#include "viewer/ABOUT.h"
#include "viewer/QMVMAIN.h"

namespace {

constexpr TProgramInfo kLumivar{
    "Lumivar", "lumivar",
    "Lumivar, the map viewer of Quillmere, shows compositions of Idrisi raster and vector layers and MapInfo "
    "interchange files.",
    "FILE", "a composition (.qmc), or an Idrisi raster or vector layer or a MapInfo interchange file, to open at start"};

// The screen resolution and the environment, once, before the first window.
void InitialiseUnits()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        ScreenDpi = static_cast<std::int32_t>(screen->logicalDotsPerInchY() + 0.5);
    RegisterSymbolFonts();
    SetEnvironment(QtEnvironment());
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto status = AnswerInformationOptions(argc, argv, kLumivar, std::cout)) return *status;
    TGuardedApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationName(QStringLiteral("Lumivar"));
    // Ties the windows to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillmere.Lumivar"));
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
