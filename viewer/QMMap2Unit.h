#pragma once
// The child window of the main window: one map frame filling its client
// area. It is deleted when closed.
#include <QMdiSubWindow>
#include <functional>

#include "geodata/QMMapDecl.h"

class TQMMapFrame;
class TStatusPanels;

class TQMMap2 : public QMdiSubWindow {
    Q_OBJECT
public:
    // `closing` runs while the window closes, before it goes.
    TQMMap2(const LumivarSettings& settings, TStatusPanels* statusBar, std::function<void(TQMMap2&)> closing,
            QWidget* parent = nullptr);
    ~TQMMap2() override;

    TQMMapFrame& Frame() const { return *TQMMapFrame1; }
    // True from the moment the window starts closing.
    bool IsClosing() const { return Closing; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    TQMMapFrame* TQMMapFrame1 = nullptr; // owned as the window's widget
    std::function<void(TQMMap2&)> OnClosing;
    bool Closing = false;
};
