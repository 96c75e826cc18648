#include "session/WorkflowFixture.h"

#include "model/PhaseUnt.h"
#include "model/PrivateMessageUnt.h"
#include "session/ProcessTurnRulesUnt.h"
#include "model/TurnUnt.h"
#include "session/TurnCycleUnt.h"

#include <algorithm>
#include <vector>

namespace {

class TurnCycleTest : public SessionTest {
protected:
    // Programs register n (1 to 5) with the bot's hand card at that index, locked or not.
    TCard* Program(TBot& bot, int n, int handIndex, bool locked)
    {
        TCard* card = Deck().FindCard(bot.Hand()->Refs(handIndex)->ID());
        TBotRegister* reg = bot.Registers()->Registers(n - 1);
        reg->ProgramWith(*card);
        reg->SetIsLocked(locked);
        if (locked)
            card->SetCardState(csRegisterLocked);
        return card;
    }

    std::vector<std::string> HandIDs(TBot& bot)
    {
        std::vector<std::string> ids;
        for (int i = 0; i < bot.Hand()->Count(); ++i)
            ids.push_back(bot.Hand()->Refs(i)->ID());
        return ids;
    }
    // Each option of the bot as "ID quantity facing; ".
    static std::string Options(TBot& bot)
    {
        std::string text;
        for (int i = 0; i < bot.Options()->Count(); ++i)
            text += Format("%s %d %d; ", bot.Options()->Items(i)->ID().c_str(), bot.Options()->Items(i)->Quantity(),
                static_cast<int>(bot.Options()->Items(i)->OptionFacing()));
        return text;
    }
};

bool Holds(const std::vector<std::string>& ids, const std::string& id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

} // namespace

TEST_F(TurnCycleTest, TheFirstTurnDealsAndStartsFromTheGamesChits)
{
    TGame& game = StartGame(Session, {btZoomBot, btTwonky, btHammerBot});
    NextTurn(game);
    ASSERT_EQ(game.TurnCount(), 1);
    for (TBotType type : {btZoomBot, btTwonky, btHammerBot})
        EXPECT_EQ(Bot(type).Hand()->Count(), 9) << BotTypeName(type);
    EXPECT_EQ(Bot(btSpinBot).Hand()->Count(), 0);
    TChitList& start = *game.CurrentTurn()->PhaseByNumber(0)->ChitList();
    ASSERT_EQ(start.Count(), game.ChitList()->Count());
    TChit* flag = start.FindByID("Flag3");
    ASSERT_NE(flag, nullptr);
    EXPECT_TRUE(flag->IsOnMap());
    EXPECT_EQ(flag->UsedBoard(), game.UsedBoardList()->Items(1));
    EXPECT_EQ(flag->Board(), Session.BoardList()->Items(1));

    // Later turns start from the last phase of the turn before, not from the game's chits.
    game.ChitList()->FindByID("Flag3")->TakeOffMap();
    game.CurrentTurn()->PhaseByNumber(5)->CopyChitsFrom(start);
    game.CurrentTurn()->PhaseByNumber(5)->ChitList()->FindByID("Flag1")->TakeOffMap();
    game.CurrentTurn()->SetCurrentPhaseNumber(5);
    NextTurn(game);
    TChitList& second = *game.CurrentTurn()->PhaseByNumber(0)->ChitList();
    EXPECT_TRUE(second.FindByID("Flag3")->IsOnMap());
    EXPECT_FALSE(second.FindByID("Flag1")->IsOnMap());
}

// Trade Hand and New Hand leave locked cards where they are.
TEST_F(TurnCycleTest, TradeHandAndNewHandLeaveLockedCardsWhereTheyAre)
{
    TGame& game = StartGame(Session, {btZoomBot, btTwonky});
    NextTurn(game);
    TBot& zoom = Bot(btZoomBot);
    TBot& twonky = Bot(btTwonky);
    TCard* fourth = Program(zoom, 4, 3, true);
    TCard* fifth = Program(zoom, 5, 4, true);
    const std::vector<std::string> zoomBefore = HandIDs(zoom);
    const std::vector<std::string> twonkyBefore = HandIDs(twonky);

    TradeHand(game, zoom, twonky);
    // The moving cards arrive last first, behind the locked ones that stay.
    std::vector<std::string> zoomExpected = {fourth->ID(), fifth->ID()}, twonkyExpected;
    zoomExpected.insert(zoomExpected.end(), twonkyBefore.rbegin(), twonkyBefore.rend());
    for (auto id = zoomBefore.rbegin(); id != zoomBefore.rend(); ++id)
        if (*id != fourth->ID() && *id != fifth->ID())
            twonkyExpected.push_back(*id);
    const std::vector<std::string> zoomAfter = HandIDs(zoom);
    EXPECT_EQ(zoomAfter, zoomExpected);
    EXPECT_EQ(HandIDs(twonky), twonkyExpected);

    NewHand(game, zoom);
    const std::vector<std::string> fresh = HandIDs(zoom);
    ASSERT_EQ(fresh.size(), 9u);
    EXPECT_EQ(fresh[0], fourth->ID());
    EXPECT_EQ(fresh[1], fifth->ID());
    for (std::size_t i = 2; i < fresh.size(); ++i)
        EXPECT_FALSE(Holds(zoomAfter, fresh[i])) << fresh[i];
    EXPECT_EQ(Deck().FindCard(twonkyBefore[0])->CardState(), csDiscarded);
}

TEST_F(TurnCycleTest, TradeOptionSwapsTheChosenOptionsWithTheirValues)
{
    TGame& game = StartGame(Session, {btZoomBot, btTwonky});
    TBot& zoom = Bot(btZoomBot);
    TBot& twonky = Bot(btTwonky);
    TOptionCard* given = DealOption(game, zoom);
    TOptionCard* shown = DealOption(game, zoom);
    TOptionCard* theirs = DealOption(game, twonky);
    ASSERT_TRUE(given && shown && theirs);
    // An earlier option in another state is not listed; the listed one must be the one traded.
    given->SetCardState(csDiscarded);
    shown->SetQuantity(2);
    shown->SetOptionFacing(ofLeft);
    theirs->SetOptionFacing(ofBack);
    // The options as the robots hold them: the discarded one, the one traded; theirs.
    const std::string zooms = Options(zoom), twonkys = Options(twonky);
    const std::size_t split = zooms.find("; ") + 2;
    const std::string deck = game.OptionDeck()->SaveToXMLString();
    ASSERT_EQ(ShownOptions(zoom), std::vector<int>{1});

    ASSERT_TRUE(TradeOption(zoom, *shown, twonky, *theirs));
    EXPECT_EQ(Options(zoom), zooms.substr(0, split) + twonkys);
    EXPECT_EQ(Options(twonky), zooms.substr(split));
    EXPECT_EQ(game.OptionDeck()->SaveToXMLString(), deck);
    // An option that is not the bot's own is refused.
    EXPECT_FALSE(TradeOption(zoom, *twonky.Options()->Items(0), twonky, *zoom.Options()->Items(0)));
}

TEST_F(TurnCycleTest, TheBuzzBombComesWithItsHoldersNameAndLeavesNothingLocked)
{
    TGame& game = StartGame(Session, {btZoomBot, btTwonky});
    Bot(btTwonky).SetPlayerName("Ann");
    TOptionCard* card = static_cast<TOptionCard*>(game.OptionDeck()->FindCard("BuzzBomb"));
    ASSERT_NE(card, nullptr);
    card->SetCardState(csDealt);
    Bot(btTwonky).Options()->AddOptionCopy(*card);

    ASSERT_TRUE(AddBuzzBomb(game));
    TBot& bomb = Bot(btBuzzBomb);
    EXPECT_TRUE(bomb.InUseFlag());
    EXPECT_EQ(bomb.PlayerName(), "Ann");
    EXPECT_EQ(bomb.MaxCards(), 5);
    EXPECT_EQ(bomb.LivesCount(), 1);
    EXPECT_FALSE(AddBuzzBomb(game));

    NextTurn(game);
    ASSERT_EQ(bomb.Hand()->Count(), 5);
    TCard* locked = Program(bomb, 5, 0, true);
    Program(bomb, 1, 1, false);
    const std::string extraID = bomb.Hand()->Refs(2)->ID();
    bomb.ExtraRegisters()->AddExtraRegister(*Deck().FindCard(extraID))->SetIsLocked(true);
    Deck().FindCard(extraID)->SetCardState(csRegisterLocked);

    ASSERT_TRUE(DeleteBuzzBomb(game));
    EXPECT_FALSE(bomb.InUseFlag());
    EXPECT_EQ(bomb.Hand()->Count(), 0);
    EXPECT_EQ(bomb.ExtraRegisters()->Count(), 0);
    // Five empty, unlocked registers, as a fresh robot has.
    EXPECT_EQ(bomb.Registers()->SaveToXMLString(), TBotRegisterList().SaveToXMLString());
    EXPECT_EQ(locked->CardState(), csDiscarded);
    EXPECT_EQ(Deck().FindCard(extraID)->CardState(), csDiscarded);
    EXPECT_FALSE(DeleteBuzzBomb(game));
}

TEST_F(TurnCycleTest, OptionsDealtShownDiscardedAndViewed)
{
    TGame& game = StartGame(Session, {btZoomBot});
    TBot& zoom = Bot(btZoomBot);
    TOptionCard* option = DealOption(game, zoom);
    ASSERT_NE(option, nullptr);
    TOptionCard* deckCard = static_cast<TOptionCard*>(game.OptionDeck()->FindCard(option->ID()));
    EXPECT_EQ(deckCard->CardState(), csDealt);

    struct TCase {
        int DeckQuantity, Quantity, Minimum, Maximum;
    };
    for (const TCase& c : {TCase{5, 3, 0, 5}, TCase{-1, -1, -1, -1}, TCase{2, 4, 0, 4}}) {
        deckCard->SetQuantity(c.DeckQuantity);
        option->SetQuantity(c.Quantity);
        const TOptionView view = OptionView(&game, *option);
        EXPECT_EQ(view.Quantity, c.Quantity);
        EXPECT_EQ(view.QuantityMinimum, c.Minimum) << c.Quantity;
        EXPECT_EQ(view.QuantityMaximum, c.Maximum) << c.Quantity;
    }
    option->SetDescription("One.<br>Two.");
    option->SetDamage(-1);
    option->SetKind({okFlying, okDevice});
    option->SetOptionFacing(ofRight);
    const TOptionView view = OptionView(&game, *option);
    EXPECT_EQ(view.Description, "One.\r\n\r\nTwo.");
    EXPECT_EQ(view.Damage, "");
    EXPECT_EQ(view.Kind, "Flying, Device");
    EXPECT_EQ(view.Facing, static_cast<int>(ofRight));

    DiscardOption(game, zoom, *option);
    EXPECT_EQ(zoom.Options()->Count(), 0);
    EXPECT_EQ(deckCard->CardState(), csDiscarded);
}

TEST(TurnCycleRules, FlagItemsFollowTheGamesFlagCount)
{
    EXPECT_EQ(FlagItems(nullptr), std::vector<std::string>{"None"});
    TGame game;
    game.SetFlagCount(3);
    EXPECT_EQ(FlagItems(&game), (std::vector<std::string>{"None", "Flag 1", "Flag 2", "Flag 3"}));
    // A hand-edited file may hold more flags than the dialog allows: they still get names.
    game.SetFlagCount(8);
    EXPECT_EQ(FlagItems(&game).back(), "Flag 8");
    game.SetFlagCount(-2);
    EXPECT_EQ(FlagItems(&game).size(), 1u);
}

TEST(TurnCycleRules, AProgramIsInWhenAllFiveRegistersHoldACard)
{
    TBot bot;
    EXPECT_FALSE(ProgramIsIn(bot));
    for (int r = 0; r < 5; ++r)
        bot.Registers()->Registers(r)->SetCardID("490Move1");
    EXPECT_TRUE(ProgramIsIn(bot));
    bot.Registers()->Registers(2)->Clear();
    EXPECT_FALSE(ProgramIsIn(bot));
    // The last register is read too: four of five is still waiting.
    bot.Registers()->Registers(2)->SetCardID("490Move1");
    bot.Registers()->Registers(4)->Clear();
    EXPECT_FALSE(ProgramIsIn(bot));
}

// A robot's archive stays where it was set until it is set again: the next turn's private
// message names it and Move To brings the robot back to it.
TEST_F(TurnCycleTest, AnArchiveSetInOneTurnHoldsInTheNext)
{
    TGame& game = StartGame(Session, {btZoomBot});
    NextTurn(game);
    TChit& robot = *game.CurrentPhase()->ChitList()->FindByID("ZoomBot");
    robot.PlaceAt(game.UsedBoardList()->Items(1), 6, 9);
    ASSERT_NE(SetArchive(*game.CurrentPhase(), robot), nullptr);
    while (game.NextPhase()) {
    }
    NextTurn(game);
    ASSERT_EQ(game.TurnCount(), 2);
    TPhase& start = *game.CurrentTurn()->PhaseByNumber(0);
    const TBotArchive* archive = start.ArchiveList()->FindByBotType(btZoomBot);
    ASSERT_NE(archive, nullptr);
    EXPECT_EQ(archive->UsedBoardID(), game.UsedBoardList()->Items(1)->ID());
    const std::string pm = MakePM(game, Bot(btZoomBot));
    EXPECT_EQ(pm.substr(pm.rfind("Archive Location: ")), "Archive Location: (6, 9) on "
            + game.BoardList()->FindByID(game.UsedBoardList()->Items(1)->BoardID())->Description() + " (2, 1)\r\n");

    TChit& moved = *start.ChitList()->FindByID("ZoomBot");
    moved.PlaceAt(game.UsedBoardList()->Items(0), 1, 1);
    ASSERT_TRUE(MoveToArchive(start, moved));
    EXPECT_EQ(moved.UsedBoardID(), game.UsedBoardList()->Items(1)->ID());
    EXPECT_EQ(moved.X(), 6);
    EXPECT_EQ(moved.Y(), 9);
}
