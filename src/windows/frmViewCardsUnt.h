#pragma once
#include "model/DeckUnt.h"
#include "support/HookUnt.h"

#include <QColor>
#include <QDialog>
#include <QStyledItemDelegate>

#include <optional>
#include <string>

class QLabel;
class QListWidget;
class QPalette;
class QPlainTextEdit;
class QPushButton;
class TGame;

// The card viewer: every card of a deck coloured by its state, the shuffled cards still to be
// dealt in their order, a legend of the colours, and the rules text of a chosen option card.

// The colours of a card line: text, background, and the small square drawn at its left, which
// shows the background the line has with the other selection.
struct TCardStateColours {
    QColor Text;
    QColor Background;
    QColor Swatch;
};
// Available cards in the list's own colours (inverted when selected); discarded fuchsia, dealt
// blue, programmed green, locked red, as text on the list's background, or as background
// behind the highlight text when selected. listBackground stands for the window colour.
TCardStateColours CardStateColours(TCardState state, bool selected, const QPalette& palette, const QColor& listBackground);
// "Available", "Discarded", "Dealt", "Register Programmed", "Register Locked".
const char* CardStateLegend(TCardState state);
// The state whose name is "cs" and the text without blanks; csAvailable for any other text.
TCardState LegendState(const std::string& text);

// "View Program Cards" for a deck of TProgramCard: the card class name less its first
// character and its last four.
std::string ViewCardsCaption(const TDeck& deck);
// "Move 2 (670)" for a program card, the name of an option card, the ID of anything else.
std::string CardListText(const TCard& card);
// The rules text of an option card, each "<br>" an empty line between paragraphs; none for
// any other card.
std::optional<std::string> CardDetailText(const TCard& card);

// Draws a card line: background and text in the state's colours, the text 16 pixels in, the
// state's swatch before it.
class TCardStateDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class TfrmViewCards : public QDialog {
    Q_OBJECT
public:
    // The roles of a line: its card's state (an int) and ID.
    enum TRole { StateRole = Qt::UserRole, CardIDRole };

    explicit TfrmViewCards(QWidget* parent = nullptr);
    // Fills the viewer for the deck, which must outlive the window.
    void ShowDeck(TDeck& deck);

private:
    void UpdateDetails();

    TDeck* FDeck = nullptr;
    QLabel* lblCards = nullptr;
    QListWidget* lstCards = nullptr;
    QLabel* lblRemainingCards = nullptr;
    QListWidget* lstRemainingCards = nullptr;
    QListWidget* lstLegend = nullptr;
    QPlainTextEdit* mmoCardDetail = nullptr;
    QPushButton* btnOk = nullptr;
};

// Shows the deck's cards in a modal viewer.
void ViewCards(TDeck& deck);
// The View menu's commands: the game's program deck and option deck in the viewer.
extern THook<void(TGame& game)> ViewProgramCards;
extern THook<void(TGame& game)> ViewOptionCards;
