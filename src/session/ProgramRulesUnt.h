#pragma once
#include "model/DeckUnt.h"

#include <QColor>

#include <string>
#include <string_view>
#include <vector>

class QPalette;
class TBot;
class TGame;
class TProgramCard;

// The rules of the "Program" tab: what the registers, the hand list and the "Other" list show,
// what each drag source gives and each drop target accepts, and what every drop, double-click
// and tool button does to the registers and the card states. Plain functions on the model;
// the window only forwards its events here and refreshes from the model afterwards. Functions
// that change something return true when they did, so that the caller can mark the bots and
// decks changed. Registers are numbered 1 to 5; cards are named by their ID.

// The number that ends a control's name: 3 for "edtRegister3" and "barRegister3", 0 for
// "lstRegisterOther" and "barRegisterOther".
int RegisterNbr(std::string_view controlName);
// 1 to 5.
bool bValidRegisterNumber(int n);

// The program-deck card in register n of the bot; none for an empty register, an ID that names
// no card, an invalid number or no bot.
TProgramCard* GetCardInRegister(TGame& game, const TBot* bot, int n);

// ------------------------------------------------------------------------- what the tab shows

// The hand list: the cards of the hand still dealt (not in a register), in hand order.
std::vector<TProgramCard*> HandListCards(TGame& game, const TBot* bot);

// A line of the "Other" list: an entry of the bot's extra registers that holds a card.
struct TOtherEntry {
    // Position in the bot's extra registers, which is how an entry is told apart.
    int EntryIndex = -1;
    std::string CardID;
    // The card's DisplayName; the card ID as it stands when it names no card.
    std::string Text;
    // The card is locked.
    bool Locked = false;
};
std::vector<TOtherEntry> OtherListEntries(TGame& game, const TBot* bot);

// The register box's text: the card's DisplayName, a card ID that names no card as it stands,
// empty for an empty register.
std::string RegisterText(TGame& game, const TBot* bot, int n);
bool IsRegisterLocked(const TBot* bot, int n);

struct TTextColours {
    QColor Text;
    QColor Background;
};
// A locked register box is white on red; any other has the palette's field colours.
TTextColours RegisterBoxColours(bool locked, const QPalette& palette);
// A locked card in the "Other" list is red on white, white on red while selected and focused;
// any other has the palette's colours, highlighted while selected and focused.
TTextColours OtherLineColours(bool locked, bool selectedAndFocused, const QPalette& palette);

// ------------------------------------------------------------------------- tool bars

// The tool buttons' images, in image-list order; a button's hint follows its image.
enum TRegisterToolImage { tiLock, tiUnlock, tiClear, tiRandom };
// "Lock Register", "Unlock Register", "Clear Register", "Random Card From Deck".
const char* RegisterToolHint(TRegisterToolImage image);

// The state of a register's tool bar (lock/unlock, clear, random card from the deck).
struct TRegisterBarState {
    bool Enabled = false;
    TRegisterToolImage LockImage = tiLock;
    bool LockEnabled = false;
    bool ClearEnabled = false;
    bool RandomEnabled = false;
};
// Everything disabled without a card; with one, the bar and the lock button enabled, the lock
// button showing unlock for a locked card, clear and random enabled for an unlocked one.
TRegisterBarState RegisterBarState(TGame& game, const TBot* bot, int n);
// The same for the selected "Other" entry (-1: none). Its third button has no action and
// stays disabled.
TRegisterBarState OtherBarState(TGame& game, const TBot* bot, int entryIndex);

// ------------------------------------------------------------------------- drag and drop

// The card a drag from register box n carries: empty (no drag) for an empty register or a
// locked card.
std::string RegisterDragCardID(TGame& game, const TBot* bot, int n);
// Register box n takes a card while its register is not locked.
bool RegisterAcceptsDrop(const TBot* bot, int n);
// The group box, the tool bars, the hand list and the "Other" list take any card.

// A card dropped on register box n; sourceRegister is the register the card was dragged from,
// or -1 when it came from elsewhere. From elsewhere the card replaces the register's card,
// which goes back to the hand; from another register the two swap, or the card moves when the
// target was empty.
bool DropOnRegister(TGame& game, TBot& bot, int n, const std::string& cardID, int sourceRegister);
// A drop on the group box or a tool bar, and a double-click in the hand list: the drop on the
// first register that holds no card. Nothing when all five hold one.
bool ProgramNextOpenRegister(TGame& game, TBot& bot, const std::string& cardID, int sourceRegister);
// Back into the hand: the card is dealt again and its register, if it came from one, empty.
bool DropOnHand(TGame& game, TBot& bot, const std::string& cardID, int sourceRegister);
// Into the "Other" list: a new unlocked entry, the card programmed, its register emptied.
bool DropOnOther(TGame& game, TBot& bot, const std::string& cardID, int sourceRegister);

// ------------------------------------------------------------------------- commands

// Empties register n (a lock included) and gives its card the state: dealt for the clear
// button and a double-click on the box.
bool ClearRegister(TGame& game, TBot& bot, int n, TCardState state);
// Locks or unlocks register n with its card.
bool ToggleRegisterLock(TGame& game, TBot& bot, int n);
// Replaces an unlocked register's card by the next card of the deck: the old card is discarded
// and leaves the hand, the new one joins the hand and is programmed. With the deck exhausted
// the deck's message is shown and the register stays empty.
bool RandomCardForRegister(TGame& game, TBot& bot, int n);
// Locks or unlocks the "Other" entry at the position, with its card.
bool ToggleOtherLock(TGame& game, TBot& bot, int entryIndex);
// Removes the "Other" entry at the position; its card goes back to the hand.
bool ClearOther(TGame& game, TBot& bot, int entryIndex);

// Copy Prog. onto the robot the game master chose (SelectBot with the program-card class):
// puts the source's register cards into the target's unlocked registers (the target's own
// cards there are discarded), empties the target's unlocked "Other" entries and appends the
// source's "Other" cards, noting each in the target's notes. The source's cards keep their
// states. False when source and target are one robot.
bool CopyProgram(TGame& game, const TBot& source, TBot& target);

// ------------------------------------------------------------------------- notes

// The memo's text for the bot's notes: each "<br>" a line break (CR LF).
std::string NotesToMemoText(std::string_view notes);
// The notes for the memo's text: every line followed by "<br>" (a final line end makes no
// further line, so showing and storing again gives the same notes).
std::string MemoTextToNotes(std::string_view memoText);
// Stores the memo's text as the bot's notes; true when they changed.
bool UpdateBotNotes(TBot& bot, std::string_view memoText);
