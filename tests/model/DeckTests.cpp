#include "model/ProgramUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <set>

namespace {

std::vector<std::string> PileIDs(const TDeck& deck)
{
    std::vector<std::string> ids;
    for (int i = 0; i < deck.ShuffledList()->Count(); ++i)
        ids.push_back(deck.ShuffledList()->Refs(i)->ID());
    return ids;
}

// The card line as the file must hold it, written out by hand from the card table.
std::string CardLine(const std::string& id, const std::string& name, const std::string& kind, int priority)
{
    return "<ProgramCard ID=\"" + id + "\"><CardName>" + name + "</CardName><CardState>csAvailable</CardState><Kind>" + kind +
        "</Kind><Priority>" + std::to_string(priority) + "</Priority></ProgramCard>\r\n";
}
} // namespace

TEST(ProgramCard, KindNamesTheCardWhenSetOrReadAndTurnsAreListedWithoutPriority)
{
    TProgramCard card;
    EXPECT_EQ(card.CardName(), "Unknown");
    struct Case { TProgramCardKind Kind; int Priority; const char* Display; const char* Listing; };
    const Case cases[] = {{ckRotateRight, 420, "Rotate Right (420)", "Rotate Right"},
        {ckMoveOne, 490, "Move 1 (490)", "Move 1 (490)"}, {ckUTurn, 10, "U-Turn (10)", "U-Turn"},
        {ckBackup, 430, "Backup (430)", "Backup (430)"}};
    for (const Case& c : cases) {
        card.SetKind(c.Kind);
        card.SetPriority(c.Priority);
        EXPECT_EQ(card.DisplayName(), c.Display);
        EXPECT_EQ(card.ListingName(), c.Listing);
    }

    // Reading the kind renames the card.
    card.LoadFromXMLString("<ProgramCard ID=\"490Move1\"><CardName>Custom</CardName><Kind>ckmoveone</Kind></ProgramCard>");
    EXPECT_EQ(card.Kind(), ckMoveOne);
    EXPECT_EQ(card.CardName(), "Move 1");
    // Properties are applied in their declared order, not the file's: the kind names the card.
    card.LoadFromXMLString("<ProgramCard><Kind>ckBackup</Kind><CardName>Custom</CardName></ProgramCard>");
    EXPECT_EQ(card.CardName(), "Backup");
    card.SetKind(ckMoveOne);
    card.LoadFromXMLString("<ProgramCard><CardName>Custom</CardName><Kind>ckSideStep</Kind></ProgramCard>");
    EXPECT_EQ(card.Kind(), ckMoveOne); // an unknown kind leaves the kind as it was
    EXPECT_EQ(card.CardName(), "Custom");
}

TEST(ProgramDeck, DrawPileIsWrittenLastOneEmptyReferencePerCard)
{
    QTemporaryDir dir;
    std::string file = dir.path().toStdString() + "/Small.xml";
    TProgramDeck deck;
    AddProgramCard(deck, ckMoveOne, 490);
    AddProgramCard(deck, ckUTurn, 10);
    AddProgramCard(deck, ckBackup, 430);
    SetRandSeed(7);
    deck.ShuffleAll();
    std::vector<std::string> pile = PileIDs(deck);
    deck.SaveToXMLFile(file);
    std::string small = "<ProgramDeck>" + CardLine("490Move1", "Move 1", "ckMoveOne", 490) +
        CardLine("10UTurn", "U-Turn", "ckUTurn", 10) + CardLine("430Backup", "Backup", "ckBackup", 430) + "<ShuffledProgramCardRefList>";
    for (std::size_t i = 0; i < pile.size(); ++i)
        small += "<ProgramCardRef ID=\"" + pile[i] + "\"></ProgramCardRef>" + (i + 1 < pile.size() ? "\r\n" : "");
    small += "</ShuffledProgramCardRefList></ProgramDeck>\r\n";
    EXPECT_EQ(ReadBytes(file), small);
}

TEST(ProgramDeck, ShuffleForAFixedSeedGivesAFixedOrderAndSmallPilesDrawNoNumber)
{
    TProgramDeck deck;
    BuildProgramCards(deck);
    SetRandSeed(42);
    deck.BuildShuffledList();
    std::vector<std::string> pile = PileIDs(deck);
    ASSERT_EQ(pile.size(), 84u);
    // Worked out separately from the generator and the exchange order.
    std::vector<std::string> top(pile.begin(), pile.begin() + 8);
    EXPECT_EQ(top, (std::vector<std::string>{"790Move3", "800Move3", "210RotateLeft", "80RotateRight", "500Move1",
                       "410RotateLeft", "520Move1", "200RotateRight"}));
    EXPECT_EQ(pile[81], "170RotateLeft");
    EXPECT_EQ(pile[83], "270RotateLeft");
    EXPECT_EQ(std::set<std::string>(pile.begin(), pile.end()).size(), 84u);

    // A pile of none or one card is built without drawing a random number.
    for (int n : {0, 1}) {
        TProgramDeck small;
        if (n == 1)
            AddProgramCard(small, ckMoveOne, 490);
        SetRandSeed(99);
        small.BuildShuffledList();
        EXPECT_EQ(RandSeed(), 99u);
        ASSERT_NE(small.ShuffledList(), nullptr);
        EXPECT_EQ(small.ShuffledList()->Count(), n);
    }
}

TEST(ProgramDeck, ShufflesLeaveRegisterCardsOut)
{
    TProgramDeck deck;
    BuildProgramCards(deck);
    deck.Cards(0)->SetCardState(csRegisterProgrammed);
    deck.Cards(1)->SetCardState(csRegisterLocked);
    deck.Cards(2)->SetCardState(csDealt);
    deck.Cards(3)->SetCardState(csDiscarded);
    deck.ShuffleDiscards();
    EXPECT_EQ(deck.ShuffledList()->Count(), 81); // the discard came back, the dealt card did not
    EXPECT_EQ(deck.Cards(2)->CardState(), csDealt);
    deck.ShuffleAll();
    EXPECT_EQ(deck.ShuffledList()->Count(), 82);
    EXPECT_EQ(deck.ShuffledList()->FindRef(deck.Cards(0)->ID()), nullptr);
    EXPECT_EQ(deck.ShuffledList()->FindRef(deck.Cards(1)->ID()), nullptr);
    EXPECT_EQ(deck.Cards(1)->CardState(), csRegisterLocked);
    EXPECT_EQ(deck.AvailableCount(), 82);
    EXPECT_EQ(deck.AvailableCard(0), deck.Cards(2));
    EXPECT_EQ(deck.AvailableCard(82), nullptr);
    // The rebuild replaces the pile rather than adding a second one.
    EXPECT_EQ(deck.CountOf(TShuffledProgramCardRefList::StaticClass()), 1);
}

TEST(ProgramDeck, DealingTakesTheTopCardThenReshufflesDiscardsThenReports)
{
    TMessageCapture capture;
    TProgramDeck deck;
    BuildProgramCards(deck);
    SetRandSeed(1);
    TCard* first = deck.DealCard(); // no pile yet: shuffles everything first
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->CardState(), csDealt);
    EXPECT_EQ(deck.ShuffledList()->Count(), 83);
    std::string top = deck.ShuffledList()->Refs(0)->ID();
    EXPECT_EQ(deck.DealCard()->ID(), top);

    TProgramDeck two;
    AddProgramCard(two, ckMoveOne, 490);
    AddProgramCard(two, ckMoveTwo, 670);
    TCard* a = two.DealCard();
    TCard* b = two.DealCard();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    a->Discard();
    EXPECT_EQ(two.DealCard(), a); // the discard was shuffled back in
    EXPECT_TRUE(capture.Messages().empty());
    EXPECT_EQ(two.DealCard(), nullptr);
    EXPECT_EQ(capture.Messages(), std::vector<std::string>{"Deck TProgramDeck is out of cards."});
}

// References a damaged file left to missing or locked cards are skipped; a pile of nothing but
// stale references falls back to the discards without a word.
TEST(ProgramDeck, DamagedPileDealsEachCardOnceAtMost)
{
    struct Case { const char* Text; const char* Dealt; TCardState Move1After; };
    const Case cases[] = {
        {"<ProgramDeck><ProgramCard ID=\"490Move1\"><CardState>csRegisterLocked</CardState></ProgramCard>"
         "<ProgramCard ID=\"670Move2\"></ProgramCard><ShuffledProgramCardRefList>"
         "<ProgramCardRef ID=\"nothing\"></ProgramCardRef><ProgramCardRef ID=\"490Move1\"></ProgramCardRef>"
         "<ProgramCardRef ID=\"670Move2\"></ProgramCardRef></ShuffledProgramCardRefList></ProgramDeck>",
            "670Move2", csRegisterLocked},
        {"<ProgramDeck><ProgramCard ID=\"490Move1\"><CardState>csDiscarded</CardState></ProgramCard>"
         "<ShuffledProgramCardRefList><ProgramCardRef ID=\"gone\"></ProgramCardRef>"
         "</ShuffledProgramCardRefList></ProgramDeck>",
            "490Move1", csDealt},
    };
    for (const Case& c : cases) {
        TMessageCapture capture;
        TProgramDeck deck;
        deck.LoadFromXMLString(c.Text);
        TCard* card = deck.DealCard();
        ASSERT_NE(card, nullptr);
        EXPECT_EQ(card->ID(), c.Dealt);
        EXPECT_TRUE(capture.Messages().empty());
        EXPECT_EQ(deck.FindCard("490Move1")->CardState(), c.Move1After);
    }
}

TEST(ProgramDeck, CopyCardsFromCopiesCardsButNotThePile)
{
    TProgramDeck source;
    BuildProgramCards(source);
    source.ShuffleAll();
    source.Cards(5)->SetCardState(csRegisterLocked);
    TProgramDeck copy;
    copy.CopyCardsFrom(source);
    EXPECT_EQ(copy.ShuffledList(), nullptr);
    const std::string text = source.SaveToXMLString();
    EXPECT_EQ(copy.SaveToXMLString(), text.substr(0, text.find("\r\n<Shuffled")) + "</ProgramDeck>");
}

TEST(CardRefList, ReferencesByID)
{
    TProgramCardRefList hand;
    TProgramCard card;
    card.SetID("490Move1");
    hand.AddRef(card);
    hand.AddRefByID("10UTurn");
    hand.AddRefByID("490Move1");
    hand.DeleteRefByID("490Move1"); // the first only
    hand.DeleteRefByID("none");
    EXPECT_EQ(hand.FindRef("10uturn"), nullptr);
    EXPECT_EQ(hand.FindRef("10UTurn"), hand.Refs(0));
    EXPECT_EQ(hand.SaveToXMLString(),
        "<ProgramCardRefList><ProgramCardRef ID=\"10UTurn\"></ProgramCardRef>\r\n<ProgramCardRef ID=\"490Move1\"></ProgramCardRef></ProgramCardRefList>");
}
