#pragma once
#include "model/DeckUnt.h"

#include <string>
#include <string_view>
#include <vector>

class TBot;
class TGame;
class TProgramDeck;

// A player's answer to the private message, pasted from the clipboard, read back into the
// bot's registers and "Other" list. Cards are recognised by their ListingName, compared
// case-sensitively as part of a line, and only among the cards of the bot's hand.

// The cards recognised: one per register line for the five registers, and any further cards
// found on those lines for the "Other" list. Card IDs, in the order found.
struct TPastedProgram {
    std::vector<std::string> RegisterCards;
    std::vector<std::string> OtherCards;
    // The lines read (from 0) that gave no card at all.
    std::vector<std::size_t> LinesWithoutCard;
};

// The first lines (at most maxLines) of the text with its leading and trailing blanks and line
// ends removed; lines end at CR LF, CR or LF, and empty lines inside count. Nothing after the
// last line returned is read, beyond telling whether anything but blanks follows it.
std::vector<std::string> PastedLines(std::string_view text, std::size_t maxLines);

// Line k (from 0) stands for register k + 1; lines after the fifth are not read. A locked
// register's card is taken from its own line first. Then the hand is walked in its order (the
// cards of locked registers last): each card not yet recognised is looked for on the line; the
// first found goes to the registers unless the line already gave one, every further one to
// "Other". Each card is recognised once, so a name written twice on a line ("U-Turn U-Turn")
// takes two cards of that name from the hand.
TPastedProgram ParsePastedProgram(const TBot& bot, const TProgramDeck* deck, const std::vector<std::string>& lines);

// For a refused paste: the lines that named no card of the hand (at most ten, each cut to 60
// characters), so that the game master sees at once what the player wrote instead. Empty when
// every line named a card.
std::string LinesWithoutCardText(const std::vector<std::string>& lines, const TPastedProgram& program);

// The rejection message for a program that does not fit the bot's locks (also when it names a
// locked register's card a second time); empty when it fits.
std::string CheckPastedProgram(const TBot& bot, const TPastedProgram& program);

// Replaces the unlocked part of the program (the checks passed) and records the text in the
// bot's notes under the turn number.
void ApplyPastedProgram(TBot& bot, TProgramDeck* deck, const TPastedProgram& program, std::string_view text,
    int turnNumber);

struct TPasteResult {
    // The bot and the deck were changed.
    bool Applied = false;
    // The rejection message shown to the game master; empty on success.
    std::string Error;
};

// The whole paste for the bot: all checks first, then the change. A rejected paste shows its
// message through ShowMessage, writes it to the log and changes nothing.
TPasteResult AttemptToPasteProgram(TGame& game, TBot& bot, std::string_view text);

// Gives a card that leaves the bot's program its new state (dealt: back in the hand), but only
// when it is a card of this bot's hand: a card copied from another robot's program keeps the
// state that robot's register gives it.
void SetHandCardState(const TBot& bot, TCard* card, TCardState state);
bool IsInHand(const TBot& bot, const std::string& cardID);
