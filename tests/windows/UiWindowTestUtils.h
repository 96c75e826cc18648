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

#include <cstdlib>
#include <string>

template <class T>
T* Control(const QWidget& window, const char* name)
{
    T* control = window.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// Whether two colours differ by at most the tolerance in each channel, as a scaled or smoothed
// picture leaves them.
inline bool Near(QRgb a, QRgb b, int tolerance = 40)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance
        && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
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

// The row of the first line whose data in the role is the text; -1 for none.
inline int RowOf(const QListWidget* list, int role, const std::string& text)
{
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->data(role).toString().toStdString() == text)
            return row;
    return -1;
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
inline bool DropOn(QWidget* target, const QMimeData* data, QPoint point = QPoint(5, 5))
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
