#pragma once
#include "support/HookUnt.h"

#include <QDialog>

#include <string>

class QPlainTextEdit;
class QPushButton;

// Shows a text made for a player, the private message of one robot or of all, in a box that
// grows with the window, from which the game master copies it into the forum. It changes
// nothing in the game.
class TfrmBotPrivateMessage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmBotPrivateMessage(QWidget* parent = nullptr);

    // Lines may end in CR LF, CR or LF.
    void SetText(const std::string& text);
    // Puts the whole text on the clipboard, so that nothing has to be selected by hand.
    void CopyText();

private:
    QPlainTextEdit* mmoPrivateMessage = nullptr;
    QPushButton* btnCopy = nullptr;
    QPushButton* btnOK = nullptr;
};

// Shows the text in a modal private-message window.
extern THook<void(const std::string& text)> ShowPrivateMessage;
