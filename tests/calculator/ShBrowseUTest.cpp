#include "calculator/ShBrowseU.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <new>

#include "QtPrinters.h"
#include "RecordingUi.h"

TEST(ShBrowse, StartsWithTheDefaultTextsAndNoOptions)
{
    TShBrowse browser;
    EXPECT_EQ(browser.Caption, "Browse for Folder");
    EXPECT_EQ(browser.Title, "Select folder");
    EXPECT_EQ(browser.Options(), 0);
    EXPECT_EQ(browser.Flags(), 0u);
    EXPECT_EQ(browser.DialogLeft, 0);
    EXPECT_EQ(browser.DialogTop, 0);
}

TEST(ShBrowse, OptionsGiveTheirShellFlags)
{
    struct Row {
        const char* Name;
        std::uint16_t Options;
        std::uint32_t Flags;
    };
    const Row rows[] = {
        {"image folder picker", kImageFolderBrowseOptions, 0x41},
        {"computer", 1u << 0, 0x1000},
        {"validate", 1u << 14, 0x20},
        {"elements without a flag", (1u << 7) | (1u << 12), 0},
        {"both new-style elements", (1u << 6) | (1u << 13), 0x40},
        {"all fifteen", 0x7FFF, 0xF0FF},
    };
    for (const Row& row : rows) {
        TShBrowse browser;
        browser.SetOptions(row.Options);
        EXPECT_EQ(browser.Options(), row.Options) << row.Name;
        EXPECT_EQ(browser.Flags(), row.Flags) << row.Name;
    }
    TShBrowse browser;
    browser.SetOptions(1u << 9);
    browser.SetOptions(1u << 5);
    EXPECT_EQ(browser.Flags(), 0x10u) << "a new set replaces the old flags";
}

TEST(ShBrowse, TheDialogCarriesCaptionTitleAndStartFolder)
{
    QTemporaryDir start;
    TShBrowse browser;
    browser.Caption = "Select Folder";
    browser.Title = "Select Folder for Images";
    browser.InitialFolder = start.path();
    auto dialog = browser.CreateDialog();
    EXPECT_EQ(dialog->windowTitle(), "Select Folder");
    EXPECT_EQ(dialog->labelText(QFileDialog::LookIn), "Select Folder for Images");
    EXPECT_EQ(dialog->directory().absolutePath(), QDir(start.path()).absolutePath());
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
}

TEST(ShBrowse, TheFirstDialogIsCentredInTheWorkAreaAndLaterOnesKeepThePlace)
{
    TShBrowse browser;
    auto dialog = browser.CreateDialog();
    QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    QSize size = dialog->sizeHint().expandedTo(dialog->minimumSizeHint());
    EXPECT_EQ(browser.DialogLeft, work.left() + (work.width() - size.width()) / 2);
    EXPECT_EQ(browser.DialogTop, work.top() + (work.height() - size.height()) / 2);
    EXPECT_EQ(dialog->pos(), QPoint(browser.DialogLeft, browser.DialogTop));

    browser.DialogLeft = 17;
    browser.DialogTop = 23;
    EXPECT_EQ(browser.CreateDialog()->pos(), QPoint(17, 23)) << "a preset place is kept";

    TShBrowse halfPlaced;
    halfPlaced.DialogLeft = 17;
    halfPlaced.CreateDialog();
    EXPECT_NE(halfPlaced.DialogLeft, 17) << "presetting one coordinate still centres both";
    EXPECT_NE(halfPlaced.DialogTop, 0);
}

TEST(ShBrowse, ValidationFollowsTheSelectionAndVetoesAccepting)
{
    QTemporaryDir root;
    QDir(root.path()).mkdir("good");
    QDir(root.path()).mkdir("bad");
    const QString good = root.path() + "/good";
    const QString bad = root.path() + "/bad";

    TShBrowse browser;
    QStringList asked;
    browser.OnValidate = [&](TShBrowse& sender, const QString& path) {
        EXPECT_EQ(&sender, &browser);
        EXPECT_EQ(sender.Path, path) << "Path holds the folder under the selection";
        asked << path;
        return !path.endsWith("/bad");
    };
    browser.InitialFolder = bad;
    auto dialog = browser.CreateDialog();
    emit dialog->currentChanged(bad);
    EXPECT_FALSE(dialog->OkEnabled());
    emit dialog->currentChanged(good);
    EXPECT_TRUE(dialog->OkEnabled());
    EXPECT_EQ(asked, QStringList({bad, good}));

    dialog->setDirectory(bad);
    dialog->accept();
    EXPECT_NE(dialog->result(), QDialog::Accepted) << "a refused folder cannot be chosen";
    dialog->setDirectory(good);
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST(ShBrowse, AFailingValidationVetoesAndStaysInside)
{
    QTemporaryDir root;
    const QString good = root.path() + "/good";
    TShBrowse browser;
    browser.OnValidate = [](TShBrowse&, const QString& path) -> bool {
        if (path.endsWith("/good")) return true;
        if (path.endsWith("/a")) throw std::bad_alloc();
        throw 1; // not even a standard exception leaves the dialog's signal
    };
    auto dialog = browser.CreateDialog();
    for (const QString& failing : {root.path() + "/a", root.path() + "/b"}) {
        emit dialog->currentChanged(good);
        ASSERT_TRUE(dialog->OkEnabled());
        emit dialog->currentChanged(failing);
        EXPECT_FALSE(dialog->OkEnabled()) << failing.toStdString();
    }
}

TEST(ShBrowse, WithoutValidationTheSelectionLeavesPathAlone)
{
    TShBrowse browser;
    auto dialog = browser.CreateDialog();
    emit dialog->currentChanged(QDir::tempPath());
    EXPECT_TRUE(browser.Path.isEmpty());
    EXPECT_TRUE(dialog->OkEnabled());
}

TEST(ShBrowse, ExecuteReturnsTheChosenFolderOrNothingOnCancel)
{
    auto [ui, guard] = RecordingUi::Install();
    QTemporaryDir start;
    TShBrowse browser;
    browser.Caption = "Select Folder";
    browser.InitialFolder = start.path();
    browser.Path = "untouched";
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(browser.Path, "untouched");

    ui->FolderAnswers.push_back("/data/images");
    EXPECT_TRUE(browser.Execute());
    EXPECT_EQ(browser.Path, "/data/images");
    EXPECT_EQ(ui->FolderCaptions, QStringList({"Select Folder", "Select Folder"}));
    EXPECT_EQ(ui->FolderStarts.value(0), QDir(start.path()).absolutePath());
    EXPECT_EQ(browser.WindowHandle, nullptr) << "the owner comes back when the dialog is gone";
}
