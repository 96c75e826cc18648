#include "windows/frmAddBotUnt.h"

#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "session/DialogRulesUnt.h"
#include "windows/ModalDialogUnt.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

THook<bool(TGame&)> AddBots([](TGame& game) {
    TfrmAddBot dialog(DialogParent());
    if (game.BotList())
        dialog.SetBots(BotsToAdd(*game.BotList()));
    if (!ShowModalDialog(dialog))
        return false;
    std::vector<TBot*> chosen = dialog.SelectedBots();
    for (TBot* bot : chosen)
        bot->SetInUseFlag(true);
    return !chosen.empty();
});

THook<TBot*(TGame&, const TBot*, const TClass&)> SelectBot([](TGame& game, const TBot* excluded, const TClass& cardClass) {
    TfrmAddBot dialog(DialogParent());
    dialog.SetSingleSelection();
    if (game.BotList())
        dialog.SetBots(BotsToSelect(*game.BotList(), excluded, cardClass));
    if (!ShowModalDialog(dialog))
        return static_cast<TBot*>(nullptr);
    std::vector<TBot*> chosen = dialog.SelectedBots();
    return chosen.empty() ? nullptr : chosen.front();
});

TfrmAddBot::TfrmAddBot(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmAddBot");
    setWindowTitle("Add Bot to Game");

    lstBots = new QListWidget(this);
    lstBots->setObjectName("lstBots");
    lstBots->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* lblBots = new QLabel("Unused &Bots", this);
    lblBots->setBuddy(lstBots);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOk");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblBots);
    layout->addWidget(lstBots);
    layout->addWidget(buttons);

    // Ctrl+A anywhere selects every robot.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    lstBots->setFocus();
}

void TfrmAddBot::SetBots(const std::vector<TBot*>& bots)
{
    FBots = bots;
    lstBots->clear();
    for (const TBot* bot : FBots)
        lstBots->addItem(QString::fromStdString(bot->BotTypeName()));
}

void TfrmAddBot::SetSingleSelection() { lstBots->setSelectionMode(QAbstractItemView::SingleSelection); }

std::vector<TBot*> TfrmAddBot::SelectedBots() const
{
    std::vector<TBot*> chosen;
    for (int i = 0, n = lstBots->count(); i < n && i < static_cast<int>(FBots.size()); ++i)
        if (lstBots->item(i)->isSelected())
            chosen.push_back(FBots[static_cast<std::size_t>(i)]);
    return chosen;
}

bool TfrmAddBot::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::SelectAll))
        lstBots->selectAll();
    return QDialog::eventFilter(watched, event);
}
