#pragma once
#include <string>
#include <vector>

class TBot;
class TCardRefList;
class TGame;
class TOptionCard;

// The rules behind the main window's game, turn and bot commands, on the model alone. The
// window asks the game master what they need, calls these, and tells the session what changed.

// The game's next turn. The first turn also starts with a copy of the game's chits in phase 0,
// each copy with the catalogue and map layout of the chit it was made from.
void NextTurn(TGame& game);

// The flag list: "None", then "Flag 1", "Flag 2", ... up to the game's flag count.
std::vector<std::string> FlagItems(const TGame* game);

// Moves every card of From that can move (known to the game's program deck and not locked) to
// the end of To, last first; locked cards and unknown references stay in From.
void CopyProgramRefList(TGame& game, TCardRefList& from, TCardRefList& to);

// The bot's cards go back (locked ones stay) and it is dealt a full hand again, from the deck
// as it stands.
void NewHand(TGame& game, TBot& bot);
// The two bots exchange the cards of their hands that can move; locked cards stay.
void TradeHand(TGame& game, TBot& bot, TBot& other);
// Mine (an option of the bot) and theirs (an option of the other bot) change hands with their
// quantities and facings; the option deck is not touched. False when either is not an option
// of its bot.
bool TradeOption(TBot& bot, TOptionCard& mine, TBot& other, TOptionCard& theirs);

// Puts the buzz bomb into play with five cards, one life and the name of the player holding the
// BuzzBomb option. False when there is no buzz bomb or it is in play already.
bool AddBuzzBomb(TGame& game);
// Takes it out of play: its registers are cleared, locks included, and all its cards go back
// to the deck, so no card stays locked by a robot that is out of play. False when it is not in
// play.
bool DeleteBuzzBomb(TGame& game);

// The options the Options tab lists: those in the dealt state, with their index in the bot's
// option list.
std::vector<int> ShownOptions(const TBot& bot);
// Deals one option card to the bot (a copy of it); none when the deck has no card left (the
// deck tells the game master).
TOptionCard* DealOption(TGame& game, TBot& bot);
// The option goes back to the deck as a discard and leaves the bot.
void DiscardOption(TGame& game, TBot& bot, TOptionCard& option);

// What the Options tab shows of an option.
struct TOptionView {
    std::string Type;
    std::string Kind;
    std::string Source;
    // Empty when the option has no damage figure.
    std::string Damage;
    // "<br>" shown as an empty line.
    std::string Description;
    int Quantity = -1;
    // The quantity may range from 0 to the deck card's quantity; -1 to -1 for an option
    // without one.
    int QuantityMinimum = -1;
    int QuantityMaximum = -1;
    // The facing's value, or -1 for none.
    int Facing = -1;
};
TOptionView OptionView(TGame* game, const TOptionCard& option);

// All five registers hold a card: the robot's program for the turn is in.
bool ProgramIsIn(const TBot& bot);

