#pragma once
// What the window tests of Lumivar share: the recording dialogs, settings
// kept in a scratch folder, and small Albers layers and compositions.
#include <QApplication>
#include <QSettings>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "MapFiles.h"
#include "RecordingUi.h"

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

} // namespace lumivartest
