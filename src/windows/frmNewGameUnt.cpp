#include "windows/frmNewGameUnt.h"

#include "session/DialogRulesUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/frmDesignMapUnt.h"
#include "session/SettingsUnt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// Refuses text holding a character that cannot stand in a folder name, so that such a
// character typed or pasted into the name box has no effect.
class TGameNameValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return HasRefusedGameNameChar(input.toStdString()) ? Invalid : Acceptable;
    }
};

} // namespace

THook<bool(TNewGameSettings&, TBoardList&, TChitList&)> ExecuteNewGame(
    [](TNewGameSettings& settings, TBoardList& boards, TChitList& chits) {
        {
            TfrmNewGame dialog(DialogParent());
            if (!ShowModalDialog(dialog))
                return false;
            dialog.ApplyTo(settings);
        }
        return DesignMap(settings, chits, boards);
    });

TfrmNewGame::TfrmNewGame(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmNewGame");
    setWindowTitle("New Game");

    edtGameName = new QLineEdit(this);
    edtGameName->setObjectName("edtGameName");
    edtGameName->setValidator(new TGameNameValidator(edtGameName));
    auto* lblGameName = new QLabel("Game &Name", this);
    lblGameName->setBuddy(edtGameName);

    lstOptionSets = new QListWidget(this);
    lstOptionSets->setObjectName("lstOptionSets");
    lstOptionSets->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* lblOptionSets = new QLabel("Which &Option sets will be used in this game?", this);
    lblOptionSets->setBuddy(lstOptionSets);

    edtArchivesCount = new QSpinBox(this);
    edtArchivesCount->setObjectName("edtArchivesCount");
    edtArchivesCount->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    auto* lblArchivesCount = new QLabel("Number of bot &archive copies ", this);
    lblArchivesCount->setBuddy(edtArchivesCount);

    edtNumberOfFlags = new QSpinBox(this);
    edtNumberOfFlags->setObjectName("edtNumberOfFlags");
    edtNumberOfFlags->setRange(1, 6);
    auto* lblNumberOfFlags = new QLabel("Number of &flags", this);
    lblNumberOfFlags->setBuddy(edtNumberOfFlags);

    FButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnOk = FButtons->button(QDialogButtonBox::Ok);
    btnOk->setObjectName("btnOk");
    FButtons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
    connect(FButtons, &QDialogButtonBox::accepted, this, &TfrmNewGame::btnOkClick);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* numbers = new QFormLayout;
    numbers->addRow(lblArchivesCount, edtArchivesCount);
    numbers->addRow(lblNumberOfFlags, edtNumberOfFlags);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblGameName);
    layout->addWidget(edtGameName);
    layout->addSpacing(6);
    layout->addWidget(lblOptionSets);
    layout->addWidget(lstOptionSets);
    layout->addSpacing(6);
    layout->addLayout(numbers);
    layout->addSpacing(6);
    layout->addWidget(FButtons);

    edtGameName->setText(NewGameNamePlaceholder);
    edtGameName->selectAll();
    edtNumberOfFlags->setValue(4);
    FillOptionSets();
    // Room for the option sets and a line more, no more.
    const int line = std::max(lstOptionSets->sizeHintForRow(0), lstOptionSets->fontMetrics().height() + 2);
    lstOptionSets->setFixedHeight(line * (lstOptionSets->count() + 1) + 2 * lstOptionSets->frameWidth());
    setMinimumWidth(360);
    edtArchivesCount->setValue(4);
    lstOptionSets->selectAll();

    connect(edtGameName, &QLineEdit::textChanged, this, &TfrmNewGame::NameEdited);
    connect(lstOptionSets, &QListWidget::itemSelectionChanged, this, &TfrmNewGame::UpdateOkButton);
    connect(edtArchivesCount, &QSpinBox::valueChanged, this, &TfrmNewGame::UpdateOkButton);
    UpdateOkButton();

    // Ctrl+A anywhere selects every option set, also where a control has its own Ctrl+A.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    edtGameName->setFocus();
}

void TfrmNewGame::FillOptionSets()
{
    lstOptionSets->clear();
    for (TOptionSource source : OfferedOptionSources()) {
        auto* item = new QListWidgetItem(OptionSourceNames[source], lstOptionSets);
        item->setData(Qt::UserRole, static_cast<int>(source));
    }
}

void TfrmNewGame::UpdateOkButton()
{
    btnOk->setEnabled(NewGameCanAccept(edtGameName->text().toStdString(),
        static_cast<int>(lstOptionSets->selectedItems().size()), edtArchivesCount->value()));
}

void TfrmNewGame::NameEdited(const QString& text)
{
    if (text.isEmpty()) {
        // Setting the text calls this again, with the placeholder.
        edtGameName->setText(NewGameNamePlaceholder);
        edtGameName->selectAll();
        return;
    }
    UpdateOkButton();
}

bool TfrmNewGame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->matches(QKeySequence::SelectAll))
        lstOptionSets->selectAll();
    return QDialog::eventFilter(watched, event);
}

void TfrmNewGame::btnOkClick()
{
    // Another game's folder would receive this game's pictures: the game master may go back to
    // the name.
    const std::string warning = ExistingGameFolderWarning(edtGameName->text().toStdString());
    if (!warning.empty() && !AskGoOn(warning)) {
        edtGameName->setFocus();
        edtGameName->selectAll();
        return;
    }
    accept();
}

void TfrmNewGame::ApplyTo(TNewGameSettings& settings) const
{
    settings.GameName = edtGameName->text().toStdString();
    TOptionSourceSet sources;
    for (const QListWidgetItem* item : lstOptionSets->selectedItems())
        sources.Include(static_cast<TOptionSource>(item->data(Qt::UserRole).toInt()));
    settings.OptionSources = sources;
    settings.ArchivesPerBot = edtArchivesCount->value();
    settings.FlagCount = edtNumberOfFlags->value();
}
