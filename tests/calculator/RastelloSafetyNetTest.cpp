// Rastello under the application object of its program: a handler that lets
// an exception escape shows an error box and the program goes on.
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>

#include "Child.h"
#include "RastelloTestSettings.h"
#include "RecordingUi.h"
#include "calculator/Main.h"
#include "platform/qt/ErrorReport.h"

namespace {

TEST(RastelloSafetyNet, AnEscapingFailureIsShownAndTheWindowGoesOn)
{
    TTestSettingsFolder settings;
    auto [ui, guard] = RecordingUi::Install();
    TMainForm form;
    form.show();
    struct Row {
        const char* Name;
        std::function<void()> Fail;
        QString Shown;
    } rows[] = {
        {"out of memory", [] { throw std::bad_alloc(); }, "Out of memory"},
        {"a run-time fault", [] { throw std::runtime_error("Disk full"); }, "Disk full"},
        {"not a standard exception", [] { throw 42; }, "Unknown error."},
    };
    for (const Row& row : rows) {
        ui->Messages.clear();
        // A handler of the window, run from the event loop. Qt's widget code
        // does not clean up behind an exception that passes through it (a
        // button's click leaks), so the handler is a queued call, which Qt's
        // posted-event delivery hands to the application's dispatch.
        QMetaObject::invokeMethod(&form, row.Fail, Qt::QueuedConnection);
        QCoreApplication::processEvents();
        ASSERT_EQ(ui->Messages.size(), 1u) << row.Name;
        EXPECT_EQ(ui->Messages[0].Caption, "Error") << row.Name;
        EXPECT_EQ(ui->Messages[0].Text, row.Shown) << row.Name;
        EXPECT_EQ(ui->Messages[0].Icon, TMsgIcon::Error) << row.Name;
        // The window still answers: the key "7" types into the expression.
        QLineEdit* expr = Child<QLineEdit>(form, "Expr");
        expr->clear();
        QTest::mouseClick(Child<QPushButton>(form, "B7"), Qt::LeftButton);
        EXPECT_EQ(expr->text(), "7") << row.Name;
    }
}

TEST(RastelloSafetyNet, GuardedCommandsShowOutOfMemoryInTheErrorBox)
{
    auto [ui, guard] = RecordingUi::Install();
    EXPECT_FALSE(RunGuarded(nullptr, [] { throw std::bad_alloc(); }));
    EXPECT_TRUE(RunGuarded(nullptr, [] {}));
    ASSERT_EQ(ui->Messages.size(), 1u);
    EXPECT_EQ(ui->Messages[0].Text, "Out of memory");
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    TGuardedApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
