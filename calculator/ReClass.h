#pragma once
// Reclassification: the dialog in which the user builds a table of value
// ranges for one raster, typed row by row or generated as equal intervals,
// and the calculator window's command that rewrites the raster through it.
//
// Numbers in the dialog follow the user's locale (group separators are
// refused); the headers written stay locale-free.
#include <QDialog>
#include <QString>
#include <string>

#include "calculator/KGridData.h"
#include "calculator/Reclassify.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class TKStringGrid;

class TReClassForm : public QDialog {
    Q_OBJECT
public:
    explicit TReClassForm(QWidget* parent = nullptr);

    // Resets the dialog for one source before it is shown; the active page
    // and the chosen radio button keep their last state.
    void PrepareReclass(const std::string& name, double minValue, double maxValue);
    // True once Proceed produced a table.
    bool Confirmed() const { return TableMade; }
    const Double3Array& Table() const { return Ranges; }

    void ProceedClick();
    void ValGridSetEditText(int col, int row, const std::string& value);
    void ValGridCompareRows(const TKGridColumnList& sortedColumns, int index1, int index2, int& result);
    void ClassesNumberChange();
    void ClassWidthChange();

private:
    void CreateHeader();
    void CreatePages();
    void CreateGrid(QWidget* page);
    void CreateEqualInterval(QWidget* page);
    void CreateButtons();

    void ProceedEqualInterval();
    void ProceedUserDefined();
    void DeleteEmptyRows();
    bool ParseRows();
    bool CheckNeighbours();
    bool ReadRow(int row, TReclassRow& values, int& badCol) const;
    void RefuseCell(int col, int row, const QString& caption, const QString& text);
    void RefuseEdit(QLineEdit* edit);

    // Owned by the dialog (Qt parent); reached by tests through their object
    // names.
    QLabel* Label1 = nullptr;
    QLineEdit* SrcName = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* MinVal = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* MaxVal = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr; // "User-defined"
    QWidget* TabSheet2 = nullptr; // "Equal-interval"
    TKStringGrid* ValGrid = nullptr;
    QRadioButton* ClassWidth_RB = nullptr;
    QLineEdit* ClassWidth = nullptr;
    QRadioButton* ClassesNumber_RB = nullptr;
    QLineEdit* ClassesNumber = nullptr;
    QPushButton* Proceed = nullptr;
    QPushButton* BClose = nullptr;

    int Updating = 0; // keeps the two equal-interval edits from re-triggering each other
    std::string SourceName;
    double MinValue = 0;
    double MaxValue = 0;
    bool TableMade = false;
    Double3Array Ranges;
};

// What the command reads from the calculator window and shows on it.
struct TReclassWindow {
    QWidget* Window = nullptr; // parent of the message boxes
    QLineEdit* Expr = nullptr; // the source, as a single file operand
    QString Target;            // the output name
    int DestTypeIndex = -1;    // the output type list's selection
    TImageFolders ImageFolders;
    QStatusBar* StatusBar = nullptr;
};

// After a parse error: focuses the expression field and selects the two
// characters that end with the first character of the offending token, whose
// position the engine gives in bytes from 1.
void SelectErrorPosition(QLineEdit& expr, int bytePosition);

// The command behind the "ReClassification" button: runs ReclassifyRaster
// with the user building the table in `form`, and shows its outcome. Every
// failure is shown; nothing is thrown.
void ReclassifyCommand(TReClassForm& form, const TReclassWindow& window);
