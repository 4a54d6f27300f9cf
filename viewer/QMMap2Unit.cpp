#include "viewer/QMMap2Unit.h"

#include <QCloseEvent>

#include "platform/qt/ErrorReport.h"
#include "platform/qt/UiServices.h"
#include "viewer/MFrame.h"

TQMMap2::TQMMap2(const LumivarSettings& settings, TStatusPanels* statusBar, std::function<void(TQMMap2&)> closing,
                 QWidget* parent)
    : QMdiSubWindow(parent), OnClosing(std::move(closing))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("QMMap2"));
    auto frame = std::make_unique<TQMMapFrame>();
    TQMMapFrame1 = frame.get();
    setWidget(frame.release());
    resize(696, 484);
    // The frame's settings are copied now; later changes reach only windows
    // made afterwards.
    TQMMapFrame1->HideFrameToolBar();
    TQMMapFrame1->SetupFrame(this, settings, statusBar);
    TQMMapFrame1->WrapLayerToolBar();
}

TQMMap2::~TQMMap2() = default;

void TQMMap2::closeEvent(QCloseEvent* event)
{
    Closing = true;
    try {
        TQMMapFrame1->ClearMap();
    } catch (const std::exception& error) {
        ShowErrorBox(this, ErrorText(error));
    }
    if (OnClosing) OnClosing(*this);
    QMdiSubWindow::closeEvent(event);
    event->accept();
}
