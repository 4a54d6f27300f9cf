#pragma once
// Driving the layer dialogs offscreen: widgets found by their names, text
// typed as keys, buttons clicked with the mouse, and modal dialogs answered
// from the event loop once they are up.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

// Texts show as text in failure reports.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace dialogtest {

template <class T = QWidget>
T* Named(const QWidget& parent, const char* name)
{
    T* widget = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Replaces the edit's text by typing, as the user would.
inline void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

inline void Click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton);
}

// Runs `answer` on the modal dialog that the next call of exec() shows.
inline void WhenModalShows(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer = std::move(answer)]() {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        answer(modal);
    });
}

// The colour of a widget's pixel as it paints itself.
inline QColor PixelOf(QWidget* widget, QPoint at)
{
    return widget->grab().toImage().pixelColor(at);
}

} // namespace dialogtest
