#include "windows/frmSelectBotOption.h"

#include "model/BotUnt.h"
#include "model/OptionUnt.h"
#include "session/DialogRulesUnt.h"
#include "windows/ModalDialogUnt.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

THook<TOptionCard*(TBot&)> GetBotOption([](TBot& bot) {
    TfrmGetBotOption dialog(DialogParent());
    dialog.SetOptions(OptionsToSelect(bot));
    if (!ShowModalDialog(dialog))
        return static_cast<TOptionCard*>(nullptr);
    return dialog.SelectedOption();
});

TfrmGetBotOption::TfrmGetBotOption(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmGetBotOption");
    setWindowTitle("Get Bot Option");

    lstOptions = new QListWidget(this);
    lstOptions->setObjectName("lstOptions");
    lstOptions->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* lblOptions = new QLabel("&Select an Option", this);
    lblOptions->setBuddy(lstOptions);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnOk = buttons->button(QDialogButtonBox::Ok);
    btnOk->setObjectName("btnOk");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblOptions);
    layout->addWidget(lstOptions);
    layout->addWidget(buttons);

    // OK starts enabled and then follows the list after each click, key and mouse release.
    lstOptions->installEventFilter(this);
    lstOptions->viewport()->installEventFilter(this);
    connect(lstOptions, &QListWidget::itemSelectionChanged, this, &TfrmGetBotOption::UpdateOkButton);
    lstOptions->setFocus();
}

void TfrmGetBotOption::SetOptions(const std::vector<TOptionCard*>& options)
{
    FOptions = options;
    lstOptions->clear();
    for (const TOptionCard* card : FOptions)
        lstOptions->addItem(QString::fromStdString(card->CardName()));
}

TOptionCard* TfrmGetBotOption::SelectedOption() const
{
    const QList<QListWidgetItem*> selected = lstOptions->selectedItems();
    const int row = selected.isEmpty() ? -1 : lstOptions->row(selected.front());
    return row >= 0 && row < static_cast<int>(FOptions.size()) ? FOptions[static_cast<std::size_t>(row)] : nullptr;
}

void TfrmGetBotOption::UpdateOkButton() { btnOk->setEnabled(!lstOptions->selectedItems().isEmpty()); }

bool TfrmGetBotOption::eventFilter(QObject* watched, QEvent* event)
{
    // The press before a release has already changed the selection; a change made by the
    // release itself comes through the selection signal.
    if (event->type() == QEvent::KeyRelease || event->type() == QEvent::MouseButtonRelease)
        UpdateOkButton();
    return QDialog::eventFilter(watched, event);
}
