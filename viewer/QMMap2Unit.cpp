#include "viewer/QMMap2Unit.h"

#include <QCloseEvent>

#include "platform/qt/ErrorReport.h"
#include "platform/qt/UiServices.h"
#include "viewer/MFrame.h"
#include "viewer/QMMapView.h"

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
    // The value hint belongs to the map window the user works in: another
    // window made active or this one minimised takes it away.
    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates, Qt::WindowStates now) {
        if (!(now & Qt::WindowActive) || (now & Qt::WindowMinimized)) TQMMapFrame1->MapView().HideHint();
    });
}

void TQMMap2::moveEvent(QMoveEvent* event)
{
    QMdiSubWindow::moveEvent(event);
    if (TQMMapFrame1) TQMMapFrame1->MapView().HideHint();
}

TQMMap2::~TQMMap2()
{
    // The base class reports its last state change while it goes, after
    // this part of the window is gone.
    disconnect(this, &QMdiSubWindow::windowStateChanged, this, nullptr);
}

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
