#pragma once
#include <string>
#include <vector>

class TBot;
class TGame;
class TProgramDeck;

// The private message that tells a player the hand, locked registers, damage, options and
// archive location of the turn. Lines end in CR LF, the last one included. Cards are written by
// their ListingName; a card ID that names no card of the deck is written as it stands.
// TBot::BuildPrivateMessage forwards here (it is defined in this unit, which may see the game).
std::string BuildPrivateMessage(const TBot& bot, int turnNumber, TProgramDeck* deck, TGame* game);

// "(x, y) on <board description> (map column, map row)" of the bot's archive in the current
// phase of the last turn; "Start" when it has none on the map.
std::string ArchiveLocationText(const TBot& bot, TGame* game);

// What follows every message of Make PMs, the last one included.
inline constexpr const char* PrivateMessageSeparator = "\r\n\r\n-------------------\r\n\r\n";

// Make PM: the bot's message for the game's current turn.
std::string MakePM(TGame& game, const TBot& bot);
// Make PMs: every bot's message in order, each followed by the separator.
std::string MakePMs(TGame& game, const std::vector<const TBot*>& bots);
