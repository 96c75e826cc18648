#include "model/OptionUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <set>
#include <string>
#include <vector>

namespace {

// The reference composition of the two sets, typed in independently of the builder's tables.
struct ExpectedCard {
    const char* Name;
    const char* ID;
    const char* OptionType;
    const char* Kind;
    int Quantity;
    int Damage;
};

const std::vector<ExpectedCard> ExpectedBase = {
    {"Ablative Coat", "AblativeCoat", "otAutomatic", "okNone", -1, -1},
    {"Abort Switch", "AbortSwitch", "otRunTime", "okNone", -1, -1},
    {"Brakes", "Brakes", "otNone", "okNone", -1, -1},
    {"Circuit Breaker", "CircuitBreaker", "otAutomatic", "okNone", -1, -1},
    {"Conditional", "Conditional", "otNone", "okNone", -1, -1},
    {"Double Barrel Laser", "DoubleBarrelLaser", "otMainLaserModification", "okNone", -1, -1},
    {"Extra Memory", "ExtraMemory", "otNone", "okNone", -1, -1},
    {"Fire Control", "FireControl", "otMainLaserModification", "okNone", -1, -1},
    {"Flywheel", "Flywheel", "otTurnProgrammed", "okNone", -1, -1},
    {"Fourth Gear", "FourthGear", "otRunTime", "okNone", -1, -1},
    {"Gyroscopic Stabilizer", "GyroscopicStabilizer", "otTurnProgrammed", "okNone", -1, -1},
    {"High Power Laser", "HighPowerLaser", "otMainLaserModification", "okNone", -1, -1},
    {"Mechanical Arm", "MechanicalArm", "otRunTime", "okNone", -1, -1},
    {"Mini Howitzer", "MiniHowitzer", "otOptionalWeapon", "okNone", 5, -1},
    {"Power Down Shield", "PowerDownShield", "otAutomatic", "okNone", -1, -1},
    {"Pressor Beam", "PressorBeam", "otOptionalWeapon", "okNone", -1, -1},
    {"Radio Control", "RadioControl", "otOptionalWeapon", "okNone", -1, -1},
    {"Ramming Gear", "RammingGear", "otAdditionalWeapon", "okNone", -1, -1},
    {"Rear Laser", "RearLaser", "otAdditionalWeapon", "okNone", -1, -1},
    {"Recompile", "Recompile", "otNone", "okNone", -1, -1},
    {"Reverse Gears", "ReverseGears", "otRunTime", "okNone", -1, -1},
    {"Scrambler", "Scrambler", "otOptionalWeapon", "okNone", -1, -1},
    {"Shield", "Shield", "otTurnProgrammed", "okNone", -1, -1},
    {"Superior Archive Copy", "SuperiorArchiveCopy", "otNone", "okNone", -1, -1},
    {"Tractor Beam", "TractorBeam", "otOptionalWeapon", "okNone", -1, -1},
    {"Turret", "Turret", "otTurnProgrammed", "okNone", -1, -1},
};

const std::vector<ExpectedCard> ExpectedBoltsAndBlasters = {
    {"Big Gun", "BigGun", "otOptionalWeapon", "okLauncher", 5, -1},
    {"Big Jet", "BigJet", "otPhaseProgrammedMovement", "okBooster,okFlying", 1, -1},
    {"Bio Option", "BioOption", "otNone", "okNone", -1, -1},
    {"Bridge Layer", "BridgeLayer", "otPhaseProgrammedGadget", "okFlatDevice,okLauncher", 2, -1},
    {"Buzz Bomb", "BuzzBomb", "otTurnProgrammed", "okLauncher,okFlyingDevice", 3, 4},
    {"Converter", "Converter", "otAutomatic", "okNone", -1, 2},
    {"Crab Legs", "CrabLegs", "otPhaseProgrammedMovement", "okNone", -1, -1},
    {"Drone Launcher", "DroneLauncher", "otOptionalWeapon", "okLauncher,okFlyingDevice", 3, 2},
    {"Dual Processor", "DualProcessor", "otPhaseProgrammedMovement", "okNone", -1, -1},
    {"Frog Legs", "FrogLegs", "otRunTime", "okNone", -1, -1},
    {"Goo Dropper", "GooDropper", "otPhaseProgrammedGadget", "okLauncher,okFlyingDevice", 3, -1},
    {"Homing Device", "HomingDevice", "otOptionalTurnProgrammedWeapon", "okNone", -1, -1},
    {"Interceptor", "Interceptor", "otOptionalWeapon", "okNone", -1, -1},
    {"Mine Layer", "MineLayer", "otPhaseProgrammedGadget", "okFlatDevice,okLauncher", 3, 4},
    {"Missile Launcher", "MissileLauncher", "otOptionalWeapon", "okLauncher,okFlyingDevice", 3, 4},
    {"Option Damping Field", "OptionDampingField", "otTurnProgrammed", "okNone", -1, -1},
    {"Overload Override", "OverloadOverride", "otPhaseProgrammedMovement", "okNone", -1, -1},
    {"Portable Teleporter", "PortableTeleporter", "otPhaseProgrammedGadget", "okFlatDevice,okLauncher", 1, -1},
    {"Proximity Mine", "ProximityMine", "otPhaseProgrammedGadget", "okFlatDevice,okLauncher", 3, 4},
    {"Reengineering Unit", "ReengineeringUnit", "otRunTime", "okNone", -1, -1},
    {"Reflector", "Reflector", "otTurnProgrammed", "okNone", -1, -1},
    {"Retro-Rockets", "Retro-Rockets", "otPhaseProgrammedMovement", "okBooster,okFlying", 3, -1},
    {"Robo Copter", "RoboCopter", "otTurnProgrammed", "okFlying", -1, -1},
    {"Scrambler Bomb", "ScramblerBomb", "otPhaseProgrammedGadget", "okFlatDevice,okLauncher", 1, -1},
    {"Self-Destruct", "Self-Destruct", "otPhaseProgrammed", "okNone", -1, 16},
    {"The Big One", "TheBigOne", "otPhaseProgrammedGadget", "okLauncher,okDevice", 1, 64},
};

std::string KindText(const TOptionCard& card) { return SetToText(OptionKindInfo(), card.Kind().Mask()); }

} // namespace

TEST(OptionCard, NewCardIsWrittenWithItsDefaults)
{
    TOptionCard card;
    EXPECT_EQ(card.SaveToXMLString(),
        "<OptionCard><CardName></CardName><CardState>csAvailable</CardState><OptionType>otUnknown</OptionType>"
        "<Kind>okUnknown</Kind><Source>osUnknown</Source><Quantity>-1</Quantity><Damage>0</Damage>"
        "<Description></Description><OptionFacing>ofNone</OptionFacing></OptionCard>");
}

TEST(OptionCard, KindSetIsWrittenAsCommaSeparatedNamesAndAnEmptySetStaysEmpty)
{
    TOptionDeck deck;
    TOptionCard* card = AddOptionCard(deck, "Retro-Rockets", otPhaseProgrammedMovement, "Hover & glide.<br>Three firings.",
        -1, 3, osBoltsAndBlasters, {okFlying, okBooster});
    card->SetOptionFacing(ofBack);
    const std::string text =
        "<OptionCard ID=\"Retro-Rockets\"><CardName>Retro-Rockets</CardName><CardState>csAvailable</CardState>"
        "<OptionType>otPhaseProgrammedMovement</OptionType><Kind>okBooster,okFlying</Kind>"
        "<Source>osBoltsAndBlasters</Source><Quantity>3</Quantity><Damage>-1</Damage>"
        "<Description>Hover &amp; glide.&lt;br&gt;Three firings.</Description><OptionFacing>ofBack</OptionFacing></OptionCard>";
    EXPECT_EQ(card->SaveToXMLString(), text);

    TOptionCard loaded;
    loaded.LoadFromXMLString(text);
    EXPECT_EQ(loaded.Kind(), (TOptionKindSet{okBooster, okFlying}));
    EXPECT_EQ(loaded.Description(), "Hover & glide.<br>Three firings.");
    EXPECT_EQ(loaded.OptionFacing(), ofBack);
    EXPECT_EQ(loaded.SaveToXMLString(), text);

    card->SetKind({});
    const std::string emptyKind = card->SaveToXMLString();
    EXPECT_NE(emptyKind.find("<Kind></Kind>"), std::string::npos) << emptyKind;
    TOptionCard reread;
    ASSERT_EQ(reread.Kind(), TOptionKindSet{okUnknown});
    reread.LoadFromXMLString(emptyKind);
    EXPECT_TRUE(reread.Kind().Empty()) << "an empty Kind element is the empty set, not the default";

    // Without a Kind element at all the constructor's value stays.
    TOptionCard noElement;
    noElement.LoadFromXMLString("<OptionCard ID=\"X\"><Quantity>2</Quantity></OptionCard>");
    EXPECT_EQ(noElement.Kind(), TOptionKindSet{okUnknown});
    EXPECT_EQ(noElement.Quantity(), 2);
    EXPECT_EQ(noElement.Damage(), 0);
}

TEST(OptionCardList, AddOptionCopyCopiesEveryPropertyAndStaysIndependent)
{
    TOptionDeck deck;
    TOptionCard* card = AddOptionCard(deck, "Mini Howitzer", otOptionalWeapon, "Five shells.", -1, 5, osBaseGame, {okNone});
    card->SetCardState(csDealt);

    TOptionCardList options;
    TOptionCard* copy = options.AddOptionCopy(*card);
    ASSERT_EQ(options.Count(), 1);
    EXPECT_EQ(options.Items(0), copy);
    EXPECT_EQ(copy->SaveToXMLString(), card->SaveToXMLString());
    EXPECT_EQ(options.FindByID("MiniHowitzer"), copy);

    copy->SetQuantity(4);
    copy->SetOptionFacing(ofLeft);
    EXPECT_EQ(card->Quantity(), 5);
    EXPECT_EQ(card->OptionFacing(), ofNone);
    EXPECT_EQ(options.SaveToXMLString().rfind("<OptionCardList><OptionCard ID=\"MiniHowitzer\">", 0), 0u);
}

TEST(OptionDeck, DrawPileIsSavedLastAndDealingUsesTheDeckClassName)
{
    SetRandSeed(7);
    TOptionDeck deck;
    AddOptionCard(deck, "Brakes", otNone, "", -1, -1, osBaseGame, {okNone});
    AddOptionCard(deck, "Shield", otTurnProgrammed, "", -1, -1, osBaseGame, {okNone});
    deck.ShuffleAll();
    const std::string text = deck.SaveToXMLString();
    const std::size_t pile = text.find("\r\n<ShuffledOptionCardRefList><OptionCardRef ID=\"");
    ASSERT_NE(pile, std::string::npos) << text;
    EXPECT_GT(pile, text.rfind("</OptionCard>"));
    const std::string end = "</ShuffledOptionCardRefList></OptionDeck>";
    ASSERT_GE(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end);

    TOptionDeck loaded;
    loaded.LoadFromXMLString(text);
    EXPECT_EQ(loaded.Count(), 2);
    ASSERT_NE(loaded.ShuffledList(), nullptr);
    EXPECT_EQ(loaded.ShuffledList()->Count(), 2);
    EXPECT_EQ(loaded.SaveToXMLString(), text);

    TMessageCapture messages;
    EXPECT_NE(loaded.DealCard(), nullptr);
    EXPECT_NE(loaded.DealCard(), nullptr);
    EXPECT_EQ(loaded.DealCard(), nullptr);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Deck TOptionDeck is out of cards."});
}

TEST(OptionDeckBuilders, BothFilesLoadBackWithEveryListedValue)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/";
    BuildBaseOptionDeckFile(folder);
    BuildBoltsAndBlastersOptionDeckFile(folder);

    struct Case {
        const char* File;
        TOptionSource Source;
        const std::vector<ExpectedCard>* Cards;
    };
    for (Case c : {Case{"BaseOptionDeck.xml", osBaseGame, &ExpectedBase},
             Case{"BoltsAndBlastersOptionDeck.xml", osBoltsAndBlasters, &ExpectedBoltsAndBlasters}}) {
        SCOPED_TRACE(c.File);
        TOptionDeck deck;
        deck.LoadFromXMLFile(folder + c.File);
        ASSERT_EQ(deck.Count(), 26);
        EXPECT_EQ(deck.ShuffledList(), nullptr);
        for (int i = 0; i < 26; ++i) {
            const ExpectedCard& e = (*c.Cards)[static_cast<std::size_t>(i)];
            const TOptionCard* card = deck.Cards(i);
            SCOPED_TRACE(e.Name);
            EXPECT_EQ(card->CardName(), e.Name);
            EXPECT_EQ(card->ID(), e.ID);
            EXPECT_EQ(OptionTypeInfo().NameOf(card->OptionType()), e.OptionType);
            EXPECT_EQ(KindText(*card), e.Kind);
            EXPECT_EQ(card->Quantity(), e.Quantity);
            EXPECT_EQ(card->Damage(), e.Damage);
            EXPECT_EQ(card->Source(), c.Source);
            EXPECT_EQ(card->CardState(), csAvailable);
            EXPECT_EQ(card->OptionFacing(), ofNone);
        }
    }
}

TEST(OptionDeckBuilders, FileIsOneCardPerLineWithCrLfEnds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString() + "/";
    BuildBaseOptionDeckFile(folder);
    const std::string bytes = ReadBytes(folder + "BaseOptionDeck.xml");

    const std::string head =
        "<OptionDeck><OptionCard ID=\"AblativeCoat\"><CardName>Ablative Coat</CardName><CardState>csAvailable</CardState>"
        "<OptionType>otAutomatic</OptionType><Kind>okNone</Kind><Source>osBaseGame</Source><Quantity>-1</Quantity>"
        "<Damage>-1</Damage><Description>";
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    const std::string tail = "<OptionFacing>ofNone</OptionFacing></OptionCard></OptionDeck>\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);

    const std::vector<std::string> lines = SplitLines(bytes);
    ASSERT_EQ(lines.size(), 26u);
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].rfind("<OptionCard ID=\"", 0), 0u) << lines[i];
}

TEST(OptionDeckBuilders, EveryCardHasARulesParagraphOfSensibleLength)
{
    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters}) {
        for (const TOptionCardData& c : OptionCardTable(source)) {
            SCOPED_TRACE(c.Name);
            const std::string text = c.Description;
            EXPECT_GE(text.size(), 60u);
            EXPECT_LE(text.size(), 320u);
            EXPECT_EQ(text.find_first_of("\r\n\t"), std::string::npos) << "paragraphs are separated by <br> only";
            EXPECT_NE(text.rfind("<br>", 0), 0u);
            EXPECT_EQ(text.find("<br><br>"), std::string::npos);
            ASSERT_GE(text.size(), 4u);
            EXPECT_NE(text.substr(text.size() - 4), "<br>");
            for (char ch : text)
                EXPECT_TRUE(ch >= 32 && ch < 127) << "plain ASCII text";
        }
    }
    EXPECT_TRUE(OptionCardTable(osUnknown).empty());
}

TEST(OptionDeckBuilders, BothSetsInOneDeckHaveUniqueIdsBaseFirst)
{
    TOptionDeck deck;
    BuildBaseOptionCards(deck);
    EXPECT_EQ(deck.Count(), 26);
    BuildBoltsAndBlastersOptionCards(deck);
    ASSERT_EQ(deck.Count(), 52);
    std::set<std::string> ids;
    for (int i = 0; i < deck.Count(); ++i) {
        ids.insert(deck.Cards(i)->ID());
        EXPECT_EQ(deck.Cards(i)->Source(), i < 26 ? osBaseGame : osBoltsAndBlasters);
    }
    EXPECT_EQ(ids.size(), 52u);
    EXPECT_NE(deck.FindCard("BuzzBomb"), nullptr) << "the buzz bomb robot finds its owner by this ID";
}
