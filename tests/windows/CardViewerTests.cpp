#include "model/GameUnt.h"
#include "windows/frmViewCardsUnt.h"
#include "common/ProgramGame.h"
#include "windows/UiWindowTestUtils.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>

#include <string>

namespace {

int RowOf(const QListWidget* list, const std::string& id) { return ::RowOf(list, TfrmViewCards::CardIDRole, id); }

// A game just dealt: two robots with nine cards each, one card programmed and one locked.
struct DealtGame : TProgramGame {
    DealtGame()
    {
        Game.SetBotArchiveMax(3);
        Bot(btHammerBot, "Ann");
        Bot(btSpinBot, "Ben");
        Game.NextTurn();
        TBot& hammer = *Game.BotList()->FindByType(btHammerBot);
        Program(hammer, 1, hammer.Hand()->Refs(0)->ID());
        Program(hammer, 2, hammer.Hand()->Refs(1)->ID(), true);
        Card(hammer.Hand()->Refs(2)->ID()).Discard();
    }
};

// Runs the modal window that the command opens, answers it and reports its title.
std::string TitleOfModalWindow(const std::function<void()>& command)
{
    std::string title;
    QTimer::singleShot(0, [&title] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            title = dialog->windowTitle().toStdString();
            dialog->accept();
        }
    });
    command();
    return title;
}

} // namespace

TEST(CardViewer, CaptionsCountsListsAndLineColoursOfADealtDeck)
{
    DealtGame g;
    TfrmViewCards viewer;
    viewer.ShowDeck(g.Deck());
    EXPECT_EQ(viewer.windowTitle(), "View Program Cards");
    EXPECT_EQ(Control<QLabel>(viewer, "lblCards")->text(), "&All Cards (84)");
    EXPECT_EQ(Control<QLabel>(viewer, "lblRemainingCards")->text(), "&Shuffled Remaining Cards (66)");
    auto* all = Control<QListWidget>(viewer, "lstCards");
    auto* remaining = Control<QListWidget>(viewer, "lstRemainingCards");
    ASSERT_EQ(all->count(), 84);
    for (int row = 0; row < all->count(); ++row) {
        EXPECT_EQ(all->item(row)->text().toStdString(), g.Deck().Cards(row)->DisplayName());
        EXPECT_EQ(all->item(row)->data(TfrmViewCards::StateRole).toInt(), g.Deck().Cards(row)->CardState());
    }
    QStringList pile;
    for (int i = 0; i < g.Deck().ShuffledList()->Count(); ++i)
        pile << QString::fromStdString(g.Deck().FindCard(g.Deck().ShuffledList()->Refs(i)->ID())->DisplayName());
    EXPECT_EQ(Lines(remaining), pile);

    // Each line is drawn in its state's colours, with the swatch at its left.
    viewer.show();
    QApplication::processEvents();
    const QColor window = all->palette().color(QPalette::Base);
    const TBot& hammer = *g.Game.BotList()->FindByType(btHammerBot);
    const std::string dealt = hammer.Hand()->Refs(3)->ID();
    const std::string discarded = hammer.Hand()->Refs(2)->ID();
    all->setCurrentRow(RowOf(all, discarded));
    struct {
        std::string ID;
        QColor Background, Swatch;
    } cases[] = {
        // Selected: highlight text on fuchsia, the swatch in the window colour.
        {discarded, QColor(255, 0, 255), window},
        {dealt, window, QColor(0, 0, 255)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ID);
        QListWidgetItem* item = all->item(RowOf(all, c.ID));
        all->scrollToItem(item);
        QApplication::processEvents();
        const QImage image = all->viewport()->grab().toImage();
        const QRect rect = all->visualItemRect(item);
        EXPECT_EQ(rect.height(), 16);
        EXPECT_EQ(QColor(image.pixel(rect.right() - 3, rect.top() + 8)), c.Background);
        EXPECT_EQ(QColor(image.pixel(rect.left() + 2, rect.top() + 8)), c.Background);
        EXPECT_EQ(QColor(image.pixel(rect.left() + 7, rect.top() + 7)), c.Swatch);
    }

    // A deck never shuffled has no remaining cards; the caption follows the card class.
    TOptionDeck options;
    AddOptionCard(options, "Brakes", otNone, "", -1, -1, osBaseGame, {okNone});
    viewer.ShowDeck(options);
    EXPECT_EQ(viewer.windowTitle(), "View Option Cards");
    EXPECT_EQ(Control<QLabel>(viewer, "lblCards")->text(), "&All Cards (1)");
    EXPECT_EQ(Control<QLabel>(viewer, "lblRemainingCards")->text(), "&Shuffled Remaining Cards (0)");
    EXPECT_EQ(Lines(all), QStringList{"Brakes"});
    EXPECT_EQ(remaining->count(), 0);

    // The legend's lines are read for their state in any letter case; anything else is available.
    const std::pair<const char*, TCardState> legends[] = {{"Register Programmed", csRegisterProgrammed},
        {"register locked", csRegisterLocked}, {"Locked", csAvailable}, {"", csAvailable}};
    for (const auto& [text, state] : legends)
        EXPECT_EQ(LegendState(text), state) << text;
}

TEST(CardViewer, AnOptionCardsRulesShowWithAnEmptyLineBetweenParagraphs)
{
    TOptionDeck deck;
    AddOptionCard(deck, "Brakes", otNone, "first paragraph<br>second paragraph", -1, -1, osBaseGame, {okNone});
    AddOptionCard(deck, "Flywheel", otTurnProgrammed, "One line.", -1, -1, osBaseGame, {okNone});
    deck.ShuffleAll();
    TfrmViewCards viewer;
    viewer.ShowDeck(deck);
    auto* remaining = Control<QListWidget>(viewer, "lstRemainingCards");
    auto* detail = Control<QPlainTextEdit>(viewer, "mmoCardDetail");
    EXPECT_TRUE(detail->isReadOnly());
    remaining->setCurrentRow(RowOf(remaining, "Brakes"));
    EXPECT_EQ(detail->toPlainText(), "first paragraph\n\nsecond paragraph");
    // The all-cards list leaves the details as they are.
    auto* all = Control<QListWidget>(viewer, "lstCards");
    all->setCurrentRow(1);
    EXPECT_EQ(detail->toPlainText(), "first paragraph\n\nsecond paragraph");
    remaining->setCurrentRow(RowOf(remaining, "Flywheel"));
    EXPECT_EQ(detail->toPlainText(), "One line.");

    TProgramCard move;
    move.SetKind(ckMoveTwo);
    move.SetPriority(670);
    EXPECT_EQ(CardDetailText(move), std::nullopt);
    EXPECT_EQ(CardListText(move), "Move 2 (670)");
    EXPECT_EQ(CardDetailText(*deck.Cards(0)), "first paragraph\r\n\r\nsecond paragraph");
}

TEST(CardViewer, MenuCommandsShowTheGamesDecksModally)
{
    DealtGame g;
    EXPECT_EQ(TitleOfModalWindow([&g] { ViewProgramCards(g.Game); }), "View Program Cards");
    EXPECT_EQ(TitleOfModalWindow([&g] { ViewOptionCards(g.Game); }), "View Option Cards");
}
