// main() of the window tests: one QApplication for the whole run, created
// before any test and destroyed before static destruction begins. The
// user's settings are pointed at a scratch folder first, so that no window
// a test drives reads or changes the real ones (file dialogs remember their
// folders there); fixtures may point them elsewhere for one test.
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "TestSettings.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    const QTemporaryDir settings;
    PointTestSettingsAt(settings.path());
    const int result = RUN_ALL_TESTS();
    // Qt writes some settings as late as the application's exit; a path
    // under a file can never be created, so nothing is left behind.
    PointTestSettingsAt(QStringLiteral("/dev/null/settings"));
    return result;
}
