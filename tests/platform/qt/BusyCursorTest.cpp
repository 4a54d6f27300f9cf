#include "platform/qt/BusyCursor.h"

#include <QApplication>
#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "WaitCursorProbe.h"

TEST(BusyCursor, APauseTakesEveryNestedWaitCursorAwayAndPutsThemBack)
{
    // A cursor set by someone else stays through the pause.
    QApplication::setOverrideCursor(Qt::CrossCursor);
    {
        TBusyCursor outer;
        TBusyCursor inner;
        EXPECT_EQ(ShownCursor(), Qt::WaitCursor);
        {
            TBusyCursor::TPause pause;
            EXPECT_EQ(ShownCursor(), Qt::CrossCursor);
            TBusyCursor during;
            EXPECT_EQ(ShownCursor(), Qt::WaitCursor);
        }
        EXPECT_EQ(ShownCursor(), Qt::WaitCursor);
    }
    EXPECT_EQ(ShownCursor(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(BusyCursor, BoxesAndPickersWaitForTheUserWithoutTheWaitCursor)
{
    auto [ui, guard] = RecordingUi::Install();
    {
        TBusyCursor busy;
        Ui().MessageBox(nullptr, "Question", "Sure?", TMsgIcon::Question, TMsgButtons::YesNo);
        EXPECT_EQ(ShownCursor(), Qt::WaitCursor);
        Ui().SaveFileName(nullptr, {});
        Ui().PickColor(nullptr, Qt::red);
        EXPECT_EQ(ShownCursor(), Qt::WaitCursor);
    }
    EXPECT_EQ(ui->Messages.size(), 1u);
    EXPECT_EQ(ui->SaveRequests.size(), 1u);
    EXPECT_EQ(ui->AskedWhileBusy, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
