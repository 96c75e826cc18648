#include "support/NotifyUnt.h"
#include "workflow/ProgramRulesUnt.h"
#include "common/ProgramGame.h"

#include <gtest/gtest.h>

#include <QPalette>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using TIDs = std::vector<std::string>;

// The Zoom Bot with a dealt hand: A..E programmed into registers 1..5 as each case needs.
struct RulesGame : TProgramGame {
    TBot& Zoom = Bot(btZoomBot, "Zed");
    RulesGame()
    {
        Game.TurnList()->AddTurn();
        Deal(Zoom, {"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup", "80RotateRight", "500Move1"});
    }
    TIDs Registers() const
    {
        TIDs ids;
        for (int n = 1; n <= 5; ++n)
            ids.push_back(RegisterCard(Zoom, n));
        return ids;
    }
    TIDs HandList()
    {
        TIDs ids;
        for (const TProgramCard* card : HandListCards(Game, &Zoom))
            ids.push_back(card->ID());
        return ids;
    }
    TIDs Others()
    {
        TIDs ids;
        for (const TOtherEntry& entry : OtherListEntries(Game, &Zoom))
            ids.push_back(entry.CardID);
        return ids;
    }
};

struct DropCase {
    const char* Name;
    std::function<void(RulesGame&)> Setup;
    std::function<bool(RulesGame&)> Action;
    bool Done;
    TIDs Registers;
    std::map<std::string, TCardState> States;
    TIDs Others = {};
};

const DropCase DropCases[] = {
    {"hand card onto a full register replaces its card",
        [](RulesGame& g) { g.Program(g.Zoom, 3, "10UTurn"); },
        [](RulesGame& g) { return DropOnRegister(g.Game, g.Zoom, 3, "490Move1", -1); }, true,
        {"", "", "490Move1", "", ""}, {{"490Move1", csRegisterProgrammed}, {"10UTurn", csDealt}}},
    {"register onto a full register swaps",
        [](RulesGame& g) {
            g.Program(g.Zoom, 2, "490Move1");
            g.Program(g.Zoom, 4, "670Move2");
        },
        [](RulesGame& g) { return DropOnRegister(g.Game, g.Zoom, 4, "490Move1", 2); }, true,
        {"", "670Move2", "", "490Move1", ""}, {{"490Move1", csRegisterProgrammed}, {"670Move2", csRegisterProgrammed}}},
    {"register onto an empty register moves",
        [](RulesGame& g) { g.Program(g.Zoom, 2, "490Move1"); },
        [](RulesGame& g) { return DropOnRegister(g.Game, g.Zoom, 4, "490Move1", 2); }, true,
        {"", "", "", "490Move1", ""}, {{"490Move1", csRegisterProgrammed}}},
    {"register onto itself changes nothing",
        [](RulesGame& g) { g.Program(g.Zoom, 2, "490Move1"); },
        [](RulesGame& g) { return DropOnRegister(g.Game, g.Zoom, 2, "490Move1", 2); }, true,
        {"", "490Move1", "", "", ""}, {{"490Move1", csRegisterProgrammed}}},
    {"a locked register refuses drops",
        [](RulesGame& g) { g.Program(g.Zoom, 3, "10UTurn", true); },
        [](RulesGame& g) { return DropOnRegister(g.Game, g.Zoom, 3, "490Move1", -1); }, false,
        {"", "", "10UTurn", "", ""}, {{"490Move1", csDealt}, {"10UTurn", csRegisterLocked}}},
    {"a source register that no longer holds the card is no source",
        [](RulesGame& g) {
            g.Program(g.Zoom, 1, "10UTurn");
            g.Program(g.Zoom, 2, "670Move2");
        },
        [](RulesGame& g) { return DropOnRegister(g.Game, g.Zoom, 2, "490Move1", 1); }, true,
        {"10UTurn", "490Move1", "", "", ""}, {{"670Move2", csDealt}, {"490Move1", csRegisterProgrammed}}},
    {"an unknown card is refused",
        [](RulesGame&) {}, [](RulesGame& g) { return DropOnRegister(g.Game, g.Zoom, 1, "999Nothing", -1); }, false,
        {"", "", "", "", ""}, {}},
    {"group box or bar fills the lowest empty register",
        [](RulesGame& g) {
            g.Program(g.Zoom, 1, "10UTurn");
            g.Program(g.Zoom, 2, "670Move2");
            g.Program(g.Zoom, 4, "430Backup");
        },
        [](RulesGame& g) { return ProgramNextOpenRegister(g.Game, g.Zoom, "490Move1", -1); }, true,
        {"10UTurn", "670Move2", "490Move1", "430Backup", ""}, {{"490Move1", csRegisterProgrammed}}},
    {"group box from a register moves the card to the lowest empty register",
        [](RulesGame& g) { g.Program(g.Zoom, 4, "430Backup"); },
        [](RulesGame& g) { return ProgramNextOpenRegister(g.Game, g.Zoom, "430Backup", 4); }, true,
        {"430Backup", "", "", "", ""}, {{"430Backup", csRegisterProgrammed}}},
    {"group box with all five full changes nothing",
        [](RulesGame& g) {
            const char* ids[] = {"10UTurn", "670Move2", "430Backup", "70RotateLeft", "80RotateRight"};
            for (int n = 1; n <= 5; ++n)
                g.Program(g.Zoom, n, ids[n - 1]);
        },
        [](RulesGame& g) { return ProgramNextOpenRegister(g.Game, g.Zoom, "490Move1", -1); }, false,
        {"10UTurn", "670Move2", "430Backup", "70RotateLeft", "80RotateRight"}, {{"490Move1", csDealt}}},
    {"hand list takes a register's card back",
        [](RulesGame& g) { g.Program(g.Zoom, 3, "10UTurn"); },
        [](RulesGame& g) { return DropOnHand(g.Game, g.Zoom, "10UTurn", 3); }, true,
        {"", "", "", "", ""}, {{"10UTurn", csDealt}}},
    {"hand list leaves a card copied from another robot with that robot",
        [](RulesGame& g) { g.Zoom.Registers()->Registers(2)->ProgramWith(g.Card("840Move3")); },
        [](RulesGame& g) { return DropOnHand(g.Game, g.Zoom, "840Move3", 3); }, true,
        {"", "", "", "", ""}, {{"840Move3", csRegisterProgrammed}}},
    {"Other takes a hand card",
        [](RulesGame&) {}, [](RulesGame& g) { return DropOnOther(g.Game, g.Zoom, "500Move1", -1); }, true,
        {"", "", "", "", ""}, {{"500Move1", csRegisterProgrammed}}, {"500Move1"}},
    {"Other takes a register's card and empties the register",
        [](RulesGame& g) { g.Program(g.Zoom, 2, "670Move2"); },
        [](RulesGame& g) { return DropOnOther(g.Game, g.Zoom, "670Move2", 2); }, true,
        {"", "", "", "", ""}, {{"670Move2", csRegisterProgrammed}}, {"670Move2"}},
    {"double-click on a hand line fills the lowest empty register",
        [](RulesGame& g) { g.Program(g.Zoom, 1, "10UTurn"); },
        [](RulesGame& g) { return ProgramNextOpenRegister(g.Game, g.Zoom, "80RotateRight", RegisterNbr("lstProgramCards")); },
        true, {"10UTurn", "80RotateRight", "", "", ""}, {{"80RotateRight", csRegisterProgrammed}}},
    {"double-click on a locked box empties it and clears the lock",
        [](RulesGame& g) { g.Program(g.Zoom, 5, "430Backup", true); },
        [](RulesGame& g) { return ClearRegister(g.Game, g.Zoom, 5, csDealt); }, true,
        {"", "", "", "", ""}, {{"430Backup", csDealt}}},
    {"clear puts the card back into the hand",
        [](RulesGame& g) { g.Program(g.Zoom, 2, "430Backup"); },
        [](RulesGame& g) { return ClearRegister(g.Game, g.Zoom, 2, csDealt); }, true,
        {"", "", "", "", ""}, {{"430Backup", csDealt}}},
    {"clear of an invalid register does nothing",
        [](RulesGame& g) { g.Program(g.Zoom, 1, "430Backup"); },
        [](RulesGame& g) { return ClearRegister(g.Game, g.Zoom, RegisterNbr("barRegisterOther"), csDealt); }, false,
        {"430Backup", "", "", "", ""}, {{"430Backup", csRegisterProgrammed}}},
};

void PrintTo(const DropCase& c, std::ostream* out) { *out << c.Name; }

class RegisterDrop : public ::testing::TestWithParam<DropCase> {};

} // namespace

TEST_P(RegisterDrop, ChangesRegistersAndCardStates)
{
    const DropCase& c = GetParam();
    RulesGame g;
    c.Setup(g);
    const std::string before = g.Saved();
    EXPECT_EQ(c.Action(g), c.Done);
    EXPECT_EQ(g.Registers(), c.Registers);
    for (const auto& [id, state] : c.States)
        EXPECT_EQ(g.State(id), state) << id;
    EXPECT_EQ(g.Others(), c.Others);
    if (!c.Done) {
        EXPECT_EQ(g.Saved(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, RegisterDrop, ::testing::ValuesIn(DropCases), [](const ::testing::TestParamInfo<DropCase>& param) {
    std::string name;
    for (const char* p = param.param.Name; *p; ++p)
        name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

TEST(ProgramRules, RegisterNumbersComeFromTheEndOfTheControlName)
{
    const std::pair<const char*, int> names[] = {{"edtRegister1", 1}, {"edtRegister5", 5}, {"barRegister3", 3},
        {"lstRegisterOther", 0}, {"barRegisterOther", 0}, {"lstProgramCards", 0}, {"", 0}, {"edtRegister12", 21}};
    for (const auto& [name, n] : names)
        EXPECT_EQ(RegisterNbr(name), n) << name;
    for (int n : {-1, 0, 6, 21})
        EXPECT_FALSE(bValidRegisterNumber(n)) << n;
    for (int n = 1; n <= 5; ++n)
        EXPECT_TRUE(bValidRegisterNumber(n)) << n;
}

TEST(ProgramRules, WhatTheTabShows)
{
    RulesGame g;
    g.Program(g.Zoom, 1, "10UTurn");
    g.Program(g.Zoom, 4, "430Backup", true);
    g.AddOther(g.Zoom, "670Move2", true);
    g.Zoom.ExtraRegisters()->AddRegister(0, false);
    g.AddOther(g.Zoom, "500Move1");
    g.Zoom.ExtraRegisters()->AddRegister(0, false)->SetCardID("999Lost");
    g.Zoom.Registers()->Registers(2)->SetCardID("888Gone");

    EXPECT_EQ(g.HandList(), (TIDs{"490Move1", "70RotateLeft", "80RotateRight"}));
    std::vector<TOtherEntry> others = OtherListEntries(g.Game, &g.Zoom);
    ASSERT_EQ(others.size(), 3u);
    EXPECT_EQ(others[0].EntryIndex, 0);
    EXPECT_EQ(others[0].Text, "Move 2 (670)");
    EXPECT_TRUE(others[0].Locked);
    EXPECT_EQ(others[1].EntryIndex, 2);
    EXPECT_EQ(others[1].Text, "Move 1 (500)");
    EXPECT_FALSE(others[1].Locked);
    EXPECT_EQ(others[2].EntryIndex, 3);
    EXPECT_EQ(others[2].Text, "999Lost");

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
    g.Program(g.Zoom, 1, "10UTurn");
    g.Program(g.Zoom, 2, "430Backup", true);
    g.AddOther(g.Zoom, "670Move2", true);
    g.AddOther(g.Zoom, "500Move1");
    struct {
        const char* Name;
        TRegisterBarState State;
        bool Enabled;
        TRegisterToolImage Image;
        bool Clear;
        bool Random;
    } cases[] = {
        {"empty register", RegisterBarState(g.Game, &g.Zoom, 3), false, tiLock, false, false},
        {"no bot", RegisterBarState(g.Game, nullptr, 1), false, tiLock, false, false},
        {"unlocked register", RegisterBarState(g.Game, &g.Zoom, 1), true, tiLock, true, true},
        {"locked register", RegisterBarState(g.Game, &g.Zoom, 2), true, tiUnlock, false, false},
        {"no Other line selected", OtherBarState(g.Game, &g.Zoom, -1), false, tiLock, false, false},
        {"locked Other line", OtherBarState(g.Game, &g.Zoom, 0), true, tiUnlock, false, false},
        {"unlocked Other line", OtherBarState(g.Game, &g.Zoom, 1), true, tiLock, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.State.Enabled, c.Enabled);
        EXPECT_EQ(c.State.LockEnabled, c.Enabled);
        EXPECT_EQ(c.State.LockImage, c.Image);
        EXPECT_EQ(c.State.ClearEnabled, c.Clear);
        EXPECT_EQ(c.State.RandomEnabled, c.Random);
    }
    EXPECT_STREQ(RegisterToolHint(RegisterBarState(g.Game, &g.Zoom, 2).LockImage), "Unlock Register");
    EXPECT_STREQ(RegisterToolHint(RegisterBarState(g.Game, &g.Zoom, 1).LockImage), "Lock Register");
}

TEST(ProgramRules, LockTogglesTheRegisterAndItsCard)
{
    RulesGame g;
    g.Program(g.Zoom, 3, "10UTurn");
    ASSERT_TRUE(ToggleRegisterLock(g.Game, g.Zoom, 3));
    EXPECT_TRUE(IsRegisterLocked(&g.Zoom, 3));
    EXPECT_EQ(g.State("10UTurn"), csRegisterLocked);
    ASSERT_TRUE(ToggleRegisterLock(g.Game, g.Zoom, 3));
    EXPECT_FALSE(IsRegisterLocked(&g.Zoom, 3));
    EXPECT_EQ(g.State("10UTurn"), csRegisterProgrammed);
    const std::string before = g.Saved();
    EXPECT_FALSE(ToggleRegisterLock(g.Game, g.Zoom, 2));
    EXPECT_EQ(g.Saved(), before);
}

TEST(ProgramRules, OtherEntriesLockAndClearByPosition)
{
    RulesGame g;
    g.Zoom.ExtraRegisters()->AddRegister(0, false);
    g.AddOther(g.Zoom, "500Move1");
    g.AddOther(g.Zoom, "80RotateRight");
    ASSERT_TRUE(ToggleOtherLock(g.Game, g.Zoom, 1));
    EXPECT_TRUE(g.Zoom.ExtraRegisters()->Registers(1)->IsLocked());
    EXPECT_EQ(g.State("500Move1"), csRegisterLocked);
    ASSERT_TRUE(ToggleOtherLock(g.Game, g.Zoom, 1));
    EXPECT_EQ(g.State("500Move1"), csRegisterProgrammed);
    EXPECT_FALSE(ToggleOtherLock(g.Game, g.Zoom, 0)); // empty entry
    EXPECT_FALSE(ToggleOtherLock(g.Game, g.Zoom, 3));
    EXPECT_FALSE(ClearOther(g.Game, g.Zoom, -1));

    ASSERT_TRUE(ClearOther(g.Game, g.Zoom, 2));
    EXPECT_EQ(g.Others(), TIDs{"500Move1"});
    EXPECT_EQ(g.State("80RotateRight"), csDealt);
    EXPECT_EQ(g.HandList(), (TIDs{"490Move1", "70RotateLeft", "10UTurn", "670Move2", "430Backup", "80RotateRight"}));
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

TEST(ProgramRules, RandomCardRefusesALockedRegister)
{
    RulesGame g;
    g.Program(g.Zoom, 2, "670Move2", true);
    const std::string before = g.Saved();
    EXPECT_FALSE(RandomCardForRegister(g.Game, g.Zoom, 2));
    EXPECT_EQ(g.Saved(), before);
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

TEST(ProgramRules, LockedColoursAreWhiteOnRed)
{
    QPalette palette;
    palette.setColor(QPalette::Text, QColor(1, 2, 3));
    palette.setColor(QPalette::Base, QColor(250, 251, 252));
    palette.setColor(QPalette::Highlight, QColor(10, 20, 200));
    palette.setColor(QPalette::HighlightedText, QColor(240, 240, 240));
    const QColor red(255, 0, 0), white(255, 255, 255);
    struct {
        const char* Name;
        TTextColours Colours;
        QColor Text;
        QColor Background;
    } cases[] = {
        {"locked box", RegisterBoxColours(true, palette), white, red},
        {"box", RegisterBoxColours(false, palette), QColor(1, 2, 3), QColor(250, 251, 252)},
        {"locked line", OtherLineColours(true, false, palette), red, white},
        {"locked line selected", OtherLineColours(true, true, palette), white, red},
        {"line", OtherLineColours(false, false, palette), QColor(1, 2, 3), QColor(250, 251, 252)},
        {"line selected", OtherLineColours(false, true, palette), QColor(240, 240, 240), QColor(10, 20, 200)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(c.Colours.Text, c.Text);
        EXPECT_EQ(c.Colours.Background, c.Background);
    }
}

TEST(CopyProgram, PutsTheSourceProgramIntoTheTargetsUnlockedRegisters)
{
    RulesGame g;
    TBot& spin = g.Bot(btSpinBot, "Sam");
    g.Deal(spin, {"20UTurn", "680Move2", "440Backup", "800Move3", "90RotateLeft"});
    g.Program(spin, 1, "20UTurn");
    g.Program(spin, 2, "680Move2", true);
    g.Program(spin, 3, "440Backup");
    g.AddOther(spin, "800Move3");
    g.Program(g.Zoom, 1, "490Move1");
    g.Program(g.Zoom, 3, "10UTurn", true);
    g.Program(g.Zoom, 4, "670Move2");
    g.AddOther(g.Zoom, "430Backup");
    g.Zoom.SetGameNotes("Notes");

    for (int copy = 1; copy <= 2; ++copy) {
        SCOPED_TRACE(copy);
        ASSERT_TRUE(CopyProgram(g.Game, spin, g.Zoom));
        EXPECT_EQ(g.Registers(), (TIDs{"20UTurn", "680Move2", "10UTurn", "670Move2", ""}));
        // The target's own replaced card is discarded; its locked register and the registers
        // the source leaves empty keep theirs.
        EXPECT_EQ(g.State("490Move1"), csDiscarded);
        EXPECT_EQ(g.State("10UTurn"), csRegisterLocked);
        EXPECT_EQ(g.State("670Move2"), csRegisterProgrammed);
        EXPECT_EQ(g.State("430Backup"), csDiscarded);
        // The source's cards keep their states, the locked one included, also on a second copy.
        EXPECT_EQ(g.State("20UTurn"), csRegisterProgrammed);
        EXPECT_EQ(g.State("680Move2"), csRegisterLocked);
        EXPECT_EQ(g.State("800Move3"), csRegisterProgrammed);
        EXPECT_EQ(g.RegisterCard(spin, 1), "20UTurn");
    }
    // The target's "Other" entries emptied by each copy stay, empty, until the turn ends.
    EXPECT_EQ(g.Others(), TIDs{"800Move3"});
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
