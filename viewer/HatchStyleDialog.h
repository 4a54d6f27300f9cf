#pragma once
// "Hatch styles": the small picker of one of the six hatch patterns and its
// colour, opened from the area page of the objects style dialog.
#include <QDialog>
#include <array>
#include <cstdint>

#include "platform/WinTypes.h"

class QPushButton;
class TStyleSwatch;

// The class library's brush styles, in which the picker names its patterns.
enum : std::uint8_t {
    bsSolid = 0,
    bsClear = 1,
    bsHorizontal = 2,
    bsVertical = 3,
    bsFDiagonal = 4,
    bsBDiagonal = 5,
    bsCross = 6,
    bsDiagCross = 7,
};

// Stored hatch code (HS_*) to brush style; bsSolid for a code outside 0..5.
std::uint8_t HatchToBrushStyle(std::uint32_t hatch);
// Brush style to hatch code; 0 for a style that is no hatch.
std::uint32_t BrushStyleToHatch(std::uint8_t style);
// The sample showing a brush style; -1 for a style that is no hatch.
int StyleToSampleIndex(std::uint8_t style);
// The brush style of a sample; bsSolid for an index outside 0..5.
std::uint8_t SampleIndexToStyle(int index);
// How a swatch draws a brush style: bsClear draws nothing, any style that is
// no hatch draws solid.
Qt::BrushStyle QtPatternOf(std::uint8_t style);

class THatchStyleDlg : public QDialog {
    Q_OBJECT
public:
    explicit THatchStyleDlg(QWidget* owner);

    void SetHatchStyle(std::uint8_t style) { HatchStyle = style; }
    std::uint8_t GetHatchStyle() const { return HatchStyle; }
    void SetHatchColor(TColorRef color) { HatchColor = color; }
    TColorRef GetHatchColor() const { return HatchColor; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormActivate();
    void SelectSample(int index);
    void ColorBtnClick();

    std::array<TStyleSwatch*, 6> Samples{};
    QPushButton* ColorBtn = nullptr;
    bool Filled = false;
    std::uint8_t HatchStyle = bsSolid;
    TColorRef HatchColor = 0;
};
