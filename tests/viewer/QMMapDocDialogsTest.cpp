#include <QComboBox>
#include <QDialog>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "DialogDriving.h"
#include "MapFiles.h"
#include "RecordingUi.h"
#include "geodata/IdrisiRST.h"
#include "geodata/QMLayers.h"
#include "viewer/LRPropDialog.h"
#include "viewer/LVPropDialog.h"
#include "viewer/QMMapDoc.h"
#include "viewer/QMMapDocDialogs.h"

using namespace dialogtest;

namespace {

// A widget that counts its paints, standing in for the map view.
class TPaintCounter : public QWidget {
public:
    int Paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++Paints; }
};

class LayerPropertiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::tie(Recorded, UiGuard) = RecordingUi::Install();
        View.resize(40, 40);
        View.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&View));
    }

    // A polygon layer with a solid custom style, drawn in its own styles.
    Layer& AreaLayer()
    {
        auto layer = std::make_shared<Layer>();
        InitLayer(*layer);
        layer->Kind = lkVector;
        layer->Owned = 1;
        layer->FileName = Files.Path("parcels.vct");
        layer->Vector = std::make_unique<VectorLayer>();
        InitVectorLayer(*layer->Vector);
        VectorLayer& v = *layer->Vector;
        v.DefaultKind = 3;
        v.DefaultArea.Brush = TLogBrush{BS_SOLID, RGB(0, 0, 255), 0};
        v.DefaultArea.Outline = TLogPen{PS_SOLID, TPoint{1, 0}, 0};
        v.CustomArea = v.DefaultArea;
        v.CustomOpacity = 255;
        v.Objects.resize(2);
        Doc.Layers().InsertFirst(layer);
        return *layer;
    }

    // Answers the next modal dialog: `edit` works on it, then `button` is
    // clicked.
    void Answer(const char* button, std::function<void(QWidget&)> edit = {})
    {
        WhenModalShows([this, button, edit](QWidget* modal) {
            DialogOwner = modal->parentWidget();
            if (edit) edit(*modal);
            Click(Named(*modal, button));
        });
    }
    bool Edit(const std::string& path) { return EditLayerProperties(Doc, path, &Owner, &View); }
    int PaintsAfterEvents()
    {
        QApplication::processEvents();
        return View.Paints;
    }

    TMapFolder Files;
    QWidget Owner;
    QWidget* DialogOwner = nullptr;
    TPaintCounter View;
    TQMMapDoc Doc;
    RecordingUi* Recorded = nullptr;
    std::unique_ptr<RecordingUi::Guard> UiGuard;
};

} // namespace

TEST_F(LayerPropertiesTest, CustomAreaStyleIsStoredWithItsKind)
{
    Layer& layer = AreaLayer();
    const int paints = PaintsAfterEvents();
    Answer("OKbtn", [](QWidget& dialog) {
        Named<QRadioButton>(dialog, "DrawParams")->click();
        Type(Named<QLineEdit>(dialog, "Transparency"), "100");
    });
    // Paths compare without regard to case.
    EXPECT_TRUE(Edit(QString::fromStdString(layer.FileName).toUpper().toStdString()));
    EXPECT_EQ(DialogOwner, &Owner);
    const VectorLayer& v = *layer.Vector;
    EXPECT_EQ(v.UseCustom, 1);
    EXPECT_EQ(v.CustomOpacity, 100);
    EXPECT_EQ(v.CustomArea.Brush.lbColor, RGB(0, 0, 255));
    EXPECT_EQ(v.CustomKind, 3);
    EXPECT_GT(PaintsAfterEvents(), paints);
}

TEST_F(LayerPropertiesTest, DefaultParametersKeepTheCustomStyleStored)
{
    Layer& layer = AreaLayer();
    layer.Vector->UseCustom = 1;
    layer.Vector->CustomOpacity = 77;
    Answer("OKbtn", [](QWidget& dialog) { Named<QRadioButton>(dialog, "DrawDefault")->click(); });
    EXPECT_TRUE(Edit(layer.FileName));
    EXPECT_EQ(layer.Vector->UseCustom, 0);
    EXPECT_EQ(layer.Vector->CustomOpacity, 77);
}

TEST_F(LayerPropertiesTest, CancelKeepsTheLayer)
{
    Layer& layer = AreaLayer();
    Answer("Button2", [](QWidget& dialog) {
        Named<QRadioButton>(dialog, "DrawParams")->click();
        Type(Named<QLineEdit>(dialog, "Transparency"), "3");
    });
    EXPECT_FALSE(Edit(layer.FileName));
    EXPECT_EQ(layer.Vector->UseCustom, 0);
    EXPECT_EQ(layer.Vector->CustomOpacity, 255);
    EXPECT_EQ(layer.Vector->CustomKind, 0);
}

TEST_F(LayerPropertiesTest, LayerWithoutStyleKindWritesNothing)
{
    Layer& layer = AreaLayer();
    layer.Vector->DefaultKind = 0;
    Answer("OKbtn");
    EXPECT_TRUE(Edit(layer.FileName));
    EXPECT_EQ(layer.Vector->CustomKind, 0);
    EXPECT_EQ(layer.Vector->UseCustom, 0);
}

TEST_F(LayerPropertiesTest, RasterDialogAppliesOnClose)
{
    Files.Write("grey.qmp", std::string(5 + 768, '\x40'));
    const std::string path = Files.WriteRaster("dem", "plane", "m", 0, 3, 0, 2);
    Doc.Layers().AddRasterLayer(path, Files.Path("grey.qmp"), true, true, 1);
    Answer("OKBtn", [](QWidget& dialog) { Type(Named<QLineEdit>(dialog, "MaxDspVal"), "3"); });
    EXPECT_TRUE(Edit(path));
    EXPECT_EQ(DialogOwner, &Owner);
    EXPECT_EQ(Doc.LayerByName(path)->Raster->Image->GetDisplayMax(), 3);
}

TEST_F(LayerPropertiesTest, UnknownLayerOpensNothing)
{
    AreaLayer();
    EXPECT_FALSE(Edit(Files.Path("other.vct")));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
