#include "calculator/Main.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <cmath>
#include <filesystem>
#include <optional>
#include <gtest/gtest.h>

#include "RastelloTestSettings.h"
#include "WaitCursorProbe.h"
#include "QtPrinters.h"
#include "Child.h"
#include "RecordingUi.h"
#include "calculator/ReClass.h"
#include "calculator/Settings.h"
#include "tests/calculator/CalcTestFiles.h"

namespace {

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest()
    {
        auto [recorder, keeper] = RecordingUi::Install();
        ui = recorder;
        guard = std::move(keeper);
        F1 = QString::fromStdString(folders.Folder()) + "F1";
        F2 = QString::fromStdString(folders.Folder()) + "F2";
        QDir().mkpath(F1);
        QDir().mkpath(F2);
    }

    void Press(const char* key) { Child<QPushButton>(form, key)->click(); }
    QLineEdit* Expr() const { return Child<QLineEdit>(form, "Expr"); }
    QLineEdit* Target() const { return Child<QLineEdit>(form, "Target"); }
    QComboBox* DestType() const { return Child<QComboBox>(form, "DestType"); }
    QStatusBar* StatusBar() const { return Child<QStatusBar>(form, "StatusBar"); }

    void Process(const QString& expression, const QString& target = {}, int destType = -1)
    {
        Expr()->setText(expression);
        Target()->setText(target);
        DestType()->setCurrentIndex(destType);
        ui->Messages.clear();
        Child<QPushButton>(form, "Process")->click();
    }

    QString Status() const { return StatusBar()->currentMessage(); }
    // The one message box the command showed, as "Caption: text".
    QString OnlyMessage() const
    {
        if (ui->Messages.size() != 1) return QString("%1 boxes").arg(ui->Messages.size());
        return ui->Messages[0].Caption + ": " + ui->Messages[0].Text;
    }
    static std::string In(const QString& folder, const char* name) { return (folder + "/" + name).toStdString(); }

    TTestSettingsFolder settingsFolder;
    RecordingUi* ui = nullptr;
    std::unique_ptr<RecordingUi::Guard> guard;
    TTempFolder folders;
    QString F1;
    QString F2;
    TMainForm form;
};

TTestRaster ByteRamp(std::int32_t rows, std::int32_t columns)
{
    TTestRaster raster;
    raster.Rows = rows;
    raster.Columns = columns;
    raster.DataType = "byte";
    for (std::int32_t i = 0; i < rows * columns; ++i) raster.Values.push_back(i % 256);
    return raster;
}

std::string HeaderLine(const std::string& rdc, const std::string& label)
{
    std::size_t at = rdc.find(label);
    if (at == std::string::npos) return "missing";
    return rdc.substr(at, rdc.find("\r\n", at) - at);
}

} // namespace

TEST_F(MainFormTest, IsTheFixedCalculatorWindow)
{
    EXPECT_EQ(form.windowTitle(), "Rastello");
    EXPECT_EQ(form.centralWidget()->width(), 761);
    EXPECT_EQ(form.centralWidget()->height() + StatusBar()->sizeHint().height(), 297);
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed border";
    EXPECT_EQ(DestType()->currentIndex(), -1);
    EXPECT_EQ(DestType()->currentText().isEmpty() ? DestType()->placeholderText() : QString(), "real");
    EXPECT_EQ(DestType()->count(), 3);
    EXPECT_TRUE(Expr()->font().bold());
    EXPECT_FALSE(Child<QPushButton>(form, "SaveExp")->isVisibleTo(&form));
    EXPECT_FALSE(Child<QPushButton>(form, "OpenExp")->isVisibleTo(&form));
    QStringList menus;
    for (QAction* menu : form.menuBar()->actions()) menus << menu->text();
    EXPECT_EQ(menus, QStringList({"File", "Settings", "Help"}));
    EXPECT_EQ(Child<QAction>(form, "OpenExpression1")->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(Child<QAction>(form, "SaveExpression1")->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(Child<QAction>(form, "Exit1")->shortcut(), QKeySequence("Alt+F4"));
    EXPECT_EQ(Child<QAction>(form, "FoldersforImages1")->text(), "Folders for Images...");
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint) << "nothing to maximise to";
    EXPECT_TRUE(form.windowFlags() & Qt::CustomizeWindowHint) << "else the window manager adds the button";
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowCloseButtonHint);
}

TEST_F(MainFormTest, EveryControlFitsInsideTheWindowAndAllKeysAreThere)
{
    form.show();
    const QRect client = form.centralWidget()->rect();
    for (QWidget* child : form.centralWidget()->findChildren<QWidget*>()) {
        if (!child->isVisible() || child->objectName().isEmpty()) continue;
        const QRect place(child->mapTo(form.centralWidget(), QPoint(0, 0)), child->size());
        EXPECT_TRUE(client.contains(place)) << child->objectName().toStdString();
    }
    int keys = 0;
    for (const auto& row : kKeypadRows) keys += static_cast<int>(row.size());
    EXPECT_EQ(keys, 43);
    QPushButton* up = form.findChild<QPushButton*>("Bup");
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->text(), "^X");
    EXPECT_GE(up->height(), up->fontMetrics().height()) << "keys are tall enough for their captions";
}

TEST_F(MainFormTest, KeypadKeysInsertAtTheCaret)
{
    struct Row {
        const char* Name;
        QString Before;
        int Caret;
        const char* Key;
        QString After;
        int CaretAfter;
    };
    const Row rows[] = {
        {"function between its parentheses", "2*", 2, "Bsin", "2*sin()", 6},
        {"two-argument function before its comma", "", 0, "Bmin", "min(,)", 4},
        {"max likewise", "1+", 2, "Bmax", "1+max(,)", 6},
        {"digit in the middle", "12", 1, "B7", "172", 2},
        {"power key inserts the operator", "2", 1, "Bup", "2^", 2},
        {"second minus key", "", 0, "Bminus2", "-", 1},
        {"comparison keys insert their caption", "1", 1, "Bne", "1<>", 3},
        {"arc functions carry their full name", "", 0, "Batan", "arctan()", 7},
        {"word operators do nothing", "1", 1, "Band", "1", 1},
    };
    for (const Row& row : rows) {
        Expr()->setText(row.Before);
        Expr()->setCursorPosition(row.Caret);
        Press(row.Key);
        EXPECT_EQ(Expr()->text(), row.After) << row.Name;
        EXPECT_EQ(Expr()->cursorPosition(), row.CaretAfter) << row.Name;
    }
}

TEST_F(MainFormTest, AKeyDoesNotReplaceTheSelection)
{
    Expr()->setText("abcd");
    Expr()->setSelection(1, 2);
    Press("B7");
    EXPECT_EQ(Expr()->text(), "a7bcd");
    EXPECT_EQ(Expr()->cursorPosition(), 2);
}

TEST_F(MainFormTest, ALongExpressionKeepsItsTailWhenAKeyIsPressed)
{
    const QString tail(1500, '1');
    Expr()->setText(tail);
    Expr()->setCursorPosition(0);
    Press("Bplus");
    EXPECT_EQ(Expr()->text(), "+" + tail);
}

TEST_F(MainFormTest, NumbersAreShownInStatusBarAndBox)
{
    struct Row {
        const char* Expression;
        const char* Shown;
    };
    const Row rows[] = {
        {"2^3^2", "Number: 64"},
        {"-2^2", "Number: 4"},
        {"1/0", "Number: NaN"},
        {"SQRT(2.25)", "Number: 1.5"},
    };
    for (const Row& row : rows) {
        Process(row.Expression);
        EXPECT_EQ(Status(), row.Shown) << row.Expression;
        EXPECT_EQ(OnlyMessage(), QString("Information: ") + row.Shown) << row.Expression;
    }
}

TEST_F(MainFormTest, ABadExpressionIsSelectedWhereItFails)
{
    struct Row {
        const char* Name;
        QString Expression;
        QString Selected;
    };
    const Row rows[] = {
        {"blank and the stray sign", "2 # 3", " #"},
        {"characters, not bytes, after Cyrillic", QString::fromUtf8("[ыы] # 1"), " #"},
        {"a Cyrillic character itself", QString::fromUtf8("2+ы"), QString::fromUtf8("+ы")},
        {"at the very start", "# 3", "# "},
    };
    for (const Row& row : rows) {
        Process(row.Expression);
        EXPECT_EQ(Status(), "Error in expression. ") << row.Name;
        EXPECT_EQ(OnlyMessage(), "Error: Error in expression. ") << row.Name;
        EXPECT_EQ(Expr()->selectedText(), row.Selected) << row.Name;
    }
}

TEST_F(MainFormTest, AnEmptyExpressionIsRefused)
{
    Process("");
    EXPECT_EQ(Status(), "Expression is empty. ");
    EXPECT_EQ(OnlyMessage(), "Error: Expression is empty. ");
}

TEST_F(MainFormTest, OperandsAreFoundInTheImageFoldersInOrder)
{
    WriteTestRaster(In(F2, "a"), ByteRamp(2, 3));
    std::filesystem::rename(In(F2, "a.rst"), In(F2, "A.RST"));
    WriteImageFolders({F1, F2});
    Process("[a.rst]+1", "out", 2);
    EXPECT_EQ(OnlyMessage(), "Information: Ready. See file " + F1 + "/out");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the hourglass of the header reads is gone";
    EXPECT_EQ(ReadTestCells(In(F1, "out.RST"), "real"), std::vector<double>({1, 2, 3, 4, 5, 6}));
    const std::string rdc = ReadWholeFile(In(F1, "out.RDC"));
    EXPECT_EQ(HeaderLine(rdc, "min. value"), "min. value  : 1");
    EXPECT_EQ(HeaderLine(rdc, "max. value"), "max. value  : 6");

    WriteImageFolders({});
    Process("[a.rst]+1", "out", 2);
    EXPECT_EQ(Status(), "File expression, NOT ALL FILES EXISTS");
    EXPECT_EQ(OnlyMessage(), "Error: File expression, NOT ALL FILES EXISTS");
}

TEST_F(MainFormTest, DestinationRulesGiveTheirMessages)
{
    WriteTestRaster(In(F1, "a"), ByteRamp(1, 2));
    const QString operand = "[" + F1 + "/a.rst]*2";
    struct Row {
        const char* Name;
        QStringList Folders;
        QString Target;
        QString Message;
    };
    const Row rows[] = {
        {"no name", {F1}, "", "Please specify destination"},
        {"bare name without folders", {}, "out.rst", "Erroneus destination"},
        {"missing folder", {F1}, "/no/such/folder/out.rst", "Directory for destination does not exist"},
        {"a folder without a file name", {F1}, F1 + "/", "Erroneus destination"},
    };
    for (const Row& row : rows) {
        WriteImageFolders(row.Folders);
        StatusBar()->showMessage("before");
        Process(operand, row.Target);
        EXPECT_EQ(OnlyMessage(), "Error: " + row.Message) << row.Name;
        EXPECT_EQ(Status(), "") << row.Name << ": a refusal clears the status bar";
    }
    EXPECT_FALSE(std::filesystem::exists(In(F1, ".RST")));
}

TEST_F(MainFormTest, DecliningTheOverwriteQuestionKeepsTheOldFiles)
{
    WriteTestRaster(In(F1, "a"), ByteRamp(1, 2));
    WriteWholeFile(In(F1, "out.RST"), "old cells");
    WriteWholeFile(In(F1, "out.RDC"), "old header");
    WriteImageFolders({F1});
    ui->MessageAnswers.push_back(TMsgResult::No);
    Expr()->setText("[a.rst]*2");
    Target()->setText("out");
    Child<QPushButton>(form, "Process")->click();
    ASSERT_EQ(ui->Messages.size(), 1u);
    EXPECT_EQ(ui->Messages[0].Caption, "Question");
    EXPECT_EQ(ui->Messages[0].Buttons, TMsgButtons::YesNo);
    EXPECT_EQ(ui->Messages[0].Text, "File " + F1 + "/out.RST exists. Overwrite?");
    EXPECT_EQ(ReadWholeFile(In(F1, "out.RST")), "old cells");
    EXPECT_EQ(ReadWholeFile(In(F1, "out.RDC")), "old header");
}

TEST_F(MainFormTest, ALargeRasterIsWrittenWholeInWindows)
{
    WriteTestRaster(In(F1, "big"), ByteRamp(1000, 2500));
    WriteImageFolders({F1});
    Process("[big.rst]*2", "twice.rst");
    EXPECT_EQ(OnlyMessage(), "Information: Ready. See file " + F1 + "/twice.rst");
    EXPECT_EQ(std::filesystem::file_size(In(F1, "twice.RST")), 10'000'000u);
    const std::vector<double> cells = ReadTestCells(In(F1, "twice.RST"), "real");
    EXPECT_EQ(cells[2'499'999], 2.0 * (2'499'999 % 256)) << "the last window's last cell";
    const std::string rdc = ReadWholeFile(In(F1, "twice.RDC"));
    EXPECT_EQ(HeaderLine(rdc, "data type"), "data type   : real");
    EXPECT_EQ(HeaderLine(rdc, "min. value"), "min. value  : 0");
    EXPECT_EQ(HeaderLine(rdc, "max. value"), "max. value  : 510");
}

TEST_F(MainFormTest, ByteOutputOutOfRangeIsProhibited)
{
    WriteTestRaster(In(F1, "a"), ByteRamp(16, 16));
    WriteImageFolders({F1});
    StatusBar()->showMessage("before");
    Process("[a.rst]-1", "minus", 0);
    EXPECT_EQ(OnlyMessage(), "Warning: Output expression extremums are (-1, 254). Output prohibited.");
    EXPECT_EQ(Status(), "before");
    EXPECT_FALSE(std::filesystem::exists(In(F1, "minus.RDC")));
}

TEST_F(MainFormTest, InsertImageCutsFoldersOfImageFoldersOnly)
{
    WriteImageFolders({F1, F2});
    ui->OpenAnswers = {F2 + "/dem.rst", "/elsewhere/dem.rst", ""};
    Expr()->setText("2*");
    Expr()->setCursorPosition(2);
    Child<QPushButton>(form, "InserImage")->click();
    EXPECT_EQ(Expr()->text(), "2*[dem.rst]");
    Child<QPushButton>(form, "InserImage")->click();
    EXPECT_EQ(Expr()->text(), "2*[dem.rst][/elsewhere/dem.rst]");
    Child<QPushButton>(form, "InserImage")->click();
    EXPECT_EQ(Expr()->text(), "2*[dem.rst][/elsewhere/dem.rst]") << "a cancel inserts nothing";
    ASSERT_EQ(ui->OpenRequests.size(), 3u);
    EXPECT_EQ(ui->OpenRequests[0].Folder, F1);
    EXPECT_EQ(ui->OpenRequests[0].Filter, "Idrisi raster (*.rst *.RST)");
    EXPECT_TRUE(ui->OpenRequests[0].FileName.isEmpty());
    EXPECT_EQ(ui->OpenRequests[1].Folder, F2) << "where the last image was chosen";
    EXPECT_EQ(ui->OpenRequests[2].Folder, F1) << "a folder that is not there gives way to the first image folder";
}

TEST_F(MainFormTest, SetFileCutsOnlyTheFirstImageFolder)
{
    WriteImageFolders({F1 + "/", F2});
    ui->SaveAnswers = {F1 + "/out.rst", F2 + "/out.rst", ""};
    Child<QPushButton>(form, "SetDest")->click();
    EXPECT_EQ(Target()->text(), "out.rst");
    Child<QPushButton>(form, "SetDest")->click();
    EXPECT_EQ(Target()->text(), F2 + "/out.rst");
    Child<QPushButton>(form, "SetDest")->click();
    EXPECT_EQ(Target()->text(), F2 + "/out.rst");
    ASSERT_EQ(ui->SaveRequests.size(), 3u);
    EXPECT_EQ(ui->SaveRequests[0].Folder, F1) << "without its trailing separator";
    EXPECT_FALSE(ui->SaveRequests[0].ConfirmOverwrite) << "the command asks itself";
    EXPECT_EQ(ui->SaveRequests[2].Folder, F2) << "where the last output was chosen";
}

TEST_F(MainFormTest, ClearEmptiesExpressionAndStatusBar)
{
    Expr()->setText("1+2");
    StatusBar()->showMessage("Number: 3");
    Child<QPushButton>(form, "Clear")->click();
    EXPECT_TRUE(Expr()->text().isEmpty());
    EXPECT_TRUE(Status().isEmpty());
}

TEST_F(MainFormTest, AnOutputThatCannotBeWrittenIsReported)
{
    WriteTestRaster(In(F1, "a"), ByteRamp(1, 2));
    WriteImageFolders({F1});
    // A folder where the cells should go can be neither deleted nor written.
    std::filesystem::create_directories(In(F1, "out.RST/inside"));
    Process("[a.rst]*2", "out");
    ASSERT_EQ(ui->Messages.size(), 1u);
    EXPECT_EQ(ui->Messages[0].Caption, "Error");
    EXPECT_EQ(ui->Messages[0].Icon, TMsgIcon::Error);
    EXPECT_FALSE(std::filesystem::exists(In(F1, "out.RDC")));
}

TEST_F(MainFormTest, MenusOpenTheSettingsAndTheAboutBox)
{
    WriteImageFolders({F1});
    QStringList seen;
    QTimer::singleShot(0, [&] {
        seen << Child<TSettingsForm>(form, "SettingsForm")->windowTitle();
        seen << Child<TSettingsForm>(form, "SettingsForm")->findChild<QListWidget*>("ListBox1")->item(0)->text();
        Child<QPushButton>(*Child<TSettingsForm>(form, "SettingsForm"), "BOK")->click();
    });
    Child<QAction>(form, "FoldersforImages1")->trigger();
    EXPECT_EQ(seen, QStringList({"Settings", F1}));

    QTimer::singleShot(0, [&] {
        seen << Child<TAboutBox>(form, "AboutBox")->windowTitle();
        for (QLabel* label : Child<TAboutBox>(form, "AboutBox")->findChildren<QLabel*>())
            if (!label->text().isEmpty()) seen << label->text();
        Child<QPushButton>(*Child<TAboutBox>(form, "AboutBox"), "OKButton")->click();
    });
    Child<QAction>(form, "About1")->trigger();
    EXPECT_TRUE(seen.contains("About Rastello"));
    EXPECT_TRUE(seen.contains("Quillmere Rastello"));
    EXPECT_TRUE(seen.contains("Version 1.1"));
    EXPECT_TRUE(seen.contains("Authors:"));
    EXPECT_FALSE(Child<TAboutBox>(form, "AboutBox")->isVisible());
    // The program icon stands in the title bar and in the about box.
    const QPixmap shown = Child<TAboutBox>(form, "AboutBox")->findChild<QLabel*>("ProgramIcon")->pixmap();
    EXPECT_EQ(shown.size(), QSize(32, 32));
    EXPECT_EQ(shown.toImage(), RastelloIcon().toImage());
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_EQ(form.windowIcon().pixmap(32, 32).toImage(), RastelloIcon().toImage());
}

// From the click to the result the wait cursor shows, but never while a box
// or the reclassification dialog waits for the user, and it goes however the
// command ends.
TEST_F(MainFormTest, TheWaitCursorShowsWhileACommandRunsAndNeverWhileTheUserIsAsked)
{
    WriteTestRaster(In(F1, "a"), ByteRamp(1, 2));
    WriteTestRaster(In(F1, "nan"), {.Values = {std::nan("")}});
    WriteWholeFile(In(F1, "old.RST"), "old cells");
    WriteWholeFile(In(F1, "old.RDC"), "old header");
    WriteImageFolders({F1});
    struct Row {
        const char* Name;
        const char* Button;
        QString Expression;
        QString Target;
        TMsgResult Answer;
        QString LastCaption;
        bool ReadsHeader; // the reclassification asks before it reads
    };
    const Row rows[] = {
        {"process written", "Process", "[a.rst]+1", "out", TMsgResult::Yes, "Information", true},
        {"process declined", "Process", "[a.rst]+1", "old", TMsgResult::No, "Question", true},
        {"process refused", "Process", "[a.rst]+1", "/no/such/folder/out", TMsgResult::Yes, "Error", true},
        {"reclassification written", "ReClass", "[a.rst]", "classes", TMsgResult::Yes, "Information", true},
        {"reclassification declined", "ReClass", "[a.rst]", "old", TMsgResult::No, "Question", false},
        {"reclassification failed", "ReClass", "[nan.rst]", "bytes", TMsgResult::Yes, "Error", true},
    };
    for (const Row& row : rows) {
        // The header reads happen inside the command.
        TWaitCursorProbe probe;
        std::optional<bool> busyInDialog;
        QTimer script;
        script.setSingleShot(true);
        QObject::connect(&script, &QTimer::timeout, [&] {
            auto* dialog = Child<TReClassForm>(form, "ReClassForm");
            if (!dialog->isVisible()) return;
            busyInDialog = WaitCursorShown();
            Child<QTabWidget>(*dialog, "PageControl1")->setCurrentIndex(1);
            Child<QLineEdit>(*dialog, "ClassesNumber")->setText("2");
            Child<QPushButton>(*dialog, "Proceed")->click();
        });
        script.start(0);
        ui->MessageAnswers = {row.Answer};
        Expr()->setText(row.Expression);
        Target()->setText(row.Target);
        DestType()->setCurrentIndex(0);
        ui->Messages.clear();
        Child<QPushButton>(form, row.Button)->click();

        EXPECT_EQ(!probe.ShownAtReads.isEmpty(), row.ReadsHeader) << row.Name;
        EXPECT_FALSE(probe.ShownAtReads.contains(false)) << row.Name;
        EXPECT_EQ(busyInDialog.value_or(false), false) << row.Name;
        ASSERT_FALSE(ui->Messages.empty()) << row.Name;
        EXPECT_EQ(ui->Messages.back().Caption, row.LastCaption) << row.Name;
        EXPECT_EQ(ui->AskedWhileBusy, 0) << row.Name;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << row.Name;
    }
}

TEST_F(MainFormTest, CloseAndExitCloseTheWindow)
{
    form.show();
    Child<QPushButton>(form, "BClose")->click();
    EXPECT_FALSE(form.isVisible());
    form.show();
    Child<QAction>(form, "Exit1")->trigger();
    EXPECT_FALSE(form.isVisible());
}
