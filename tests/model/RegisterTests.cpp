#include "model/ProgramUnt.h"
#include "model/RegisterUnt.h"
#include "model/SavedRegisters.h"

#include <gtest/gtest.h>

#include <string>

TEST(BotRegisterList, NewListWorkedExampleAndOtherEntriesAreWrittenByteForByteAndLoadBack)
{
    // A new list's text is part of the new bot's text in the bot tests.
    TBotRegisterList list;
    TBotRegister lone;
    EXPECT_EQ(lone.SaveToXMLString(), RegisterText("-1"));

    TProgramDeck deck;
    list.Registers(1)->ProgramWith(*AddProgramCard(deck, ckMoveOne, 490));
    list.Registers(1)->SetIsLocked(true);
    const std::string workedExample = RegistersText(2, "True", "490Move1");
    EXPECT_EQ(list.SaveToXMLString(), workedExample);
    // Loading replaces the five registers rather than adding to them.
    TBotRegisterList loaded;
    loaded.LoadFromXMLString(workedExample);
    EXPECT_EQ(loaded.SaveToXMLString(), workedExample);

    // "Other" entries are all numbered 0 and told apart by position.
    TProgramCard* first = AddProgramCard(deck, ckMoveTwo, 670);
    first->SetCardState(csDealt);
    TBotExtraRegisterList extra;
    extra.AddExtraRegister(*first);
    extra.AddExtraRegister(*AddProgramCard(deck, ckBackup, 430))->SetIsLocked(true);
    EXPECT_EQ(first->CardState(), csDealt) << "adding an entry leaves the card's state to the caller";
    const std::string entries = "<BotExtraRegisterList>" + RegisterText("0", "False", "670Move2") + "\r\n"
        + RegisterText("0", "True", "430Backup") + "</BotExtraRegisterList>";
    EXPECT_EQ(extra.SaveToXMLString(), entries);
    TBotExtraRegisterList loadedEntries;
    loadedEntries.LoadFromXMLString(entries);
    EXPECT_EQ(loadedEntries.SaveToXMLString(), entries);
}

TEST(BotRegisterList, DamagedValuesFallBackWithoutRaising)
{
    TBotRegisterList list;
    // Truncated text: the part parsed before the error is still read.
    list.LoadFromXMLString("<BotRegisterList><BotRegister ID=\"1\"><IsLocked>maybe</IsLocked><CardID>x</CardID></BotRegister>"
                           "<BotRegister><IsLocked>true</IsLocked></BotRegister><BotRegister ID=\"3\"><IsLo");
    ASSERT_GE(list.Count(), 2);
    EXPECT_FALSE(list.Registers(0)->IsLocked()) << "an unknown Boolean name leaves the constructor's value";
    EXPECT_EQ(list.Registers(0)->CardID(), "x");
    EXPECT_TRUE(list.Registers(1)->IsLocked()) << "Boolean names are read without regard to case";
    EXPECT_EQ(list.Registers(1)->ID(), "") << "a missing ID attribute reads as empty";
    EXPECT_EQ(list.Registers(1)->CardID(), "");
}

TEST(BotRegister, ProgramWithKeepsTheLockAndClearUnlocksWithoutTouchingTheCard)
{
    TProgramDeck deck;
    TProgramCard* card = AddProgramCard(deck, ckRotateLeft, 70);
    card->SetCardState(csDealt);

    for (bool lockedBefore : {false, true}) {
        SCOPED_TRACE(lockedBefore);
        TBotRegister reg;
        reg.SetIsLocked(lockedBefore);
        reg.ProgramWith(*card);
        EXPECT_EQ(reg.CardID(), "70RotateLeft");
        EXPECT_EQ(card->CardState(), csRegisterProgrammed);
        EXPECT_EQ(reg.IsLocked(), lockedBefore);

        card->SetCardState(csRegisterLocked);
        reg.Clear();
        EXPECT_TRUE(reg.IsEmpty());
        EXPECT_FALSE(reg.IsLocked());
        EXPECT_EQ(card->CardState(), csRegisterLocked);
    }
}
