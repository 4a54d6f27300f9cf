#include "platform/qt/UiServices.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "platform/qt/AppEvents.h"
#include "platform/qt/SymbolFonts.h"
#include "tests/support/DialogDriving.h"

TEST(UiServices, WindowsFiltersBecomeQtFiltersWithUpperCaseTwins)
{
    EXPECT_EQ(ConvertFileFilter("Idrisi rastr files(*.rst/rdc)|*.rst|Mapinfo files(*.mid/mif)|*.mif"),
              "Idrisi rastr files (*.rst *.RST);;Mapinfo files (*.mif *.MIF)");
    EXPECT_EQ(ConvertFileFilter("QM Composition Files(*.qmc)|*.qmc|All Files (*.*)|*.*"),
              "QM Composition Files (*.qmc *.QMC);;All Files (*)");
}

TEST(UiServices, ARecorderReplacesTheDialogsUntilItsGuardGoes)
{
    auto [outer, outerGuard] = RecordingUi::Install();
    {
        auto [ui, guard] = RecordingUi::Install();
        ui->MessageAnswers.push_back(TMsgResult::No);
        EXPECT_EQ(Ui().MessageBox(nullptr, "Question", "Sure?", TMsgIcon::Question, TMsgButtons::YesNo), TMsgResult::No);
        EXPECT_EQ(Ui().MessageBox(nullptr, "Error", "x", TMsgIcon::Error), TMsgResult::Ok);
        ASSERT_EQ(ui->Messages.size(), 2u);
        EXPECT_EQ(ui->Messages[0].Text, "Sure?");
        EXPECT_TRUE(Ui().OpenFileName(nullptr, {}).isEmpty());
        EXPECT_EQ(ui->OpenRequests.size(), 1u);
    }
    Ui().Beep();
    EXPECT_EQ(outer->Beeps, 1);
    EXPECT_TRUE(outer->Messages.empty());
}

namespace {

// The width of the box the real services show, answered with its OK.
int ShownBoxWidth(const QString& caption, const QString& text, TMsgIcon icon)
{
    int width = 0;
    dialogtest::WhenModalShows([&width](QWidget* modal) {
        width = modal->width();
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Ok)->click();
    });
    QtUiServices().MessageBox(nullptr, caption, text, icon, TMsgButtons::Ok);
    return width;
}

} // namespace

TEST(UiServices, AMessageBoxLeavesItsCaptionRoomBesideTheTitleBarButtons)
{
    QFont title = QApplication::font();
    title.setBold(true);
    const QFontMetrics metrics(title);
    for (const char* caption : {"Information", "Please enter data"}) {
        const int room = metrics.horizontalAdvance(caption) + 4 * metrics.height();
        EXPECT_GE(ShownBoxWidth(caption, "x", TMsgIcon::None), room) << caption;
        EXPECT_GE(ShownBoxWidth(caption, "Number: 64", TMsgIcon::Information), room) << caption;
    }
    const QString wide = "Information about a caption far wider than the text of its box";
    EXPECT_GT(ShownBoxWidth(wide, "x", TMsgIcon::None), ShownBoxWidth("Information", "x", TMsgIcon::None));
}

TEST(AppEvents, PostedMessagesArriveOnlyWhenEventsAreProcessed)
{
    QCoreApplication& app = *QCoreApplication::instance();
    struct Filter : QObject {
        int Seen = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == AppMessageType(WM_MAPRASTERCHANGED)) ++Seen;
            return false;
        }
    } filter;
    app.installEventFilter(&filter);
    PostAppMessage(WM_MAPRASTERCHANGED);
    EXPECT_EQ(filter.Seen, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(filter.Seen, 1);
    app.removeEventFilter(&filter);
}

TEST(SymbolFonts, WineFontsRegister)
{
    EXPECT_EQ(RegisterSymbolFonts(), 2);
    EXPECT_TRUE(FontFamilyInstalled("Wingdings"));
    EXPECT_TRUE(FontFamilyInstalled("Symbol"));
}
