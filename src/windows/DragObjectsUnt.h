#pragma once
#include <QMimeData>
#include <QPointer>

#include <string>

// Drag-and-drop payloads. They name what is dragged by identity (a card ID, a chit ID), never by
// pointer, and carry the control the drag started from, so that a drop target can tell a move
// within itself from a drop from elsewhere. They only travel inside this process.

// A program card dragged from the hand, a register or the "Other" list.
class TDragCard : public QMimeData {
    Q_OBJECT
public:
    static constexpr const char* MimeType = "application/x-cogline-card";
    TDragCard(std::string cardID, QObject* source);
    const std::string& CardID() const { return FCardID; }
    QObject* Source() const { return FSource; }

private:
    std::string FCardID;
    QPointer<QObject> FSource;
};

// A chit dragged from a list or a map.
class TDragChit : public QMimeData {
    Q_OBJECT
public:
    static constexpr const char* MimeType = "application/x-cogline-chit";
    TDragChit(std::string chitID, QObject* source);
    const std::string& ChitID() const { return FChitID; }
    QObject* Source() const { return FSource; }

private:
    std::string FChitID;
    QPointer<QObject> FSource;
};

// The payload of a drag, or none when the drag carries something else.
const TDragCard* DraggedCard(const QMimeData* data);
const TDragChit* DraggedChit(const QMimeData* data);
