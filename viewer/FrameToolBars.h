#pragma once
// The map frame's two tool bars: the layer tools above the pages (adding,
// freezing, moving, removing a layer and its properties) and the map tools
// above the view, which post the mode messages to the main window. Their
// actions carry the names the frame and the tests find them by.
#include <functional>

class QAction;
class QToolBar;
class TQMMapFrame;

// The commands the tools run, besides the mode messages the map tools post.
struct TFrameToolCommands {
    // The layer tools.
    std::function<void()> AddLayer, AddComposition, LayerUp, LayerDown, LayerDelete, Properties;
    // The map tools.
    std::function<void()> ZoomIn, ZoomOut, Redraw, FullScreen, Fit, SaveMap;
};

struct TLayerToolBars {
    QToolBar* Row1 = nullptr;
    // The second row the properties button moves to when the panel is too
    // narrow; hidden until then.
    QToolBar* Row2 = nullptr;
    // The check-style button that keeps the non-common layers when the next
    // composition is opened.
    QAction* Freeze = nullptr;
};

// The layer tools, their actions owned by `frame`.
TLayerToolBars BuildLayerToolBars(TQMMapFrame& frame, const TFrameToolCommands& handlers);
// The map tool bar; its actions are owned by the bar, and "SaveMap" has no
// button.
QToolBar* BuildMapToolBar(TQMMapFrame& frame, const TFrameToolCommands& handlers);
