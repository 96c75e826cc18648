#pragma once
#include "session/ProgramRulesUnt.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPoint>
#include <QStyledItemDelegate>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QIcon;
class QToolBar;
class TDragCard;

// The controls of the "Program" tab that cards are dragged from and dropped on. They know
// nothing of the game: they ask and tell the window through callbacks, which forward to the
// rules of ProgramRulesUnt. Every drag carries a TDragCard with the card's ID and the control
// it started from.

// Whether a drop target takes the payload, and what it does with it.
using TCardAccepts = std::function<bool(const TDragCard& payload)>;
using TCardDropped = std::function<void(const TDragCard& payload)>;

// The register the payload was dragged from: the number of a register box (RegisterNbr of its
// name), -1 for any other control.
int DragSourceRegister(const TDragCard& payload);

// Makes a widget that is no card control (the group box, a tool bar or tool button) a drop
// target for cards. Owned by the widget.
class TCardDropTarget : public QObject {
    Q_OBJECT
public:
    static TCardDropTarget* Install(QWidget* widget, TCardAccepts accepts, TCardDropped dropped);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TCardDropTarget(QWidget* widget, TCardAccepts accepts, TCardDropped dropped);
    TCardAccepts FAccepts;
    TCardDropped FDropped;
};

// A register box (edtRegister1 .. edtRegister5): shows the register's card, white on red while
// locked; a drag source for its card and a drop target.
class TRegisterBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TRegisterBox(QWidget* parent = nullptr);

    // Its register number, from its object name.
    int RegisterNumber() const;
    void ShowRegister(const std::string& text, bool locked);
    bool Locked() const { return FLocked; }

    // The card a drag from the box carries now; empty for none (an empty or locked register).
    void SetDragCardID(std::function<std::string()> dragCardID) { FDragCardID = std::move(dragCardID); }
    void SetDropHandlers(TCardAccepts accepts, TCardDropped dropped);
    void SetDoubleClicked(std::function<void()> doubleClicked) { FDoubleClicked = std::move(doubleClicked); }
    // Every mouse move over the box (the window traces it).
    void SetMouseMoved(std::function<void()> mouseMoved) { FMouseMoved = std::move(mouseMoved); }

    // The payload a drag from the box would carry now; none when it carries no card.
    std::unique_ptr<TDragCard> DragPayload();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool FLocked = false;
    QPoint FPressPosition;
    bool FPressed = false;
    std::function<std::string()> FDragCardID;
    TCardAccepts FAccepts;
    TCardDropped FDropped;
    std::function<void()> FDoubleClicked;
    std::function<void()> FMouseMoved;
};

// A line of a card list.
struct TCardLine {
    std::string CardID;
    std::string Text;
    bool Locked = false;
    // The "Other" entry the line shows; -1 in the hand list.
    int EntryIndex = -1;
};

// The hand list (lstProgramCards, a drag source) and the "Other" list (lstRegisterOther, not
// one): owner-drawn card lines, each a drop target for cards.
class TCardListWidget : public QListWidget {
    Q_OBJECT
public:
    enum TRole { CardIDRole = Qt::UserRole, LockedRole, EntryIndexRole };

    explicit TCardListWidget(QWidget* parent = nullptr);

    void SetLines(const std::vector<TCardLine>& lines);
    void SetHandCards(const std::vector<TProgramCard*>& cards);
    void SetOtherEntries(const std::vector<TOtherEntry>& entries);

    // The selected line's card and "Other" entry; empty and -1 without a selected line.
    std::string SelectedCardID() const;
    int SelectedEntryIndex() const;

    void SetDragSource(bool dragSource);
    void SetDropHandlers(TCardAccepts accepts, TCardDropped dropped);

    // The payload a drag from the list would carry now: the selected line's card.
    std::unique_ptr<TDragCard> DragPayload();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool FDragSource = false;
    TCardAccepts FAccepts;
    TCardDropped FDropped;
};

// Draws a card line two pixels from the left in the colours of OtherLineColours.
class TCardLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The tool buttons' images, indexed by TRegisterToolImage.
QIcon RegisterToolImage(TRegisterToolImage image);
// Sets a register tool bar (its three buttons in order: lock/unlock, clear, random) to the state.
void ApplyRegisterBarState(QToolBar* bar, const TRegisterBarState& state);
