#pragma once
#include "model/DeckUnt.h"

#include <span>
#include <string>

enum TOptionType {
    otUnknown, otNone, otAutomatic, otRunTime, otOptionalWeapon, otPhaseProgrammedMovement, otTurnProgrammed,
    otMainLaserModification, otPhaseProgrammedGadget, otAdditionalWeapon, otPhaseProgrammed,
    otOptionalTurnProgrammedWeapon
};
enum TOptionKind { okUnknown, okNone, okFlatDevice, okLauncher, okBooster, okFlyingDevice, okFlying, okDevice };
using TOptionKindSet = TEnumSet<TOptionKind>;
enum TOptionSource { osUnknown, osBaseGame, osBoltsAndBlasters };
enum TOptionFacing { ofNone, ofFront, ofLeft, ofBack, ofRight };

const TEnumInfo& OptionTypeInfo();
const TEnumInfo& OptionKindInfo();
const TEnumInfo& OptionSourceInfo();
const TEnumInfo& OptionFacingInfo();

// Indexed by TOptionSource; empty for osUnknown.
extern const char* const OptionSourceNames[3];
// The reference files that start-up reads, indexed by TOptionSource; empty for osUnknown.
extern const char* const OptionDeckFiles[3];

class TOptionCard : public TCard {
    COGLINE_PERSISTENT_CLASS(TOptionCard)
public:
    TOptionCard();

    TOptionType OptionType() const { return FOptionType; }
    void SetOptionType(TOptionType value) { FOptionType = value; }
    TOptionKindSet Kind() const { return FKind; }
    void SetKind(TOptionKindSet value) { FKind = value; }
    TOptionSource Source() const { return FSource; }
    void SetSource(TOptionSource value) { FSource = value; }
    // Uses or tokens left; -1 when the card has none.
    int Quantity() const { return FQuantity; }
    void SetQuantity(int value) { FQuantity = value; }
    // -1 in the built-in tables when the option deals no damage of its own.
    int Damage() const { return FDamage; }
    void SetDamage(int value) { FDamage = value; }
    // Rules text; paragraphs separated by "<br>".
    const std::string& Description() const { return FDescription; }
    // The rules text as a window shows it: a blank line between paragraphs.
    std::string ShownDescription() const;
    // Kept in its clean form (XmlCleanText), which a file gives back exactly.
    void SetDescription(std::string value);
    // How a bot's copy is mounted; the game master sets it.
    TOptionFacing OptionFacing() const { return FOptionFacing; }
    void SetOptionFacing(TOptionFacing value) { FOptionFacing = value; }

private:
    TOptionType FOptionType = otUnknown;
    TOptionKindSet FKind{okUnknown};
    TOptionSource FSource = osUnknown;
    int FQuantity = -1;
    int FDamage = 0;
    std::string FDescription;
    TOptionFacing FOptionFacing = ofNone;
};

class TOptionCardRef : public TCardRef {
    COGLINE_PERSISTENT_CLASS(TOptionCardRef)
};

// The option deck's draw pile.
class TShuffledOptionCardRefList : public TShuffledCardRefList {
    COGLINE_PERSISTENT_CLASS(TShuffledOptionCardRefList)
public:
    TShuffledOptionCardRefList();
};

class TOptionDeck : public TDeck {
    COGLINE_PERSISTENT_CLASS(TOptionDeck)
public:
    TOptionDeck();
    TOptionCard* Cards(int index) const { return static_cast<TOptionCard*>(TDeck::Cards(index)); }
    TOptionCard* FindCard(std::string_view id) const { return static_cast<TOptionCard*>(TDeck::FindCard(id)); }
};

// A bot's options: full copies, so that each bot keeps its own quantity and facing.
class TOptionCardList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TOptionCardList)
public:
    TOptionCardList();
    // A copy of every persisted property, ID included.
    TOptionCard* AddOptionCopy(TOptionCard& card);
    TOptionCard* Items(int index) const { return static_cast<TOptionCard*>(TListObject::Items(index)); }
    TOptionCard* FindByID(std::string_view id) const { return static_cast<TOptionCard*>(TListObject::FindByID(id)); }
};

// Adds a card whose ID is its name without blanks.
TOptionCard* AddOptionCard(TOptionDeck& deck, const std::string& name, TOptionType optionType,
    const std::string& description, int damage, int quantity, TOptionSource source, TOptionKindSet kind);

// One row of a built-in option set.
struct TOptionCardData {
    const char* Name;
    TOptionType OptionType;
    TOptionKindSet Kind;
    int Quantity;
    int Damage;
    const char* Description;
};

// The built-in table of a set, in deck order; empty for osUnknown.
std::span<const TOptionCardData> OptionCardTable(TOptionSource source);
// Appends the set's cards to the deck in table order.
void BuildOptionCards(TOptionDeck& deck, TOptionSource source);
void BuildBaseOptionCards(TOptionDeck& deck);
void BuildBoltsAndBlastersOptionCards(TOptionDeck& deck);
// Builds the set into a new deck and saves it to the file.
void BuildOptionDeckFile(TOptionSource source, const std::string& fileName);
// Write "BaseOptionDeck.xml" and "BoltsAndBlastersOptionDeck.xml" in the folder (trailing "/" expected).
void BuildBaseOptionDeckFile(const std::string& folder);
void BuildBoltsAndBlastersOptionDeckFile(const std::string& folder);
