#pragma once
// Reaches a widget of a form by its object name, as a user finds it by its
// place: forms keep their widgets private. A missing or mistyped name fails
// the test at once instead of crashing it on a null pointer.
#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

template <class T>
T* Child(const QObject& parent, const char* name)
{
    T* child = parent.findChild<T*>(QString::fromUtf8(name));
    if (!child) throw std::logic_error(std::string("no child named ") + name);
    return child;
}
