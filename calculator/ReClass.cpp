#include "calculator/ReClass.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

#include "calculator/kstrgrid.h"
#include "geodata/QMMapDecl.h"
#include "platform/qt/BusyCursor.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/UiServices.h"

namespace {

// Grid columns.
constexpr int kValueCol = 0;
constexpr int kFromCol = 1;
constexpr int kToCol = 2;

const char* const kInvalidValue = "Invalid value";
const char* const kPleaseEnterData = "Please enter data";
const char* const kInvalidData = "Invalid data";
const char* const kFromAboveTo = "[from] value must be not grater then [to] value";
const char* const kOverlap = "[to] value must be not grater then next [from] value";

// The user's locale without group separators: "1,234.5" is no number here,
// so that a mistyped decimal comma is refused rather than read a thousand
// times too large.
QLocale DialogLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

// A finite real: "nan" and "inf" are no data.
bool ParseReal(const QString& text, double& value)
{
    bool ok = false;
    double parsed = DialogLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool ParseReal(const std::string& text, double& value)
{
    return ParseReal(QString::fromStdString(text), value);
}

bool ParseInteger(const QString& text, std::int64_t& value)
{
    bool ok = false;
    qlonglong parsed = DialogLocale().toLongLong(text, &ok);
    if (!ok) return false;
    value = parsed;
    return true;
}

// Format("%f"): two decimals.
QString FormatFixed2(double value)
{
    return DialogLocale().toString(value, 'f', 2);
}

QLineEdit* NewEdit(QWidget* parent, const char* name, bool readOnly)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(readOnly);
    return edit;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* caption)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    return label;
}

} // namespace

// ---------------------------------------------------------------- the form

TReClassForm::TReClassForm(QWidget* parent) : QDialog(parent)
{
    setObjectName("ReClassForm");
    setWindowTitle("Reclassification");
    new QVBoxLayout(this);
    CreateHeader();
    CreatePages();
    CreateButtons();
    resize(520, 420);
}

void TReClassForm::CreateHeader()
{
    auto* grid = new QGridLayout;
    Label1 = NewLabel(this, "Label1", "Source file:");
    SrcName = NewEdit(this, "SrcName", true);
    Label2 = NewLabel(this, "Label2", "Minimum data value:");
    MinVal = NewEdit(this, "MinVal", true);
    Label3 = NewLabel(this, "Label3", "Maximum data value:");
    MaxVal = NewEdit(this, "MaxVal", true);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(SrcName, 0, 1, 1, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(MinVal, 1, 1);
    grid->addWidget(Label3, 1, 2);
    grid->addWidget(MaxVal, 1, 3);
    static_cast<QVBoxLayout*>(layout())->addLayout(grid);
}

void TReClassForm::CreatePages()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName("TabSheet1");
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName("TabSheet2");
    PageControl1->addTab(TabSheet1, "User-defined");
    PageControl1->addTab(TabSheet2, "Equal-interval");
    PageControl1->setCurrentIndex(0);
    CreateGrid(TabSheet1);
    CreateEqualInterval(TabSheet2);
    static_cast<QVBoxLayout*>(layout())->addWidget(PageControl1, 1);
}

void TReClassForm::CreateGrid(QWidget* page)
{
    ValGrid = new TKStringGrid(page);
    ValGrid->setObjectName("ValGrid");
    ValGrid->SetOptions(goFixedLines | goVertLine | goHorzLine | goColSizing | goEditing | goThumbTracking);
    ValGrid->SetAutoSort(false);
    ValGrid->SetSelectedColor(clHighlight);
    ValGrid->SetSelectedFontColor(clHighlightText);
    for (const char* caption : {"Assign a new value of", "To all values from", "To just less then"}) {
        TKGridColumn& column = ValGrid->Columns().Add();
        column.SetCaption(caption);
        column.SetWidth(150);
        TKFont headerFont = column.HeaderFont();
        headerFont.Bold = true;
        column.SetHeaderFont(headerFont);
        column.SetImeMode(imDisable);
    }
    ValGrid->OnSetEditText = [this](int col, int row, const std::string& value) { ValGridSetEditText(col, row, value); };
    ValGrid->OnCompareRows = [this](const TKGridColumnList& sorted, int index1, int index2, int& result) {
        ValGridCompareRows(sorted, index1, index2, result);
    };
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ValGrid);
}

void TReClassForm::CreateEqualInterval(QWidget* page)
{
    ClassWidth_RB = new QRadioButton("Class Width", page);
    ClassWidth_RB->setObjectName("ClassWidth_RB");
    ClassWidth = NewEdit(page, "ClassWidth", false);
    ClassesNumber_RB = new QRadioButton("Number of classes", page);
    ClassesNumber_RB->setObjectName("ClassesNumber_RB");
    ClassesNumber = NewEdit(page, "ClassesNumber", false);
    ClassesNumber_RB->setChecked(true);
    connect(ClassWidth, &QLineEdit::textChanged, this, [this] { ClassWidthChange(); });
    connect(ClassesNumber, &QLineEdit::textChanged, this, [this] { ClassesNumberChange(); });

    auto* grid = new QGridLayout(page);
    grid->addWidget(ClassWidth_RB, 0, 0);
    grid->addWidget(ClassWidth, 0, 1);
    grid->addWidget(ClassesNumber_RB, 1, 0);
    grid->addWidget(ClassesNumber, 1, 1);
    grid->setRowStretch(2, 1);
}

void TReClassForm::CreateButtons()
{
    Proceed = new QPushButton("Proceed and close", this);
    Proceed->setObjectName("Proceed");
    Proceed->setAutoDefault(false);
    connect(Proceed, &QPushButton::clicked, this, [this] { ProceedClick(); });
    BClose = new QPushButton("Cancel", this);
    BClose->setObjectName("BClose");
    BClose->setAutoDefault(false);
    connect(BClose, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(Proceed);
    row->addWidget(BClose);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void TReClassForm::PrepareReclass(const std::string& name, double minValue, double maxValue)
{
    SourceName = name;
    MinValue = minValue;
    MaxValue = maxValue;
    SrcName->setText(QString::fromStdString(name));
    MinVal->setText(FormatFixed2(minValue));
    MaxVal->setText(FormatFixed2(maxValue));
    ValGrid->Clear();
    ValGrid->AddRow();
    ClassWidth->clear();
    ClassesNumber->clear();
    TableMade = false;
    Ranges.clear();
    Updating = 0;
}

// ---------------------------------------------------------------- equal intervals

void TReClassForm::ClassesNumberChange()
{
    if (Updating) return;
    Updating = 1;
    std::int64_t count = 0;
    // A width that overflows, or of a range with infinite or NaN ends, is
    // one Proceed refuses: not shown.
    double width = std::numeric_limits<double>::quiet_NaN();
    if (ParseInteger(ClassesNumber->text(), count) && count > 1)
        width = (MaxValue - MinValue) / static_cast<double>(count);
    if (std::isfinite(width))
        ClassWidth->setText(FormatFixed2(width));
    else
        ClassWidth->clear();
    Updating = 0;
}

void TReClassForm::ClassWidthChange()
{
    if (Updating) return;
    Updating = 1;
    double width = 0;
    std::int64_t count = 0;
    // A count that Proceed would refuse is not shown.
    if (ParseReal(ClassWidth->text(), width) && ClassCountForWidth(MinValue, MaxValue, width, count))
        ClassesNumber->setText(DialogLocale().toString(static_cast<qlonglong>(count)));
    else
        ClassesNumber->clear();
    Updating = 0;
}

void TReClassForm::ProceedClick()
{
    try {
        Ranges.clear();
        if (PageControl1->currentIndex() != 0)
            ProceedEqualInterval();
        else
            ProceedUserDefined();
    } catch (const std::exception& error) {
        ShowErrorBox(this, ErrorText(error));
    }
}

void TReClassForm::ProceedEqualInterval()
{
    double width = 0;
    std::int64_t count = 0;
    const bool byWidth = ClassWidth_RB->isChecked();
    QLineEdit* edit = byWidth ? ClassWidth : ClassesNumber;
    if (byWidth) {
        if (!ParseReal(ClassWidth->text(), width) || !ClassCountForWidth(MinValue, MaxValue, width, count))
            return RefuseEdit(edit);
    } else {
        if (!ParseInteger(ClassesNumber->text(), count) || count <= 1 || count > kMaxClasses)
            return RefuseEdit(edit);
        width = (MaxValue - MinValue) / static_cast<double>(count);
    }
    // Empty when an edge or a value would not be finite, as for a range
    // too wide for its width to be a number.
    Ranges = EqualIntervalTable(MinValue, MaxValue, width, count);
    if (Ranges.empty()) return RefuseEdit(edit);
    TableMade = true;
    accept();
}

void TReClassForm::RefuseEdit(QLineEdit* edit)
{
    Ui().MessageBox(this, "Error", kInvalidValue, TMsgIcon::Error);
    edit->setFocus();
}

// ---------------------------------------------------------------- user-defined rows

void TReClassForm::ProceedUserDefined()
{
    DeleteEmptyRows();
    if (ValGrid->RowCount() == 0) {
        Ui().MessageBox(this, "Information", kPleaseEnterData, TMsgIcon::Error);
        ValGrid->AddRow();
        return;
    }
    if (!ParseRows()) return;
    if (ValGrid->RowCount() >= 2) {
        ValGrid->VisibleColumns()[kFromCol]->SetSortOrder(csAsc);
        ValGrid->Sort();
        if (!CheckNeighbours()) return;
    }
    for (int row = 0; row < ValGrid->RowCount(); ++row) {
        TReclassRow values;
        int badCol = 0;
        ReadRow(row, values, badCol);
        Ranges.push_back(values);
    }
    TableMade = true;
    accept();
}

// A cell of blanks is not empty: it answers "Invalid data".
void TReClassForm::DeleteEmptyRows()
{
    for (int row = ValGrid->RowCount() - 1; row >= 0; --row) {
        bool empty = true;
        for (int col = kValueCol; col <= kToCol; ++col) empty = empty && ValGrid->Cells(col, row).empty();
        if (empty) ValGrid->DeleteRow(row);
    }
}

bool TReClassForm::ParseRows()
{
    for (int row = 0; row < ValGrid->RowCount(); ++row) {
        TReclassRow values;
        int badCol = 0;
        if (!ReadRow(row, values, badCol)) {
            RefuseCell(badCol, row, "Information", kInvalidData);
            return false;
        }
        if (values.From > values.To) {
            RefuseCell(kFromCol, row, "Information", kFromAboveTo);
            return false;
        }
    }
    return true;
}

bool TReClassForm::CheckNeighbours()
{
    TReclassRow previous;
    int badCol = 0;
    ReadRow(0, previous, badCol);
    for (int row = 1; row < ValGrid->RowCount(); ++row) {
        TReclassRow current;
        ReadRow(row, current, badCol);
        if (previous.To > current.From) {
            RefuseCell(kToCol, row - 1, "Error", kOverlap);
            return false;
        }
        previous = current;
    }
    return true;
}

// Value, from and to, parsed in that order; badCol names the first that is
// no number.
bool TReClassForm::ReadRow(int row, TReclassRow& values, int& badCol) const
{
    const std::pair<int, double*> cells[] = {{kValueCol, &values.Value}, {kFromCol, &values.From}, {kToCol, &values.To}};
    for (const auto& [col, target] : cells) {
        if (!ParseReal(ValGrid->Cells(col, row), *target)) {
            badCol = col;
            return false;
        }
    }
    return true;
}

void TReClassForm::RefuseCell(int col, int row, const QString& caption, const QString& text)
{
    ValGrid->SetActiveRow(row);
    ValGrid->SetActiveCol(col);
    Ui().MessageBox(this, caption, text, TMsgIcon::Error);
    ValGrid->setFocus();
}

// Typing moves on: value, from, to, then the value of the next row, which is
// added after the last.
void TReClassForm::ValGridSetEditText(int col, int row, const std::string& /*value*/)
{
    if (col == kValueCol || col == kFromCol) {
        ValGrid->SetActiveCol(col + 1);
    } else if (col == kToCol) {
        if (row == ValGrid->RowCount() - 1) ValGrid->AddRow();
        ValGrid->SetActiveRow(row + 1);
        ValGrid->SetActiveCol(kValueCol);
    }
}

// By from; equal froms by to, so that the order never depends on typing.
void TReClassForm::ValGridCompareRows(const TKGridColumnList& /*sortedColumns*/, int index1, int index2, int& result)
{
    auto key = [this](int row, int col) {
        double value = 0;
        return ParseReal(ValGrid->Cells(col, row), value) ? value : std::numeric_limits<double>::quiet_NaN();
    };
    auto compare = [](double a, double b) { return a < b ? -1 : a > b ? 1 : 0; };
    result = compare(key(index1, kFromCol), key(index2, kFromCol));
    if (result == 0) result = compare(key(index1, kToCol), key(index2, kToCol));
}

// ---------------------------------------------------------------- the command

// The engine counts bytes of the UTF-8 text; the edit counts characters.
void SelectErrorPosition(QLineEdit& expr, int bytePosition)
{
    const QByteArray utf8 = expr.text().toUtf8();
    const int bytesBefore = std::clamp(bytePosition - 1, 0, static_cast<int>(utf8.size()));
    const int tokenStart = static_cast<int>(QString::fromUtf8(utf8.left(bytesBefore)).size());
    expr.setFocus();
    expr.setSelection(std::max(tokenStart - 1, 0), 2);
}

namespace {

TReclassRequest RequestOf(const TReclassWindow& window)
{
    TReclassRequest request;
    request.Expression = window.Expr->text().toStdString();
    request.Target = window.Target.toStdString();
    request.DestTypeIndex = window.DestTypeIndex;
    request.ImageFolders = window.ImageFolders;
    return request;
}

TReclassCallbacks CallbacksFor(TReClassForm& form, QWidget* parent)
{
    TReclassCallbacks callbacks;
    callbacks.AskYesNo = [parent](const std::string& question) {
        return Ui().MessageBox(parent, "Question", QString::fromStdString(question), TMsgIcon::Question,
                               TMsgButtons::YesNo) == TMsgResult::Yes;
    };
    callbacks.BuildTable = [&form](const std::string& name, double minValue, double maxValue) -> const Double3Array* {
        form.PrepareReclass(name, minValue, maxValue);
        {
            TBusyCursor::TPause userBuildsTable;
            form.exec();
        }
        if (!form.Confirmed()) return nullptr;
        // The dialog's place is repainted before the long loop begins.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return &form.Table();
    };
    return callbacks;
}

void ShowResult(const TReclassWindow& window, const TReclassResult& result)
{
    const QString message = QString::fromStdString(result.Message);
    if (result.Outcome == TReclassOutcome::Written) {
        Ui().MessageBox(window.Window, "Information", message, TMsgIcon::Information);
        return;
    }
    if (result.ErrorPosition > 0) SelectErrorPosition(*window.Expr, result.ErrorPosition);
    if (!message.isEmpty()) ShowErrorBox(window.Window, message);
}

} // namespace

void ReclassifyCommand(TReClassForm& form, const TReclassWindow& window)
{
    try {
        ShowResult(window, ReclassifyRaster(RequestOf(window), CallbacksFor(form, window.Window)));
    } catch (const QMError& e) {
        const QString message = QString::fromUtf8(e.what());
        if (window.StatusBar) window.StatusBar->showMessage(message);
        if (!message.isEmpty()) ShowErrorBox(window.Window, message);
    } catch (const std::exception& e) {
        // Faults of input/output or arithmetic, shown as the program's own
        // error report shows them.
        ShowErrorBox(window.Window, ErrorText(e));
    }
}
