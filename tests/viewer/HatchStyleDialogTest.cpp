#include "viewer/HatchStyleDialog.h"

#include <QColorDialog>
#include <array>
#include <gtest/gtest.h>

#include "DialogDriving.h"
#include "RecordingUi.h"
#include "viewer/StyleSwatch.h"

using namespace dialogtest;

namespace {

struct THatchCase {
    const char* Name;
    std::uint32_t Hatch;
    std::uint8_t Style;
    int Sample;
    const char* SampleName;
};

const std::array<THatchCase, 6> kHatchCases{{
    {"horizontal", HS_HORIZONTAL, bsHorizontal, 0, "SbsHorz"},
    {"vertical", HS_VERTICAL, bsVertical, 1, "SbsVert"},
    {"forward diagonal", HS_FDIAGONAL, bsFDiagonal, 3, "SbsFDiag"},
    {"backward diagonal", HS_BDIAGONAL, bsBDiagonal, 4, "SbsBDiag"},
    {"cross", HS_CROSS, bsCross, 2, "SbsCross"},
    {"diagonal cross", HS_DIAGCROSS, bsDiagCross, 5, "SbsDiagCross"},
}};

const std::array<const char*, 6> kSampleNames{"SbsHorz", "SbsVert", "SbsCross",
                                              "SbsFDiag", "SbsBDiag", "SbsDiagCross"};

class HatchPickerTest : public ::testing::Test {
protected:
    void SetUp() override { std::tie(Recorded, UiGuard) = RecordingUi::Install(); }

    std::vector<std::string> OutlinedSamples(const THatchStyleDlg& picker) const
    {
        std::vector<std::string> names;
        for (const char* name : kSampleNames)
            if (Named<TStyleSwatch>(picker, name)->Outlined()) names.push_back(name);
        return names;
    }

    RecordingUi* Recorded = nullptr;
    std::unique_ptr<RecordingUi::Guard> UiGuard;
};

} // namespace

TEST(HatchCodes, TablesJoinCodesStylesAndSamples)
{
    for (const THatchCase& c : kHatchCases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(HatchToBrushStyle(c.Hatch), c.Style);
        EXPECT_EQ(BrushStyleToHatch(c.Style), c.Hatch);
        EXPECT_EQ(StyleToSampleIndex(c.Style), c.Sample);
        EXPECT_EQ(SampleIndexToStyle(c.Sample), c.Style);
    }
}

TEST(HatchCodes, ValuesOutsideTheTablesFallBack)
{
    EXPECT_EQ(HatchToBrushStyle(6), bsSolid);
    EXPECT_EQ(HatchToBrushStyle(0xFFFFFFFFu), bsSolid);
    for (int style : {0, 1, 8, 255}) {
        EXPECT_EQ(BrushStyleToHatch(std::uint8_t(style)), 0u) << style;
        EXPECT_EQ(StyleToSampleIndex(std::uint8_t(style)), -1) << style;
    }
    EXPECT_EQ(SampleIndexToStyle(-1), bsSolid);
    EXPECT_EQ(SampleIndexToStyle(6), bsSolid);
}

TEST_F(HatchPickerTest, SamplesStandInTwoRowsAndDrawTheirPatterns)
{
    THatchStyleDlg picker(nullptr);
    picker.SetHatchColor(RGB(255, 0, 0));
    picker.show();
    auto* horz = Named<TStyleSwatch>(picker, "SbsHorz");
    auto* cross = Named<TStyleSwatch>(picker, "SbsCross");
    auto* fdiag = Named<TStyleSwatch>(picker, "SbsFDiag");
    auto* diagCross = Named<TStyleSwatch>(picker, "SbsDiagCross");
    EXPECT_EQ(horz->y(), cross->y());
    EXPECT_LT(horz->x(), cross->x());
    EXPECT_GT(fdiag->y(), horz->y());
    EXPECT_EQ(fdiag->x(), horz->x());
    EXPECT_EQ(diagCross->x(), cross->x());

    // A horizontal hatch has a row of hatch colour and one without any; a
    // vertical one the same in columns; the forward diagonal runs "\".
    const QImage h = horz->grab().toImage();
    const QImage v = Named<TStyleSwatch>(picker, "SbsVert")->grab().toImage();
    const QImage f = fdiag->grab().toImage();
    auto red = [](const QImage& image, int x, int y) { return image.pixelColor(x, y) == QColor(255, 0, 0); };
    int fullRows = 0, emptyRows = 0;
    for (int y = 8; y < 40; ++y) {
        int redCount = 0;
        for (int x = 8; x < 40; ++x) redCount += red(h, x, y) ? 1 : 0;
        fullRows += redCount == 32 ? 1 : 0;
        emptyRows += redCount == 0 ? 1 : 0;
    }
    EXPECT_GT(fullRows, 0);
    EXPECT_GT(emptyRows, 0);
    int fullColumns = 0;
    for (int x = 8; x < 40; ++x) {
        int redCount = 0;
        for (int y = 8; y < 40; ++y) redCount += red(v, x, y) ? 1 : 0;
        fullColumns += redCount == 32 ? 1 : 0;
    }
    EXPECT_GT(fullColumns, 0);
    bool falling = false;
    for (int x = 8; x < 32 && !falling; ++x)
        falling = red(f, x, 16) && red(f, x + 1, 17) && red(f, x + 2, 18) && !red(f, x + 1, 15);
    EXPECT_TRUE(falling);
}

TEST_F(HatchPickerTest, EveryHatchCodeRoundTrips)
{
    for (const THatchCase& c : kHatchCases) {
        SCOPED_TRACE(c.Name);
        // Open on another pattern, so that the pick is what changes it.
        const std::uint32_t other = (c.Hatch + 1) % 6;
        THatchStyleDlg picker(nullptr);
        picker.SetHatchStyle(HatchToBrushStyle(other));
        picker.show();
        EXPECT_EQ(OutlinedSamples(picker).size(), 1u);
        Click(Named<TStyleSwatch>(picker, c.SampleName));
        EXPECT_EQ(OutlinedSamples(picker), std::vector<std::string>{c.SampleName});
        Click(Named(picker, "Button1"));
        EXPECT_EQ(picker.result(), QDialog::Accepted);
        EXPECT_EQ(BrushStyleToHatch(picker.GetHatchStyle()), c.Hatch);
    }
}

TEST_F(HatchPickerTest, CurrentPatternIsMarked)
{
    THatchStyleDlg picker(nullptr);
    picker.SetHatchStyle(HatchToBrushStyle(HS_HORIZONTAL));
    picker.show();
    EXPECT_EQ(OutlinedSamples(picker), std::vector<std::string>{"SbsHorz"});
    Click(Named<TStyleSwatch>(picker, "SbsCross"));
    Click(Named(picker, "Button1"));
    EXPECT_EQ(BrushStyleToHatch(picker.GetHatchStyle()), HS_CROSS);
}

TEST_F(HatchPickerTest, StyleWithoutSampleMarksNone)
{
    THatchStyleDlg picker(nullptr);
    picker.SetHatchStyle(bsSolid);
    picker.show();
    EXPECT_TRUE(OutlinedSamples(picker).empty());
    Click(Named(picker, "Button1"));
    EXPECT_EQ(picker.GetHatchStyle(), bsSolid);
}

TEST_F(HatchPickerTest, ColorButtonRecoloursEverySampleOnlyOnOk)
{
    THatchStyleDlg picker(nullptr);
    picker.SetHatchColor(RGB(1, 2, 3));
    picker.show();
    Recorded->ColorAnswers = {std::nullopt, QColor(0, 0, 255)};
    Click(Named(picker, "ColorBtn"));
    EXPECT_EQ(picker.GetHatchColor(), RGB(1, 2, 3));
    Click(Named(picker, "ColorBtn"));
    EXPECT_EQ(picker.GetHatchColor(), RGB(0, 0, 255));
    ASSERT_EQ(Recorded->ColorInitials.size(), 2u);
    EXPECT_EQ(Recorded->ColorInitials[0], QColor(1, 2, 3));
    // The colour the dialog started from is offered as the first custom colour.
    EXPECT_EQ(QColorDialog::customColor(0).rgb(), QColor(1, 2, 3).rgb());
    for (const char* name : kSampleNames) EXPECT_EQ(Named<TStyleSwatch>(picker, name)->Color(), QColor(0, 0, 255));
}

TEST_F(HatchPickerTest, CancelClosesWithCancel)
{
    THatchStyleDlg picker(nullptr);
    picker.SetHatchStyle(bsVertical);
    picker.show();
    Click(Named<TStyleSwatch>(picker, "SbsDiagCross"));
    Click(Named(picker, "Button2"));
    EXPECT_EQ(picker.result(), QDialog::Rejected);
}
