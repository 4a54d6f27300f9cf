#pragma once
// The fixture of a dialog's tests: the recording UiServices installed for
// each test, the dialog under test, its parts found by their names and the
// boxes it showed.
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

#include "DialogDriving.h"
#include "RecordingUi.h"

template <class TDialog>
class TRecordedDialogTest : public ::testing::Test {
protected:
    void SetUp() override { std::tie(Recorded, UiGuard) = RecordingUi::Install(); }
    // The dialog goes first: it may point to what the test's fixture holds.
    void TearDown() override { Dialog.reset(); }

    template <class T = QWidget>
    T* W(const char* name)
    {
        return dialogtest::Named<T>(*Dialog, name);
    }
    void PressOk() { dialogtest::Click(W("OKbtn")); }
    // The boxes shown so far, as "caption: text".
    QStringList Messages() const
    {
        QStringList texts;
        for (const TRecordedMessage& m : Recorded->Messages) texts << m.Caption + ": " + m.Text;
        return texts;
    }

    std::unique_ptr<TDialog> Dialog;
    RecordingUi* Recorded = nullptr;
    std::unique_ptr<RecordingUi::Guard> UiGuard;
};
