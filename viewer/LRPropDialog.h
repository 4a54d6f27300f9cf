#pragma once
// "Rastr Layer Properties": the dialog of one raster layer. It shows the
// layer's file, palette and value range and lets the user move the display
// range with two scroll bars or by typing, switch autoscaling and choose
// another palette. Changes go into the raster object at once, on "Apply",
// on "Close" and on a new palette; the map is repainted, and every frame is
// told (message 2030) to rebuild its raster legend.
#include <QDialog>
#include <QString>
#include <exception>
#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
struct Layer;
struct RastrLayer;

// The text of a range value: fixed with two decimals after rounding to five
// significant digits ("500.50", "1000.00"); beyond five integer digits the
// shortest scientific form of five digits. '.' is the decimal separator.
std::string RangeValueText(double value);

class TLRPropDlg : public QDialog {
    Q_OBJECT
public:
    explicit TLRPropDlg(QWidget* owner);

    // Set by the caller before the dialog is shown.
    void SetEditedLayer(Layer* layer) { EditedLayer = layer; }
    void SetMapView(QWidget* view) { MapView = view; }
    // Called after each change of the raster, before the map repaints.
    void SetRasterChanged(std::function<void()> changed) { RasterChanged = std::move(changed); }

    // An accepted result ("Close") applies the display range first; a failure
    // keeps the dialog open. Any other result applies nothing.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // A value the dialog put into an edit: while the text stays as shown,
    // the exact value counts rather than its rounded text.
    struct TShownValue {
        QString Text;
        double Value = 0;
    };

    void FormActivate();
    void ComputeScales();
    void MinSBScroll();
    void MaxSBScroll();
    void ApplyClick();
    void PalBtnClick();
    void AutoscaleCBClick(bool checked);
    void ApplyDisplayRange();
    void CommitDisplayRange();
    void RepaintView();
    int BarPosition(double value, int fallback) const;
    void ShowValue(QLineEdit* field, TShownValue& shown, double value);
    bool ReadValue(const QLineEdit* field, const TShownValue& shown, double& value) const;
    void ShowError(const std::exception& error);

    QLineEdit* FileName = nullptr;
    QLineEdit* Palname = nullptr;
    QPushButton* PalBtn = nullptr;
    QLineEdit* MinVal = nullptr;
    QLineEdit* MaxVal = nullptr;
    QCheckBox* AutoscaleCB = nullptr;
    QScrollBar* MinSB = nullptr;
    QLineEdit* MinDspVal = nullptr;
    QScrollBar* MaxSB = nullptr;
    QLineEdit* MaxDspVal = nullptr;
    QPushButton* Apply = nullptr;
    QPushButton* OKBtn = nullptr;

    bool Filled = false;
    // False when the value range is empty or not finite: the bars then
    // stand disabled at their ends and map nothing.
    bool BarsMapped = false;
    TShownValue MinShown;
    TShownValue MaxShown;

    std::string PaletteName;
    RastrLayer* RasterData = nullptr;
    double ValueMin = 0;
    double ValueMax = 0;
    double RangeLow = 0;
    double RangeHigh = 0;
    double BarMin = 0;
    double BarMax = 999;
    double ValueToBarScale = 0;
    double ValueToBarOffset = 0;
    double BarToValueScale = 0;
    double BarToValueOffset = 0;
    Layer* EditedLayer = nullptr;
    QWidget* MapView = nullptr;
    std::function<void()> RasterChanged;
};
