#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"
#include "session/ProgramRulesUnt.h"
#include "common/ProgramGame.h"

#include <gtest/gtest.h>

#include <QPalette>
#include <QString>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using TIDs = std::vector<std::string>;

// The Zoom Bot with a dealt hand, its registers and "Other" entries laid out as each case needs.
struct RulesGame : TProgramGame {
    TBot& Zoom = Bot(btZoomBot, "Zed");
    RulesGame()
    {
        Game.TurnList()->AddTurn();
        Deal(Zoom, {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup", "80RotateRight", "500Move1"});
    }
    // "3=10UTurn*" programs register 3 with the card, locked; "O=500Move1" adds an "Other" entry
    // with the card, "O=" an empty one.
    void Lay(TBot& bot, const std::string& layout)
    {
        for (const QString& item : QString::fromStdString(layout).split(' ', Qt::SkipEmptyParts)) {
            const bool locked = item.endsWith('*');
            const std::string id = item.mid(2, item.size() - 2 - (locked ? 1 : 0)).toStdString();
            if (item[0] != 'O')
                Program(bot, item[0].digitValue(), id, locked);
            else if (id.empty())
                bot.ExtraRegisters()->AddRegister(0, false);
            else
                AddOther(bot, id, locked);
        }
    }
    // The registers that hold a card and the "Other" lines, as Lay takes them.
    std::string Layout(TBot& bot)
    {
        std::string layout;
        for (int n = 1; n <= 5; ++n)
            if (!RegisterCard(bot, n).empty() || IsRegisterLocked(&bot, n))
                layout += Format(" %d=%s", n, RegisterCard(bot, n).c_str()) + (IsRegisterLocked(&bot, n) ? "*" : "");
        for (const TOtherEntry& entry : OtherListEntries(Game, &bot))
            layout += " O=" + entry.CardID + (entry.Locked ? "*" : "");
        return layout.empty() ? layout : layout.substr(1);
    }
    std::vector<TCardState> States(std::initializer_list<const char*> ids)
    {
        std::vector<TCardState> states;
        for (const char* id : ids)
            states.push_back(State(id));
        return states;
    }
    TIDs HandList()
    {
        TIDs ids;
        for (const TProgramCard* card : HandListCards(Game, &Zoom))
            ids.push_back(card->ID());
        return ids;
    }
};

using TAction = bool (*)(TGame&, TBot&);

struct RegisterCase {
    const char* Name;
    const char* Before;
    TAction Action;
    bool Done;
    const char* After;
    std::map<std::string, TCardState> States;
};

// "Other" here holds an empty entry 0 and then two cards: its lines show entries 1 and 2.
const char* const Others = "O= O=500Move1 O=80RotateRight";

const RegisterCase RegisterCases[] = {
    {"hand card onto a full register replaces its card", "3=10UTurn",
        [](TGame& g, TBot& z) { return DropOnRegister(g, z, 3, "490Move1", -1); }, true, "3=490Move1",
        {{"490Move1", csRegisterProgrammed}, {"10UTurn", csDealt}}},
    {"register onto a full register swaps", "2=490Move1 4=670Move2",
        [](TGame& g, TBot& z) { return DropOnRegister(g, z, 4, "490Move1", 2); }, true, "2=670Move2 4=490Move1",
        {{"490Move1", csRegisterProgrammed}, {"670Move2", csRegisterProgrammed}}},
    {"register onto an empty register moves", "2=490Move1",
        [](TGame& g, TBot& z) { return DropOnRegister(g, z, 4, "490Move1", 2); }, true, "4=490Move1",
        {{"490Move1", csRegisterProgrammed}}},
    {"register onto itself changes nothing", "2=490Move1",
        [](TGame& g, TBot& z) { return DropOnRegister(g, z, 2, "490Move1", 2); }, true, "2=490Move1",
        {{"490Move1", csRegisterProgrammed}}},
    {"a locked register refuses drops", "3=10UTurn*",
        [](TGame& g, TBot& z) { return DropOnRegister(g, z, 3, "490Move1", -1); }, false, "3=10UTurn*",
        {{"490Move1", csDealt}, {"10UTurn", csRegisterLocked}}},
    {"a source register that no longer holds the card is no source", "1=10UTurn 2=670Move2",
        [](TGame& g, TBot& z) { return DropOnRegister(g, z, 2, "490Move1", 1); }, true, "1=10UTurn 2=490Move1",
        {{"670Move2", csDealt}, {"490Move1", csRegisterProgrammed}}},
    {"an unknown card is refused", "",
        [](TGame& g, TBot& z) { return DropOnRegister(g, z, 1, "999Nothing", -1); }, false, "", {}},
    {"group box or bar fills the lowest empty register", "1=10UTurn 2=670Move2 4=430Backup",
        [](TGame& g, TBot& z) { return ProgramNextOpenRegister(g, z, "490Move1", -1); }, true,
        "1=10UTurn 2=670Move2 3=490Move1 4=430Backup", {{"490Move1", csRegisterProgrammed}}},
    {"group box from a register moves the card to the lowest empty register", "4=430Backup",
        [](TGame& g, TBot& z) { return ProgramNextOpenRegister(g, z, "430Backup", 4); }, true, "1=430Backup",
        {{"430Backup", csRegisterProgrammed}}},
    {"group box with all five full changes nothing", "1=10UTurn 2=670Move2 3=430Backup 4=70RotateLeft 5=80RotateRight",
        [](TGame& g, TBot& z) { return ProgramNextOpenRegister(g, z, "490Move1", -1); }, false,
        "1=10UTurn 2=670Move2 3=430Backup 4=70RotateLeft 5=80RotateRight", {{"490Move1", csDealt}}},
    {"hand list takes a register's card back", "3=10UTurn",
        [](TGame& g, TBot& z) { return DropOnHand(g, z, "10UTurn", 3); }, true, "", {{"10UTurn", csDealt}}},
    {"hand list leaves a card copied from another robot with that robot", "3=840Move3",
        [](TGame& g, TBot& z) { return DropOnHand(g, z, "840Move3", 3); }, true, "", {{"840Move3", csRegisterProgrammed}}},
    {"Other takes a hand card", "",
        [](TGame& g, TBot& z) { return DropOnOther(g, z, "500Move1", -1); }, true, "O=500Move1",
        {{"500Move1", csRegisterProgrammed}}},
    {"Other takes a register's card and empties the register", "2=670Move2",
        [](TGame& g, TBot& z) { return DropOnOther(g, z, "670Move2", 2); }, true, "O=670Move2",
        {{"670Move2", csRegisterProgrammed}}},
    {"double-click on a hand line fills the lowest empty register", "1=10UTurn",
        [](TGame& g, TBot& z) { return ProgramNextOpenRegister(g, z, "80RotateRight", RegisterNbr("lstProgramCards")); },
        true, "1=10UTurn 2=80RotateRight", {{"80RotateRight", csRegisterProgrammed}}},
    {"double-click on a locked box empties it and clears the lock", "5=430Backup*",
        [](TGame& g, TBot& z) { return ClearRegister(g, z, 5, csDealt); }, true, "", {{"430Backup", csDealt}}},
    {"clear puts the card back into the hand", "2=430Backup",
        [](TGame& g, TBot& z) { return ClearRegister(g, z, 2, csDealt); }, true, "", {{"430Backup", csDealt}}},
    {"clear of an invalid register does nothing", "1=430Backup",
        [](TGame& g, TBot& z) { return ClearRegister(g, z, RegisterNbr("barRegisterOther"), csDealt); }, false,
        "1=430Backup", {{"430Backup", csRegisterProgrammed}}},
    {"lock locks the register and its card", "3=10UTurn",
        [](TGame& g, TBot& z) { return ToggleRegisterLock(g, z, 3); }, true, "3=10UTurn*", {{"10UTurn", csRegisterLocked}}},
    {"lock again unlocks them", "3=10UTurn*",
        [](TGame& g, TBot& z) { return ToggleRegisterLock(g, z, 3); }, true, "3=10UTurn", {{"10UTurn", csRegisterProgrammed}}},
    {"an empty register has no lock", "", [](TGame& g, TBot& z) { return ToggleRegisterLock(g, z, 2); }, false, "", {}},
    {"random card refuses a locked register", "2=670Move2*",
        [](TGame& g, TBot& z) { return RandomCardForRegister(g, z, 2); }, false, "2=670Move2*", {{"670Move2", csRegisterLocked}}},
    {"Other locks an entry by its position", Others,
        [](TGame& g, TBot& z) { return ToggleOtherLock(g, z, 1); }, true, "O=500Move1* O=80RotateRight",
        {{"500Move1", csRegisterLocked}}},
    {"Other unlocks a locked entry", "O=500Move1*",
        [](TGame& g, TBot& z) { return ToggleOtherLock(g, z, 0); }, true, "O=500Move1", {{"500Move1", csRegisterProgrammed}}},
    {"an empty Other entry has no lock", Others,
        [](TGame& g, TBot& z) { return ToggleOtherLock(g, z, 0); }, false, "O=500Move1 O=80RotateRight", {}},
    {"Other has no entry past the last", Others,
        [](TGame& g, TBot& z) { return ToggleOtherLock(g, z, 3); }, false, "O=500Move1 O=80RotateRight", {}},
    {"clear of an Other entry puts its card back into the hand", Others,
        [](TGame& g, TBot& z) { return ClearOther(g, z, 2); }, true, "O=500Move1", {{"80RotateRight", csDealt}}},
    {"clear without an Other line does nothing", Others,
        [](TGame& g, TBot& z) { return ClearOther(g, z, -1); }, false, "O=500Move1 O=80RotateRight", {}},
};

void PrintTo(const RegisterCase& c, std::ostream* out) { *out << c.Name; }

class RegisterEdit : public ::testing::TestWithParam<RegisterCase> {};

} // namespace

TEST_P(RegisterEdit, ChangesRegistersOtherAndCardStates)
{
    const RegisterCase& c = GetParam();
    RulesGame g;
    g.Lay(g.Zoom, c.Before);
    const std::string before = g.Saved();
    EXPECT_EQ(c.Action(g.Game, g.Zoom), c.Done);
    EXPECT_EQ(g.Layout(g.Zoom), c.After);
    for (const auto& [id, state] : c.States)
        EXPECT_EQ(g.State(id), state) << id;
    // A card back in the dealt state is back in the hand list.
    const TIDs hand = g.HandList();
    for (const auto& [id, state] : c.States)
        if (state == csDealt) {
            EXPECT_NE(std::find(hand.begin(), hand.end(), id), hand.end()) << id;
        }
    if (!c.Done) {
        EXPECT_EQ(g.Saved(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, RegisterEdit, ::testing::ValuesIn(RegisterCases), [](const ::testing::TestParamInfo<RegisterCase>& param) {
    std::string name;
    for (const char* p = param.param.Name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

TEST(ProgramRules, WhatTheTabShows)
{
    RulesGame g;
    g.Lay(g.Zoom, "1=10UTurn 4=430Backup* O=670Move2* O= O=500Move1");
    g.Zoom.ExtraRegisters()->AddRegister(0, false)->SetCardID("999Lost");
    g.Zoom.Registers()->Registers(2)->SetCardID("888Gone");

    EXPECT_EQ(g.HandList(), (TIDs{"490Move1", "70RotateLeft", "80RotateRight"}));
    // Each line as "entry:text", a locked one marked "*"; the empty entry has no line.
    std::string others;
    for (const TOtherEntry& entry : OtherListEntries(g.Game, &g.Zoom))
        others += Format("%d:%s%s ", entry.EntryIndex, entry.Text.c_str(), entry.Locked ? "*" : "");
    EXPECT_EQ(others, "0:Move 2 (670)* 2:Move 1 (500) 3:999Lost ");

    const char* texts[] = {"U-Turn (10)", "", "888Gone", "Backup (430)", ""};
    for (int n = 1; n <= 5; ++n) {
        EXPECT_EQ(RegisterText(g.Game, &g.Zoom, n), texts[n - 1]) << n;
        EXPECT_EQ(IsRegisterLocked(&g.Zoom, n), n == 4) << n;
        EXPECT_EQ(RegisterAcceptsDrop(&g.Zoom, n), n != 4) << n;
    }
    EXPECT_EQ(GetCardInRegister(g.Game, &g.Zoom, 1), &g.Card("10UTurn"));
    EXPECT_EQ(GetCardInRegister(g.Game, &g.Zoom, 3), nullptr);
    EXPECT_EQ(GetCardInRegister(g.Game, nullptr, 1), nullptr);
    EXPECT_EQ(GetCardInRegister(g.Game, &g.Zoom, 0), nullptr);
    // A locked card cannot be dragged; an empty register has nothing to drag.
    EXPECT_EQ(RegisterDragCardID(g.Game, &g.Zoom, 1), "10UTurn");
    EXPECT_EQ(RegisterDragCardID(g.Game, &g.Zoom, 4), "");
    EXPECT_EQ(RegisterDragCardID(g.Game, &g.Zoom, 2), "");
    EXPECT_EQ(RegisterText(g.Game, nullptr, 1), "");
    EXPECT_TRUE(HandListCards(g.Game, nullptr).empty());
}

TEST(ProgramRules, ToolBarsFollowTheCardAndItsLock)
{
    RulesGame g;
    g.Lay(g.Zoom, "1=10UTurn 2=430Backup* O=670Move2* O=500Move1");
    // The bar and its lock button enabled, the lock's image (Lock or Unlock), clear and random
    // enabled, 1 for yes.
    auto bar = [](const TRegisterBarState& s) {
        return Format("%d%d%s%d%d", s.Enabled, s.LockEnabled, s.LockImage == tiUnlock ? "U" : s.LockImage == tiLock ? "L" : "?",
            s.ClearEnabled, s.RandomEnabled);
    };
    EXPECT_EQ(bar(RegisterBarState(g.Game, &g.Zoom, 3)), "00L00") << "empty register";
    EXPECT_EQ(bar(RegisterBarState(g.Game, nullptr, 1)), "00L00") << "no bot";
    EXPECT_EQ(bar(RegisterBarState(g.Game, &g.Zoom, 1)), "11L11") << "unlocked register";
    EXPECT_EQ(bar(RegisterBarState(g.Game, &g.Zoom, 2)), "11U00") << "locked register";
    EXPECT_EQ(bar(OtherBarState(g.Game, &g.Zoom, -1)), "00L00") << "no Other line selected";
    EXPECT_EQ(bar(OtherBarState(g.Game, &g.Zoom, 0)), "11U00") << "locked Other line";
    EXPECT_EQ(bar(OtherBarState(g.Game, &g.Zoom, 1)), "11L10") << "unlocked Other line";
}

TEST(ProgramRules, RandomCardReplacesTheCardOfAnyRegister)
{
    for (int n = 1; n <= 5; ++n) {
        SCOPED_TRACE(n);
        RulesGame g;
        g.Deck().ShuffleAll();
        g.Program(g.Zoom, n, "670Move2");
        const int handSize = g.Zoom.Hand()->Count();
        TMessageCapture messages;
        ASSERT_TRUE(RandomCardForRegister(g.Game, g.Zoom, n));
        const std::string dealt = g.RegisterCard(g.Zoom, n);
        EXPECT_NE(dealt, "670Move2");
        EXPECT_EQ(g.State(dealt), csRegisterProgrammed);
        EXPECT_EQ(g.State("670Move2"), csDiscarded);
        // The replaced card leaves the hand; the new one joins it.
        EXPECT_EQ(g.Zoom.Hand()->FindRef("670Move2"), nullptr);
        EXPECT_NE(g.Zoom.Hand()->FindRef(dealt), nullptr);
        EXPECT_EQ(g.Zoom.Hand()->Count(), handSize);
        EXPECT_TRUE(messages.Messages().empty());
    }
}

TEST(ProgramRules, RandomCardFromAnExhaustedDeckLeavesTheRegisterEmpty)
{
    RulesGame g;
    g.Program(g.Zoom, 1, "670Move2");
    // Every other card is in someone's hand already; nothing is discarded.
    for (int i = 0; i < g.Deck().Count(); ++i)
        if (g.Deck().Cards(i)->CardState() == csAvailable)
            g.Deck().Cards(i)->SetCardState(csDealt);
    g.Deck().BuildShuffledList();
    // Only the replaced card is discarded, so the deck deals it straight back: the hand must
    // still hold it once.
    TMessageCapture messages;
    ASSERT_TRUE(RandomCardForRegister(g.Game, g.Zoom, 1));
    EXPECT_EQ(g.RegisterCard(g.Zoom, 1), "670Move2");
    int count = 0;
    for (int i = 0; i < g.Zoom.Hand()->Count(); ++i)
        count += g.Zoom.Hand()->Refs(i)->ID() == "670Move2";
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(messages.Messages().empty());

    // With no discard to shuffle back either, the deck says so and the register stays empty.
    const int handSize = g.Zoom.Hand()->Count();
    ASSERT_TRUE(RandomCardForRegister(g.Game, g.Zoom, 2));
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Deck TProgramDeck is out of cards."});
    EXPECT_EQ(g.RegisterCard(g.Zoom, 2), "");
    EXPECT_EQ(g.Zoom.Hand()->Count(), handSize);
}

TEST(CopyProgram, PutsTheSourceProgramIntoTheTargetsUnlockedRegisters)
{
    RulesGame g;
    TBot& spin = g.Bot(btSpinBot, "Sam");
    g.Deal(spin, {"20UTurn", "680Move2", "440Backup", "800Move3", "90RotateLeft"});
    g.Lay(spin, "1=20UTurn 2=680Move2* 3=440Backup O=800Move3");
    g.Lay(g.Zoom, "1=490Move1 3=10UTurn* 4=670Move2 O=430Backup");
    g.Zoom.SetGameNotes("Notes");

    for (int copy = 1; copy <= 2; ++copy) {
        SCOPED_TRACE(copy);
        ASSERT_TRUE(CopyProgram(g.Game, spin, g.Zoom));
        // The target's locked register and the registers the source leaves empty keep theirs;
        // the "Other" entries it had are replaced by the source's.
        EXPECT_EQ(g.Layout(g.Zoom), "1=20UTurn 2=680Move2 3=10UTurn* 4=670Move2 O=800Move3");
        // The target's own replaced cards are discarded.
        EXPECT_EQ(g.States({"490Move1", "10UTurn", "670Move2", "430Backup"}),
            (std::vector<TCardState>{csDiscarded, csRegisterLocked, csRegisterProgrammed, csDiscarded}));
        // The source keeps its program and its cards their states, the locked one included, also
        // on a second copy.
        EXPECT_EQ(g.Layout(spin), "1=20UTurn 2=680Move2* 3=440Backup O=800Move3");
        EXPECT_EQ(g.States({"20UTurn", "680Move2", "800Move3"}),
            (std::vector<TCardState>{csRegisterProgrammed, csRegisterLocked, csRegisterProgrammed}));
    }
    // The target's "Other" entries emptied by each copy stay, empty, until the turn ends.
    EXPECT_EQ(g.Zoom.ExtraRegisters()->Count(), 3);
    const std::string note = "\r\n\r\n\"Other\" program card Move 3 (800) copied from Spin Bot.  Consult the originating bot for "
                             "the option responsible.";
    EXPECT_EQ(g.Zoom.GameNotes(), "Notes" + note + note);
    EXPECT_FALSE(CopyProgram(g.Game, spin, spin));
}

TEST(Notes, ShownWithLineBreaksAndStoredWithBreakTags)
{
    const std::pair<const char*, const char*> shown[] = {
        {"", ""}, {"a<br>b", "a\r\nb"}, {"<br><br>Turn 2 (copy/paste)<br>", "\r\n\r\nTurn 2 (copy/paste)\r\n"},
        {"x\r\ny<br", "x\r\ny<br"}};
    for (const auto& [notes, text] : shown)
        EXPECT_EQ(NotesToMemoText(notes), text) << notes;
    const std::pair<const char*, const char*> stored[] = {
        {"", ""}, {"a", "a<br>"}, {"a\nb", "a<br>b<br>"}, {"a\r\n", "a<br>"}, {"a\n\nb\r", "a<br><br>b<br>"}};
    for (const auto& [text, notes] : stored)
        EXPECT_EQ(MemoTextToNotes(text), notes) << text;
    // Showing stored notes and storing them again changes nothing.
    for (const char* notes : {"a<br>", "a<br><br>b<br>", "Line<br>Two<br>"})
        EXPECT_EQ(MemoTextToNotes(NotesToMemoText(notes)), notes);

    TBot bot;
    EXPECT_TRUE(UpdateBotNotes(bot, "first\nsecond"));
    EXPECT_EQ(bot.GameNotes(), "first<br>second<br>");
    EXPECT_FALSE(UpdateBotNotes(bot, "first\nsecond\n"));
}
