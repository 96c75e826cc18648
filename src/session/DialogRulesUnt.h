#pragma once
#include "model/OptionUnt.h"

#include <string>
#include <string_view>
#include <vector>

class TBot;
class TBotList;
class TClass;

// The rules of the new-game, add-bot and option dialogs, without the dialogs.

// ---------------------------------------------------------------------------------------------
// New game

// What the name box holds until a name is typed, and again when it is emptied.
inline constexpr const char* NewGameNamePlaceholder = "[New Game]";

// A game name becomes a folder name: the name box refuses < > : " / \ | ? * and control
// characters.
bool IsRefusedGameNameChar(char32_t c);
// Whether UTF-8 text holds a refused character.
bool HasRefusedGameNameChar(std::string_view text);

// OK: at least one option set, more than 0 archives and a name that is neither empty nor the
// placeholder.
bool NewGameCanAccept(const std::string& name, int selectedOptionSets, int archivesPerBot);
// The warning that a new game of this name would write its pictures into the folder of another
// game; empty when no such folder exists.
std::string ExistingGameFolderWarning(const std::string& name);

// The option sets offered: every source but osUnknown, in value order.
std::vector<TOptionSource> OfferedOptionSources();

// ---------------------------------------------------------------------------------------------
// Robots and options

// The robots "Add Bot to Game" offers: not in use and not the buzz bomb, in list order.
std::vector<TBot*> BotsToAdd(const TBotList& bots);
// The robots a trade or copy may go to: in use and not the excluded one; with the option-card
// class only those holding an option card. In list order.
std::vector<TBot*> BotsToSelect(const TBotList& bots, const TBot* excluded, const TClass& cardClass);
// The robot's option cards in its list order.
std::vector<TOptionCard*> OptionsToSelect(const TBot& bot);
