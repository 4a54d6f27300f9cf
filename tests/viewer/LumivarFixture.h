#pragma once
// What the window tests of Lumivar share: the recording dialogs, settings
// kept in a scratch folder, and small Albers layers and compositions.
#include <QApplication>
#include <QListWidget>
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
inline QListWidget* LayersList(const QWidget& frame) { return dialogtest::Named<QListWidget>(frame, "LayersList"); }
inline TDrawGrid* GR_legend(const QWidget& frame) { return dialogtest::Named<TDrawGrid>(frame, "GR_legend"); }
inline TDrawGrid* RSTR_legend(const QWidget& frame) { return dialogtest::Named<TDrawGrid>(frame, "RSTR_legend"); }
inline QSplitter* Splitter1(const QWidget& frame) { return dialogtest::Named<QSplitter>(frame, "Splitter1"); }

} // namespace lumivartest
