#include "RecordingUi.h"

#include <QFileDialog>

#include "WaitCursorProbe.h"

namespace {
template <class T>
T Next(std::deque<T>& queue, T fallback)
{
    if (queue.empty()) return fallback;
    T value = queue.front();
    queue.pop_front();
    return value;
}
} // namespace

RecordingUi::Guard::Guard(std::unique_ptr<RecordingUi> recorder)
    : Recorder(std::move(recorder)),
      Installed(TTestEnvironment::Changed([this](TEnvironment& e) { e.Ui = Recorder.get(); }))
{
}

std::pair<RecordingUi*, std::unique_ptr<RecordingUi::Guard>> RecordingUi::Install()
{
    auto recorder = std::make_unique<RecordingUi>();
    RecordingUi* raw = recorder.get();
    return {raw, std::make_unique<Guard>(std::move(recorder))};
}

TMsgResult RecordingUi::MessageBox(QWidget*, const QString& caption, const QString& text, TMsgIcon icon,
                                   TMsgButtons buttons)
{
    NoteCursor();
    Messages.push_back({caption, text, icon, buttons});
    TMsgResult fallback = (buttons == TMsgButtons::YesNo || buttons == TMsgButtons::YesNoCancel) ? TMsgResult::Yes
                                                                                                 : TMsgResult::Ok;
    return Next(MessageAnswers, fallback);
}

QString RecordingUi::OpenFileName(QWidget*, const TFileDialogRequest& request)
{
    NoteCursor();
    OpenRequests.push_back(request);
    return Next(OpenAnswers, QString());
}

QString RecordingUi::SaveFileName(QWidget*, const TFileDialogRequest& request)
{
    NoteCursor();
    SaveRequests.push_back(request);
    return Next(SaveAnswers, QString());
}

QString RecordingUi::SelectFolder(QWidget*, const QString& caption, const QString&)
{
    NoteCursor();
    FolderCaptions << caption;
    return Next(FolderAnswers, QString());
}

QString RecordingUi::ExecFolderDialog(QFileDialog& dialog)
{
    NoteCursor();
    FolderCaptions << dialog.windowTitle();
    FolderStarts << dialog.directory().absolutePath();
    return Next(FolderAnswers, QString());
}

std::optional<QColor> RecordingUi::PickColor(QWidget*, const QColor& initial)
{
    NoteCursor();
    ++ColorRequests;
    ColorInitials.push_back(initial);
    return Next(ColorAnswers, std::optional<QColor>());
}

std::optional<QFont> RecordingUi::PickFont(QWidget*, const QFont& initial)
{
    NoteCursor();
    ++FontRequests;
    FontInitials.push_back(initial);
    return Next(FontAnswers, std::optional<QFont>());
}

void RecordingUi::NoteCursor()
{
    if (WaitCursorShown()) ++AskedWhileBusy;
}
