#include "platform/qt/FileDialogs.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <gtest/gtest.h>
#include <memory>

#include "RecordingUi.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestSettings.h"

namespace {

class FileDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::tie(Recorded, UiGuard) = RecordingUi::Install();
        PointTestSettingsAt(Folder("settings"));
        Files.Write("maps/Roads.mif", "");
        Files.Write("Palettes/grey.qmp", "");
    }
    QString Folder(const std::string& name) const { return QString::fromStdString(Files.Path(name)); }
    QString Choose(const QString& dialog, const QString& proposed, const QString& answer = {})
    {
        Recorded->OpenAnswers.push_back(answer);
        TFileDialogRequest request;
        request.Folder = proposed;
        return ChooseFileName(nullptr, TFileDialogKind::Open, dialog, request);
    }
    QString LastStart() const { return Recorded->OpenRequests.back().Folder; }

    TTempFolder Files;
    RecordingUi* Recorded = nullptr;
    std::unique_ptr<RecordingUi::Guard> UiGuard;
};

} // namespace

TEST_F(FileDialogs, BeforeTheFirstChoiceTheProposedFolderServesWhenItExists)
{
    struct Row {
        const char* Name;
        QString Proposed;
        QString Start;
    };
    const Row rows[] = {
        {"existing", Folder("maps"), Folder("maps")},
        {"with a trailing separator", Folder("maps") + "/", Folder("maps")},
        {"named in other letter case", Folder("PALETTES"), Folder("Palettes")},
        {"written with backslashes", Folder("maps").replace('/', '\\'), Folder("maps")},
        {"missing", Folder("nowhere"), QDir::homePath()},
        {"none", QString(), QDir::homePath()},
    };
    for (const Row& row : rows) EXPECT_EQ(FileDialogStartFolder("OpenLayer", row.Proposed), row.Start) << row.Name;
}

TEST_F(FileDialogs, EachDialogStartsWhereItsLastFileWasChosen)
{
    Choose("OpenLayer", Folder("Palettes"), Folder("maps/Roads.mif"));
    EXPECT_EQ(LastStart(), Folder("Palettes"));

    Choose("OpenLayer", Folder("Palettes"));
    EXPECT_EQ(LastStart(), Folder("maps")) << "the last choice beats the proposal";
    Choose("OpenComposition", Folder("Palettes"));
    EXPECT_EQ(LastStart(), Folder("Palettes")) << "another dialog remembers for itself";
    Choose("OpenLayer", Folder("Palettes"));
    EXPECT_EQ(LastStart(), Folder("maps")) << "a cancel changes nothing";

    // The folder is kept in the program's settings, for its next run.
    QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Quillmere", QCoreApplication::applicationName());
    EXPECT_EQ(stored.value("FileDialogs/OpenLayer").toString(), Folder("maps"));
}

TEST_F(FileDialogs, ARememberedFolderThatIsGoneGivesWayToTheProposal)
{
    Files.Write("old/a.rst", "");
    Choose("InsertImage", {}, Folder("old/a.rst"));
    QDir(Folder("old")).removeRecursively();
    Choose("InsertImage", Folder("maps"));
    EXPECT_EQ(LastStart(), Folder("maps"));
}

TEST_F(FileDialogs, ASaveDialogRemembersTheFolderOfANewFile)
{
    Recorded->SaveAnswers.push_back(Folder("maps/new.qmc"));
    TFileDialogRequest request;
    request.FileName = "new.qmc";
    EXPECT_EQ(ChooseFileName(nullptr, TFileDialogKind::Save, "SaveComposition", request), Folder("maps/new.qmc"));
    EXPECT_EQ(Recorded->SaveRequests.back().FileName, "new.qmc");
    EXPECT_EQ(FileDialogStartFolder("SaveComposition", {}), Folder("maps"));
}
