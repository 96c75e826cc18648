#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "session/DialogRulesUnt.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<TBotType> TypesOf(const std::vector<TBot*>& bots)
{
    std::vector<TBotType> types;
    for (const TBot* bot : bots)
        types.push_back(bot->BotType());
    return types;
}

void GiveOption(TBot& bot, const char* name)
{
    TOptionCard card;
    card.SetID(name);
    card.SetCardName(name);
    bot.Options()->AddOptionCopy(card);
}

} // namespace

TEST(GameName, RefusesFolderNameCharactersAndControls)
{
    for (char32_t c : {U'<', U'>', U':', U'"', U'/', U'\\', U'|', U'?', U'*', U'\0', U'\t', U'\n', U'\x1F', U'\x7F', U'\x80', U'\x9F'})
        EXPECT_TRUE(IsRefusedGameNameChar(c)) << static_cast<unsigned>(c);
    for (char32_t c : {U' ', U'a', U'Z', U'0', U'-', U'.', U'[', U']', U'&', U'\'', U'\xA0', U'\xE9', U'\x20AC', U'\x1F916'})
        EXPECT_FALSE(IsRefusedGameNameChar(c)) << static_cast<unsigned>(c);

    // Texts in UTF-8: a C1 control is refused whether well formed or a stray byte.
    for (const char* text : {"a:b", "Why?", "x/y", "line\r\nbreak", "tab\there", "C1 \xC2\x85 next", "bad \x85 byte", "\"quoted\""})
        EXPECT_TRUE(HasRefusedGameNameChar(text)) << text;
    for (const char* text : {"", "League", "[New Game]", "Caf\xC3\xA9 Cup 2", "Robo \xE2\x82\xAC"})
        EXPECT_FALSE(HasRefusedGameNameChar(text)) << text;
}

TEST(NewGameRules, OkNeedsANameAnOptionSetAndArchives)
{
    // The name, the number of option sets and of archives, and whether OK is allowed.
    const std::tuple<const char*, int, int, bool> cases[] = {
        {"League", 2, 4, true}, {"League", 1, 1, true}, {"[New Game]", 2, 4, false}, {"", 2, 4, false},
        {"League", 0, 4, false}, {"League", 2, 0, false}, {"League", 2, -1, false}, {"[New Game] 2", 2, 4, true},
        {" ", 1, 1, true},
    };
    for (const auto& [name, sets, archives, ok] : cases)
        EXPECT_EQ(NewGameCanAccept(name, sets, archives), ok) << name << " " << sets << " " << archives;
}

// Out of play, the buzz bomb is still added by its own command only (the dialog's test covers
// a game with robots to offer).
TEST(AddBotRules, OffersRobotsNotInUseButNeverTheBuzzBomb)
{
    TGame game;
    TBotList& bots = *game.BotList();
    for (int i = 0; i < bots.Count(); ++i)
        bots.Items(i)->SetInUseFlag(bots.Items(i)->BotType() != btBuzzBomb);
    EXPECT_TRUE(BotsToAdd(bots).empty());
}

TEST(AddBotRules, SelectBotOffersRobotsInUseOtherThanTheExcludedOne)
{
    TGame game;
    TBotList& bots = *game.BotList();
    for (TBotType type : {btHammerBot, btSpinBot, btTwonky, btZoomBot, btBuzzBomb})
        bots.FindByType(type)->SetInUseFlag(true);
    GiveOption(*bots.FindByType(btSpinBot), "Brakes");
    GiveOption(*bots.FindByType(btZoomBot), "Fourth Gear");
    GiveOption(*bots.FindByType(btSquashBot), "Scrambler"); // not in use
    TBot* hammer = bots.FindByType(btHammerBot);
    TBot* spin = bots.FindByType(btSpinBot);

    const struct {
        TBot* excluded;
        const TClass* cardClass;
        std::vector<TBotType> offered;
    } cases[] = {
        {hammer, &TProgramCard::StaticClass(), {btSpinBot, btTwonky, btZoomBot, btBuzzBomb}},
        {spin, &TProgramCard::StaticClass(), {btHammerBot, btTwonky, btZoomBot, btBuzzBomb}},
        {nullptr, &TProgramCard::StaticClass(), {btHammerBot, btSpinBot, btTwonky, btZoomBot, btBuzzBomb}},
        {hammer, &TOptionCard::StaticClass(), {btSpinBot, btZoomBot}},
        {spin, &TOptionCard::StaticClass(), {btZoomBot}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TypesOf(BotsToSelect(bots, c.excluded, *c.cardClass)), c.offered)
            << (c.excluded ? c.excluded->BotTypeName() : "none") << " " << c.cardClass->ClassName();

    // No robot in use holds an option but the excluded one: nothing to offer.
    bots.FindByType(btZoomBot)->Options()->Delete(0);
    EXPECT_TRUE(BotsToSelect(bots, spin, TOptionCard::StaticClass()).empty());
}
