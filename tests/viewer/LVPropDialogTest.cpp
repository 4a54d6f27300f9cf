#include "viewer/LVPropDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "RecordedDialogTest.h"
#include "geodata/FontTable.h"
#include "geodata/QMLayers.h"
#include "platform/qt/SymbolFonts.h"
#include "viewer/HatchStyleDialog.h"
#include "viewer/StyleSwatch.h"

using namespace dialogtest;

namespace {

TAreaStyle Area(std::uint32_t penStyle, std::uint32_t brushStyle, std::uint32_t hatch = 0)
{
    TAreaStyle area;
    area.Outline = TLogPen{penStyle, TPoint{3, 0}, RGB(0, 0, 200)};
    area.Brush = TLogBrush{brushStyle, RGB(0, 160, 0), hatch};
    area.BackMode = OPAQUE;
    return area;
}

class StyleDialogTest : public TRecordedDialogTest<TLVPropDlg> {
protected:
    void SetUp() override
    {
        TRecordedDialogTest::SetUp();
        ResetFontTable();
        InitVectorLayer(Vector);
        Vector.Objects.resize(7);
    }

    // An area layer whose custom set has the given outline and fill.
    void AreaLayer(const TAreaStyle& custom, bool useCustom = true)
    {
        Vector.DefaultKind = 3;
        Vector.DefaultArea = Area(PS_SOLID, BS_SOLID);
        Vector.DefaultArea.Outline.lopnWidth.x = 1;
        Vector.DefaultOpacity = 255;
        Vector.CustomArea = custom;
        Vector.CustomOpacity = 128;
        Vector.UseCustom = useCustom ? 1 : 0;
    }
    void LineLayer(std::uint32_t penStyle, bool useCustom = true)
    {
        Vector.DefaultKind = 2;
        Vector.DefaultLine = TLogPen{PS_SOLID, TPoint{1, 0}, RGB(9, 9, 9)};
        Vector.CustomLine = TLogPen{penStyle, TPoint{4, 0}, RGB(200, 0, 0)};
        Vector.UseCustom = useCustom ? 1 : 0;
    }
    void PointLayer(std::int32_t symbolChar)
    {
        Vector.DefaultKind = 1;
        Vector.DefaultPoint = TPointStyle{33, 5, RGB(1, 1, 1), 0};
        Vector.CustomPoint = TPointStyle{symbolChar, 12, RGB(0, 0, 255), 0};
        Vector.UseCustom = 1;
    }

    void Open()
    {
        Dialog = std::make_unique<TLVPropDlg>(nullptr);
        Dialog->SetVectorData(&Vector);
        Dialog->SetLayerFileName("/maps/data/roads.vct");
        Dialog->show();
    }

    VectorLayer Vector;
};

} // namespace

TEST_F(StyleDialogTest, ShowsFileNameAndObjectCount)
{
    AreaLayer(Area(PS_SOLID, BS_SOLID));
    Open();
    EXPECT_EQ(W<QLineEdit>("FileName")->text(), "roads.vct");
    EXPECT_EQ(W<QLineEdit>("NObjects")->text(), "7");
    EXPECT_EQ(Dialog->windowTitle(), "Objects style");
}

TEST_F(StyleDialogTest, TransparencyMustBeAnIntegerFrom0To255)
{
    struct TRow {
        const char* Name;
        QString Text;
        bool Closes;
        std::int32_t Opacity;
    };
    const TRow rows[] = {
        {"top of the range", "255", true, 255},
        {"bottom of the range", "0", true, 0},
        {"hexadecimal", "$1F", true, 31},
        {"leading blanks and sign", "  +7", true, 7},
        {"above the range", "256", false, 0},
        {"negative", "-1", false, 0},
        {"empty", "", false, 0},
        {"trailing letters", "12a", false, 0},
        {"real", "1.5", false, 0},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Recorded->Messages.clear();
        AreaLayer(Area(PS_SOLID, BS_SOLID));
        Open();
        Type(W<QLineEdit>("Transparency"), row.Text);
        PressOk();
        if (row.Closes) {
            EXPECT_TRUE(Messages().isEmpty());
            EXPECT_EQ(Dialog->result(), QDialog::Accepted);
            EXPECT_FALSE(Dialog->isVisible());
            EXPECT_EQ(Dialog->GetCustomSet().Opacity, row.Opacity);
        } else {
            EXPECT_EQ(Messages(), QStringList{"Error: Transparency error"});
            EXPECT_EQ(Recorded->Messages.front().Icon, TMsgIcon::Error);
            EXPECT_TRUE(Dialog->isVisible());
            EXPECT_EQ(Dialog->GetCustomSet().Opacity, 128);
        }
    }
}

TEST_F(StyleDialogTest, WidthIsCheckedBeforeTransparencyAndNothingIsTaken)
{
    AreaLayer(Area(PS_SOLID, BS_SOLID));
    Open();
    Type(W<QLineEdit>("AreaBoundWidth"), "abc");
    Type(W<QLineEdit>("Transparency"), "999");
    PressOk();
    EXPECT_EQ(Messages(), QStringList{"Error: Width error"});
    EXPECT_TRUE(Dialog->isVisible());

    // Fixing the width brings up the transparency; the good width is not
    // stored while the dialog stays open.
    Type(W<QLineEdit>("AreaBoundWidth"), "-2");
    PressOk();
    EXPECT_EQ(Messages().last(), "Error: Transparency error");
    EXPECT_EQ(Dialog->GetCustomSet().Area.Outline.lopnWidth.x, 3);

    Type(W<QLineEdit>("Transparency"), "200");
    PressOk();
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Dialog->GetCustomSet().Area.Outline.lopnWidth.x, -2);
    EXPECT_EQ(Dialog->GetCustomSet().Opacity, 200);
    EXPECT_EQ(Dialog->GetCustomSet().Kind, 3);
    EXPECT_TRUE(Dialog->UseCustom());
}

TEST_F(StyleDialogTest, NullOutlineSkipsTheWidth)
{
    AreaLayer(Area(PS_NULL, BS_SOLID));
    Open();
    EXPECT_TRUE(W("AreaBoundWidth")->isHidden());
    EXPECT_TRUE(W("LabelColor")->isHidden());
    W<QLineEdit>("AreaBoundWidth")->setText("not a number");
    PressOk();
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Dialog->GetCustomSet().Area.Outline.lopnStyle, PS_NULL);
}

TEST_F(StyleDialogTest, HatchedFillStoresTransparentBackgroundWithoutReadingTransparency)
{
    AreaLayer(Area(PS_SOLID, BS_HATCHED, HS_CROSS));
    Open();
    EXPECT_TRUE(W("Transparency")->isHidden());
    EXPECT_FALSE(W("AreaFillShape")->isHidden());
    EXPECT_EQ(W<TStyleSwatch>("AreaFillShape")->Pattern(), Qt::CrossPattern);
    W<QLineEdit>("Transparency")->setText("zzz");
    PressOk();
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Dialog->GetCustomSet().Area.BackMode, TRANSPARENT);
    EXPECT_EQ(Dialog->GetCustomSet().Opacity, 128);
}

TEST_F(StyleDialogTest, CancelAndCloseBoxTakeNothing)
{
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        AreaLayer(Area(PS_SOLID, BS_SOLID));
        Open();
        Type(W<QLineEdit>("AreaBoundWidth"), "abc");
        if (closeBox) Dialog->close();
        else Click(W("Button2"));
        EXPECT_TRUE(Messages().isEmpty());
        EXPECT_EQ(Dialog->result(), QDialog::Rejected);
        EXPECT_FALSE(Dialog->isVisible());
        EXPECT_EQ(Dialog->GetCustomSet().Area.Outline.lopnWidth.x, 3);
    }
}

TEST_F(StyleDialogTest, DefaultParametersShowTheDefaultSetReadOnly)
{
    AreaLayer(Area(PS_SOLID, BS_HATCHED, HS_VERTICAL), false);
    Open();
    EXPECT_TRUE(W<QRadioButton>("DrawDefault")->isChecked());
    for (const char* name : {"BoundaryStyle", "AreaBoundWidth", "AreaBoundColor", "AreaFillStyle", "AreaFillShape",
                             "Transparency"})
        EXPECT_FALSE(W(name)->isEnabled()) << name;
    EXPECT_EQ(W<QComboBox>("AreaFillStyle")->currentText(), "Solid");
    EXPECT_EQ(W<QLineEdit>("AreaBoundWidth")->text(), "1");
    // A disabled swatch takes no presses.
    QTest::mousePress(W("AreaFillShape"), Qt::LeftButton);
    QTest::mousePress(W("AreaBoundColor"), Qt::LeftButton);
    EXPECT_EQ(Recorded->ColorRequests, 0);

    // Custom parameters show the custom set, editable; untaken text goes.
    W<QRadioButton>("DrawParams")->click();
    EXPECT_TRUE(W("AreaFillStyle")->isEnabled());
    EXPECT_EQ(W<QComboBox>("AreaFillStyle")->currentText(), "Hatched");
    EXPECT_EQ(W<QLineEdit>("AreaBoundWidth")->text(), "3");
    Type(W<QLineEdit>("AreaBoundWidth"), "8");
    W<QRadioButton>("DrawDefault")->click();
    W<QRadioButton>("DrawParams")->click();
    EXPECT_EQ(W<QLineEdit>("AreaBoundWidth")->text(), "3");
}

TEST_F(StyleDialogTest, EditsOfEachSetSurviveSwitching)
{
    AreaLayer(Area(PS_SOLID, BS_SOLID));
    Open();
    // Custom: outline to Null with the keyboard.
    auto* boundary = W<QComboBox>("BoundaryStyle");
    boundary->setFocus();
    QTest::keyClick(boundary, Qt::Key_Up);
    EXPECT_EQ(boundary->currentText(), "Null");
    EXPECT_TRUE(W("AreaBoundWidth")->isHidden());
    W<QRadioButton>("DrawDefault")->click();
    EXPECT_EQ(boundary->currentText(), "Solid");
    W<QRadioButton>("DrawParams")->click();
    EXPECT_EQ(boundary->currentText(), "Null");
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Area.Outline.lopnStyle, PS_NULL);
    EXPECT_EQ(Dialog->GetDefaultSet().Area.Outline.lopnStyle, PS_SOLID);
}

TEST_F(StyleDialogTest, DefaultParametersThenOkKeepsEarlierCustomEdits)
{
    AreaLayer(Area(PS_SOLID, BS_SOLID));
    Open();
    Recorded->ColorAnswers = {QColor(10, 20, 30)};
    Click(W("AreaBoundColor"));
    W<QRadioButton>("DrawDefault")->click();
    PressOk();
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(Dialog->UseCustom());
    EXPECT_EQ(Dialog->GetCustomSet().Area.Outline.lopnColor, RGB(10, 20, 30));
}

TEST_F(StyleDialogTest, FillListSwitchesSampleAndTransparency)
{
    AreaLayer(Area(PS_SOLID, BS_HOLLOW));
    Open();
    EXPECT_TRUE(W("AreaFillShape")->isHidden());
    EXPECT_TRUE(W("TransLab1")->isHidden());
    auto* fill = W<QComboBox>("AreaFillStyle");
    fill->setFocus();
    QTest::keyClick(fill, Qt::Key_Down);
    EXPECT_EQ(fill->currentText(), "Solid");
    EXPECT_FALSE(W("AreaFillShape")->isHidden());
    EXPECT_FALSE(W("Transparency")->isHidden());
    EXPECT_FALSE(W("TransLab3")->isHidden());
    // The sample shows the set's fill colour.
    auto* shape = W<TStyleSwatch>("AreaFillShape");
    EXPECT_EQ(PixelOf(shape, shape->rect().center()), QColor(0, 160, 0));

    QTest::keyClick(fill, Qt::Key_Down);
    EXPECT_EQ(fill->currentText(), "Hatched");
    EXPECT_TRUE(W("Transparency")->isHidden());
    EXPECT_EQ(shape->Pattern(), Qt::HorPattern);
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Area.Brush.lbStyle, BS_HATCHED);
    EXPECT_EQ(Dialog->GetCustomSet().Area.BackMode, TRANSPARENT);
}

TEST_F(StyleDialogTest, HidingControlsKeepsTheLayoutSteady)
{
    struct TRow {
        const char* Name;
        std::uint8_t Kind;
        const char* List;
        std::vector<Qt::Key> Keys; // each key changes the list's entry by one
    };
    const TRow rows[] = {
        {"fill solid, hatched, solid, null, solid", 3, "AreaFillStyle",
         {Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down}},
        {"outline solid, null, solid", 3, "BoundaryStyle", {Qt::Key_Up, Qt::Key_Down}},
        {"line solid, null, solid", 2, "LineStyle", {Qt::Key_Up, Qt::Key_Down}},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        if (row.Kind == 3)
            AreaLayer(Area(PS_SOLID, BS_SOLID));
        else
            LineLayer(PS_SOLID);
        Open();
        QApplication::processEvents();
        // Every named widget's place in the dialog, and the dialog's size.
        auto places = [this]() {
            QStringList out{QStringLiteral("dialog %1x%2").arg(Dialog->width()).arg(Dialog->height())};
            for (QWidget* w : Dialog->findChildren<QWidget*>()) {
                if (w->objectName().isEmpty() || !w->isVisibleTo(Dialog.get())) continue;
                const QRect r(w->mapTo(Dialog.get(), QPoint(0, 0)), w->size());
                out << QStringLiteral("%1 %2,%3 %4x%5")
                           .arg(w->objectName())
                           .arg(r.x())
                           .arg(r.y())
                           .arg(r.width())
                           .arg(r.height());
            }
            return out;
        };
        const QStringList before = places();
        auto* list = W<QComboBox>(row.List);
        list->setFocus();
        for (Qt::Key key : row.Keys) {
            const int entry = list->currentIndex();
            QTest::keyClick(list, key);
            ASSERT_NE(list->currentIndex(), entry);
            QApplication::processEvents();
            const QStringList now = places();
            // Widgets that stay shown keep their places.
            for (const QString& place : now) {
                if (!place.startsWith(QStringLiteral("dialog"))) {
                    EXPECT_TRUE(before.contains(place)) << place.toStdString();
                }
            }
            EXPECT_EQ(now.front(), before.front());
        }
        EXPECT_EQ(places(), before);
    }
}

TEST_F(StyleDialogTest, SolidFillSampleOpensTheColourDialog)
{
    AreaLayer(Area(PS_SOLID, BS_SOLID));
    Open();
    Recorded->ColorAnswers = {QColor(250, 0, 250)};
    auto* shape = W<TStyleSwatch>("AreaFillShape");
    Click(shape);
    ASSERT_EQ(Recorded->ColorInitials.size(), 1u);
    EXPECT_EQ(Recorded->ColorInitials[0], QColor(0, 160, 0));
    EXPECT_EQ(QColorDialog::customColor(0).rgb(), QColor(0, 160, 0).rgb());
    EXPECT_EQ(PixelOf(shape, shape->rect().center()), QColor(250, 0, 250));
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Area.Brush.lbColor, RGB(250, 0, 250));
}

TEST_F(StyleDialogTest, HatchedSampleOpensThePickerOnTheCurrentPattern)
{
    AreaLayer(Area(PS_SOLID, BS_HATCHED, HS_HORIZONTAL));
    Open();
    bool horizontalMarked = false;
    WhenModalShows([&](QWidget* modal) {
        auto* picker = qobject_cast<THatchStyleDlg*>(modal);
        ASSERT_NE(picker, nullptr);
        EXPECT_EQ(picker->windowTitle(), "Hatch styles");
        horizontalMarked = Named<TStyleSwatch>(*picker, "SbsHorz")->Outlined();
        Click(Named(*picker, "SbsCross"));
        Click(Named(*picker, "Button1"));
    });
    Click(W("AreaFillShape"));
    EXPECT_TRUE(horizontalMarked);
    auto* shape = W<TStyleSwatch>("AreaFillShape");
    EXPECT_EQ(shape->Pattern(), Qt::CrossPattern);
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Area.Brush.lbHatch, HS_CROSS);
}

TEST_F(StyleDialogTest, UnknownHatchCodeIsKeptUnlessAPatternIsPicked)
{
    AreaLayer(Area(PS_SOLID, BS_HATCHED, 9));
    Open();
    bool noneMarked = false;
    WhenModalShows([&](QWidget* modal) {
        noneMarked = true;
        for (auto* sample : modal->findChildren<TStyleSwatch*>()) noneMarked = noneMarked && !sample->Outlined();
        Recorded->ColorAnswers = {QColor(0, 0, 100)};
        Click(Named(*modal, "ColorBtn"));
        Click(Named(*modal, "Button1"));
    });
    Click(W("AreaFillShape"));
    EXPECT_TRUE(noneMarked);
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Area.Brush.lbHatch, 9u);
    EXPECT_EQ(Dialog->GetCustomSet().Area.Brush.lbColor, RGB(0, 0, 100));
}

TEST_F(StyleDialogTest, PageOfTheLayersKindIsTheOnlyOne)
{
    LineLayer(PS_SOLID);
    Open();
    auto* pages = W<QTabWidget>("PageControl");
    EXPECT_EQ(pages->currentWidget(), W("LineSheet"));
    for (int i = 0; i < pages->count(); ++i)
        EXPECT_EQ(pages->isTabEnabled(i), pages->widget(i) == W("LineSheet")) << i;
    QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(0).center());
    EXPECT_EQ(pages->currentWidget(), W("LineSheet"));
}

TEST_F(StyleDialogTest, LineWidthAndColour)
{
    LineLayer(PS_SOLID);
    Open();
    auto* width = W<QLineEdit>("LineWidth");
    EXPECT_EQ(width->text(), "4");
    Type(width, "x");
    PressOk();
    EXPECT_EQ(Messages(), QStringList{"Error: Width error"});
    Type(width, "0x10");
    Recorded->ColorAnswers = {QColor(1, 200, 3)};
    auto* color = W<TStyleSwatch>("LineColor");
    EXPECT_EQ(PixelOf(color, color->rect().center()), QColor(200, 0, 0));
    Click(color);
    EXPECT_EQ(PixelOf(color, color->rect().center()), QColor(1, 200, 3));
    PressOk();
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Dialog->GetCustomSet().Line.lopnWidth.x, 16);
    EXPECT_EQ(Dialog->GetCustomSet().Line.lopnColor, RGB(1, 200, 3));
    EXPECT_EQ(Dialog->GetCustomSet().Kind, 2);
}

TEST_F(StyleDialogTest, NullLinePenSkipsTheWidth)
{
    LineLayer(PS_NULL);
    Open();
    EXPECT_TRUE(W("LineWidth")->isHidden());
    W<QLineEdit>("LineWidth")->setText("bad");
    PressOk();
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
}

TEST_F(StyleDialogTest, LayerWithoutStyleKindOffersNothing)
{
    Vector.DefaultKind = 0;
    Open();
    EXPECT_TRUE(W("DrawDefault")->isHidden());
    EXPECT_TRUE(W("DrawParams")->isHidden());
    EXPECT_FALSE(W("PageControl")->isEnabled());
    PressOk();
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Dialog->GetCustomSet().Kind, 0);
}

TEST_F(StyleDialogTest, SymbolCodeSelectsItsCell)
{
    PointLayer(65);
    Open();
    auto* grid = W<QTableWidget>("Symbols");
    EXPECT_EQ(grid->rowCount(), 28);
    EXPECT_EQ(grid->columnCount(), 8);
    EXPECT_EQ(grid->currentRow(), 4);
    EXPECT_EQ(grid->currentColumn(), 1);
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolChar, 65);
    EXPECT_EQ(Dialog->GetCustomSet().Kind, 1);
}

TEST_F(StyleDialogTest, PickedCellBecomesTheSymbol)
{
    PointLayer(65);
    Open();
    auto* grid = W<QTableWidget>("Symbols");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(2, 3)).center());
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolChar, 32 + 2 * 8 + 3);
}

TEST_F(StyleDialogTest, SymbolCellsDrawAsTheMapDoes)
{
    RegisterSymbolFonts();
    if (!FontFamilyInstalled("Wingdings")) GTEST_SKIP() << "fonts-wine is not installed";
    PointLayer(65);
    Vector.CustomPoint.SymbolFont = FontIndex("Wingdings");
    Open();
    auto* grid = W<QTableWidget>("Symbols");
    const QRgb blue = qRgb(0, 0, 255);
    auto blueBounds = [&](int code) {
        const QModelIndex index = grid->model()->index((code - 32) / 8, (code - 32) % 8);
        grid->scrollTo(index);
        const QImage shown = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect cell = grid->visualRect(index);
        QRect bounds;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (shown.pixel(x, y) == blue) bounds |= QRect(x, y, 1, 1);
        return std::pair(cell, bounds);
    };
    // Debian's Wingdings lacks 74: the map's stand-in circle, not a box.
    const auto [missingCell, missing] = blueBounds(74);
    EXPECT_TRUE(missing.contains(missingCell.center()));
    EXPECT_LE(std::max(missing.width(), missing.height()), missingCell.height() / 2);
    // 108 is its filled circle, drawn from the font a size larger.
    const auto [presentCell, present] = blueBounds(108);
    EXPECT_GT(present.width(), missing.width());
}

TEST_F(StyleDialogTest, SymbolCodeWithoutCellIsKept)
{
    PointLayer(300);
    Open();
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolChar, 300);
}

TEST_F(StyleDialogTest, FontDialogSpeaksHalfCharacterHeights)
{
    struct TRow {
        const char* Name;
        QFont Font;
        std::int32_t Size;
    };
    auto pixels = [](int height) {
        QFont font(QStringLiteral("Wingdings"));
        font.setPixelSize(height);
        return font;
    };
    auto points = [](int size) {
        QFont font(QStringLiteral("Wingdings"));
        font.setPointSize(size);
        return font;
    };
    const TRow rows[] = {
        {"25 pixels", pixels(25), 12},
        {"24 pixels", pixels(24), 12},
        {"23 pixels", pixels(23), 11},
        {"18 points at 96 dpi", points(18), 12},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        PointLayer(65);
        Open();
        Recorded->FontAnswers = {row.Font};
        Click(W("SymbolBtn"));
        ASSERT_FALSE(Recorded->FontInitials.empty());
        EXPECT_EQ(Recorded->FontInitials.back().pixelSize(), 24);
        EXPECT_EQ(Recorded->FontInitials.back().family(), "Symbol");
        PressOk();
        EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolSize, row.Size);
        EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolFont, 1);
        EXPECT_EQ(FontName(1), "Wingdings");
        // The current cell does not move.
        EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolChar, 65);
    }
}

TEST_F(StyleDialogTest, CancelledFontAndColourChangeNothing)
{
    PointLayer(65);
    Open();
    Click(W("SymbolBtn"));
    Click(W("ColorBtn"));
    Recorded->ColorAnswers = {QColor(255, 128, 0)};
    Click(W("ColorBtn"));
    PressOk();
    EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolSize, 12);
    EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolFont, 0);
    EXPECT_EQ(Dialog->GetCustomSet().Point.SymbolColor, RGB(255, 128, 0));
    EXPECT_EQ(W<QTableWidget>("Symbols")->palette().color(QPalette::Text), QColor(255, 128, 0));
}
