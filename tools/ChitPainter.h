#pragma once
#include "model/BotUnt.h"

#include <QImage>

// Token pictures, each drawn facing north at the size it is shown at 100 % on a board whose
// squares are 97 pixels apart. Pictures are saved as JPEG, so every pixel is opaque.

// The robot's picture for one of its five chits, in the order of BotChitSuffixes: normal,
// shut down, virtual, destroyed, archive marker.
QImage DrawBotPicture(TBotType type, int suffixIndex);
QImage DrawStartPicture();
QImage DrawFlagPicture(int number);
QImage DrawPitPicture();
QImage DrawBridgePicture();
QImage DrawWallPicture();
QImage DrawMinePicture();
