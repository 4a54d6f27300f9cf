// The main window: map modes over several map windows, the application
// messages, opening files, the commands' enabling and hints, and the
// settings.
#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "DialogDriving.h"
#include "LumivarFixture.h"
#include "WaitCursorProbe.h"
#include "geodata/IdrisiRST.h"
#include "geodata/QMLayers.h"
#include "platform/qt/AppEvents.h"
#include "platform/qt/ScreenCursors.h"
#include "viewer/ABOUT.h"
#include "viewer/MFrame.h"
#include "viewer/QMMap2Unit.h"
#include "viewer/QMMapDoc.h"
#include "viewer/QMMapView.h"
#include "viewer/QMVMAIN.h"
#include "viewer/SettingsDialog.h"

using namespace lumivartest;

namespace {

class MainWindow : public TLumivarTest {
protected:
    void SetUp() override
    {
        TLumivarTest::SetUp();
        Form = std::make_unique<TQMVForm>(QStringList());
        Form->resize(1000, 700);
        Form->show();
    }
    void TearDown() override
    {
        Form.reset();
        TLumivarTest::TearDown();
    }

    bool Checked(const char* action) const { return Form->FormAction(QString::fromLatin1(action))->isChecked(); }
    bool Enabled(const char* action) const { return Form->FormAction(QString::fromLatin1(action))->isEnabled(); }
    std::vector<TViewMode> ViewModes() const
    {
        std::vector<TViewMode> modes;
        for (TQMMap2* child : Form->Children()) modes.push_back(child->Frame().MapView().GetViewMode());
        return modes;
    }
    // What the application's message hook says: true when handled.
    bool Send(int number) const
    {
        QEvent message(AppMessageType(number));
        return Form->AppMessage(message);
    }
    void CloseAll()
    {
        for (TQMMap2* child : Form->Children()) child->close();
        QCoreApplication::processEvents();
    }

    std::unique_ptr<TQMVForm> Form;
};

using Modes = std::vector<TViewMode>;

} // namespace

TEST_F(MainWindow, ModeTogglesActOnEveryMapWindow)
{
    Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    Form->OpenLayerFile(QString::fromStdString(Raster("b")));
    ASSERT_EQ(Form->Children().size(), 2);

    Form->FormAction("ZoomState")->trigger();
    EXPECT_EQ(Form->GetMapMode(), TViewMode::Zoom);
    EXPECT_TRUE(Checked("ZoomState"));
    EXPECT_EQ(ViewModes(), Modes({TViewMode::Zoom, TViewMode::Zoom}));

    Form->FormAction("Pan")->trigger();
    EXPECT_EQ(Form->GetMapMode(), TViewMode::Pan);
    EXPECT_TRUE(Checked("Pan"));
    EXPECT_FALSE(Checked("ZoomState"));
    EXPECT_EQ(ViewModes(), Modes({TViewMode::Pan, TViewMode::Pan}));

    Form->FormAction("Pan")->trigger();
    EXPECT_EQ(Form->GetMapMode(), TViewMode::None);
    EXPECT_FALSE(Checked("Pan"));
    EXPECT_FALSE(Checked("ZoomState"));
    EXPECT_FALSE(Checked("ZState"));
    EXPECT_EQ(ViewModes(), Modes({TViewMode::None, TViewMode::None}));
    EXPECT_TRUE(Recorded->Messages.empty());
}

TEST_F(MainWindow, ClosingEveryMapWindowResetsTheMode)
{
    Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    Form->OpenLayerFile(QString::fromStdString(Raster("b")));
    Form->ZStateExecute();
    EXPECT_TRUE(Checked("ZState"));
    CloseAll();
    EXPECT_TRUE(Form->Children().isEmpty());
    EXPECT_EQ(Form->GetMapMode(), TViewMode::None);
    EXPECT_FALSE(Checked("ZState"));
    EXPECT_FALSE(Enabled("ZState"));
    EXPECT_FALSE(Enabled("SaveMap"));

    // The next press turns the mode on again.
    Form->OpenLayerFile(QString::fromStdString(Raster("c")));
    Form->ZoomStateExecute();
    EXPECT_EQ(Form->GetMapMode(), TViewMode::Zoom);
    EXPECT_TRUE(Checked("ZoomState"));
}

TEST_F(MainWindow, ANewMapWindowStartsWithNoMode)
{
    Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    Form->ZoomStateExecute();
    TQMMap2* later = Form->OpenLayerFile(QString::fromStdString(Raster("b")));
    EXPECT_EQ(later->Frame().MapView().GetViewMode(), TViewMode::None);
    EXPECT_EQ(Form->GetMapMode(), TViewMode::Zoom);
    EXPECT_EQ(Form->FirstChild(), later);
}

TEST_F(MainWindow, PostedMessagesActOnlyOnceEventsAreProcessed)
{
    Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    PostAppMessage(WM_MAPZOOMSTATE);
    EXPECT_EQ(Form->GetMapMode(), TViewMode::None);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->GetMapMode(), TViewMode::Zoom);
    PostAppMessage(WM_MAPPAN);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->GetMapMode(), TViewMode::Pan);
    PostAppMessage(WM_MAPHINTS);
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->GetMapMode(), TViewMode::Hint);
}

TEST_F(MainWindow, OnlyTheMessagesItActsOnAreMarkedHandled)
{
    struct Row {
        int Number;
        bool Handled;
    };
    for (const Row row : {Row{WM_MAPZOOMSTATE, true}, Row{WM_MAPPAN, true}, Row{WM_MAPFULLSCREEN, true},
                          Row{WM_MAPNORMALSCREEN, false}, Row{WM_MAPHINTS, true}, Row{WM_MAPRASTERCHANGED, true},
                          Row{2024, false}, Row{2031, false}})
        EXPECT_EQ(Send(row.Number), row.Handled) << row.Number;
}

TEST_F(MainWindow, FullScreenMessageMaximisesTheWindows)
{
    TQMMap2* child = Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    const Qt::WindowStates before = child->windowState();
    Send(WM_MAPNORMALSCREEN);
    EXPECT_EQ(child->windowState(), before);
    Send(WM_MAPFULLSCREEN);
    EXPECT_TRUE(Form->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(child->windowState() & Qt::WindowMaximized);
}

TEST_F(MainWindow, RasterChangedRebuildsTheRasterLegendOfEveryFrame)
{
    const std::string a = Raster("a");
    const std::string b = Raster("b");
    QList<TQMMap2*> children = {Form->OpenLayerFile(QString::fromStdString(a)),
                                Form->OpenLayerFile(QString::fromStdString(b))};
    for (TQMMap2* child : children) {
        PageControl1(child->Frame())->setCurrentIndex(TQMMapFrame::kRasterValuesPage);
        LayersList(child->Frame())->setCurrentRow(0);
        EXPECT_TRUE(child->Frame().GetLegendRows().empty());
    }
    PostAppMessage(WM_MAPRASTERCHANGED);
    QCoreApplication::processEvents();
    EXPECT_EQ(children[0]->Frame().GetLegendLayerName().toStdString(), a);
    EXPECT_EQ(children[1]->Frame().GetLegendLayerName().toStdString(), b);
    for (TQMMap2* child : children) EXPECT_FALSE(child->Frame().GetLegendRows().empty());
}

TEST_F(MainWindow, ChildCommandsAreEnabledWhileAMapWindowIsOpen)
{
    const char* childActions[] = {"SaveMap", "SaveMapAs", "CloseMap", "Fit",   "Magnitude", "Diminish",
                                  "Redraw",  "ZoomState", "Pan",      "ZState", "SaveToFile"};
    const char* always[] = {"OpenMap", "OpenLayer", "FileExit1", "HelpAbout1", "Settings", "MapProperties",
                            "Rastello", "PaletteEd"};
    for (const char* name : childActions) EXPECT_FALSE(Enabled(name)) << name;
    for (const char* name : always) EXPECT_TRUE(Enabled(name)) << name;
    Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    for (const char* name : childActions) EXPECT_TRUE(Enabled(name)) << name;
    Form->FormAction("CloseMap")->trigger();
    QCoreApplication::processEvents();
    for (const char* name : childActions) EXPECT_FALSE(Enabled(name)) << name;
}

TEST_F(MainWindow, HintsSplitIntoToolTipAndStatusPanel)
{
    QAction* fit = Form->FormAction("Fit");
    EXPECT_EQ(fit->toolTip(), "Fit view");
    EXPECT_EQ(fit->statusTip(), "Adjust the magnification of a map so all elements are visible");
    EXPECT_EQ(Form->FormAction("ZState")->toolTip(), "Information");
    EXPECT_EQ(Form->FormAction("OpenLayer")->text(), "Open &Layer...");

    QStatusTipEvent tip(fit->statusTip());
    QCoreApplication::sendEvent(Form.get(), &tip);
    EXPECT_EQ(Form->StatusPanels().PanelText(0), fit->statusTip());
    for (int panel = 0; panel < 4; ++panel) EXPECT_TRUE(Form->StatusPanels().Panel(panel)->isVisible()) << panel;
}

TEST_F(MainWindow, CommandsGoToTheActiveMapWindow)
{
    TQMMap2* first = Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    TQMMap2* second = Form->OpenLayerFile(QString::fromStdString(Raster("b")));
    EXPECT_EQ(Form->FirstChild(), second);
    Form->MdiArea().setActiveSubWindow(first);
    EXPECT_EQ(Form->FirstChild(), first);

    const QString saved = Path("saved.qmc");
    Recorded->SaveAnswers.push_back(saved);
    Form->FormAction("SaveMapAs")->trigger();
    ASSERT_EQ(Recorded->SaveRequests.size(), 1u);
    EXPECT_EQ(Recorded->SaveRequests[0].DefaultSuffix, "qmc");
    EXPECT_EQ(Recorded->SaveRequests[0].Filter, "QM Composition Files (*.qmc *.QMC);;All Files (*)");
    const std::string text = Files.Read("saved.qmc");
    EXPECT_NE(text.find("a.rst"), std::string::npos) << text;
    EXPECT_EQ(text.find("b.rst"), std::string::npos) << text;

    Form->CloseMapExecute();
    QCoreApplication::processEvents();
    EXPECT_EQ(Form->Children(), QList<TQMMap2*>({second}));
}

namespace {

// The information tool's hint over the middle of the map window's raster.
QLabel* ShowHintIn(TQMMap2& child)
{
    LayersList(child.Frame())->setCurrentRow(0);
    TQMMapView& view = child.Frame().MapView();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.viewport()->rect().center());
    return view.HintWindow();
}

} // namespace

TEST_F(MainWindow, TheValueHintGoesWhenTheMapMovesOrItsWindowLosesTheFocus)
{
    TQMMap2* first = Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    TQMMap2* second = Form->OpenLayerFile(QString::fromStdString(Raster("b")));
    Form->FormAction("ZState")->trigger();
    struct Row {
        const char* Name;
        std::function<void()> Act;
    } rows[] = {
        {"fitted", [&] { Form->FormAction("Fit")->trigger(); }},
        {"zoomed out", [&] { Form->FormAction("Diminish")->trigger(); }},
        {"another map window active", [&] { Form->MdiArea().setActiveSubWindow(second); }},
        {"minimised", [&] { first->showMinimized(); }},
        {"moved", [&] { first->move(first->pos() + QPoint(15, 10)); }},
        {"the program deactivated",
         [&] {
             QEvent deactivate(QEvent::WindowDeactivate);
             QApplication::sendEvent(Form.get(), &deactivate);
         }},
    };
    for (const Row& row : rows) {
        first->showNormal();
        Form->MdiArea().setActiveSubWindow(first);
        QApplication::processEvents();
        ASSERT_NE(ShowHintIn(*first), nullptr) << row.Name;
        row.Act();
        QApplication::processEvents();
        EXPECT_EQ(first->Frame().MapView().HintWindow(), nullptr) << row.Name;
    }
    EXPECT_TRUE(Recorded->Messages.empty());
}

TEST_F(MainWindow, OpenErrorsAreShownAndTheWindowStays)
{
    const std::string plain = Files.Write("plain.qmc", "[file1]\r\nname=a.rst\r\n");
    TQMMap2* child = Form->OpenCompositionFile(QString::fromStdString(plain));
    ASSERT_EQ(Recorded->Messages.size(), 1u);
    EXPECT_EQ(Recorded->Messages[0].Caption, "Error");
    EXPECT_EQ(Recorded->Messages[0].Text.toStdString(), "File " + plain + " is not Lumivar composition.");
    EXPECT_EQ(Form->Children(), QList<TQMMap2*>({child}));

    Raster("a");
    const std::string broken = Composition("broken.qmc", {"a.rst", "missing.vct"});
    TQMMap2* second = Form->OpenCompositionFile(QString::fromStdString(broken));
    ASSERT_EQ(Recorded->Messages.size(), 2u);
    EXPECT_EQ(Recorded->Messages[1].Caption, "Error");
    EXPECT_EQ(Recorded->Messages[1].Text.toStdString(),
              "Cannot open file " + Files.Path("missing.vdc") + ": No such file or directory");
    // Nothing of the broken composition stays.
    EXPECT_EQ(second->Frame().Document().LayerCount(), 0);
    EXPECT_EQ(LayersList(second->Frame())->count(), 0);
    second->close(); // rows and document agree, so closing finds nothing amiss
    QCoreApplication::processEvents();
    EXPECT_EQ(Recorded->Messages.size(), 2u);
}

// Opening, adding and saving show the wait cursor from the command to its
// end, but never while a dialog or box waits for the user, and it goes
// however the command ends.
TEST_F(MainWindow, TheWaitCursorShowsWhileFilesAreReadOrWrittenAndNeverWhileTheUserIsAsked)
{
    Raster("a");
    const QString layer = QString::fromStdString(Raster("b"));
    const QString broken = QString::fromStdString(Composition("broken.qmc", {"a.rst", "missing.vct"}));
    const QString map = QString::fromStdString(Composition("map.qmc", {"a.rst"}));
    const auto frameAction = [this](const char* name) {
        return Form->FirstChild()->Frame().findChild<QAction*>(QString::fromLatin1(name));
    };
    struct Row {
        const char* Name;
        std::function<void()> Command;
        bool Reads;
        int Boxes;
    };
    const Row rows[] = {
        {"open layer", [&] { Recorded->OpenAnswers = {layer}; Form->FormAction("OpenLayer")->trigger(); }, true, 0},
        {"open composition that fails", [&] { Form->OpenCompositionFile(broken); }, true, 1},
        {"add composition", [&] { Recorded->OpenAnswers = {map}; frameAction("AddComposition")->trigger(); }, true, 0},
        {"add layer cancelled", [&] { frameAction("AddLayer")->trigger(); }, false, 0},
        {"add layer twice", [&] { Recorded->OpenAnswers = {layer}; frameAction("AddLayer")->trigger(); }, true, 0},
        {"save composition", [&] { Recorded->SaveAnswers = {Path("saved.qmc")}; Form->FormAction("SaveMap")->trigger(); },
         false, 0},
        {"save to file", [&] { Recorded->SaveAnswers = {Path("view.bmp")}; Form->FormAction("SaveToFile")->trigger(); },
         false, 0},
    };
    for (const Row& row : rows) {
        TWaitCursorProbe probe;
        Recorded->Messages.clear();
        row.Command();
        EXPECT_EQ(!probe.ShownAtReads.isEmpty(), row.Reads) << row.Name;
        EXPECT_FALSE(probe.ShownAtReads.contains(false)) << row.Name;
        EXPECT_EQ(static_cast<int>(Recorded->Messages.size()), row.Boxes) << row.Name;
        EXPECT_EQ(Recorded->AskedWhileBusy, 0) << row.Name;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << row.Name;
    }
    EXPECT_TRUE(QFile::exists(Path("saved.qmc")));
    EXPECT_TRUE(QFile::exists(Path("view.bmp")));
}

TEST_F(MainWindow, TheCommandLineFileOpensAtTheFirstActivationOnly)
{
    Raster("a");
    Idrisi("f");
    const std::string qmc = Composition("MAP.QMC", {"a.rst", "f.vct"});
    TQMVForm form({QString::fromStdString(qmc)});
    EXPECT_EQ(form.GetPendingFile().toStdString(), qmc);
    form.FormActivate();
    ASSERT_EQ(form.Children().size(), 1);
    EXPECT_EQ(LayersList(form.FirstChild()->Frame())->count(), 2); // a composition, extension in capitals
    form.FormActivate();
    EXPECT_EQ(form.Children().size(), 1);
    EXPECT_TRUE(Recorded->Messages.empty());
}

TEST_F(MainWindow, SiblingProgramsStartFromTheProgramFolder)
{
    Form->FormAction("Rastello")->trigger();
    Form->FormAction("PaletteEd")->trigger();
    // The calculator's file is "rastello" when it has been built beside us;
    // a missing palette editor keeps its name and simply does not start.
    const QString folder = QCoreApplication::applicationDirPath() + "/";
    const QString rastello = QFile::exists(folder + "rastello") ? "rastello" : "Rastello";
    EXPECT_EQ(Recorded->StartedPrograms, QStringList({folder + rastello, folder + "Tintbox"}));
}

TEST_F(MainWindow, OpenLayerAsksWithTheLayerFilter)
{
    Recorded->OpenAnswers.push_back(QString::fromStdString(Mif("roads")));
    Form->FormAction("OpenLayer")->trigger();
    ASSERT_EQ(Recorded->OpenRequests.size(), 1u);
    EXPECT_EQ(Recorded->OpenRequests[0].Filter,
              "Idrisi rastr files (*.rst *.RST);;Mapinfo files (*.mif *.MIF);;Idrisi vector files (*.vct *.VCT)");
    ASSERT_EQ(Form->Children().size(), 1);
    EXPECT_EQ(LayersList(Form->FirstChild()->Frame())->count(), 1);
    Form->FormAction("OpenLayer")->trigger(); // cancelled
    EXPECT_EQ(Form->Children().size(), 1);
}

TEST_F(MainWindow, FileDialogsStartInTheRootFolderThenWhereTheUserChose)
{
    const QString folder = QDir::cleanPath(Path(""));
    const QString root = Path("root");
    QDir().mkpath(root);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quillmere", "Lumivar")
        .setValue("Settings/CommonRoot", root + "/");
    TQMVForm form({});
    const auto lastOpen = [this]() { return Recorded->OpenRequests.back().Folder; };
    const auto lastSave = [this]() { return Recorded->SaveRequests.back(); };

    Raster("a");
    Recorded->OpenAnswers = {QString::fromStdString(Composition("m.qmc", {"a.rst"}))};
    form.OpenMapExecute();
    EXPECT_EQ(lastOpen(), root);
    form.SaveMapExecute(); // cancelled
    EXPECT_EQ(lastSave().Folder, folder) << "the composition's folder";
    EXPECT_EQ(lastSave().FileName, "m.qmc") << "and its name";

    Recorded->OpenAnswers = {QString::fromStdString(Raster("b"))};
    form.OpenLayerExecute();
    EXPECT_EQ(lastOpen(), root) << "the layer dialog remembers for itself";
    form.SaveMapExecute();
    EXPECT_EQ(lastSave().Folder, folder) << "the layer's folder";
    EXPECT_TRUE(lastSave().FileName.isEmpty()) << "a layer's window has no composition name";
    form.FirstChild()->Frame().SaveMapImage();
    EXPECT_EQ(lastSave().Folder, folder);

    // The frame's own open commands are the same dialogs.
    form.FirstChild()->Frame().FrameAction("AddLayer")->trigger();
    EXPECT_EQ(lastOpen(), folder);
    form.FirstChild()->Frame().FrameAction("AddComposition")->trigger();
    EXPECT_EQ(lastOpen(), folder);
}

TEST_F(MainWindow, TheDefaultPalettePickerStartsInThePaletteFolderJustChosen)
{
    const QString palettes = Path("palettes");
    QDir().mkpath(palettes);
    TSettingsDlg dialog;
    dialog.Settings.DefPalette = "Quillmere.qmp";
    dialog.FormShow();
    Recorded->FolderAnswers.push_back(palettes);
    dialog.ValueListEditor1EditButtonClick(1);
    dialog.ValueListEditor1EditButtonClick(2);
    ASSERT_EQ(Recorded->OpenRequests.size(), 1u);
    EXPECT_EQ(Recorded->OpenRequests[0].Folder, palettes);
    EXPECT_EQ(Recorded->OpenRequests[0].FileName, "Quillmere.qmp");
}

TEST_F(MainWindow, TheMapWindowsAreaScrollsToAWindowOutsideIt)
{
    TQMMap2* child = Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    QMdiArea& area = Form->MdiArea();
    child->move(0, 0);
    QCoreApplication::processEvents();
    EXPECT_FALSE(area.horizontalScrollBar()->isVisible());
    child->move(area.viewport()->width() - 100, area.viewport()->height() - 50);
    QCoreApplication::processEvents();
    EXPECT_TRUE(area.horizontalScrollBar()->isVisible());
    EXPECT_TRUE(area.verticalScrollBar()->isVisible());
    EXPECT_GT(area.horizontalScrollBar()->maximum(), 0);
}

// ---------------------------------------------------------------------------
// Settings

namespace {

QVariant StoredSetting(const char* name)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Quillmere", "Lumivar");
    return settings.value(QStringLiteral("Settings/") + name);
}

} // namespace

TEST_F(MainWindow, MissingSettingsReadAsTheirDefaults)
{
    EXPECT_EQ(Form->GetViewerSettings().DefPalette, "Quillmere.qmp");
    EXPECT_EQ(Form->GetViewerSettings().CommonRoot, "");
    EXPECT_EQ(Form->GetViewerSettings().SymbolFolder, "");
}

// A palette folder that does not hold the palette named by the settings or
// by a composition: the raster opens with the default palette, as it does
// without a folder.
TEST_F(MainWindow, APaletteFolderWithoutThePaletteLeavesRastersWithTheDefaultPalette)
{
    const std::string raster = Raster("terrain");
    const std::string qmc = Composition("map.qmc", {"terrain.rst\r\npalette=Quillmere.qmp"});
    TIdrisiRST expected;
    expected.Open(raster, "", true); // the default palette beside the program
    Files.Write("symbols/readme.txt", "no palettes here");
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Quillmere", "Lumivar");
        settings.setValue("Settings/SymbolFolder", QString::fromStdString(Files.Folder() + "symbols/"));
    }
    Form->ReadSettings();
    for (TQMMap2* child : {Form->OpenLayerFile(QString::fromStdString(raster)),
                           Form->OpenCompositionFile(QString::fromStdString(qmc))}) {
        const TQMMapDoc& doc = child->Frame().Document();
        ASSERT_EQ(doc.LayerCount(), 1);
        const TIdrisiRST& opened = *doc.Layers().Items(0)->Raster->Image;
        EXPECT_EQ(opened.GetBitmapInfo()->bmiColors, expected.GetBitmapInfo()->bmiColors);
    }
    for (const TRecordedMessage& message : Recorded->Messages) ADD_FAILURE() << message.Text.toStdString();
}

TEST_F(MainWindow, SettingsPickedAndConfirmedAreWrittenWithATrailingSeparator)
{
    Form->SetDialogRunner([this](QDialog& dialog) {
        auto& settings = dynamic_cast<TSettingsDlg&>(dialog);
        settings.show();
        EXPECT_EQ(settings.RowCount(), 3);
        Recorded->FolderAnswers.push_back("/maps/root");
        Recorded->FolderAnswers.push_back("/maps/palettes/");
        Recorded->OpenAnswers.push_back("/elsewhere/terrain.qmp");
        for (int row = 0; row < 3; ++row) settings.ValueListEditor1EditButtonClick(row);
        EXPECT_EQ(settings.RowValue(0), "/maps/root/");
        EXPECT_EQ(settings.RowValue(2), "terrain.qmp");
        return int(QDialog::Accepted);
    });
    Form->SettingsExecute();
    EXPECT_EQ(Recorded->FolderCaptions, QStringList({"Please select root folder for maps",
                                                     "Please select folder with palette and symbol files"}));
    EXPECT_EQ(Form->GetViewerSettings().CommonRoot, "/maps/root/");
    EXPECT_EQ(Form->GetViewerSettings().SymbolFolder, "/maps/palettes/");
    EXPECT_EQ(Form->GetViewerSettings().DefPalette, "terrain.qmp");
    EXPECT_EQ(StoredSetting("CommonRoot").toString(), "/maps/root/");
    EXPECT_EQ(StoredSetting("SymbolFolder").toString(), "/maps/palettes/");
    EXPECT_EQ(StoredSetting("DefPalette").toString(), "terrain.qmp");

    // A window made afterwards reads the new settings; the stored ones come
    // back in a new main window.
    TQMVForm again({});
    EXPECT_EQ(again.GetViewerSettings().CommonRoot, "/maps/root/");
}

TEST_F(MainWindow, CancelledSettingsWriteNothing)
{
    Form->SetDialogRunner([this](QDialog& dialog) {
        auto& settings = dynamic_cast<TSettingsDlg&>(dialog);
        settings.FormShow();
        Recorded->FolderAnswers.push_back("/maps/root");
        settings.ValueListEditor1EditButtonClick(0);
        return int(QDialog::Rejected);
    });
    Form->SettingsExecute();
    EXPECT_EQ(Form->GetViewerSettings().CommonRoot, "");
    EXPECT_FALSE(StoredSetting("CommonRoot").isValid());
    EXPECT_FALSE(StoredSetting("DefPalette").isValid());
}

TEST_F(MainWindow, ACancelledPickerChangesNoValue)
{
    TSettingsDlg dialog;
    dialog.Settings.CommonRoot = "/maps/";
    dialog.FormShow();
    dialog.ValueListEditor1EditButtonClick(0); // no answer: cancelled
    dialog.ValueListEditor1EditButtonClick(2);
    EXPECT_EQ(dialog.Settings.CommonRoot, "/maps/");
    EXPECT_EQ(dialog.RowValue(0), "/maps/");
    EXPECT_EQ(dialog.RowKey(1), "Palette/Symbol Folder");
    ASSERT_EQ(Recorded->OpenRequests.size(), 1u);
    EXPECT_EQ(Recorded->OpenRequests[0].Filter, "Palette files (*.qmp *.QMP)");
}

TEST_F(MainWindow, DialogsOfTheToolsAndHelpMenusRunModally)
{
    QStringList titles;
    Form->SetDialogRunner([&titles](QDialog& dialog) {
        titles << dialog.windowTitle();
        return int(QDialog::Accepted);
    });
    TAboutBox about(Form.get());
    Form->SetAboutBox(&about);
    Form->FormAction("MapProperties")->trigger();
    Form->FormAction("HelpAbout1")->trigger();
    EXPECT_EQ(titles, QStringList({"Map Properties", "About"}));
}

TEST_F(MainWindow, OwnCursorsFillScreenSlotsOneToFourAndReachTheViews)
{
    const QPoint hotSpots[] = {{15, 15}, {15, 15}, {12, 12}, {12, 12}};
    for (int slot = 1; slot <= 4; ++slot) {
        const QCursor cursor = ScreenCursor(slot);
        EXPECT_EQ(cursor.shape(), Qt::BitmapCursor) << slot;
        EXPECT_EQ(cursor.pixmap().size(), QSize(32, 32)) << slot;
        EXPECT_EQ(cursor.hotSpot(), hotSpots[slot - 1]) << slot;
    }
    EXPECT_EQ(ScreenCursor(5).shape(), Qt::ArrowCursor);

    TQMMap2* child = Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    Form->ZoomStateExecute();
    const QCursor shown = child->Frame().MapView().viewport()->cursor();
    EXPECT_EQ(shown.pixmap().toImage(), ScreenCursor(3).pixmap().toImage());
}

TEST_F(MainWindow, RasterPropertiesRebuildTheRasterLegend)
{
    TQMMap2* child = Form->OpenLayerFile(QString::fromStdString(Raster("a")));
    TQMMapFrame& frame = child->Frame();
    LayersList(frame)->setCurrentRow(0);
    PageControl1(frame)->setCurrentIndex(TQMMapFrame::kRasterValuesPage);
    QCoreApplication::processEvents();
    auto texts = [&frame]() {
        std::vector<std::string> rows;
        for (const TColorValue& row : frame.GetLegendRows()) rows.push_back(row.Text);
        return rows;
    };
    const std::vector<std::string> before = texts();
    ASSERT_FALSE(before.empty());
    dialogtest::WhenModalShows([](QWidget* dialog) {
        dialogtest::Type(dialogtest::Named<QLineEdit>(*dialog, "MaxDspVal"), "2");
        dialogtest::Click(dialogtest::Named(*dialog, "OKBtn"));
    });
    frame.FrameAction(QStringLiteral("LProperities"))->trigger();
    QCoreApplication::processEvents();
    EXPECT_NE(texts(), before);
    EXPECT_TRUE(Recorded->Messages.empty());
}
