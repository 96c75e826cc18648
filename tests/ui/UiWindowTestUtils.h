#pragma once
// Driving the editors' windows offscreen: finding controls by name, clicking list lines, and
// dropping a payload on a control through a real drop event.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QWidget>

template <class T>
T* Control(const QWidget& window, const char* name)
{
    T* control = window.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

inline void ClickLine(QListWidget* list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QRect line = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, line.center());
}

// The texts of a list's lines.
inline QStringList Lines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

inline QStringList SelectedLines(const QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            lines << list->item(i)->text();
    return lines;
}

// Offers the data to the control as a drag entering it and, when taken, drops it at the point.
// True when the control accepted the drop.
inline bool DropOn(QWidget* target, QMimeData* data, QPoint point)
{
    QDragEnterEvent enter(point, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(point), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// The mime data a list hands a drag of one of its lines.
inline QMimeData* DragOfLine(QListWidget* list, int row)
{
    return list->model()->mimeData({list->model()->index(row, 0)});
}
