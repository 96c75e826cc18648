#include "model/OptionUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cctype>
#include <set>
#include <string>
#include <vector>

TEST(OptionCard, DefaultsAndKindSetAreWrittenAsCommaSeparatedNamesAndAnEmptySetStaysEmpty)
{
    EXPECT_EQ(TOptionCard().SaveToXMLString(),
        "<OptionCard><CardName></CardName><CardState>csAvailable</CardState><OptionType>otUnknown</OptionType>"
        "<Kind>okUnknown</Kind><Source>osUnknown</Source><Quantity>-1</Quantity><Damage>0</Damage>"
        "<Description></Description><OptionFacing>ofNone</OptionFacing></OptionCard>");
    // Name, type, description, damage, quantity, source and kinds each land in their own field.
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
    EXPECT_EQ(loaded.SaveToXMLString(), text);

    card->SetKind({});
    const std::string emptyKind = card->SaveToXMLString();
    EXPECT_NE(emptyKind.find("<Kind></Kind>"), std::string::npos) << emptyKind;
    TOptionCard reread;
    reread.LoadFromXMLString(emptyKind);
    EXPECT_TRUE(reread.Kind().Empty()) << "an empty Kind element is the empty set, not the default";

    // Without a Kind element at all the constructor's value stays.
    TOptionCard noElement;
    noElement.LoadFromXMLString("<OptionCard ID=\"X\"><Quantity>2</Quantity></OptionCard>");
    EXPECT_EQ(noElement.Kind(), TOptionKindSet{okUnknown});
    EXPECT_EQ(noElement.Quantity(), 2);
}

TEST(OptionCardList, AddOptionCopyCopiesEveryPropertyAndStaysIndependent)
{
    TOptionDeck deck;
    TOptionCard* card = AddOptionCard(deck, "Mini Howitzer", otOptionalWeapon, "Five shells.", -1, 5, osBaseGame, {okNone});
    card->SetCardState(csDealt);

    TOptionCardList options;
    TOptionCard* copy = options.AddOptionCopy(*card);
    ASSERT_EQ(options.Count(), 1);
    EXPECT_EQ(copy->SaveToXMLString(), card->SaveToXMLString());
    EXPECT_EQ(options.FindByID("MiniHowitzer"), copy);

    copy->SetQuantity(4);
    copy->SetOptionFacing(ofLeft);
    EXPECT_EQ(card->Quantity(), 5);
    EXPECT_EQ(card->OptionFacing(), ofNone);
}

TEST(OptionDeck, DrawPileIsWrittenLastAndDealingUsesTheDeckClassName)
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
    EXPECT_TRUE(text.ends_with("</ShuffledOptionCardRefList></OptionDeck>")) << text;

    TMessageCapture messages;
    EXPECT_NE(deck.DealCard(), nullptr);
    EXPECT_NE(deck.DealCard(), nullptr);
    EXPECT_EQ(deck.DealCard(), nullptr);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Deck TOptionDeck is out of cards."});
}

// The rules text is shown as it stands: one line, paragraphs split by single "<br>", plain
// ASCII. It must agree with the card's numbers: the damage it deals, and the uses a card with
// a quantity has (every launcher has one).
TEST(OptionDeckBuilders, RulesTextsAreSoundAndAgreeWithTheNumbers)
{
    const char* const counts[] = {"", "one", "two", "three", "four", "five"};
    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters}) {
        for (const TOptionCardData& c : OptionCardTable(source)) {
            SCOPED_TRACE(c.Name);
            const std::string text = c.Description;
            EXPECT_GE(text.size(), 60u);
            EXPECT_LE(text.size(), 320u);
            EXPECT_EQ(text.find_first_of("\r\n\t"), std::string::npos) << "paragraphs are separated by <br> only";
            EXPECT_FALSE(text.starts_with("<br>") || text.ends_with("<br>"));
            EXPECT_EQ(text.find("<br><br>"), std::string::npos);
            for (char ch : text)
                EXPECT_TRUE(ch >= 32 && ch < 127) << "plain ASCII text";

            if (c.Damage > 0) {
                EXPECT_NE(text.find(std::to_string(c.Damage)), std::string::npos) << "damage " << c.Damage;
            }
            if (c.Kind.Contains(okLauncher)) {
                EXPECT_GT(c.Quantity, 0);
            }
            if (c.Quantity > 0) {
                ASSERT_LE(c.Quantity, 5);
                std::string lower = text;
                for (char& ch : lower)
                    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                EXPECT_NE(lower.find(counts[c.Quantity]), std::string::npos) << "quantity " << c.Quantity;
            }
        }
    }
    EXPECT_TRUE(OptionCardTable(osUnknown).empty());
}

TEST(OptionDeckBuilders, BothSetsInOneDeckHaveUniqueIdsBaseFirst)
{
    TOptionDeck deck;
    BuildBaseOptionCards(deck);
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
