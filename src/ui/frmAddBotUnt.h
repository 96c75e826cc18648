#pragma once
#include "support/HookUnt.h"

class TBot;
class TClass;
class TGame;

// The "Add Bot to Game" dialog: the robots not in use (never the buzz bomb), several may be
// chosen; each chosen one is put into play. True when at least one was.
extern THook<bool(TGame& game)> AddBots;

// The same dialog with single selection: a robot in use other than the excluded one, only those
// holding an option when cardClass is the option-card class. None when cancelled.
extern THook<TBot*(TGame& game, const TBot* excluded, const TClass& cardClass)> SelectBot;
