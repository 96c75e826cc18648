#pragma once
#include "support/HookUnt.h"

#include <QDialog>

#include <vector>

class QListWidget;
class QPushButton;

class TBot;
class TClass;
class TGame;

// The "Add Bot to Game" dialog: the robots not in use (never the buzz bomb), several may be
// chosen; each chosen one is put into play. True when at least one was.
extern THook<bool(TGame& game)> AddBots;

// The same dialog with single selection: a robot in use other than the excluded one, only those
// holding an option when cardClass is the option-card class. None when cancelled.
extern THook<TBot*(TGame& game, const TBot* excluded, const TClass& cardClass)> SelectBot;

// The "Add Bot to Game" dialog: a list of robots, by default several of them chosen at once.
class TfrmAddBot : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAddBot(QWidget* parent = nullptr);

    // Lists the robots by their type's display name.
    void SetBots(const std::vector<TBot*>& bots);
    void SetSingleSelection();
    // The chosen robots, in list order.
    std::vector<TBot*> SelectedBots() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* lstBots = nullptr;
    std::vector<TBot*> FBots;
};
