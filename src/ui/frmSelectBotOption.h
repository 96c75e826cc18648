#pragma once
#include "support/HookUnt.h"

class TBot;
class TOptionCard;

// The "Get Bot Option" dialog: one of the robot's option cards, or none when cancelled.
extern THook<TOptionCard*(TBot& bot)> GetBotOption;
