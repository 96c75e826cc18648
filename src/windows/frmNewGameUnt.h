#pragma once
#include "support/HookUnt.h"

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

class TBoardList;
class TChitList;
struct TNewGameSettings;

// The "New Game" dialog and then the map designer: true when the game master confirmed both.
// The settings receive the name, option sets, archives and flags from the dialog, and the map
// layout and chit list from the designer; on cancel they are left as they were.
extern THook<bool(TNewGameSettings& settings, TBoardList& boards, TChitList& chits)> ExecuteNewGame;

// The "New Game" dialog: the game's name, option sets, archives per robot and number of flags.
class TfrmNewGame : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewGame(QWidget* parent = nullptr);

    // The dialog's choices, except the map.
    void ApplyTo(TNewGameSettings& settings) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillOptionSets();
    void UpdateOkButton();
    void NameEdited(const QString& text);
    void btnOkClick();

    QLineEdit* edtGameName = nullptr;
    QListWidget* lstOptionSets = nullptr;
    QSpinBox* edtArchivesCount = nullptr;
    QSpinBox* edtNumberOfFlags = nullptr;
    QDialogButtonBox* FButtons = nullptr;
    QPushButton* btnOk = nullptr;
};
