// Rastello, the raster calculator: one main window with the image-folder
// settings, the reclassification dialog and the about box it owns.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "calculator/Main.h"
#include "platform/ProgramOptions.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/QtEnvironment.h"

namespace {

constexpr TProgramInfo kRastello{
    "Rastello", "rastello",
    "Rastello, the raster calculator of Quillmere, evaluates expressions over Idrisi rasters cell by cell and "
    "reclassifies rasters by tables of value ranges.",
    {}, {}};

// Qt aborts when it finds no display; say why instead.
bool DisplayAvailable()
{
    auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto status = AnswerInformationOptions(argc, argv, kRastello, std::cout)) return *status;
    if (!DisplayAvailable()) {
        std::fputs("Rastello needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n", stderr);
        return 1;
    }
    TGuardedApplication app(argc, argv);
    QApplication::setOrganizationName("Quillmere");
    QApplication::setApplicationName("Rastello");
    // Ties the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName("org.quillmere.Rastello");
    // The raster reader shows the hourglass while it reads a header.
    SetEnvironment(QtEnvironment());
    TMainForm mainForm;
    mainForm.show();
    mainForm.CentreOnScreen();
    return app.exec();
}
