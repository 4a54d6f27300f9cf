#include "viewer/LRPropDialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QScrollBar>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

#include "MapFiles.h"
#include "RecordedDialogTest.h"
#include "geodata/IdrisiRST.h"
#include "geodata/QMLayers.h"
#include "platform/NumberText.h"
#include "platform/qt/AppEvents.h"

using namespace dialogtest;

namespace {

// Counts the raster-changed messages that reach the application.
class TMessageCounter : public QObject {
public:
    // Messages left over from earlier tests are delivered first, uncounted.
    TMessageCounter()
    {
        QCoreApplication::sendPostedEvents(QCoreApplication::instance(), AppMessageType(WM_MAPRASTERCHANGED));
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~TMessageCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    int Count()
    {
        QCoreApplication::sendPostedEvents(QCoreApplication::instance(), AppMessageType(WM_MAPRASTERCHANGED));
        return Seen;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == AppMessageType(WM_MAPRASTERCHANGED)) ++Seen;
        return false;
    }

private:
    int Seen = 0;
};

// A widget that counts its paints, standing in for the map view.
class TPaintCounter : public QWidget {
public:
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++Paints; }
};

std::string Palette(std::uint8_t shift)
{
    std::string bytes(5, '\0');
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) bytes += static_cast<char>((i + shift) & 0xFF);
    return bytes;
}

class RasterDialogTest : public TRecordedDialogTest<TLRPropDlg> {
protected:
    void SetUp() override
    {
        TRecordedDialogTest::SetUp();
        Files.Write("grey.qmp", Palette(0));
        Files.Write("shifted.qmp", Palette(100));
    }

    // A raster of the given cell type and cells in one row, with its value
    // and display ranges.
    void Raster(const std::string& dataType, const std::vector<float>& cells, double minValue, double maxValue,
                double displayMin, double displayMax, bool autoscale = true)
    {
        std::string bytes;
        for (float v : cells) {
            if (dataType == "real") {
                bytes.append(reinterpret_cast<const char*>(&v), 4);
            } else if (dataType == "integer") {
                auto i = static_cast<std::int16_t>(v);
                bytes.append(reinterpret_cast<const char*>(&i), 2);
            } else {
                bytes += static_cast<char>(static_cast<std::uint8_t>(v));
            }
        }
        TRdcText header;
        header.DataType = dataType;
        header.Columns = static_cast<long long>(cells.size());
        header.RefSystem = "plane";
        header.MinValue = FormatG(minValue);
        header.MaxValue = FormatG(maxValue);
        header.DisplayMin = FormatG(displayMin);
        header.DisplayMax = FormatG(displayMax);
        header.LegendCats = "0";
        Files.Write("dem.rdc", header.Text());
        const std::string path = Files.Write("dem.rst", bytes);
        EditedLayer.Kind = lkRaster;
        EditedLayer.FileName = path;
        EditedLayer.Raster = std::make_unique<RastrLayer>();
        EditedLayer.Raster->Image = std::make_unique<TIdrisiRST>();
        EditedLayer.Raster->Image->Open(path, Files.Path("grey.qmp"), autoscale);
        EditedLayer.Raster->PaletteFile = Files.Path("grey.qmp");
    }
    void Ramp() { Raster("real", {0, 250, 500, 1000}, 0, 1000, 0, 1000); }

    void Open()
    {
        Dialog = std::make_unique<TLRPropDlg>(nullptr);
        Dialog->SetEditedLayer(&EditedLayer);
        Dialog->SetMapView(&View);
        Dialog->show();
    }
    TIdrisiRST& Image() { return *EditedLayer.Raster->Image; }
    QString MinText() { return W<QLineEdit>("MinDspVal")->text(); }
    QString MaxText() { return W<QLineEdit>("MaxDspVal")->text(); }
    // Moves a bar's thumb as a drag does.
    void Drag(const char* bar, int position) { W<QScrollBar>(bar)->setSliderPosition(position); }

    TMapFolder Files;
    Layer EditedLayer;
    TPaintCounter View;
    TMessageCounter Messages2030;
};

} // namespace

TEST(RangeValueText, FiveSignificantDigitsShownWithTwoDecimals)
{
    struct TRow {
        double Value;
        const char* Text;
    };
    const TRow rows[] = {
        {0, "0.00"},
        {1000, "1000.00"},
        {500.5005005005005, "500.50"},
        {0.126, "0.13"},
        {-3.14159, "-3.14"},
        {1234.567, "1234.60"},
        {12345.678, "12346.00"},
        {-0.001, "0.00"},
        {99999.4, "99999.00"},
    };
    for (const TRow& row : rows) EXPECT_EQ(RangeValueText(row.Value), row.Text) << row.Value;
}

TEST(RangeValueText, LargeValuesReadBackAsShown)
{
    for (double value : {123456.0, 99999.7, -2.5e12, 1e300}) {
        const std::string text = RangeValueText(value);
        double back = 0;
        ASSERT_TRUE(TryStrToFloat(text, back)) << text;
        EXPECT_EQ(RangeValueText(back), text);
        EXPECT_NEAR(back, value, std::fabs(value) * 1e-4) << text;
    }
}

TEST_F(RasterDialogTest, FillsFromTheRaster)
{
    Ramp();
    Open();
    EXPECT_EQ(Dialog->windowTitle(), "Rastr Layer Properties");
    EXPECT_EQ(W<QLineEdit>("FileName")->text().toStdString(), EditedLayer.FileName);
    EXPECT_EQ(W<QLineEdit>("Palname")->text(), "grey.qmp");
    EXPECT_EQ(W<QLineEdit>("MinVal")->text(), "0.00");
    EXPECT_EQ(W<QLineEdit>("MaxVal")->text(), "1000.00");
    EXPECT_EQ(MinText(), "0.00");
    EXPECT_EQ(MaxText(), "1000.00");
    EXPECT_EQ(W<QScrollBar>("MinSB")->value(), 0);
    EXPECT_EQ(W<QScrollBar>("MaxSB")->value(), 999);
    EXPECT_TRUE(W<QCheckBox>("AutoscaleCB")->isChecked());
}

TEST_F(RasterDialogTest, BarsMoveTheTextsOnly)
{
    Ramp();
    Open();
    Drag("MinSB", 500);
    EXPECT_EQ(MinText(), "500.50");
    EXPECT_EQ(Image().GetDisplayMin(), 0);
    QTest::keyClick(W("MaxSB"), Qt::Key_PageUp);
    EXPECT_EQ(W<QScrollBar>("MaxSB")->value(), 989);
    EXPECT_EQ(MaxText(), "989.99");
    EXPECT_EQ(Messages2030.Count(), 0);
}

TEST_F(RasterDialogTest, ThumbsMeetButNeverCross)
{
    Ramp();
    Open();
    Drag("MaxSB", 300);
    Drag("MinSB", 700);
    EXPECT_EQ(W<QScrollBar>("MinSB")->value(), 300);
    Drag("MaxSB", 100);
    EXPECT_EQ(W<QScrollBar>("MaxSB")->value(), 300);
    EXPECT_EQ(MinText(), MaxText());
}

TEST_F(RasterDialogTest, ApplyTakesTheTextsIntoTheRaster)
{
    struct TRow {
        const char* Name;
        QString Min, Max;
        double AppliedMin, AppliedMax;
        QString ShownMin, ShownMax;
    };
    const TRow rows[] = {
        {"inside the range", "100", "900.5", 100, 900.5, "100", "900.5"},
        {"max above the range", "100", "2000", 100, 1000, "100", "1000.00"},
        {"min not a number", "abc", "800", 0, 800, "0.00", "800"},
        {"nan and inf are no numbers", "nan", "inf", 0, 1000, "0.00", "1000.00"},
        {"min above the range falls to its own end", "5000", "800", 0, 800, "0.00", "800"},
        {"max below the range falls to its own end", "100", "-5", 100, 1000, "100", "1000.00"},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Ramp();
        Open();
        const int before = Messages2030.Count();
        Type(W<QLineEdit>("MinDspVal"), row.Min);
        Type(W<QLineEdit>("MaxDspVal"), row.Max);
        Click(W("Apply"));
        EXPECT_EQ(Image().GetDisplayMin(), row.AppliedMin);
        EXPECT_EQ(Image().GetDisplayMax(), row.AppliedMax);
        EXPECT_EQ(MinText(), row.ShownMin);
        EXPECT_EQ(MaxText(), row.ShownMax);
        EXPECT_EQ(Messages2030.Count(), before + 1);
        EXPECT_TRUE(Dialog->isVisible());
    }
}

TEST_F(RasterDialogTest, CrossedRangeCollapsesToItsMaximumAndIsStillAnnounced)
{
    Ramp();
    Open();
    Type(W<QLineEdit>("MinDspVal"), "700");
    Type(W<QLineEdit>("MaxDspVal"), "300");
    Click(W("Apply"));
    EXPECT_EQ(MinText(), "300.00");
    EXPECT_EQ(W<QScrollBar>("MinSB")->value(), W<QScrollBar>("MaxSB")->value());
    // With autoscaling an empty range is refused by the raster.
    EXPECT_EQ(Image().GetDisplayMin(), 0);
    EXPECT_EQ(Image().GetDisplayMax(), 1000);
    EXPECT_EQ(Messages2030.Count(), 1);
}

TEST_F(RasterDialogTest, ApplyRepaintsTheView)
{
    Ramp();
    View.resize(50, 50);
    View.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    Open();
    const int before = View.Paints;
    Click(W("Apply"));
    EXPECT_GT(View.Paints, before);
}

TEST_F(RasterDialogTest, BarValuesApplyExactly)
{
    Raster("real", {0, 0.001f, 0.002f}, 0, 0.002, 0, 0.002);
    Open();
    Drag("MinSB", 250);
    Drag("MaxSB", 750);
    EXPECT_EQ(MinText(), MaxText());
    Click(W("Apply"));
    EXPECT_DOUBLE_EQ(Image().GetDisplayMin(), 250 * 0.002 / 999);
    EXPECT_DOUBLE_EQ(Image().GetDisplayMax(), 750 * 0.002 / 999);
}

TEST_F(RasterDialogTest, CloseAppliesAndAccepts)
{
    Ramp();
    Open();
    Type(W<QLineEdit>("MaxDspVal"), "600");
    Click(W("OKBtn"));
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(Image().GetDisplayMax(), 600);
    EXPECT_EQ(Messages2030.Count(), 1);
}

TEST_F(RasterDialogTest, CloseBoxAppliesNothingButKeepsEarlierApply)
{
    Ramp();
    Open();
    Type(W<QLineEdit>("MinDspVal"), "200");
    Click(W("Apply"));
    Type(W<QLineEdit>("MinDspVal"), "400");
    Dialog->close();
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Image().GetDisplayMin(), 200);
    EXPECT_EQ(Messages2030.Count(), 1);
}

TEST_F(RasterDialogTest, EqualValuesLeaveTheBarsDisabledAtTheirEnds)
{
    Raster("real", {5, 5}, 5, 5, 5, 5);
    Open();
    auto* minBar = W<QScrollBar>("MinSB");
    auto* maxBar = W<QScrollBar>("MaxSB");
    EXPECT_FALSE(minBar->isEnabled());
    EXPECT_FALSE(maxBar->isEnabled());
    EXPECT_EQ(minBar->value(), 0);
    EXPECT_EQ(maxBar->value(), 999);
    Type(W<QLineEdit>("MinDspVal"), "1");
    Click(W("Apply"));
    EXPECT_EQ(MinText(), "5.00");
    EXPECT_EQ(maxBar->value(), 999);
    EXPECT_EQ(Messages2030.Count(), 1);
    EXPECT_TRUE(Recorded->Messages.empty());
}

TEST_F(RasterDialogTest, ReversedOrInfiniteValueRangesDoNotFail)
{
    struct TRow {
        const char* Name;
        double Min, Max;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const TRow rows[] = {{"min above max", 10, 2}, {"infinite span", -1.7e308, 1.7e308}, {"infinite max", 0, inf}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Raster("real", {1, 2}, row.Min, row.Max, 1, 2);
        Open();
        EXPECT_FALSE(W("MinSB")->isEnabled());
        Click(W("Apply"));
        EXPECT_TRUE(Recorded->Messages.empty());
        EXPECT_TRUE(Dialog->isVisible());
    }
}

TEST_F(RasterDialogTest, DisplayRangeFarOutsideTheValuesClampsTheBars)
{
    Raster("real", {0, 10}, 0, 10, -1e30, 1e30);
    Open();
    EXPECT_EQ(W<QScrollBar>("MinSB")->value(), 0);
    EXPECT_EQ(W<QScrollBar>("MaxSB")->value(), 999);
    Click(W("Apply"));
    EXPECT_EQ(MinText(), "0.00");
    EXPECT_EQ(MaxText(), "10.00");
}

TEST_F(RasterDialogTest, AutoscaleCanBeDroppedOnlyForBytesShownWithin0To255)
{
    struct TRow {
        const char* Name;
        const char* DataType;
        double DisplayMax;
        bool Allowed;
    };
    const TRow rows[] = {
        {"bytes at 0..255", "byte", 255, true},
        {"integers at 0..255", "integer", 255, true},
        {"bytes at 0..300", "byte", 300, false},
        {"reals", "real", 100, false},
    };
    qputenv("LC_ALL", "C");
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Recorded->Messages.clear();
        Raster(row.DataType, {0, 1, 2}, 0, 255, 0, row.DisplayMax);
        Open();
        auto* autoscale = W<QCheckBox>("AutoscaleCB");
        autoscale->click();
        EXPECT_EQ(autoscale->isChecked(), !row.Allowed);
        if (row.Allowed) {
            EXPECT_TRUE(Recorded->Messages.empty());
        } else {
            ASSERT_EQ(Recorded->Messages.size(), 1u);
            EXPECT_EQ(Recorded->Messages[0].Caption, "Stop");
            EXPECT_EQ(Recorded->Messages[0].Text, "The layer must be scaled");
            EXPECT_EQ(Recorded->Messages[0].Icon, TMsgIcon::Information);
        }
    }
    qunsetenv("LC_ALL");
}

TEST_F(RasterDialogTest, StopBoxSpeaksRussianToRussianUsers)
{
    Raster("real", {0, 1}, 0, 1, 0, 1);
    Open();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Files.Folder()));
    qputenv("LC_ALL", "ru_RU.UTF-8");
    W<QCheckBox>("AutoscaleCB")->click();
    qunsetenv("LC_ALL");
    qunsetenv("XDG_CONFIG_HOME");
    ASSERT_EQ(Recorded->Messages.size(), 1u);
    EXPECT_EQ(Recorded->Messages[0].Text, QStringLiteral("Этот растровый слой должен масштабироваться"));
}

TEST_F(RasterDialogTest, UntickedAutoscaleReachesTheRasterOnApply)
{
    Raster("byte", {0, 100, 200}, 0, 200, 0, 200);
    Open();
    W<QCheckBox>("AutoscaleCB")->click();
    EXPECT_TRUE(Image().GetStretch());
    Click(W("Apply"));
    EXPECT_FALSE(Image().GetStretch());
}

TEST_F(RasterDialogTest, NewPaletteIsLoadedAndNamed)
{
    Ramp();
    Open();
    const std::uint32_t before = Image().GetBitmapInfo()->bmiColors[0];
    Recorded->OpenAnswers = {QString::fromStdString(Files.Path("shifted.qmp"))};
    Click(W("PalBtn"));
    ASSERT_EQ(Recorded->OpenRequests.size(), 1u);
    // It starts in the palette's folder with the palette's name proposed.
    EXPECT_EQ(Recorded->OpenRequests[0].Folder.toStdString() + "/", Files.Folder());
    EXPECT_EQ(Recorded->OpenRequests[0].FileName, "grey.qmp");
    EXPECT_TRUE(Recorded->OpenRequests[0].Filter.contains("*.qmp"));
    EXPECT_EQ(W<QLineEdit>("Palname")->text(), "shifted.qmp");
    EXPECT_EQ(EditedLayer.Raster->PaletteFile, Files.Path("shifted.qmp"));
    EXPECT_NE(Image().GetBitmapInfo()->bmiColors[0], before);
    EXPECT_EQ(Messages2030.Count(), 0);
}

TEST_F(RasterDialogTest, PaletteThatCannotBeReadKeepsTheOldName)
{
    Ramp();
    Open();
    Recorded->OpenAnswers = {QString::fromStdString(Files.Path("missing.qmp"))};
    Click(W("PalBtn"));
    ASSERT_EQ(Recorded->Messages.size(), 1u);
    EXPECT_EQ(Recorded->Messages[0].Caption, "Error");
    EXPECT_EQ(W<QLineEdit>("Palname")->text(), "grey.qmp");
    EXPECT_EQ(EditedLayer.Raster->PaletteFile, Files.Path("grey.qmp"));
    EXPECT_TRUE(Dialog->isVisible());
}

TEST_F(RasterDialogTest, CancelledPaletteChoiceChangesNothing)
{
    Ramp();
    Open();
    Click(W("PalBtn"));
    EXPECT_EQ(W<QLineEdit>("Palname")->text(), "grey.qmp");
    EXPECT_TRUE(Recorded->Messages.empty());
}

TEST_F(RasterDialogTest, EnterInAnEditApplies)
{
    Ramp();
    Open();
    Type(W<QLineEdit>("MinDspVal"), "250");
    QTest::keyClick(W("MinDspVal"), Qt::Key_Return);
    EXPECT_EQ(Image().GetDisplayMin(), 250);
    EXPECT_TRUE(Dialog->isVisible());
}
