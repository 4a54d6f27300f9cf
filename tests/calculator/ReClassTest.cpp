#include "calculator/ReClass.h"

#include "Child.h"
#include "RecordingUi.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "calculator/Main.h"
#include "calculator/Settings.h"
#include "calculator/kstrgrid.h"
#include "platform/FileNames.h"
#include "tests/calculator/CalcTestFiles.h"
#include "tests/calculator/RastelloTestSettings.h"

// Readable failure messages.
void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Cells = std::vector<std::string>;

class ReClassFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        std::tie(Recorder, RecorderGuard) = RecordingUi::Install();
        Form = std::make_unique<TReClassForm>();
        Form->PrepareReclass("/images/src.rst", 0, 10);
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    void EqualInterval(bool byWidth, const QString& text)
    {
        Pages()->setCurrentIndex(1);
        (byWidth ? Radio("ClassWidth_RB") : Radio("ClassesNumber_RB"))->setChecked(true);
        (byWidth ? Edit("ClassWidth") : Edit("ClassesNumber"))->setText(text);
    }
    void Rows(const std::vector<Cells>& rows)
    {
        TKStringGrid& grid = *Grid();
        grid.Clear();
        for (const Cells& row : rows) {
            grid.AddRow();
            for (int col = 0; col < 3; ++col) grid.SetCells(col, grid.RowCount() - 1, row[col]);
        }
    }
    // The one message shown by Proceed, as "caption: text".
    QString ProceedMessage()
    {
        Recorder->Messages.clear();
        Form->ProceedClick();
        if (Recorder->Messages.size() != 1) return QString("%1 messages").arg(Recorder->Messages.size());
        const TRecordedMessage& message = Recorder->Messages.front();
        EXPECT_EQ(message.Icon, TMsgIcon::Error);
        return message.Caption + ": " + message.Text;
    }
    std::vector<std::string> Column(int col) const
    {
        std::vector<std::string> cells;
        for (int row = 0; row < Grid()->RowCount(); ++row) cells.push_back(Grid()->Cells(col, row));
        return cells;
    }

    TKStringGrid* Grid() const { return Child<TKStringGrid>(*Form, "ValGrid"); }
    QTabWidget* Pages() const { return Child<QTabWidget>(*Form, "PageControl1"); }
    QLineEdit* Edit(const char* name) const { return Child<QLineEdit>(*Form, name); }
    QRadioButton* Radio(const char* name) const { return Child<QRadioButton>(*Form, name); }

    RecordingUi* Recorder = nullptr;
    std::unique_ptr<RecordingUi::Guard> RecorderGuard;
    std::unique_ptr<TReClassForm> Form;
};

TEST_F(ReClassFormTest, PrepareResetsTheDialogForOneSource)
{
    Grid()->SetCells(0, 0, "5");
    Grid()->AddRow();
    EqualInterval(false, "4");
    Form->PrepareReclass("/images/dem.rst", -1.5, 1234.567);

    EXPECT_EQ(Edit("SrcName")->text(), "/images/dem.rst");
    EXPECT_EQ(Edit("MinVal")->text(), "-1.50");
    EXPECT_EQ(Edit("MaxVal")->text(), "1234.57");
    EXPECT_EQ(Grid()->RowCount(), 1);
    EXPECT_EQ(Grid()->Cells(0, 0), "");
    EXPECT_TRUE(Edit("ClassWidth")->text().isEmpty());
    EXPECT_TRUE(Edit("ClassesNumber")->text().isEmpty());
    EXPECT_FALSE(Form->Confirmed());
    // The page and the radio button stay as the user left them.
    EXPECT_EQ(Pages()->currentIndex(), 1);
    EXPECT_TRUE(Radio("ClassesNumber_RB")->isChecked());
}

TEST_F(ReClassFormTest, EqualIntervalEditsFollowEachOther)
{
    struct Row {
        bool ByWidth;
        const char* Typed;
        const char* Other;
    };
    const Row rows[] = {
        {true, "5", "3"},    {true, "4", "3"},   {true, "0", ""},   {true, "x", ""},
        {true, "1e-300", ""}, {false, "4", "2.50"}, {false, "1", ""}, {false, "0", ""},
        {false, "x", ""},
    };
    for (const Row& row : rows) {
        EqualInterval(row.ByWidth, row.Typed);
        QLineEdit* other = row.ByWidth ? Edit("ClassesNumber") : Edit("ClassWidth");
        EXPECT_EQ(other->text(), row.Other) << row.Typed;
        // The edit the user typed in keeps its text.
        EXPECT_EQ((row.ByWidth ? Edit("ClassWidth") : Edit("ClassesNumber"))->text(), row.Typed);
    }
}

TEST_F(ReClassFormTest, EqualIntervalTables)
{
    EqualInterval(true, "5");
    EXPECT_EQ(ProceedMessage(), "0 messages");
    EXPECT_TRUE(Form->Confirmed());
    EXPECT_EQ(Form->Table(), (Double3Array{{0, 5, 2.5}, {5, 10, 7.5}, {10, 15, 12.5}}));

    // Built from the exact width, not from the "3.33" shown.
    Form->PrepareReclass("src", 0, 10);
    EqualInterval(false, "3");
    EXPECT_EQ(Edit("ClassWidth")->text(), "3.33");
    EXPECT_EQ(ProceedMessage(), "0 messages");
    ASSERT_EQ(Form->Table().size(), 3U);
    EXPECT_EQ(Form->Table()[1].From, 10.0 / 3);
}

TEST_F(ReClassFormTest, EqualIntervalRefusals)
{
    struct Row {
        const char* Name;
        double Min, Max;
        bool ByWidth;
        const char* Typed;
    };
    const Row rows[] = {
        {"one class", 0, 10, false, "1"},
        {"no number", 0, 10, false, "many"},
        {"too many classes", 0, 10, false, "1000001"},
        {"zero width", 0, 10, true, "0"},
        {"maximum below minimum", 10, 0, true, "5"},
        {"too many classes for the width", 0, 10, true, "0.000001"},
        // Widths or edges that are no numbers: every cell would become one.
        {"classes of a range whose width overflows", -1e308, 1e308, false, "4"},
        {"a width over a range whose width overflows", -1e308, 1e308, true, "1e300"},
        {"a last edge that overflows", 0, 1e308, true, "1e308"},
        {"classes of an infinite range", -kInf, kInf, false, "4"},
        {"a width over an infinite range", -kInf, kInf, true, "5"},
        {"classes of a NaN range", kNaN, kNaN, false, "4"},
    };
    for (const Row& row : rows) {
        Form->PrepareReclass("src", row.Min, row.Max);
        EqualInterval(row.ByWidth, row.Typed);
        EXPECT_EQ(ProceedMessage(), "Error: Invalid value") << row.Name;
        EXPECT_FALSE(Form->Confirmed()) << row.Name;
        EXPECT_TRUE(Form->Table().empty()) << row.Name;
        // A width that is no number is not shown.
        if (!row.ByWidth && !std::isfinite(row.Max - row.Min)) {
            EXPECT_EQ(Edit("ClassWidth")->text(), "") << row.Name;
        }
    }
}

TEST_F(ReClassFormTest, UserDefinedRowsAreSortedAndChecked)
{
    struct Row {
        const char* Name;
        std::vector<Cells> Typed;
        QString Message;
        int Col = -1; // the cell selected with the message
        int Row = -1;
    };
    const Row rows[] = {
        {"out of order", {{"2", "10", "20"}, {"1", "0", "10"}}, "0 messages"},
        {"empty middle row", {{"1", "0", "10"}, {"", "", ""}, {"2", "10", "20"}}, "0 messages"},
        {"equal froms ordered by to", {{"2", "5", "7"}, {"1", "5", "5"}}, "0 messages"},
        {"equal froms typed in order", {{"1", "5", "5"}, {"2", "5", "7"}}, "0 messages"},
        {"all empty", {{"", "", ""}, {"", "", ""}}, "Information: Please enter data"},
        {"one filled cell", {{"1", "0", "10"}, {"", "3", ""}}, "Information: Invalid data", 0, 1},
        {"blanks are no number", {{"1", " ", "10"}}, "Information: Invalid data", 1, 0},
        {"nan", {{"nan", "0", "10"}}, "Information: Invalid data", 0, 0},
        {"inf", {{"1", "0", "inf"}}, "Information: Invalid data", 2, 0},
        {"group separator", {{"1", "0", "1,000"}}, "Information: Invalid data", 2, 0},
        {"from above to", {{"1", "0", "10"}, {"2", "30", "20"}}, "Information: " + QString(
             "[from] value must be not grater then [to] value"), 1, 1},
        {"overlap", {{"2", "5", "20"}, {"1", "0", "10"}}, "Error: " + QString(
             "[to] value must be not grater then next [from] value"), 2, 0},
    };
    for (const Row& row : rows) {
        Form->PrepareReclass("src", 0, 10);
        Pages()->setCurrentIndex(0);
        Rows(row.Typed);
        EXPECT_EQ(ProceedMessage(), row.Message) << row.Name;
        EXPECT_EQ(Form->Confirmed(), row.Message == "0 messages") << row.Name;
        if (row.Col >= 0) {
            EXPECT_EQ(Grid()->ActiveCol(), row.Col) << row.Name;
            EXPECT_EQ(Grid()->ActiveRow(), row.Row) << row.Name;
        }
    }
}

TEST_F(ReClassFormTest, UserDefinedTableFollowsTheSortedGrid)
{
    Rows({{"2", "5", "7"}, {"", "", ""}, {"3", "10", "20"}, {"1", "5", "5"}});
    EXPECT_EQ(ProceedMessage(), "0 messages");
    EXPECT_EQ(Form->Table(), (Double3Array{{5, 5, 1}, {5, 7, 2}, {10, 20, 3}}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"5", "5", "10"}));

    // An empty grid comes back as one empty row.
    Rows({{"", "", ""}});
    EXPECT_EQ(ProceedMessage(), "Information: Please enter data");
    EXPECT_EQ(Grid()->RowCount(), 1);
}

TEST_F(ReClassFormTest, NumbersFollowTheUsersLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Form->PrepareReclass("src", 0, 10);
    EXPECT_EQ(Edit("MinVal")->text(), "0,00");
    EqualInterval(false, "4");
    EXPECT_EQ(Edit("ClassWidth")->text(), "2,50");

    Pages()->setCurrentIndex(0);
    Rows({{"1,5", "0", "2,5"}});
    EXPECT_EQ(ProceedMessage(), "0 messages");
    EXPECT_EQ(Form->Table(), (Double3Array{{0, 2.5, 1.5}}));
    // A point is a group separator there, and refused.
    Form->PrepareReclass("src", 0, 10);
    Rows({{"1.5", "0", "2"}});
    EXPECT_EQ(ProceedMessage(), "Information: Invalid data");
}

TEST_F(ReClassFormTest, TypingMovesOnToTheNextCellAndAddsRows)
{
    Form->show();
    QApplication::setActiveWindow(Form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    TKStringGrid& grid = *Grid();
    grid.setFocus();
    grid.SetActiveRow(0);
    grid.SetActiveCol(0);
    for (const char* text : {"7", "0", "10"}) {
        // One key at a time: the first opens the editor, which takes the rest.
        for (const char* c = text; *c; ++c) QTest::keyClick(QApplication::focusWidget(), *c);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    EXPECT_EQ(Column(0), (std::vector<std::string>{"7", ""}));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"10", ""}));
    EXPECT_EQ(grid.ActiveRow(), 1);
    EXPECT_EQ(grid.ActiveCol(), 0);
}

// The command, with one image folder and the dialog answered by a script
// that runs once it is shown.
class ReClassCommandTest : public ReClassFormTest {
protected:
    void SetUp() override
    {
        ReClassFormTest::SetUp();
        WriteTestRaster(Dir.Path("src"), {.Rows = 2, .Columns = 2, .Values = {5, 25, 15, 35}});
        Expr.setText("[src.rst]");
    }

    void Run(const QString& target, int destType, std::function<void(TReClassForm&)> answer)
    {
        Recorder->Messages.clear();
        Shown = false;
        // Fires in the dialog's loop, or never when the dialog is not shown.
        QTimer script;
        script.setSingleShot(true);
        QObject::connect(&script, &QTimer::timeout, [this, answer] {
            Shown = Form->isVisible();
            if (answer) answer(*Form);
            if (Form->isVisible()) Form->reject();
        });
        script.start(0);
        TReclassWindow window;
        window.Expr = &Expr;
        window.Target = target;
        window.DestTypeIndex = destType;
        window.ImageFolders = {Dir.Folder()};
        window.StatusBar = &StatusBar;
        ReclassifyCommand(*Form, window);
    }
    static void TypeTable(TReClassForm& form)
    {
        Child<QTabWidget>(form, "PageControl1")->setCurrentIndex(0);
        TKStringGrid& grid = *Child<TKStringGrid>(form, "ValGrid");
        for (const Cells& row : std::vector<Cells>{{"300", "0", "10"}, {"2", "20", "30"}}) {
            if (grid.Cells(0, grid.RowCount() - 1) != "") grid.AddRow();
            for (int col = 0; col < 3; ++col) grid.SetCells(col, grid.RowCount() - 1, row[col]);
        }
        Child<QPushButton>(form, "Proceed")->click();
    }
    QStringList Messages() const
    {
        QStringList texts;
        for (const TRecordedMessage& message : Recorder->Messages) texts << message.Caption + ": " + message.Text;
        return texts;
    }

    TTempFolder Dir;
    QLineEdit Expr;
    QStatusBar StatusBar;
    bool Shown = false;
};

TEST_F(ReClassCommandTest, ByteOutputIsWrittenWithItsStoredExtremes)
{
    Run("out.rst", 0, TypeTable);
    EXPECT_TRUE(Shown);
    EXPECT_EQ(Messages(), QStringList{"Information: Ready. See file " + QString::fromStdString(Dir.Path("out.rst"))});
    EXPECT_EQ(Edit("SrcName")->text(), QString::fromStdString(Dir.Path("src.rst")));
    EXPECT_EQ(ReadTestCells(Dir.Path("out.RST"), "byte"), (std::vector<double>{44, 2, 15, 35}));
    const std::string rdc = ReadWholeFile(Dir.Path("out.RDC"));
    EXPECT_NE(rdc.find("data type   : byte\r\n"), std::string::npos);
    EXPECT_NE(rdc.find("min. value  : 2\r\n"), std::string::npos);
    EXPECT_NE(rdc.find("max. value  : 44\r\n"), std::string::npos);
}

TEST_F(ReClassCommandTest, RefusalsBeforeTheDialog)
{
    struct Row {
        const char* Expression;
        const char* Target;
        QString Message;
        QString Status;
    };
    const QString source = QString::fromStdString(Dir.Path("src.rst"));
    const Row rows[] = {
        {"", "out.rst", "Error: Please specify source", ""},
        {"[src.rst]+1", "out.rst", "Error: Source expression must contain only file name", ""},
        {"[nothere.rst]", "out.rst", "Error: Source file does not exist", ""},
        {"[src.rst]", "", "Error: Please specify destination", ""},
        {"[src.rst]", "SRC.rst", "Error: Destination file " + QString::fromStdString(Dir.Path("SRC.rst")) +
                                     " is also an input file.",
         "Destination file " + QString::fromStdString(Dir.Path("SRC.rst")) + " is also an input file."},
    };
    for (const Row& row : rows) {
        Expr.setText(row.Expression);
        StatusBar.clearMessage();
        Run(row.Target, 0, TypeTable);
        EXPECT_FALSE(Shown) << row.Expression;
        EXPECT_EQ(Messages(), QStringList{row.Message}) << row.Expression;
        EXPECT_EQ(StatusBar.currentMessage(), row.Status) << row.Expression;
    }
    EXPECT_FALSE(FileExists(Dir.Path("out.rst")));
    EXPECT_EQ(ReadTestCells(source.toStdString(), "real"), (std::vector<double>{5, 25, 15, 35}));
}

TEST_F(ReClassCommandTest, ErrorInSourceSelectsTheOffendingCharacters)
{
    Expr.setText("2 # 3");
    Run("out.rst", 0, TypeTable);
    EXPECT_EQ(Messages(), QStringList{"Error: Error in source"});
    EXPECT_EQ(Expr.selectionStart(), 1);
    EXPECT_EQ(Expr.selectedText(), " #");
}

TEST_F(ReClassCommandTest, OldFilesSurviveUntilTheTableIsConfirmed)
{
    WriteWholeFile(Dir.Path("out.rst"), "old cells");
    WriteWholeFile(Dir.Path("out.rdc"), "old header");

    // No to the question: the dialog is never shown.
    Recorder->MessageAnswers = {TMsgResult::No};
    Run("out.rst", 0, TypeTable);
    EXPECT_FALSE(Shown);
    EXPECT_EQ(Messages(), QStringList{"Question: File " + QString::fromStdString(Dir.Path("out.RST")) +
                                      " exists. Overwrite?"});

    // Yes, then Cancel in the dialog: nothing is written or deleted.
    Recorder->MessageAnswers = {TMsgResult::Yes};
    Run("out.rst", 0, nullptr);
    EXPECT_TRUE(Shown);
    EXPECT_EQ(Messages().size(), 1);
    EXPECT_EQ(ReadWholeFile(Dir.Path("out.rst")), "old cells");
    EXPECT_EQ(ReadWholeFile(Dir.Path("out.rdc")), "old header");

    // Yes and a table: the pair is replaced under its names on disk.
    Recorder->MessageAnswers = {TMsgResult::Yes};
    Run("out.rst", 2, TypeTable);
    EXPECT_EQ(ReadTestCells(Dir.Path("out.rst"), "real"), (std::vector<double>{300, 2, 15, 35}));
    EXPECT_NE(ReadWholeFile(Dir.Path("out.rdc")).find("data type   : real"), std::string::npos);
}

TEST_F(ReClassCommandTest, FailureInTheLoopGoesToTheStatusBarAndABox)
{
    // A NaN cannot be stored as a byte.
    WriteTestRaster(Dir.Path("src"), {.Rows = 1, .Columns = 1, .Values = {std::nan("")}});
    Run("out.rst", 0, TypeTable);
    EXPECT_EQ(Messages(), QStringList{"Error: Invalid floating point operation"});
    EXPECT_EQ(StatusBar.currentMessage(), "Invalid floating point operation");
    EXPECT_FALSE(FileExists(Dir.Path("out.rdc")));
}

TEST_F(ReClassCommandTest, TheCalculatorWindowsButtonRunsTheCommand)
{
    TTestSettingsFolder settings;
    WriteImageFolders({QString::fromStdString(Dir.Folder())});
    TMainForm window;
    Child<QLineEdit>(window, "Expr")->setText("[src.rst]");
    Child<QLineEdit>(window, "Target")->setText("viabutton.rst");
    Child<QComboBox>(window, "DestType")->setCurrentIndex(2);

    QTimer script;
    script.setSingleShot(true);
    QObject::connect(&script, &QTimer::timeout, [&window] { TypeTable(*Child<TReClassForm>(window, "ReClassForm")); });
    script.start(0);
    Child<QPushButton>(window, "ReClass")->click();
    EXPECT_EQ(Messages(),
              QStringList{"Information: Ready. See file " + QString::fromStdString(Dir.Path("viabutton.rst"))});
    EXPECT_EQ(ReadTestCells(Dir.Path("viabutton.RST"), "real"), (std::vector<double>{300, 2, 15, 35}));
}

} // namespace
