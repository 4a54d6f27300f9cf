#include "viewer/LVPropDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <exception>

#include "geodata/FontTable.h"
#include "geodata/QMLayers.h"
#include "platform/CheckedMath.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/qt/ErrorReport.h"
#include "platform/qt/FormParts.h"
#include "platform/qt/QtColors.h"
#include "platform/qt/UiServices.h"
#include "viewer/HatchStyleDialog.h"
#include "viewer/PointSymbol.h"
#include "viewer/StyleSwatch.h"

namespace {

// The entries of the pen and brush lists, by entry index.
constexpr int kPenNull = 0;
constexpr int kPenSolid = 1;
constexpr int kFillNull = 0;
constexpr int kFillSolid = 1;
constexpr int kFillHatched = 2;

// The symbol grid: the 224 characters 32..255, eight a row.
constexpr int kSymbolColumns = 8;
constexpr int kSymbolRows = 28;
constexpr int kFirstSymbol = 32;
constexpr int kLastSymbol = 255;
constexpr int kSymbolCell = 24;

QComboBox* StyleList(const char* name, const QStringList& entries)
{
    auto* list = Named(new QComboBox, name);
    list->addItems(entries);
    list->setCurrentIndex(-1);
    return list;
}

// The grid's symbols are half a cell high, as the map would draw a symbol of
// that size.
constexpr int kGridSymbolSize = kSymbolCell / 2 - 3;
constexpr int kCodeRole = Qt::UserRole;

void SetVisible(std::initializer_list<QWidget*> widgets, bool visible)
{
    for (QWidget* w : widgets) w->setVisible(visible);
}

// Controls that the lists hide keep their place in the layout, so that the
// dialog does not shrink and move under the pointer when a style changes.
void KeepPlaceWhenHidden(std::initializer_list<QWidget*> widgets)
{
    for (QWidget* w : widgets) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
}

void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled)
{
    for (QWidget* w : widgets) w->setEnabled(enabled);
}

QString IntText(std::int32_t value)
{
    return QString::number(value);
}

} // namespace

// Draws each cell's code as the map draws a symbol of the edited font and
// colour, so a character the font lacks shows the map's stand-in circle.
class TSymbolGridDelegate : public QStyledItemDelegate {
public:
    explicit TSymbolGridDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

    void SetFont(std::int32_t fontIndex) { Style.SymbolFont = fontIndex; }
    void SetColor(TColorRef color) { Style.SymbolColor = color; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        TPointStyle style = Style;
        style.SymbolChar = index.data(kCodeRole).toInt();
        style.SymbolSize = kGridSymbolSize;
        painter->save();
        painter->setClipRect(option.rect);
        try {
            Symbols.Draw(*painter, option.rect.center(), style);
        } catch (...) {
            // A paint draws what it can; the cell stays empty.
        }
        painter->restore();
    }

private:
    TPointStyle Style{};
    mutable TPointSymbols Symbols;
};

TLVPropDlg::TLVPropDlg(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("LVPropDlg"));
    setWindowTitle(QStringLiteral("Objects style"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    BuildHeader();
    auto* header = new QGridLayout;
    header->addWidget(Named(new QLabel(QStringLiteral("File Name")), "Label1"), 0, 0);
    header->addWidget(FileName, 0, 1);
    header->addWidget(Named(new QLabel(QStringLiteral("Number of objects")), "Label2"), 1, 0);
    header->addWidget(NObjects, 1, 1);
    layout->addLayout(header);

    auto* mode = new QHBoxLayout;
    mode->addWidget(DrawDefault);
    mode->addWidget(DrawParams);
    layout->addLayout(mode);

    PageControl = Named(new QTabWidget, "PageControl");
    AreaSheet = BuildAreaSheet();
    LineSheet = BuildLineSheet();
    PointSheet = BuildPointSheet();
    PageControl->addTab(AreaSheet, QStringLiteral("Area properties"));
    PageControl->addTab(LineSheet, QStringLiteral("Line Properties"));
    PageControl->addTab(PointSheet, QStringLiteral("Point properties"));
    layout->addWidget(PageControl);
    KeepPlaceWhenHidden({LabelWidth, AreaBoundWidth, LabelColor, AreaBoundColor, AreaFillShape, TransLab1, TransLab2,
                         TransLab3, Transparency, LabelLWidth, LineWidth, LabelLColor, LineColor});

    auto* okButton = Named(new QPushButton(QStringLiteral("OK")), "OKbtn");
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancelButton = Named(new QPushButton(QStringLiteral("Cancel")), "Button2");
    cancelButton->setAutoDefault(false);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
}

void TLVPropDlg::BuildHeader()
{
    FileName = Named(new QLineEdit, "FileName");
    FileName->setReadOnly(true);
    NObjects = Named(new QLineEdit, "NObjects");
    NObjects->setReadOnly(true);
    DrawDefault = Named(new QRadioButton(QStringLiteral("Default parameters")), "DrawDefault");
    DrawParams = Named(new QRadioButton(QStringLiteral("Custom parameters")), "DrawParams");
    connect(DrawDefault, &QRadioButton::clicked, this,
            [this]() { RunGuarded(this, [this]() { DrawDefaultClick(); }); });
    connect(DrawParams, &QRadioButton::clicked, this, [this]() { RunGuarded(this, [this]() { DrawDefaultClick(); }); });
}

QWidget* TLVPropDlg::BuildAreaSheet()
{
    auto* sheet = Named(new QWidget, "AreaSheet");

    BoundaryStyle = StyleList("BoundaryStyle", {QStringLiteral("Null"), QStringLiteral("Solid")});
    connect(BoundaryStyle, &QComboBox::activated, this,
            [this](int entry) { RunGuarded(this, [this, entry]() { BoundaryStyleChange(entry); }); });
    LabelWidth = Named(new QLabel(QStringLiteral("Width")), "LabelWidth");
    AreaBoundWidth = Named(new QLineEdit, "AreaBoundWidth");
    LabelColor = Named(new QLabel(QStringLiteral("Color")), "LabelColor");
    AreaBoundColor = new TStyleSwatch(QStringLiteral("AreaBoundColor"));
    AreaBoundColor->SetOutlined(true);
    connect(AreaBoundColor, &TStyleSwatch::Pressed, this,
            [this]() { RunGuarded(this, [this]() { AreaBoundColorMouseDown(); }); });

    auto* boundary = Named(new QGroupBox(QStringLiteral(" Boundary ")), "BoundaryGroup");
    auto* boundaryLayout = new QGridLayout(boundary);
    boundaryLayout->addWidget(BoundaryStyle, 0, 0, 1, 2);
    boundaryLayout->addWidget(LabelWidth, 1, 0);
    boundaryLayout->addWidget(AreaBoundWidth, 1, 1);
    boundaryLayout->addWidget(LabelColor, 2, 0);
    boundaryLayout->addWidget(AreaBoundColor, 2, 1);

    AreaFillStyle =
        StyleList("AreaFillStyle", {QStringLiteral("Null"), QStringLiteral("Solid"), QStringLiteral("Hatched")});
    connect(AreaFillStyle, &QComboBox::activated, this,
            [this](int entry) { RunGuarded(this, [this, entry]() { AreaFillStyleChange(entry); }); });
    AreaFillShape = new TStyleSwatch(QStringLiteral("AreaFillShape"));
    AreaFillShape->SetOutlined(true);
    AreaFillShape->setMinimumSize(64, 40);
    connect(AreaFillShape, &TStyleSwatch::Pressed, this,
            [this]() { RunGuarded(this, [this]() { AreaFillShapeMouseDown(); }); });
    TransLab1 = Named(new QLabel(QStringLiteral("Transparency (0 to 255)")), "TransLab1");
    TransLab2 = Named(new QLabel(QStringLiteral("0 - fully transparent")), "TransLab2");
    TransLab3 = Named(new QLabel(QStringLiteral("255 - fully non transparent")), "TransLab3");
    Transparency = Named(new QLineEdit, "Transparency");

    auto* fill = Named(new QGroupBox(QStringLiteral(" Area ")), "AreaGroup");
    auto* fillLayout = new QGridLayout(fill);
    fillLayout->addWidget(AreaFillStyle, 0, 0);
    fillLayout->addWidget(AreaFillShape, 0, 1);
    fillLayout->addWidget(TransLab1, 1, 0);
    fillLayout->addWidget(Transparency, 1, 1);
    fillLayout->addWidget(TransLab2, 2, 0, 1, 2);
    fillLayout->addWidget(TransLab3, 3, 0, 1, 2);

    auto* layout = new QHBoxLayout(sheet);
    layout->addWidget(boundary);
    layout->addWidget(fill);
    return sheet;
}

QWidget* TLVPropDlg::BuildLineSheet()
{
    auto* sheet = Named(new QWidget, "LineSheet");
    LineStyle = StyleList("LineStyle", {QStringLiteral("Null"), QStringLiteral("Solid")});
    connect(LineStyle, &QComboBox::activated, this,
            [this](int entry) { RunGuarded(this, [this, entry]() { LineStyleChange(entry); }); });
    LabelLWidth = Named(new QLabel(QStringLiteral("Width")), "LabelLWidth");
    LineWidth = Named(new QLineEdit, "LineWidth");
    LabelLColor = Named(new QLabel(QStringLiteral("Color")), "LabelLColor");
    LineColor = new TStyleSwatch(QStringLiteral("LineColor"));
    LineColor->SetOutlined(true);
    connect(LineColor, &TStyleSwatch::Pressed, this,
            [this]() { RunGuarded(this, [this]() { LineColorMouseDown(); }); });

    auto* layout = new QGridLayout(sheet);
    layout->addWidget(LineStyle, 0, 0, 1, 2);
    layout->addWidget(LabelLWidth, 1, 0);
    layout->addWidget(LineWidth, 1, 1);
    layout->addWidget(LabelLColor, 2, 0);
    layout->addWidget(LineColor, 2, 1);
    layout->setRowStretch(3, 1);
    return sheet;
}

QWidget* TLVPropDlg::BuildPointSheet()
{
    auto* sheet = Named(new QWidget, "PointSheet");
    Symbols = Named(new QTableWidget(kSymbolRows, kSymbolColumns), "Symbols");
    Symbols->horizontalHeader()->hide();
    Symbols->verticalHeader()->hide();
    Symbols->horizontalHeader()->setDefaultSectionSize(kSymbolCell);
    Symbols->verticalHeader()->setDefaultSectionSize(kSymbolCell);
    Symbols->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Symbols->setSelectionMode(QAbstractItemView::SingleSelection);
    Symbols->setMinimumWidth(kSymbolColumns * kSymbolCell + 24);
    SymbolCells = new TSymbolGridDelegate(Symbols);
    Symbols->setItemDelegate(SymbolCells);
    {
        // The grid's current cell starts at the top left, so that focus
        // alone does not move it.
        const QSignalBlocker blocker(Symbols);
        Symbols->setCurrentCell(0, 0);
    }
    // Any cell the user moves to or presses becomes the symbol.
    connect(Symbols, &QTableWidget::currentCellChanged, this, [this](int row, int) {
        if (row >= 0) SymbolCellTaken = true;
    });
    connect(Symbols, &QTableWidget::cellPressed, this, [this](int, int) { SymbolCellTaken = true; });

    SymbolBtn = Named(new QPushButton(QStringLiteral("Symbols")), "SymbolBtn");
    SymbolBtn->setAutoDefault(false);
    connect(SymbolBtn, &QPushButton::clicked, this, [this]() { RunGuarded(this, [this]() { SymbolBtnClick(); }); });
    ColorBtn = Named(new QPushButton(QStringLiteral("Color")), "ColorBtn");
    ColorBtn->setAutoDefault(false);
    connect(ColorBtn, &QPushButton::clicked, this, [this]() { RunGuarded(this, [this]() { ColorBtnClick(); }); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(SymbolBtn);
    buttons->addWidget(ColorBtn);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(sheet);
    layout->addWidget(Symbols);
    layout->addLayout(buttons);
    return sheet;
}

bool TLVPropDlg::UseCustom() const
{
    return DrawParams->isChecked();
}

TStyleSet& TLVPropDlg::EditedSet()
{
    return DrawParams->isChecked() ? CustomSet : DefaultSet;
}

void TLVPropDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (Filled) return;
    Filled = true;
    RunGuarded(this, [this]() { FormActivate(); });
}

void TLVPropDlg::FormActivate()
{
    FileName->setText(QString::fromStdString(ExtractFileName(LayerFileName)));
    const std::size_t objects = VectorData ? VectorData->Objects.size() : 0;
    NObjects->setText(QString::number(objects));
    DefaultSet.Kind = skNone;
    CustomSet.Kind = skNone;

    const std::uint8_t kind = VectorData ? VectorData->DefaultKind : std::uint8_t{skNone};
    if (!IsStyleKind(kind)) {
        // Nothing to edit, and nothing would be stored: no page can be used.
        DrawDefault->hide();
        DrawParams->hide();
        PageControl->setEnabled(false);
        return;
    }
    (VectorData->UseCustom != 0 ? DrawParams : DrawDefault)->setChecked(true);
    const bool readOnly = DrawDefault->isChecked();

    QWidget* page = nullptr;
    DefaultSet.Kind = kind;
    CustomSet.Kind = kind;
    if (kind == skPoint) {
        page = PointSheet;
        DefaultSet.Point = VectorData->DefaultPoint;
        CustomSet.Point = VectorData->CustomPoint;
        PageControl->setCurrentWidget(page);
        ShowPointStyle(readOnly, EditedSet().Point);
    } else if (kind == skLine) {
        page = LineSheet;
        DefaultSet.Line = VectorData->DefaultLine;
        CustomSet.Line = VectorData->CustomLine;
        PageControl->setCurrentWidget(page);
        ShowLineStyle(readOnly, EditedSet().Line);
    } else {
        page = AreaSheet;
        DefaultSet.Area = VectorData->DefaultArea;
        DefaultSet.Opacity = VectorData->DefaultOpacity;
        CustomSet.Area = VectorData->CustomArea;
        CustomSet.Opacity = VectorData->CustomOpacity;
        PageControl->setCurrentWidget(page);
        ShowAreaStyle(readOnly, EditedSet().Area, EditedSet().Opacity);
    }
    // The page belongs to the layer's kind; the other tabs cannot be opened.
    for (int i = 0; i < PageControl->count(); ++i) PageControl->setTabEnabled(i, PageControl->widget(i) == page);
}

void TLVPropDlg::DrawDefaultClick()
{
    const bool readOnly = DrawDefault->isChecked();
    const TStyleSet& set = EditedSet();
    QWidget* page = PageControl->currentWidget();
    if (set.Kind == skNone) return;
    if (page == AreaSheet) ShowAreaStyle(readOnly, set.Area, set.Opacity);
    else if (page == LineSheet) ShowLineStyle(readOnly, set.Line);
    else if (page == PointSheet) ShowPointStyle(readOnly, set.Point);
}

void TLVPropDlg::ShowAreaStyle(bool readOnly, const TAreaStyle& area, std::int32_t opacity)
{
    SetEnabled({BoundaryStyle, AreaBoundWidth, AreaBoundColor, AreaFillStyle, AreaFillShape, Transparency},
               !readOnly);

    if (area.Outline.lopnStyle == PS_SOLID) {
        BoundaryStyle->setCurrentIndex(kPenSolid);
        AreaBoundWidth->setText(IntText(area.Outline.lopnWidth.x));
        AreaBoundColor->SetColor(ColorRefToQColor(area.Outline.lopnColor));
        SetVisible({LabelWidth, AreaBoundWidth, LabelColor, AreaBoundColor}, true);
    } else if (area.Outline.lopnStyle == PS_NULL) {
        BoundaryStyle->setCurrentIndex(kPenNull);
        SetVisible({LabelWidth, AreaBoundWidth, LabelColor, AreaBoundColor}, false);
    }

    if (area.Brush.lbStyle == BS_SOLID) {
        AreaFillStyle->setCurrentIndex(kFillSolid);
        AreaFillShape->SetPattern(Qt::SolidPattern);
        AreaFillShape->SetColor(ColorRefToQColor(area.Brush.lbColor));
        Transparency->setText(IntText(opacity));
        SetVisible({AreaFillShape, Transparency, TransLab1, TransLab2, TransLab3}, true);
    } else if (area.Brush.lbStyle == BS_HOLLOW) {
        AreaFillStyle->setCurrentIndex(kFillNull);
        SetVisible({AreaFillShape, Transparency, TransLab1, TransLab2, TransLab3}, false);
    } else if (area.Brush.lbStyle == BS_HATCHED) {
        AreaFillStyle->setCurrentIndex(kFillHatched);
        AreaFillShape->SetPattern(QtPatternOf(HatchToBrushStyle(area.Brush.lbHatch)));
        AreaFillShape->SetColor(ColorRefToQColor(area.Brush.lbColor));
        AreaFillShape->show();
        Transparency->setText(IntText(opacity));
        SetVisible({Transparency, TransLab1, TransLab2, TransLab3}, false);
    }
}

void TLVPropDlg::ShowLineStyle(bool readOnly, const TLineStyle& line)
{
    SetEnabled({LineStyle, LineWidth, LineColor}, !readOnly);
    if (line.lopnStyle == PS_SOLID) {
        LineStyle->setCurrentIndex(kPenSolid);
        LineWidth->setText(IntText(line.lopnWidth.x));
        LineColor->SetColor(ColorRefToQColor(line.lopnColor));
        SetVisible({LabelLWidth, LineWidth, LabelLColor, LineColor}, true);
    } else if (line.lopnStyle == PS_NULL) {
        LineStyle->setCurrentIndex(kPenNull);
        SetVisible({LabelLWidth, LineWidth, LabelLColor, LineColor}, false);
    }
}

void TLVPropDlg::ShowPointStyle(bool readOnly, const TPointStyle& point)
{
    SetEnabled({Symbols, SymbolBtn, ColorBtn}, !readOnly);
    QFont font(QString::fromStdString(FontName(point.SymbolFont)));
    font.setPointSizeF(QApplication::font().pointSizeF());
    WriteSymbolCells(font, point.SymbolFont);
    SetSymbolColor(point.SymbolColor);

    const std::int32_t code = point.SymbolChar;
    SymbolCellTaken = code >= kFirstSymbol && code <= kLastSymbol;
    if (SymbolCellTaken) {
        const QSignalBlocker blocker(Symbols);
        Symbols->setCurrentCell((code - kFirstSymbol) / kSymbolColumns, (code - kFirstSymbol) % kSymbolColumns);
    }
}

void TLVPropDlg::WriteSymbolCells(const QFont& font, std::int32_t fontIndex)
{
    const QSignalBlocker blocker(Symbols);
    Symbols->setFont(font);
    SymbolCells->SetFont(fontIndex);
    for (int code = kFirstSymbol; code <= kLastSymbol; ++code) {
        const int i = code - kFirstSymbol;
        auto* item = new QTableWidgetItem;
        item->setData(kCodeRole, code);
        Symbols->setItem(i / kSymbolColumns, i % kSymbolColumns, item);
    }
    Symbols->viewport()->update();
}

void TLVPropDlg::SetSymbolColor(TColorRef color)
{
    QPalette palette = Symbols->palette();
    palette.setColor(QPalette::Text, ColorRefToQColor(color));
    Symbols->setPalette(palette);
    SymbolCells->SetColor(color);
    Symbols->viewport()->update();
}

void TLVPropDlg::BoundaryStyleChange(int entry)
{
    TLineStyle& outline = EditedSet().Area.Outline;
    if (entry == kPenNull) {
        outline.lopnStyle = PS_NULL;
        SetVisible({LabelWidth, AreaBoundWidth, LabelColor, AreaBoundColor}, false);
    } else if (entry == kPenSolid) {
        outline.lopnStyle = PS_SOLID;
        SetVisible({LabelWidth, AreaBoundWidth, LabelColor, AreaBoundColor}, true);
        AreaBoundWidth->setText(IntText(outline.lopnWidth.x));
        AreaBoundColor->SetColor(ColorRefToQColor(outline.lopnColor));
    }
}

void TLVPropDlg::LineStyleChange(int entry)
{
    TLineStyle& line = EditedSet().Line;
    if (entry == kPenNull) {
        line.lopnStyle = PS_NULL;
        SetVisible({LabelLWidth, LineWidth, LabelLColor, LineColor}, false);
    } else if (entry == kPenSolid) {
        line.lopnStyle = PS_SOLID;
        SetVisible({LabelLWidth, LineWidth, LabelLColor, LineColor}, true);
        LineWidth->setText(IntText(line.lopnWidth.x));
        LineColor->SetColor(ColorRefToQColor(line.lopnColor));
    }
}

void TLVPropDlg::AreaFillStyleChange(int entry)
{
    TLogBrush& brush = EditedSet().Area.Brush;
    AreaFillShape->setVisible(entry != kFillNull);
    SetVisible({TransLab1, TransLab2, TransLab3, Transparency}, entry == kFillSolid);
    if (entry == kFillNull) {
        brush.lbStyle = BS_HOLLOW;
    } else if (entry == kFillSolid) {
        brush.lbStyle = BS_SOLID;
        AreaFillShape->SetPattern(Qt::SolidPattern);
        AreaFillShape->SetColor(ColorRefToQColor(brush.lbColor));
    } else if (entry == kFillHatched) {
        brush.lbStyle = BS_HATCHED;
        AreaFillShape->SetPattern(QtPatternOf(HatchToBrushStyle(brush.lbHatch)));
    }
    AreaFillShape->update();
}

void TLVPropDlg::AreaBoundColorMouseDown()
{
    TLineStyle& outline = EditedSet().Area.Outline;
    if (std::optional<TColorRef> color = PickStyleColor(this, outline.lopnColor)) {
        outline.lopnColor = *color;
        AreaBoundColor->SetColor(ColorRefToQColor(*color));
    }
}

void TLVPropDlg::LineColorMouseDown()
{
    TLineStyle& line = EditedSet().Line;
    if (std::optional<TColorRef> color = PickStyleColor(this, line.lopnColor)) {
        line.lopnColor = *color;
        LineColor->SetColor(ColorRefToQColor(*color));
    }
}

void TLVPropDlg::ColorBtnClick()
{
    TPointStyle& point = EditedSet().Point;
    if (std::optional<TColorRef> color = PickStyleColor(this, point.SymbolColor)) {
        point.SymbolColor = *color;
        SetSymbolColor(*color);
    }
}

void TLVPropDlg::AreaFillShapeMouseDown()
{
    const int entry = AreaFillStyle->currentIndex();
    if (entry == kFillSolid) {
        TLogBrush& brush = EditedSet().Area.Brush;
        if (std::optional<TColorRef> color = PickStyleColor(this, brush.lbColor)) {
            brush.lbColor = *color;
            AreaFillShape->SetColor(ColorRefToQColor(*color));
        }
    } else if (entry == kFillHatched) {
        PickHatch();
    }
}

// A stored hatch code outside 0..5 has no sample; unless the user picks one,
// the code stays as it was and only the colour may change.
void TLVPropDlg::PickHatch()
{
    TLogBrush& brush = EditedSet().Area.Brush;
    THatchStyleDlg picker(this);
    picker.SetHatchStyle(HatchToBrushStyle(brush.lbHatch));
    picker.SetHatchColor(brush.lbColor);
    if (picker.exec() != QDialog::Accepted) return;
    const std::uint8_t style = picker.GetHatchStyle();
    if (StyleToSampleIndex(style) >= 0) brush.lbHatch = BrushStyleToHatch(style);
    brush.lbColor = picker.GetHatchColor();
    AreaFillShape->SetPattern(QtPatternOf(HatchToBrushStyle(brush.lbHatch)));
    AreaFillShape->SetColor(ColorRefToQColor(brush.lbColor));
}

// The symbol size is half the character height in pixels; the font dialog
// speaks points, which the screen's resolution turns into pixels.
void TLVPropDlg::SymbolBtnClick()
{
    TPointStyle& point = EditedSet().Point;
    QFont start(QString::fromStdString(FontName(point.SymbolFont)));
    if (point.SymbolSize > 0 && point.SymbolSize <= 4096) start.setPixelSize(2 * point.SymbolSize);
    std::optional<QFont> chosen = Ui().PickFont(this, start);
    if (!chosen) return;

    std::int32_t height = chosen->pixelSize();
    if (height <= 0 && chosen->pointSizeF() > 0) height = RoundToInt(chosen->pointSizeF() * ScreenDpi / 72.0);
    if (height > 0) point.SymbolSize = height / 2;
    point.SymbolFont = FontIndex(chosen->family().toStdString());
    WriteSymbolCells(*chosen, point.SymbolFont);
}

bool TLVPropDlg::ReadWidth(QLineEdit* field, std::int32_t& width)
{
    if (TryStrToInt(field->text().toStdString(), width)) return true;
    Ui().MessageBox(this, QStringLiteral("Error"), QStringLiteral("Width error"), TMsgIcon::Error);
    field->setFocus();
    return false;
}

// Every field is checked before anything is stored, so a refused OK leaves
// the edited set as it was.
bool TLVPropDlg::TakeEditedFields()
{
    TStyleSet& set = EditedSet();
    if (set.Kind == skLine) {
        std::int32_t width = set.Line.lopnWidth.x;
        if (set.Line.lopnStyle == PS_SOLID && !ReadWidth(LineWidth, width)) return false;
        set.Line.lopnWidth.x = width;
    } else if (set.Kind == skPoint) {
        const int row = Symbols->currentRow();
        const int column = Symbols->currentColumn();
        if (SymbolCellTaken && row >= 0 && column >= 0)
            set.Point.SymbolChar = kFirstSymbol + row * kSymbolColumns + column;
    } else if (set.Kind == skArea) {
        std::int32_t width = set.Area.Outline.lopnWidth.x;
        if (set.Area.Outline.lopnStyle == PS_SOLID && !ReadWidth(AreaBoundWidth, width)) return false;
        std::int32_t opacity = set.Opacity;
        if (set.Area.Brush.lbStyle == BS_SOLID) {
            if (!TryStrToInt(Transparency->text().toStdString(), opacity) || opacity < 0 || opacity > 255) {
                Ui().MessageBox(this, QStringLiteral("Error"), QStringLiteral("Transparency error"), TMsgIcon::Error);
                Transparency->setFocus();
                return false;
            }
        }
        set.Area.Outline.lopnWidth.x = width;
        set.Opacity = opacity;
        if (set.Area.Brush.lbStyle == BS_HATCHED) set.Area.BackMode = TRANSPARENT;
    }
    return true;
}

void TLVPropDlg::done(int result)
{
    if (result == QDialog::Accepted) {
        try {
            if (!TakeEditedFields()) return;
        } catch (const std::exception& error) {
            ShowErrorBox(this, ErrorText(error));
            return;
        }
    }
    QDialog::done(result);
}
