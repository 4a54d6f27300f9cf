#pragma once
// "Objects style": the style dialog of a vector layer. It shows the layer's
// default style set (the objects' own styles) read-only and lets the user
// edit its custom set for the layer's one style kind: point symbols, line
// pens, or area outline, fill and transparency. The dialog edits working
// copies; the caller writes the custom set back after OK.
#include <QDialog>
#include <cstdint>
#include <string>

#include "geodata/QMMapDecl.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class TStyleSwatch;
class TSymbolGridDelegate;
struct VectorLayer;

// A working copy of one style set of a vector layer.
struct TStyleSet {
    std::uint8_t Kind = skNone; // the layer's style kind
    TAreaStyle Area;
    std::int32_t Opacity = 0; // 0..255, 255 opaque; with a solid fill
    TLineStyle Line;
    TPointStyle Point;
};

class TLVPropDlg : public QDialog {
    Q_OBJECT
public:
    explicit TLVPropDlg(QWidget* owner);

    // Set by the caller before the dialog is shown.
    void SetVectorData(const VectorLayer* layer) { VectorData = layer; }
    void SetLayerFileName(std::string fileName) { LayerFileName = std::move(fileName); }
    void SetMapView(QWidget* view) { MapView = view; }

    // Read by the caller after OK.
    const TStyleSet& GetCustomSet() const { return CustomSet; }
    const TStyleSet& GetDefaultSet() const { return DefaultSet; }
    // "Custom parameters" selected: the layer draws with the custom set.
    bool UseCustom() const;

    // Validates and stores the edited fields when the result is Accepted;
    // a bad field keeps the dialog open.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildHeader();
    QWidget* BuildAreaSheet();
    QWidget* BuildLineSheet();
    QWidget* BuildPointSheet();

    void FormActivate();
    void DrawDefaultClick();
    void ShowAreaStyle(bool readOnly, const TAreaStyle& area, std::int32_t opacity);
    void ShowLineStyle(bool readOnly, const TLineStyle& line);
    void ShowPointStyle(bool readOnly, const TPointStyle& point);
    void BoundaryStyleChange(int entry);
    void LineStyleChange(int entry);
    void AreaFillStyleChange(int entry);
    void AreaBoundColorMouseDown();
    void LineColorMouseDown();
    void AreaFillShapeMouseDown();
    void ColorBtnClick();
    void SymbolBtnClick();
    void PickHatch();
    void WriteSymbolCells(const QFont& font, std::int32_t fontIndex);
    void SetSymbolColor(TColorRef color);
    bool TakeEditedFields();
    bool ReadWidth(QLineEdit* field, std::int32_t& width);
    TStyleSet& EditedSet();

    QLineEdit* FileName = nullptr;
    QLineEdit* NObjects = nullptr;
    QRadioButton* DrawDefault = nullptr;
    QRadioButton* DrawParams = nullptr;
    QTabWidget* PageControl = nullptr;
    QWidget* AreaSheet = nullptr;
    QWidget* LineSheet = nullptr;
    QWidget* PointSheet = nullptr;
    QComboBox* BoundaryStyle = nullptr;
    QLabel* LabelWidth = nullptr;
    QLineEdit* AreaBoundWidth = nullptr;
    QLabel* LabelColor = nullptr;
    TStyleSwatch* AreaBoundColor = nullptr;
    QComboBox* AreaFillStyle = nullptr;
    TStyleSwatch* AreaFillShape = nullptr;
    QLabel* TransLab1 = nullptr;
    QLabel* TransLab2 = nullptr;
    QLabel* TransLab3 = nullptr;
    QLineEdit* Transparency = nullptr;
    QComboBox* LineStyle = nullptr;
    QLabel* LabelLWidth = nullptr;
    QLineEdit* LineWidth = nullptr;
    QLabel* LabelLColor = nullptr;
    TStyleSwatch* LineColor = nullptr;
    QTableWidget* Symbols = nullptr;
    TSymbolGridDelegate* SymbolCells = nullptr; // owned by Symbols
    QPushButton* SymbolBtn = nullptr;
    QPushButton* ColorBtn = nullptr;

    bool Filled = false;
    // Whether the grid's current cell stands for the edited symbol: false
    // while the stored code matches no cell and the user picked none.
    bool SymbolCellTaken = false;

    const VectorLayer* VectorData = nullptr;
    std::string LayerFileName;
    QWidget* MapView = nullptr; // kept for the caller; the dialog draws nothing on it
    TStyleSet DefaultSet;
    TStyleSet CustomSet;
};
