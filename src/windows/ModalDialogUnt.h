#pragma once
#include "support/HookUnt.h"

class QDialog;
class QWidget;

// Shows a dialog modally and says whether it was confirmed. Every dialog of the editors goes
// through it, so that a test can work the dialog's controls and press its buttons instead of
// a person.
extern THook<bool(QDialog& dialog)> ShowModalDialog;

// The window a dialog opens over: the active one, or none.
QWidget* DialogParent();

// The hourglass for as long as it lives, also when what it waits for fails.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
