#include "viewer/HatchStyleDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

#include "platform/qt/ErrorReport.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/UiServices.h"
#include "viewer/StyleSwatch.h"

namespace {

struct THatchRow {
    std::uint32_t Hatch;
    std::uint8_t Style;
    int Sample;
};
// Hatch code, brush style and sample of each pattern, in hatch-code order.
constexpr std::array<THatchRow, 6> kHatches{{
    {HS_HORIZONTAL, bsHorizontal, 0},
    {HS_VERTICAL, bsVertical, 1},
    {HS_FDIAGONAL, bsFDiagonal, 3},
    {HS_BDIAGONAL, bsBDiagonal, 4},
    {HS_CROSS, bsCross, 2},
    {HS_DIAGCROSS, bsDiagCross, 5},
}};

// Sample names in sample-index order: the top row, then the bottom row.
constexpr std::array<const char*, 6> kSampleNames{"SbsHorz", "SbsVert", "SbsCross",
                                                  "SbsFDiag", "SbsBDiag", "SbsDiagCross"};

} // namespace

std::uint8_t HatchToBrushStyle(std::uint32_t hatch)
{
    if (hatch >= kHatches.size()) return bsSolid;
    return kHatches[hatch].Style;
}

std::uint32_t BrushStyleToHatch(std::uint8_t style)
{
    for (const THatchRow& row : kHatches)
        if (row.Style == style) return row.Hatch;
    return 0;
}

int StyleToSampleIndex(std::uint8_t style)
{
    for (const THatchRow& row : kHatches)
        if (row.Style == style) return row.Sample;
    return -1;
}

std::uint8_t SampleIndexToStyle(int index)
{
    for (const THatchRow& row : kHatches)
        if (row.Sample == index) return row.Style;
    return bsSolid;
}

// The forward diagonal runs from the top left down to the bottom right ("\"),
// as Qt's forward diagonal pattern does.
Qt::BrushStyle QtPatternOf(std::uint8_t style)
{
    switch (style) {
    case bsClear: return Qt::NoBrush;
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    default: return Qt::SolidPattern;
    }
}

THatchStyleDlg::THatchStyleDlg(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("HatchStyleDlg"));
    setWindowTitle(QStringLiteral("Hatch styles"));
    setModal(true);

    auto* grid = new QGridLayout;
    for (int i = 0; i < static_cast<int>(Samples.size()); ++i) {
        auto* sample = new TStyleSwatch(QString::fromLatin1(kSampleNames[i]), this);
        sample->setFixedSize(48, 48);
        sample->SetPattern(QtPatternOf(SampleIndexToStyle(i)));
        connect(sample, &TStyleSwatch::Pressed, this, [this, i]() { SelectSample(i); });
        grid->addWidget(sample, i / 3, i % 3);
        Samples[static_cast<std::size_t>(i)] = sample;
    }

    auto* button1 = new QPushButton(QStringLiteral("OK"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setDefault(true);
    connect(button1, &QPushButton::clicked, this, &QDialog::accept);
    auto* button2 = new QPushButton(QStringLiteral("Cancel"), this);
    button2->setObjectName(QStringLiteral("Button2"));
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);
    ColorBtn = new QPushButton(QStringLiteral("Color"), this);
    ColorBtn->setObjectName(QStringLiteral("ColorBtn"));
    ColorBtn->setAutoDefault(false);
    connect(ColorBtn, &QPushButton::clicked, this, [this]() { ColorBtnClick(); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(button1);
    buttons->addWidget(button2);
    buttons->addWidget(ColorBtn);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void THatchStyleDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (Filled) return;
    Filled = true;
    FormActivate();
}

// A style that is no hatch (a stored code outside 0..5) marks no sample.
void THatchStyleDlg::FormActivate()
{
    const int current = StyleToSampleIndex(HatchStyle);
    for (int i = 0; i < static_cast<int>(Samples.size()); ++i) {
        TStyleSwatch* sample = Samples[static_cast<std::size_t>(i)];
        sample->SetColor(ColorRefToQColor(HatchColor));
        sample->SetOutlined(i == current);
    }
}

void THatchStyleDlg::SelectSample(int index)
{
    for (int i = 0; i < static_cast<int>(Samples.size()); ++i)
        Samples[static_cast<std::size_t>(i)]->SetOutlined(i == index);
    HatchStyle = SampleIndexToStyle(index);
}

void THatchStyleDlg::ColorBtnClick()
{
    try {
        std::optional<TColorRef> color = PickStyleColor(this, HatchColor);
        if (!color) return;
        HatchColor = *color;
        for (TStyleSwatch* sample : Samples) sample->SetColor(ColorRefToQColor(HatchColor));
    } catch (const std::exception& error) {
        ShowErrorBox(this, ErrorText(error));
    }
}
