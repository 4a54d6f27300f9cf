#pragma once
// What the window tests of Lumivar share: the recording dialogs, settings
// kept in a scratch folder, and small Albers layers and compositions.
#include <QApplication>
#include <QListView>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "DialogDriving.h"
#include "MapFiles.h"
#include "RecordingUi.h"
#include "viewer/DrawGrid.h"

namespace lumivartest {

constexpr double kWest = 5400000;
constexpr double kSouth = 7300000;

class TLumivarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::tie(Recorded, UiGuard) = RecordingUi::Install();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(Files.Folder() + "settings"));
        Files.WritePalette("grey.qmp");
    }
    void TearDown() override { QApplication::processEvents(); }

    std::string Raster(const std::string& name) const
    {
        return Files.WriteRaster(name, "alber-rus", "m", kWest, kWest + 30000, kSouth, kSouth + 20000);
    }
    std::string Idrisi(const std::string& name) const
    {
        return Files.WriteIdrisiPolygons(name, "alber-rus", "m", {{kWest, kSouth, 50000}});
    }
    std::string Mif(const std::string& name) const
    {
        return Files.WriteMif(name, TMapFolder::Region(kWest, kSouth, 1000, 0x00FF00));
    }
    // A composition of the given layer sections ("name=..." lines each),
    // with extra text after them.
    std::string Composition(const std::string& name, const std::vector<std::string>& layerNames,
                            const std::string& extra = "") const
    {
        std::string text = "[qmc]\r\nver=1\r\n";
        for (std::size_t i = 0; i < layerNames.size(); ++i)
            text += "[file" + std::to_string(i + 1) + "]\r\nname=" + layerNames[i] + "\r\n";
        return Files.Write(name, text + extra);
    }
    QString Path(const std::string& name) const { return QString::fromStdString(Files.Path(name)); }

    TMapFolder Files;
    RecordingUi* Recorded = nullptr;
    std::unique_ptr<RecordingUi::Guard> UiGuard;
};

// The map frame's parts, found by the object names its layout gives them.
inline QWidget* CtrlPanel(const QWidget& frame) { return dialogtest::Named<QWidget>(frame, "CtrlPanel"); }
inline QTabWidget* PageControl1(const QWidget& frame) { return dialogtest::Named<QTabWidget>(frame, "PageControl1"); }

// A row of the layer check-list, read and checked through its model as the
// view shows it and as a click on the box sets it.
class TLayerRow {
public:
    TLayerRow(QAbstractItemModel& model, int row) : Index(model.index(row, 0)) {}
    const TLayerRow* operator->() const { return this; }
    QString text() const { return Index.data(Qt::DisplayRole).toString(); }
    Qt::CheckState checkState() const { return Index.data(Qt::CheckStateRole).value<Qt::CheckState>(); }
    void setCheckState(Qt::CheckState state) const
    {
        const_cast<QAbstractItemModel*>(Index.model())->setData(Index, state, Qt::CheckStateRole);
    }

private:
    QPersistentModelIndex Index;
};

// The layer check-list, driven as the user drives it.
class TLayerRows {
public:
    explicit TLayerRows(QListView& view) : View(view) {}
    const TLayerRows* operator->() const { return this; }
    int count() const { return View.model() ? View.model()->rowCount() : 0; }
    TLayerRow item(int row) const { return TLayerRow(*View.model(), row); }
    void setCurrentRow(int row) const { View.setCurrentIndex(View.model()->index(row, 0)); }
    int currentRow() const { return View.currentIndex().row(); }
    void clearSelection() const { View.clearSelection(); }
    QModelIndexList selectedItems() const { return View.selectionModel()->selectedRows(); }

private:
    QListView& View;
};

inline TLayerRows LayersList(const QWidget& frame)
{
    return TLayerRows(*dialogtest::Named<QListView>(frame, "LayersList"));
}
inline TDrawGrid* GR_legend(const QWidget& frame) { return dialogtest::Named<TDrawGrid>(frame, "GR_legend"); }
inline TDrawGrid* RSTR_legend(const QWidget& frame) { return dialogtest::Named<TDrawGrid>(frame, "RSTR_legend"); }
inline QSplitter* Splitter1(const QWidget& frame) { return dialogtest::Named<QSplitter>(frame, "Splitter1"); }

} // namespace lumivartest
