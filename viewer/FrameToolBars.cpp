#include "viewer/FrameToolBars.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QStyle>
#include <QToolBar>
#include <functional>

#include "platform/qt/AppEvents.h"
#include "platform/qt/BusyCursor.h"
#include "platform/qt/FormParts.h"
#include "viewer/MFrame.h"

namespace {

QToolBar* SmallIconBar(const QString& name)
{
    auto* bar = new QToolBar(name);
    bar->setIconSize(QSize(16, 16));
    return bar;
}

// One button of the layer tools: the action named `name`, captioned by its
// name as the layout has it, owned by the frame.
QAction* LayerButton(TQMMapFrame& frame, QToolBar& bar, const char* name, const char* hint,
                     QStyle::StandardPixmap icon, std::function<void()> handler)
{
    const QString id = QString::fromLatin1(name);
    QAction* action = MakeAction(&frame, &frame, id, id, QString::fromLatin1(hint), std::move(handler));
    action->setIcon(QApplication::style()->standardIcon(icon));
    bar.addAction(action);
    return action;
}

} // namespace

TLayerToolBars BuildLayerToolBars(TQMMapFrame& frame, const TFrameToolCommands& handlers)
{
    TLayerToolBars bars;
    bars.Row1 = SmallIconBar(QStringLiteral("ToolBar1"));
    bars.Row1->setObjectName(QStringLiteral("ToolBar1"));
    bars.Row2 = SmallIconBar(QStringLiteral("ToolBar1Row2"));
    bars.Row2->hide();
    QToolBar& bar = *bars.Row1;
    // Adding reads files: the wait cursor shows until the map is there.
    const auto busy = [](std::function<void()> command) {
        return [command = std::move(command)]() {
            TBusyCursor cursor;
            command();
        };
    };
    LayerButton(frame, bar, "AddLayer", "Add Layer...|Add Layer", QStyle::SP_FileIcon, busy(handlers.AddLayer));
    bar.addSeparator();
    LayerButton(frame, bar, "AddComposition", "Add Composition...|Add Composition", QStyle::SP_DirOpenIcon,
                busy(handlers.AddComposition));
    bar.addSeparator();
    // A check-style button of its own, without a command; ClearMap reads it.
    bars.Freeze = new QAction(QStringLiteral("LFreeze"), &frame);
    bars.Freeze->setObjectName(QStringLiteral("LFreeze"));
    bars.Freeze->setCheckable(true);
    SetHint(*bars.Freeze, QStringLiteral("Freeze non common layers"));
    bars.Freeze->setIcon(QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton));
    bar.addAction(bars.Freeze);
    bar.addSeparator();
    LayerButton(frame, bar, "LayerUP", "Move layer up|Move layer up so that it's elements draw earlier on",
                QStyle::SP_ArrowUp, handlers.LayerUp);
    LayerButton(frame, bar, "LayerDown", "Move layer down|Move layer down so that it's elements draw later",
                QStyle::SP_ArrowDown, handlers.LayerDown);
    LayerButton(frame, bar, "LayerDelete", "Remove layer|Remove layer from map composition", QStyle::SP_TrashIcon,
                handlers.LayerDelete);
    bar.addSeparator();
    LayerButton(frame, bar, "LProperities", "Layer properties|Layer properties", QStyle::SP_FileDialogDetailedView,
                handlers.Properties);
    return bars;
}

QToolBar* BuildMapToolBar(TQMMapFrame& frame, const TFrameToolCommands& handlers)
{
    auto* bar = new QToolBar(QStringLiteral("ToolBar2"));
    bar->setObjectName(QStringLiteral("ToolBar2"));
    const auto make = [&frame, bar](const char* name, const char* hint, std::function<void()> handler) {
        const QString id = QString::fromLatin1(name);
        return MakeAction(&frame, bar, id, id, QString::fromLatin1(hint), std::move(handler));
    };
    QAction* zoomState = make("ZoomState",
                              "Zoom state|Indicate a rectangular area in the map that is to be displayed in a window",
                              []() { PostAppMessage(WM_MAPZOOMSTATE); });
    QAction* magnitude = make("Magnitude", "Zoom in|Increase a view window's magnification", handlers.ZoomIn);
    QAction* diminish = make("Diminish", "Zoom out|Decrease a view window's magnification", handlers.ZoomOut);
    QAction* pan = make("Pan", "Pan state|View a different part of the map without changing the view magnification",
                        []() { PostAppMessage(WM_MAPPAN); });
    QAction* redraw = make("Redraw", "Update windows|Update (redraw) the contents of a window(s)",
                           handlers.Redraw);
    QAction* fullScreen = make("FullScreen", "Full screen|Full screen", handlers.FullScreen);
    QAction* fit = make("Fit", "Fit view|Adjust the magnification of a map so all elements are visible",
                        handlers.Fit);
    QAction* zState = make("ZState", "Show hints|Show hints", []() { PostAppMessage(WM_MAPHINTS); });
    make("SaveMap", "", handlers.SaveMap);
    for (QAction* action : {zoomState, pan, fullScreen, zState}) action->setCheckable(true);
    auto* group = new QActionGroup(bar);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction* action : {zoomState, pan, zState}) group->addAction(action);
    for (QAction* action : {zoomState, magnitude, diminish, pan, redraw, fullScreen, fit}) bar->addAction(action);
    bar->addSeparator();
    bar->addAction(zState);
    return bar;
}
