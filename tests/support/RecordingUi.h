#pragma once
// A UiServices that records every request and answers from scripted queues,
// so tests drive windows offscreen. Install it with RecordingUi::Install():
// it goes into the environment through the tests' one TTestEnvironment, and
// the previous environment comes back when the returned guard goes.
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/qt/UiServices.h"
#include "tests/support/TestEnvironment.h"

struct TRecordedMessage {
    QString Caption;
    QString Text;
    TMsgIcon Icon = TMsgIcon::None;
    TMsgButtons Buttons = TMsgButtons::Ok;
};

class RecordingUi : public UiServices {
public:
    // Installs a fresh recorder and returns it; it stays installed until the
    // guard is destroyed.
    class Guard {
    public:
        explicit Guard(std::unique_ptr<RecordingUi> recorder);
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        std::unique_ptr<RecordingUi> Recorder; // outlives the environment that points to it
        TTestEnvironment Installed;
    };
    static std::pair<RecordingUi*, std::unique_ptr<Guard>> Install();

    // What was asked, in order.
    std::vector<TRecordedMessage> Messages;
    std::vector<TFileDialogRequest> OpenRequests;
    std::vector<TFileDialogRequest> SaveRequests;
    QStringList FolderCaptions;
    QStringList FolderStarts; // the start folders of prepared folder dialogs
    QStringList StartedPrograms;
    int Beeps = 0;
    // Boxes, dialogs and pickers that came up under the wait cursor.
    int AskedWhileBusy = 0;
    int ColorRequests = 0;
    int FontRequests = 0;
    // The colour and font each picker started from.
    std::vector<QColor> ColorInitials;
    std::vector<QFont> FontInitials;

    // Scripted answers; an empty queue answers Ok/Yes (messages) or cancels.
    std::deque<TMsgResult> MessageAnswers;
    std::deque<QString> OpenAnswers;
    std::deque<QString> SaveAnswers;
    std::deque<QString> FolderAnswers;
    std::deque<std::optional<QColor>> ColorAnswers;
    std::deque<std::optional<QFont>> FontAnswers;

    TMsgResult MessageBox(QWidget* parent, const QString& caption, const QString& text, TMsgIcon icon,
                          TMsgButtons buttons) override;
    QString OpenFileName(QWidget* parent, const TFileDialogRequest& request) override;
    QString SaveFileName(QWidget* parent, const TFileDialogRequest& request) override;
    QString SelectFolder(QWidget* parent, const QString& caption, const QString& startFolder) override;
    QString ExecFolderDialog(QFileDialog& dialog) override;
    std::optional<QColor> PickColor(QWidget* parent, const QColor& initial) override;
    std::optional<QFont> PickFont(QWidget* parent, const QFont& initial) override;
    void Beep() override { ++Beeps; }
    bool StartProgram(const QString& program) override
    {
        StartedPrograms << program;
        return true;
    }

private:
    void NoteCursor();
};
