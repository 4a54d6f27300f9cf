#include "viewer/LRPropDialog.h"

#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "geodata/IdrisiRST.h"
#include "geodata/LangUnit.h"
#include "geodata/QMLayers.h"
#include "platform/CheckedMath.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/qt/AppEvents.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/FileDialogs.h"
#include "platform/qt/FormParts.h"
#include "platform/qt/UiServices.h"

namespace {

constexpr int kBarLast = 999;
constexpr int kSignificantDigits = 5;
constexpr int kDecimals = 2;

QLineEdit* ReadOnlyEdit(const char* name)
{
    auto* edit = Named(new QLineEdit, name);
    edit->setReadOnly(true);
    return edit;
}

QScrollBar* RangeBar(const char* name, int position)
{
    auto* bar = Named(new QScrollBar(Qt::Horizontal), name);
    bar->setRange(0, kBarLast);
    bar->setPageStep(10);
    bar->setSingleStep(1);
    bar->setValue(position);
    return bar;
}

// The user's decimal separator, when it is one character.
QChar DecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 ? point.front() : QChar('.');
}

QString DisplayText(double value)
{
    QString text = QString::fromStdString(RangeValueText(value));
    return text.replace(QChar('.'), DecimalSeparator());
}

std::size_t IntegerDigits(const std::string& text)
{
    std::size_t digits = 0;
    for (char c : text) {
        if (c == '.') break;
        if (c >= '0' && c <= '9') ++digits;
    }
    return digits;
}

} // namespace

std::string RangeValueText(double value)
{
    if (!std::isfinite(value)) return FormatG(value);
    const double magnitude = std::fabs(value);
    const int integerDigits = magnitude < 1 ? 0 : static_cast<int>(std::floor(std::log10(magnitude))) + 1;
    const int decimals = std::clamp(kSignificantDigits - integerDigits, 0, kDecimals);
    std::string text = FormatFixed(value, decimals);
    if (IntegerDigits(text) > static_cast<std::size_t>(kSignificantDigits)) return FormatG(value, kSignificantDigits);
    if (decimals == 0) text += '.';
    text.append(static_cast<std::size_t>(kDecimals - decimals), '0');
    if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-') text.erase(0, 1);
    return text;
}

TLRPropDlg::TLRPropDlg(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("LRPropDlg"));
    setWindowTitle(QStringLiteral("Rastr Layer Properties"));
    setModal(true);

    FileName = ReadOnlyEdit("FileName");
    Palname = ReadOnlyEdit("Palname");
    PalBtn = Named(new QPushButton(QStringLiteral("...")), "PalBtn");
    PalBtn->setAutoDefault(false);
    connect(PalBtn, &QPushButton::clicked, this, [this]() { PalBtnClick(); });
    MinVal = ReadOnlyEdit("MinVal");
    MaxVal = ReadOnlyEdit("MaxVal");
    AutoscaleCB = Named(new QCheckBox(QStringLiteral("Autoscale")), "AutoscaleCB");
    connect(AutoscaleCB, &QCheckBox::clicked, this, [this](bool checked) { AutoscaleCBClick(checked); });
    MinSB = RangeBar("MinSB", 0);
    connect(MinSB, &QScrollBar::actionTriggered, this, [this](int) { MinSBScroll(); });
    MinDspVal = Named(new QLineEdit, "MinDspVal");
    MaxSB = RangeBar("MaxSB", kBarLast);
    connect(MaxSB, &QScrollBar::actionTriggered, this, [this](int) { MaxSBScroll(); });
    MaxDspVal = Named(new QLineEdit, "MaxDspVal");
    Apply = Named(new QPushButton(QStringLiteral("Apply")), "Apply");
    Apply->setDefault(true);
    connect(Apply, &QPushButton::clicked, this, [this]() { ApplyClick(); });
    OKBtn = Named(new QPushButton(QStringLiteral("Close")), "OKBtn");
    OKBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout;
    grid->addWidget(Named(new QLabel(QStringLiteral("File Name")), "Label1"), 0, 0);
    grid->addWidget(FileName, 0, 1, 1, 3);
    grid->addWidget(Named(new QLabel(QStringLiteral("Palette")), "Label2"), 1, 0);
    grid->addWidget(Palname, 1, 1, 1, 2);
    grid->addWidget(PalBtn, 1, 3);
    grid->addWidget(Named(new QLabel(QStringLiteral("Min.")), "Label3"), 2, 0);
    grid->addWidget(MinVal, 2, 1);
    grid->addWidget(Named(new QLabel(QStringLiteral("Max.")), "Label4"), 2, 2);
    grid->addWidget(MaxVal, 2, 3);
    grid->addWidget(AutoscaleCB, 3, 0, 1, 4);
    grid->addWidget(Named(new QLabel(QStringLiteral("Display min")), "Label5"), 4, 0);
    grid->addWidget(MinSB, 4, 1, 1, 2);
    grid->addWidget(MinDspVal, 4, 3);
    grid->addWidget(Named(new QLabel(QStringLiteral("Display max")), "Label6"), 5, 0);
    grid->addWidget(MaxSB, 5, 1, 1, 2);
    grid->addWidget(MaxDspVal, 5, 3);
    grid->setColumnMinimumWidth(1, 120);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Apply);
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TLRPropDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (Filled) return;
    Filled = true;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    try {
        FormActivate();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TLRPropDlg::ShowError(const std::exception& error)
{
    ShowErrorBox(this, ErrorText(error));
}

void TLRPropDlg::FormActivate()
{
    if (!EditedLayer || !EditedLayer->Raster || !EditedLayer->Raster->Image) return;
    RasterData = EditedLayer->Raster.get();
    const TIdrisiRST& image = *RasterData->Image;
    FileName->setText(QString::fromStdString(EditedLayer->FileName));
    PaletteName = RasterData->PaletteFile;
    Palname->setText(QString::fromStdString(ExtractFileName(PaletteName)));

    ValueMin = image.GetMinValue();
    ValueMax = image.GetMaxValue();
    RangeLow = image.GetDisplayMin();
    RangeHigh = image.GetDisplayMax();
    BarMin = MinSB->minimum();
    BarMax = MaxSB->maximum();
    ComputeScales();

    MinVal->setText(DisplayText(ValueMin));
    MaxVal->setText(DisplayText(ValueMax));
    ShowValue(MinDspVal, MinShown, RangeLow);
    ShowValue(MaxDspVal, MaxShown, RangeHigh);
    MinSB->setValue(BarPosition(RangeLow, MinSB->minimum()));
    MaxSB->setValue(BarPosition(RangeHigh, MaxSB->maximum()));
    MinSB->setEnabled(BarsMapped);
    MaxSB->setEnabled(BarsMapped);
    AutoscaleCB->setChecked(image.GetStretch());
}

// The bar range maps linearly onto the value range: position 0 is the
// smallest value, the last position the largest. An empty or infinite value
// range has no such mapping.
void TLRPropDlg::ComputeScales()
{
    const double span = ValueMax - ValueMin;
    BarsMapped = std::isfinite(ValueMin) && std::isfinite(ValueMax) && std::isfinite(span) && span > 0;
    if (!BarsMapped) {
        BarToValueScale = 0;
        BarToValueOffset = std::isfinite(ValueMin) ? ValueMin : 0;
        ValueToBarScale = 0;
        ValueToBarOffset = BarMin;
        return;
    }
    BarToValueScale = span / (BarMax - BarMin);
    BarToValueOffset = ValueMin - BarToValueScale * BarMin;
    ValueToBarScale = (BarMax - BarMin) / span;
    ValueToBarOffset = BarMin - ValueToBarScale * ValueMin;
}

// A value outside the value range puts the thumb at the bar's end.
int TLRPropDlg::BarPosition(double value, int fallback) const
{
    if (!BarsMapped) return fallback;
    const double position = ValueToBarScale * value + ValueToBarOffset;
    if (std::isnan(position)) return fallback;
    return RoundToInt(std::clamp(position, BarMin, BarMax));
}

void TLRPropDlg::ShowValue(QLineEdit* field, TShownValue& shown, double value)
{
    shown.Text = DisplayText(value);
    shown.Value = value;
    field->setText(shown.Text);
}

bool TLRPropDlg::ReadValue(const QLineEdit* field, const TShownValue& shown, double& value) const
{
    const QString text = field->text();
    if (text == shown.Text) {
        value = shown.Value;
        return true;
    }
    QString plain = text;
    plain.replace(DecimalSeparator(), QChar('.'));
    return TryStrToFloat(plain.toStdString(), value);
}

// The thumbs may meet but never cross.
void TLRPropDlg::MinSBScroll()
{
    const int position = std::min(MinSB->sliderPosition(), MaxSB->value());
    MinSB->setSliderPosition(position);
    RangeLow = position * BarToValueScale + BarToValueOffset;
    ShowValue(MinDspVal, MinShown, RangeLow);
}

void TLRPropDlg::MaxSBScroll()
{
    const int position = std::max(MaxSB->sliderPosition(), MinSB->value());
    MaxSB->setSliderPosition(position);
    RangeHigh = position * BarToValueScale + BarToValueOffset;
    ShowValue(MaxDspVal, MaxShown, RangeHigh);
}

void TLRPropDlg::ApplyClick()
{
    try {
        ApplyDisplayRange();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

void TLRPropDlg::done(int result)
{
    if (result == QDialog::Accepted) {
        try {
            ApplyDisplayRange();
        } catch (const std::exception& error) {
            ShowError(error);
            return;
        }
    }
    QDialog::done(result);
}

// A text that is no number counts as its own end of the value range, and so
// does a number outside the range; the fixes are shown in the edits.
void TLRPropDlg::ApplyDisplayRange()
{
    if (!RasterData) return;
    bool isNumber = ReadValue(MinDspVal, MinShown, RangeLow);
    if (!isNumber || RangeLow < ValueMin || RangeLow > ValueMax) {
        RangeLow = ValueMin;
        ShowValue(MinDspVal, MinShown, RangeLow);
    }
    isNumber = ReadValue(MaxDspVal, MaxShown, RangeHigh);
    if (!isNumber || RangeHigh > ValueMax || RangeHigh < ValueMin) {
        RangeHigh = ValueMax;
        ShowValue(MaxDspVal, MaxShown, RangeHigh);
    }
    if (RangeLow > RangeHigh) {
        RangeLow = RangeHigh;
        ShowValue(MinDspVal, MinShown, RangeLow);
    }
    MinSB->setValue(BarPosition(RangeLow, MinSB->minimum()));
    MaxSB->setValue(BarPosition(RangeHigh, MaxSB->maximum()));
    CommitDisplayRange();
}

// The raster ignores a range it cannot show; the frames are told either way.
void TLRPropDlg::CommitDisplayRange()
{
    RasterData->Image->SetDisplayRange(AutoscaleCB->isChecked(), RangeLow, RangeHigh);
    RepaintView();
    PostAppMessage(WM_MAPRASTERCHANGED);
}

void TLRPropDlg::RepaintView()
{
    if (RasterChanged) RasterChanged();
    if (!MapView) return;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(MapView)) area->viewport()->repaint();
    else MapView->repaint();
}

// The palette is loaded before its name is taken, so a file that cannot be
// read leaves the layer's palette and its name as they were.
void TLRPropDlg::PalBtnClick()
{
    try {
        if (!RasterData) return;
        TFileDialogRequest request;
        request.Caption = QStringLiteral("Open");
        request.Filter = ConvertFileFilter(QStringLiteral("Palette files|*.qmp"));
        // First in the palette's own folder, with its name proposed.
        request.Folder = QString::fromStdString(ExtractFilePath(PaletteName));
        request.FileName = QString::fromStdString(ExtractFileName(PaletteName));
        const QString chosen = ChooseFileName(this, TFileDialogKind::Open, QStringLiteral("RasterPalette"), request);
        if (chosen.isEmpty()) return;
        const std::string fileName = chosen.toStdString();
        RasterData->Image->LoadPalette(fileName);
        PaletteName = fileName;
        Palname->setText(QString::fromStdString(ExtractFileName(PaletteName)));
        RasterData->PaletteFile = PaletteName;
        RepaintView();
    } catch (const std::exception& error) {
        ShowError(error);
    }
}

// Only bytes and integers already shown within 0..255 can go without
// scaling; the range looked at is the one last applied to the raster.
void TLRPropDlg::AutoscaleCBClick(bool checked)
{
    if (checked || !RasterData) return;
    const TIdrisiRST& image = *RasterData->Image;
    const std::uint8_t dataType = image.GetDataType();
    if ((dataType == 1 || dataType == 2) && image.GetDisplayMin() >= 0 && image.GetDisplayMax() <= 255) return;
    const bool russian = GetLanguage(ExecutablePath()) == 2;
    Ui().MessageBox(this, QStringLiteral("Stop"),
                    russian ? QStringLiteral("Этот растровый слой должен масштабироваться")
                            : QStringLiteral("The layer must be scaled"),
                    TMsgIcon::Information);
    AutoscaleCB->setChecked(true);
}
