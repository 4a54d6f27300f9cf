// The program entry of Lumivar: the application object, the environment
// through which the libraries reach the screen, the main window and the
// about box, then the event loop.
#include <QApplication>
#include <QScreen>

#include "geodata/QMMapDecl.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/QtEnvironment.h"
#include "platform/qt/SymbolFonts.h"
#include "viewer/ABOUT.h"
#include "viewer/QMVMAIN.h"

namespace {

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
