#include "windows/frmViewCardsUnt.h"

#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int ItemHeight = 16;

QColor StateColour(TCardState state)
{
    switch (state) {
    case csDiscarded:
        return QColor(255, 0, 255);
    case csDealt:
        return QColor(0, 0, 255);
    case csRegisterProgrammed:
        return QColor(0, 128, 0);
    case csRegisterLocked:
        return QColor(255, 0, 0);
    default:
        return QColor();
    }
}

QListWidget* NewCardList(QWidget* parent, const char* name)
{
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setItemDelegate(new TCardStateDelegate(list));
    list->setUniformItemSizes(true);
    return list;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

void AddCardLine(QListWidget* list, const std::string& text, TCardState state, const std::string& cardID)
{
    auto* item = new QListWidgetItem(QString::fromStdString(text), list);
    item->setData(TfrmViewCards::StateRole, static_cast<int>(state));
    item->setData(TfrmViewCards::CardIDRole, QString::fromStdString(cardID));
}

} // namespace

TCardStateColours CardStateColours(TCardState state, bool selected, const QPalette& palette, const QColor& listBackground)
{
    const QColor windowText = palette.color(QPalette::Text);
    const QColor highlightText = palette.color(QPalette::HighlightedText);
    const QColor own = StateColour(state);
    if (!own.isValid()) // available, or a state out of range from a damaged file
        return selected ? TCardStateColours{listBackground, windowText, listBackground}
                        : TCardStateColours{windowText, listBackground, windowText};
    return selected ? TCardStateColours{highlightText, own, listBackground} : TCardStateColours{own, listBackground, own};
}

const char* CardStateLegend(TCardState state)
{
    static const char* const legends[] = {"Available", "Discarded", "Dealt", "Register Programmed", "Register Locked"};
    return legends[state];
}

TCardState LegendState(const std::string& text)
{
    std::string name = "cs" + text;
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    int value = CardStateInfo().ValueOf(name);
    return value < 0 ? csAvailable : static_cast<TCardState>(value);
}

std::string ViewCardsCaption(const TDeck& deck)
{
    const std::string& className = deck.CardClass().ClassName();
    const std::string name = className.size() > 5 ? className.substr(1, className.size() - 5) : "";
    return "View " + name + " Cards";
}

std::string CardListText(const TCard& card)
{
    if (const auto* program = dynamic_cast<const TProgramCard*>(&card))
        return program->CardName() + " (" + std::to_string(program->Priority()) + ")";
    if (dynamic_cast<const TOptionCard*>(&card))
        return card.CardName();
    return card.ID();
}

std::optional<std::string> CardDetailText(const TCard& card)
{
    const auto* option = dynamic_cast<const TOptionCard*>(&card);
    if (!option)
        return std::nullopt;
    return option->ShownDescription();
}

// ---------------------------------------------------------------------------------------------

void TCardStateDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const QVariant stateData = index.data(TfrmViewCards::StateRole);
    // The legend's lines carry no card: their text names the state.
    const TCardState state = stateData.isValid() ? static_cast<TCardState>(stateData.toInt()) : LegendState(text.toStdString());
    const QWidget* list = option.widget;
    const QColor background = (list ? list->palette() : option.palette).color(QPalette::Base);
    const TCardStateColours colours = CardStateColours(state, option.state & QStyle::State_Selected, option.palette, background);

    painter->save();
    const QRect rect = option.rect;
    painter->fillRect(rect, colours.Background);
    painter->setPen(colours.Text);
    painter->setFont(option.font);
    painter->drawText(rect.adjusted(16, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    const int side = rect.height() - 8;
    if (side > 0)
        painter->fillRect(QRect(rect.left() + 4, rect.top() + 4, side, side), colours.Swatch);
    painter->restore();
}

QSize TCardStateDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QSize(QStyledItemDelegate::sizeHint(option, index).width() + 16, ItemHeight);
}

// ---------------------------------------------------------------------------------------------

TfrmViewCards::TfrmViewCards(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmViewCards");
    setWindowTitle("View %s Cards");
    lstCards = NewCardList(this, "lstCards");
    lstRemainingCards = NewCardList(this, "lstRemainingCards");
    lstLegend = NewCardList(this, "lstLegend");
    for (int state = csAvailable; state <= csRegisterLocked; ++state)
        new QListWidgetItem(CardStateLegend(static_cast<TCardState>(state)), lstLegend);
    QPalette legendPalette = lstLegend->palette();
    legendPalette.setColor(QPalette::Base, legendPalette.color(QPalette::Button));
    lstLegend->setPalette(legendPalette);
    lstLegend->setFixedHeight(5 * ItemHeight + 2 * lstLegend->frameWidth() + 2);
    mmoCardDetail = new QPlainTextEdit(this);
    mmoCardDetail->setObjectName("mmoCardDetail");
    mmoCardDetail->setReadOnly(true);
    mmoCardDetail->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    btnOk = new QPushButton("OK", this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    lblCards = NewLabel(this, "lblCards", "&All Cards (0)", lstCards);
    lblRemainingCards = NewLabel(this, "lblRemainingCards", "&Shuffled Remaining Cards (0)", lstRemainingCards);
    auto* layout = new QGridLayout(this);
    layout->addWidget(lblCards, 0, 0);
    layout->addWidget(lstCards, 1, 0, 4, 1);
    layout->addWidget(lblRemainingCards, 0, 1);
    layout->addWidget(lstRemainingCards, 1, 1, 4, 1);
    layout->addWidget(NewLabel(this, "lblLegend", "Legend", lstLegend), 0, 2);
    layout->addWidget(lstLegend, 1, 2);
    layout->addWidget(NewLabel(this, "lblCardDetail", "Details", mmoCardDetail), 2, 2);
    layout->addWidget(mmoCardDetail, 3, 2);
    layout->addWidget(btnOk, 4, 2, Qt::AlignRight | Qt::AlignBottom);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(3, 1);
    resize(700, 440);

    // A click, a key or the mouse released on a line all end in a new current line.
    connect(lstRemainingCards, &QListWidget::currentRowChanged, this, [this] { UpdateDetails(); });
    connect(lstRemainingCards, &QListWidget::itemClicked, this, [this] { UpdateDetails(); });
}

void TfrmViewCards::ShowDeck(TDeck& deck)
{
    FDeck = &deck;
    setWindowTitle(QString::fromStdString(ViewCardsCaption(deck)));
    const TShuffledCardRefList* pile = deck.ShuffledList();
    lblCards->setText(QString("&All Cards (%1)").arg(deck.Count()));
    lblRemainingCards->setText(QString("&Shuffled Remaining Cards (%1)").arg(pile ? pile->Count() : 0));

    lstCards->clear();
    for (int i = 0, n = deck.Count(); i < n; ++i)
        AddCardLine(lstCards, CardListText(*deck.Cards(i)), deck.Cards(i)->CardState(), deck.Cards(i)->ID());
    lstRemainingCards->clear();
    for (int i = 0, n = pile ? pile->Count() : 0; i < n; ++i) {
        const std::string& id = pile->Refs(i)->ID();
        // An entry of a damaged file that names no card shows its ID.
        const TCard* card = deck.FindCard(id);
        AddCardLine(lstRemainingCards, card ? CardListText(*card) : id, card ? card->CardState() : csAvailable, id);
    }
}

void TfrmViewCards::UpdateDetails()
{
    const QListWidgetItem* line = lstRemainingCards->currentItem();
    if (!FDeck || !line || !line->isSelected())
        return;
    const TCard* card = FDeck->FindCard(line->data(CardIDRole).toString().toStdString());
    std::optional<std::string> text = card ? CardDetailText(*card) : std::nullopt;
    if (text)
        mmoCardDetail->setPlainText(QString::fromStdString(*text).replace("\r\n", "\n"));
}

// ---------------------------------------------------------------------------------------------

void ViewCards(TDeck& deck)
{
    TfrmViewCards viewer(QApplication::activeWindow());
    viewer.ShowDeck(deck);
    viewer.exec();
}

THook<void(TGame&)> ViewProgramCards([](TGame& game) {
    if (TProgramDeck* deck = game.ProgramDeck()) {
        ViewCards(*deck);
    } else {
        TProgramDeck none;
        ViewCards(none);
    }
});

THook<void(TGame&)> ViewOptionCards([](TGame& game) {
    // A game made without option sets has no option deck: the viewer shows it empty.
    if (TOptionDeck* deck = game.OptionDeck()) {
        ViewCards(*deck);
    } else {
        TOptionDeck none;
        ViewCards(none);
    }
});
