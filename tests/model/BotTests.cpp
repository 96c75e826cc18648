#include "model/BotUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "model/SavedRegisters.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

struct BotCardsTest : ::testing::Test {
    TProgramDeck Deck;
    void SetUp() override
    {
        SetRandSeed(12345);
        BuildProgramCards(Deck);
    }

    TProgramCard* HandCard(const TBot& bot, int index) const { return Deck.FindCard(bot.Hand()->Refs(index)->ID()); }

    // What the game master does: put a hand card into register n and lock it.
    void LockRegister(TBot& bot, int n, int handIndex)
    {
        TBotRegister* reg = bot.Registers()->Registers(n - 1);
        reg->ProgramWith(*HandCard(bot, handIndex));
        reg->SetIsLocked(true);
        Deck.FindCard(reg->CardID())->SetCardState(csRegisterLocked);
    }

    int CountInState(TCardState state) const
    {
        int count = 0;
        for (int i = 0; i < Deck.Count(); ++i)
            if (Deck.Cards(i)->CardState() == state)
                ++count;
        return count;
    }
};

} // namespace

// ----------------------------------------------------------------------------- construction and files

TEST(Bot, IsWrittenWithItsTenPropertiesThenItsFourChildren)
{
    TProgramDeck deck;
    TProgramCard* card = AddProgramCard(deck, ckMoveOne, 490);
    TBot bot;
    bot.SetBotType(btZoomBot);
    bot.SetPlayerName("O'Brien");
    bot.SetInUseFlag(true);
    bot.SetDamage(3);
    bot.SetBotState(bsVirtual);
    bot.SetBotActivityLevel(alShuttingDownNextTurn);
    bot.SetGameNotes("Moved left.<br>Lost a life.");
    bot.SetFlagTouched(2);
    bot.Hand()->AddRef(*card);
    bot.ExtraRegisters()->AddExtraRegister(*card);

    const std::string expected = "<Bot ID=\"btZoomBot\"><BotType>btZoomBot</BotType><PlayerName>O&apos;Brien</PlayerName>"
                                 "<MaxCards>9</MaxCards><InUseFlag>True</InUseFlag><LivesCount>4</LivesCount>"
                                 "<Damage>3</Damage><BotState>bsVirtual</BotState>"
                                 "<BotActivityLevel>alShuttingDownNextTurn</BotActivityLevel>"
                                 "<GameNotes>Moved left.&lt;br&gt;Lost a life.</GameNotes><FlagTouched>2</FlagTouched>"
        + RegistersText()
        + "\r\n<ProgramCardRefList><ProgramCardRef ID=\"490Move1\"></ProgramCardRef></ProgramCardRefList>\r\n"
          "<BotExtraRegisterList><BotRegister ID=\"0\"><IsLocked>False</IsLocked><CardID>490Move1</CardID></BotRegister>"
          "</BotExtraRegisterList>\r\n"
          "<OptionCardList></OptionCardList></Bot>";
    EXPECT_EQ(bot.SaveToXMLString(), expected);

    TBot loaded;
    loaded.LoadFromXMLString(expected);
    EXPECT_EQ(loaded.SaveToXMLString(), expected);
}

TEST(Bot, BotTypeSetsTheIdOnlyWhileItIsEmptyAndTenDamageDestroys)
{
    TBot bot;
    EXPECT_EQ(bot.ID() + bot.BotTypeName(), "") << "an unknown type has no name";
    bot.SetBotType(btHulkX90);
    EXPECT_EQ(bot.ID(), "btHulkX90");
    bot.SetBotType(btTwonky);
    EXPECT_EQ(bot.BotType(), btTwonky);
    EXPECT_EQ(bot.ID(), "btHulkX90") << "a bot keeps the ID it was created with";
    for (auto [damage, destroyed] : {std::pair{0, false}, std::pair{9, false}, std::pair{10, true}, std::pair{25, true}}) {
        bot.SetDamage(damage);
        EXPECT_EQ(bot.IsDestroyed(), destroyed) << damage;
    }

    // An element without ID takes the type's name; one with an ID keeps it.
    TBot noID;
    noID.LoadFromXMLString("<Bot><BotType>bttwitch</BotType></Bot>");
    EXPECT_EQ(noID.BotType(), btTwitch);
    EXPECT_EQ(noID.ID(), "btTwitch");
    TBot withID;
    withID.LoadFromXMLString("<Bot ID=\"Mine\"><BotType>btTwitch</BotType></Bot>");
    EXPECT_EQ(withID.ID(), "Mine");
}

TEST_F(BotCardsTest, ACopyOfABotInPlayHoldsFiveRegistersAndAllItHeld)
{
    TBotList list;
    TBot* spin = list.FindByType(btSpinBot);
    spin->SetInUseFlag(true);
    spin->SetPlayerName("Player & Co");
    spin->DealCards(Deck);
    LockRegister(*spin, 5, 2);
    TOptionDeck options;
    BuildBaseOptionCards(options);
    spin->Options()->AddOptionCopy(*options.Cards(13))->SetQuantity(2);
    // A copy, as the game makes them, holds five registers and everything else of the bot.
    TBotList holder;
    holder.ClearObjects();
    // Equal text rules out a second set of registers besides the copied five.
    EXPECT_EQ(holder.AddCopy(*spin, TBot::StaticClass())->SaveToXMLString(), spin->SaveToXMLString());
}

// ----------------------------------------------------------------------------- lookups

TEST(BotList, InUseBotsAreCountedAndFoundInListOrder)
{
    TBotList list;
    EXPECT_EQ(list.InUseCount(), 0);
    EXPECT_EQ(list.InUseBot(0), nullptr);
    for (TBotType t : {btTwonky, btHulkX90, btBuzzBomb})
        list.FindByType(t)->SetInUseFlag(true);
    EXPECT_EQ(list.InUseCount(), 3);
    std::string found;
    for (int n = -1; n <= 3; ++n)
        found += list.InUseBot(n) ? list.InUseBot(n)->ID() + " " : "- ";
    EXPECT_EQ(found, "- btHulkX90 btTwonky btBuzzBomb - ");
}

// ----------------------------------------------------------------------------- dealing and returning

TEST_F(BotCardsTest, DealTopsTheHandUpToMaxCardsLessDamageLessLockedCards)
{
    struct Case { int MaxCards, Damage; std::vector<int> Locked /* register numbers */; int NewCards; };
    const std::vector<Case> cases = {{9, 0, {}, 9}, {9, 1, {}, 8}, {9, 4, {}, 5}, {9, 5, {5}, 4}, {9, 6, {4, 5}, 3},
        {9, 9, {1, 2, 3, 4, 5}, 0}, {9, 12, {}, 5}, {10, 0, {}, 10}, {10, 6, {4, 5}, 4}, {4, 2, {5}, 1},
        {3, 4, {4, 5}, 0}, // hand already over the limit: nothing dealt, nothing taken away
        {9, -3, {}, 9},   // negative damage from a damaged file gives no extra cards
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "MaxCards " << c.MaxCards << " Damage " << c.Damage << " locked " << c.Locked.size());
        Deck.ClearObjects();
        BuildProgramCards(Deck);
        TBot bot;
        bot.SetBotType(btSquashBot);
        bot.DealCards(Deck);
        ASSERT_EQ(bot.Hand()->Count(), 9);
        for (std::size_t k = 0; k < c.Locked.size(); ++k)
            LockRegister(bot, c.Locked[k], static_cast<int>(k));
        bot.ReturnCards(Deck, nullptr);
        ASSERT_EQ(bot.Hand()->Count(), static_cast<int>(c.Locked.size()));

        bot.SetMaxCards(c.MaxCards);
        bot.SetDamage(c.Damage);
        EXPECT_EQ(bot.CardsToDeal(), c.NewCards);
        bot.DealCards(Deck);
        ASSERT_EQ(bot.Hand()->Count(), static_cast<int>(c.Locked.size()) + c.NewCards);
        for (int i = 0; i < bot.Hand()->Count(); ++i)
            EXPECT_EQ(HandCard(bot, i)->CardState(), i < static_cast<int>(c.Locked.size()) ? csRegisterLocked : csDealt);
        EXPECT_EQ(CountInState(csDealt), c.NewCards);
        EXPECT_EQ(CountInState(csRegisterLocked), static_cast<int>(c.Locked.size()));
    }
}

TEST_F(BotCardsTest, ListDealsOnlyToBotsInPlayButReturnsEveryBotsCards)
{
    TBotList list;
    struct Case { TBotType Type; bool InUse; int Lives; TBotActivityLevel Activity; bool Dealt; };
    const std::vector<Case> cases = {{btHammerBot, true, 4, alNormal, true}, {btHulkX90, false, 4, alNormal, false},
        {btSpinBot, true, 0, alNormal, false}, {btSquashBot, true, 4, alShutDown, false},
        {btTrundleBot, true, 1, alShuttingDownNextTurn, true}, {btTwitch, true, -1, alNormal, false}};
    for (const Case& c : cases) {
        TBot* bot = list.FindByType(c.Type);
        bot->SetInUseFlag(c.InUse);
        bot->SetLivesCount(c.Lives);
        bot->SetBotActivityLevel(c.Activity);
    }
    list.DealCards(Deck);
    for (const Case& c : cases)
        EXPECT_EQ(list.FindByType(c.Type)->Hand()->Count(), c.Dealt ? 9 : 0) << BotTypeName(c.Type);

    // Bots left out of the deal still give their cards back.
    TBot* idle = list.FindByType(btHulkX90);
    idle->DealCards(Deck);
    TBot* dead = list.FindByType(btSpinBot);
    dead->DealCards(Deck);
    dead->Registers()->Registers(0)->ProgramWith(*HandCard(*dead, 0));
    ASSERT_EQ(CountInState(csDealt), 35);

    list.ReturnCards(Deck);
    for (int i = 0; i < list.Count(); ++i)
        EXPECT_EQ(list.Items(i)->Hand()->Count(), 0) << list.Items(i)->ID();
    EXPECT_TRUE(dead->Registers()->Registers(0)->IsEmpty());
    EXPECT_EQ(CountInState(csDiscarded), 36);
}

TEST_F(BotCardsTest, ReturnCardsKeepsOnlyWhatIsLocked)
{
    TBot bot;
    bot.SetBotType(btTwonky);
    bot.DealCards(Deck);
    std::vector<std::string> hand;
    for (int i = 0; i < 9; ++i)
        hand.push_back(bot.Hand()->Refs(i)->ID());
    // Registers 1 and 2 programmed, 3 locked; two extra entries, the second locked.
    bot.Registers()->Registers(0)->ProgramWith(*HandCard(bot, 0));
    bot.Registers()->Registers(1)->ProgramWith(*HandCard(bot, 1));
    LockRegister(bot, 3, 2);
    bot.ExtraRegisters()->AddExtraRegister(*HandCard(bot, 3));
    HandCard(bot, 3)->SetCardState(csRegisterProgrammed);
    bot.ExtraRegisters()->AddExtraRegister(*HandCard(bot, 4))->SetIsLocked(true);
    HandCard(bot, 4)->SetCardState(csRegisterLocked);
    bot.ExtraRegisters()->AddExtraRegister(*HandCard(bot, 5));
    // A reference to a card the deck does not have, and a card held by another bot's lock.
    bot.Hand()->AddRefByID("999Nowhere");
    TProgramCard* elsewhere = Deck.FindCard("840Move3");
    ASSERT_EQ(elsewhere->CardState(), csAvailable);
    TProgramCardRefList locked;
    locked.AddRef(*elsewhere);
    locked.AddRef(*Deck.FindCard(hand[2]));

    bot.ReturnCards(Deck, &locked);

    ASSERT_EQ(bot.Hand()->Count(), 3);
    EXPECT_EQ(bot.Hand()->Refs(0)->ID(), hand[2]);
    EXPECT_EQ(bot.Hand()->Refs(1)->ID(), hand[4]);
    EXPECT_EQ(bot.Hand()->Refs(2)->ID(), "999Nowhere");
    for (int i : {0, 1, 3, 5, 6, 7, 8})
        EXPECT_EQ(Deck.FindCard(hand[static_cast<std::size_t>(i)])->CardState(), csDiscarded) << hand[static_cast<std::size_t>(i)];
    EXPECT_EQ(Deck.FindCard(hand[2])->CardState(), csRegisterLocked);
    EXPECT_EQ(Deck.FindCard(hand[4])->CardState(), csRegisterLocked);
    EXPECT_EQ(elsewhere->CardState(), csRegisterLocked) << "cards named by the locked list are marked locked";

    EXPECT_EQ(bot.Registers()->SaveToXMLString(), RegistersText(3, "True", hand[2]));
    EXPECT_EQ(bot.ExtraRegisters()->SaveToXMLString(),
        "<BotExtraRegisterList>" + RegisterText("0", "True", hand[4]) + "</BotExtraRegisterList>");
}

TEST_F(BotCardsTest, LockedCardsListsLockedRegistersInBotAndRegisterOrder)
{
    TBotList list;
    TBot* twonky = list.FindByType(btTwonky);
    TBot* hammer = list.FindByType(btHammerBot);
    twonky->DealCards(Deck);
    hammer->DealCards(Deck);
    LockRegister(*twonky, 2, 0);
    LockRegister(*hammer, 5, 0);
    LockRegister(*hammer, 1, 1);
    hammer->Registers()->Registers(2)->ProgramWith(*HandCard(*hammer, 2));
    twonky->ExtraRegisters()->AddExtraRegister(*HandCard(*twonky, 1))->SetIsLocked(true);

    TProgramCardRefList* first = list.LockedCards();
    ASSERT_EQ(first->Count(), 3);
    EXPECT_EQ(first->Refs(0)->ID(), hammer->Registers()->Registers(0)->CardID());
    EXPECT_EQ(first->Refs(1)->ID(), hammer->Registers()->Registers(4)->CardID());
    EXPECT_EQ(first->Refs(2)->ID(), twonky->Registers()->Registers(1)->CardID());

    hammer->Registers()->Registers(0)->Clear();
    TProgramCardRefList* second = list.LockedCards();
    EXPECT_EQ(second->Count(), 2) << "each call starts a fresh list";
    EXPECT_EQ(second->Refs(0)->ID(), hammer->Registers()->Registers(4)->CardID());
}

TEST(BotList, ExhaustedDeckReportsOncePerBotAndLeavesHandsShort)
{
    SetRandSeed(99);
    TProgramDeck deck;
    for (int p = 10; p <= 120; p += 10)
        AddProgramCard(deck, ckMoveOne, p);
    TBotList list;
    for (TBotType t : {btHammerBot, btSpinBot, btTwitch})
        list.FindByType(t)->SetInUseFlag(true);

    TMessageCapture messages;
    list.DealCards(deck);
    EXPECT_EQ(list.FindByType(btHammerBot)->Hand()->Count(), 9);
    EXPECT_EQ(list.FindByType(btSpinBot)->Hand()->Count(), 3);
    EXPECT_EQ(list.FindByType(btTwitch)->Hand()->Count(), 0);
    EXPECT_EQ(messages.Messages(),
        (std::vector<std::string>{"Deck TProgramDeck is out of cards.", "Deck TProgramDeck is out of cards."}));
}

TEST(Bot, DamagedBotsNeitherCrashNorMisbehave)
{
    TProgramDeck deck;
    BuildProgramCards(deck);
    TMessageCapture messages;

    // A bot element without children: every accessor is none and the deal steps do nothing.
    TBot bare;
    bare.LoadFromXMLString("<Bot><BotType>btTwitch</BotType><MaxCards>-2147483648</MaxCards><Damage>2147483647</Damage></Bot>");
    EXPECT_EQ(bare.Registers(), nullptr);
    EXPECT_EQ(bare.Hand(), nullptr);
    EXPECT_EQ(bare.ExtraRegisters(), nullptr);
    EXPECT_EQ(bare.Options(), nullptr);
    EXPECT_EQ(bare.CardsToDeal(), 0);
    bare.DealCards(deck);
    bare.ReturnCards(deck, nullptr);

    // Extreme numbers do not overflow; a huge hand size empties the deck and stops.
    TBot greedy;
    greedy.SetMaxCards(INT_MAX);
    greedy.SetDamage(INT_MIN);
    greedy.DealCards(deck);
    EXPECT_EQ(greedy.Hand()->Count(), 84);
    EXPECT_EQ(messages.Messages().size(), 1u);

    TBotList list;
    list.ClearObjects();
    list.AddCopy(bare, TBot::StaticClass());
    EXPECT_EQ(list.LockedCards()->Count(), 0);
    list.ReturnCards(deck);
}
