#include "calculator/Settings.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

#include <memory>

#include "RastelloTestSettings.h"
#include "QtPrinters.h"
#include "Child.h"
#include "RecordingUi.h"
#include "geodata/QMMapDecl.h"

namespace {

QStringList Listed(const TSettingsForm& form)
{
    const QListWidget* list = Child<QListWidget>(form, "ListBox1");
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
    return items;
}

void Select(TSettingsForm& form, int row)
{
    Child<QListWidget>(form, "ListBox1")->setCurrentRow(row);
}

} // namespace

TEST(ImageFolders, AreStoredInTheirOrderUnderRastello)
{
    TTestSettingsFolder settingsFolder;
    EXPECT_TRUE(ReadImageFolders().isEmpty());
    WriteImageFolders({"/data/z", "/data/a", "/data/m"});
    EXPECT_EQ(ReadImageFolders(), QStringList({"/data/z", "/data/a", "/data/m"}));
    QSettings settings("Quillmere", "Rastello");
    EXPECT_TRUE(settings.fileName().startsWith(settingsFolder.Path()));
    EXPECT_EQ(settings.value("ImageFolders/size").toInt(), 3);
    WriteImageFolders({"/data/a"});
    EXPECT_EQ(ReadImageFolders(), QStringList({"/data/a"})) << "a shorter list leaves no old entries";
}

TEST(ImageFolders, AFailedWriteIsAnError)
{
    TTestSettingsFolder settingsFolder;
    QFile blocker(settingsFolder.Path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TTestSettingsFolder::PointSettingsAt(blocker.fileName() + "/config");
    EXPECT_THROW(WriteImageFolders({"/data/a"}), QMError);
}

TEST(ImageFolders, AreComparedWithoutRegardToCase)
{
    EXPECT_TRUE(ContainsFolder({"/Data/Images"}, "/data/IMAGES"));
    EXPECT_TRUE(ContainsFolder({"/данные/Снимки"}, "/ДАННЫЕ/снимки"));
    EXPECT_FALSE(ContainsFolder({"/data/images"}, "/data/images2"));
}

TEST(SettingsForm, ShowsTheStoredFoldersEachTimeItOpens)
{
    TTestSettingsFolder settingsFolder;
    TSettingsForm form;
    EXPECT_EQ(form.windowTitle(), "Settings");
    WriteImageFolders({"/one", "/two"});
    form.show();
    EXPECT_EQ(Listed(form), QStringList({"/one", "/two"}));
    form.hide();
    WriteImageFolders({"/three"});
    form.show();
    EXPECT_EQ(Listed(form), QStringList({"/three"}));
}

TEST(SettingsForm, AddedFoldersKeepTheOrderOfAdding)
{
    TTestSettingsFolder settingsFolder;
    auto [ui, guard] = RecordingUi::Install();
    const QString z = settingsFolder.Path() + "/z";
    const QString a = settingsFolder.Path() + "/a";
    ASSERT_TRUE(QDir().mkpath(z) && QDir().mkpath(a));
    TSettingsForm form;
    form.FormActivate();
    ui->FolderAnswers = {z, a};
    form.BAddClick();
    form.BAddClick();
    EXPECT_EQ(ui->FolderCaptions, QStringList({"Select Folder", "Select Folder"}));
    EXPECT_EQ(ui->FolderStarts.value(0), QDir::homePath()) << "an empty list starts at home";
    EXPECT_EQ(ui->FolderStarts.value(1), z) << "then where the last pick left it";
    EXPECT_EQ(Listed(form), QStringList({z, a}));
    EXPECT_EQ(ReadImageFolders(), QStringList({z, a}));
}

TEST(SettingsForm, TheBrowserStartsAtTheSelectedFolder)
{
    TTestSettingsFolder settingsFolder;
    QTemporaryDir first;
    QTemporaryDir second;
    WriteImageFolders({first.path(), second.path()});
    auto [ui, guard] = RecordingUi::Install();
    TSettingsForm form;
    form.FormActivate();
    Select(form, 1);
    form.BAddClick();
    EXPECT_EQ(ui->FolderStarts.value(0), QDir(second.path()).absolutePath());
}

TEST(SettingsForm, TheBrowserStartsWhereTheLastPickLeftItElseAtTheFirstFolder)
{
    TTestSettingsFolder settingsFolder;
    QTemporaryDir first;
    auto last = std::make_unique<QTemporaryDir>();
    const QString lastPath = last->path();
    WriteImageFolders({first.path()});
    auto [ui, guard] = RecordingUi::Install();
    {
        TSettingsForm form;
        form.FormActivate();
        ui->FolderAnswers = {lastPath};
        form.BAddClick();
        form.BAddClick();
    }
    // A later run of the program: the place is kept in the settings; once
    // that folder is gone, the first image folder again.
    TSettingsForm form;
    form.FormActivate();
    form.BAddClick();
    last.reset();
    form.BAddClick();
    EXPECT_EQ(ui->FolderStarts, QStringList({first.path(), lastPath, lastPath, first.path()}));
}

TEST(SettingsForm, DuplicatesAndCancelsChangeNothing)
{
    TTestSettingsFolder settingsFolder;
    WriteImageFolders({"/Data/Images"});
    auto [ui, guard] = RecordingUi::Install();
    TSettingsForm form;
    form.FormActivate();
    ui->FolderAnswers = {"/data/IMAGES", ""};
    form.BAddClick();
    form.BAddClick();
    EXPECT_EQ(Listed(form), QStringList({"/Data/Images"}));
    EXPECT_EQ(ReadImageFolders(), QStringList({"/Data/Images"}));
    EXPECT_TRUE(ui->Messages.empty()) << "duplicates are ignored silently";
}

TEST(SettingsForm, DeleteAsksFirstAndNoKeepsTheFolder)
{
    TTestSettingsFolder settingsFolder;
    WriteImageFolders({"/one", "/two", "/three"});
    auto [ui, guard] = RecordingUi::Install();
    TSettingsForm form;
    form.FormActivate();

    form.BDelClick();
    EXPECT_TRUE(ui->Messages.empty()) << "no selection: no question";

    Select(form, 1);
    ui->MessageAnswers = {TMsgResult::No, TMsgResult::Yes};
    form.BDelClick();
    ASSERT_EQ(ui->Messages.size(), 1u);
    EXPECT_EQ(ui->Messages[0].Caption, "Question");
    EXPECT_EQ(ui->Messages[0].Text, "Are you sure?");
    EXPECT_EQ(ui->Messages[0].Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(ui->Messages[0].Icon, TMsgIcon::None);
    EXPECT_EQ(ReadImageFolders(), QStringList({"/one", "/two", "/three"}));

    Select(form, 1);
    form.BDelClick();
    EXPECT_EQ(Listed(form), QStringList({"/one", "/three"}));
    EXPECT_EQ(ReadImageFolders(), QStringList({"/one", "/three"}));
}

TEST(SettingsForm, AFolderThatCannotBeStoredShowsAnError)
{
    TTestSettingsFolder settingsFolder;
    QFile blocker(settingsFolder.Path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TTestSettingsFolder::PointSettingsAt(blocker.fileName() + "/config");
    auto [ui, guard] = RecordingUi::Install();
    TSettingsForm form;
    ui->FolderAnswers = {"/data/a"};
    Child<QPushButton>(form, "BAdd")->click();
    ASSERT_EQ(ui->Messages.size(), 1u);
    EXPECT_EQ(ui->Messages[0].Caption, "Error");
    EXPECT_TRUE(ui->Messages[0].Text.startsWith("Cannot store the image folders"));
}

TEST(SettingsForm, OkClosesTheForm)
{
    TTestSettingsFolder settingsFolder;
    TSettingsForm form;
    form.show();
    Child<QPushButton>(form, "BOK")->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}
