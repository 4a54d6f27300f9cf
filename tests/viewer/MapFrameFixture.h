#pragma once
// A map frame set up as a child window sets it up, over the Lumivar test
// folder, with the checks its tests share.
#include <QAction>
#include <QStringList>
#include <memory>

#include "LumivarFixture.h"
#include "geodata/QMLayers.h"
#include "platform/FileNames.h"
#include "viewer/MFrame.h"
#include "viewer/QMMapDoc.h"

namespace lumivartest {

class MapFrame : public TLumivarTest {
protected:
    void SetUp() override
    {
        TLumivarTest::SetUp();
        MakeFrame();
    }
    // A fresh frame, set up as a child window sets up its own.
    void MakeFrame()
    {
        LumivarSettings settings;
        settings.SymbolFolder = Files.Folder();
        settings.DefPalette = "grey.qmp";
        Frame = std::make_unique<TQMMapFrame>();
        Frame->resize(800, 500);
        Frame->SetupFrame(Frame.get(), settings, nullptr);
    }
    void TearDown() override
    {
        Frame.reset();
        TLumivarTest::TearDown();
    }

    // Every row names its layer and carries its check, row i for layer i.
    void ExpectRowsMirrorDocument() const
    {
        const TQMMapDoc& doc = Frame->Document();
        ASSERT_EQ(LayersList(*Frame)->count(), doc.LayerCount());
        for (int i = 0; i < doc.LayerCount(); ++i) {
            const Layer& layer = *doc.Layers().Items(i);
            const TLayerRow item = LayersList(*Frame)->item(i);
            EXPECT_EQ(item->text().toStdString(), ExtractFileName(layer.FileName)) << "row " << i;
            EXPECT_EQ(item->checkState() == Qt::Checked, layer.Visible != 0) << "row " << i;
        }
        EXPECT_EQ(GR_legend(*Frame)->RowCount(), doc.LayerCount());
    }
    bool Enabled(const char* action) const { return Frame->FrameAction(QString::fromLatin1(action))->isEnabled(); }
    QStringList RowTexts() const
    {
        QStringList rows;
        for (int i = 0; i < LayersList(*Frame)->count(); ++i) rows << LayersList(*Frame)->item(i)->text();
        return rows;
    }
    void Select(int row) const { LayersList(*Frame)->setCurrentRow(row); }
    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const TRecordedMessage& m : Recorded->Messages) texts << m.Caption + ": " + m.Text;
        return texts;
    }
    void AddThreeLayers()
    {
        Frame->AddLayerFile(QString::fromStdString(Raster("terrain")));
        Frame->AddLayerFile(QString::fromStdString(Idrisi("fields")));
        Frame->AddLayerFile(QString::fromStdString(Mif("roads")));
    }

    std::unique_ptr<TQMMapFrame> Frame;
};

} // namespace lumivartest
