#include "model/ProgramUnt.h"

#include <algorithm>

const char* const KindNames[8] = {"Unknown", "Backup", "Move 1", "Move 2", "Move 3", "U-Turn", "Rotate Left", "Rotate Right"};

const TEnumInfo& ProgramCardKindInfo()
{
    static const TEnumInfo info{"TProgramCardKind",
        {"ckUnknown", "ckBackup", "ckMoveOne", "ckMoveTwo", "ckMoveThree", "ckUTurn", "ckRotateLeft", "ckRotateRight"}};
    return info;
}

COGLINE_DEFINE_CLASS(TProgramCardRef, "ProgramCardRef", TCardRef)
COGLINE_DEFINE_CLASS(TProgramCard, "ProgramCard", TCard,
    PropEnum<TProgramCard>("Kind", ProgramCardKindInfo(), &TProgramCard::Kind, &TProgramCard::SetKind),
    PropInteger<TProgramCard>("Priority", &TProgramCard::Priority, &TProgramCard::SetPriority))
COGLINE_DEFINE_CLASS(TProgramCardRefList, "ProgramCardRefList", TCardRefList)
COGLINE_DEFINE_CLASS(TShuffledProgramCardRefList, "ShuffledProgramCardRefList", TShuffledCardRefList)
COGLINE_DEFINE_CLASS(TProgramDeck, "ProgramDeck", TDeck)

TProgramCard::TProgramCard() { SetKind(ckUnknown); }

void TProgramCard::SetKind(TProgramCardKind kind)
{
    FKind = kind;
    int index = static_cast<int>(kind);
    SetCardName(index >= 0 && index < 8 ? KindNames[index] : "");
}

std::string TProgramCard::DisplayName() const { return CardName() + " (" + std::to_string(FPriority) + ")"; }

std::string TProgramCard::ListingName() const
{
    if (FKind == ckUTurn || FKind == ckRotateLeft || FKind == ckRotateRight)
        return CardName();
    return DisplayName();
}

TProgramCardRefList::TProgramCardRefList()
    : TCardRefList(TProgramCardRef::StaticClass())
{
}

TShuffledProgramCardRefList::TShuffledProgramCardRefList()
    : TShuffledCardRefList(TProgramCardRef::StaticClass())
{
}

TProgramDeck::TProgramDeck()
    : TDeck(TProgramCard::StaticClass(), TShuffledProgramCardRefList::StaticClass())
{
}

TProgramCard* AddProgramCard(TProgramDeck& deck, TProgramCardKind kind, int priority)
{
    auto* card = deck.CreateObject<TProgramCard>();
    card->SetKind(kind);
    card->SetPriority(priority);
    std::string id = std::to_string(priority) + KindNames[static_cast<int>(kind)];
    id.erase(std::remove(id.begin(), id.end(), ' '), id.end());
    id.erase(std::remove(id.begin(), id.end(), '-'), id.end());
    card->SetID(id);
    return card;
}

void BuildProgramCards(TProgramDeck& deck)
{
    for (int p = 10; p <= 60; p += 10)
        AddProgramCard(deck, ckUTurn, p);
    for (int p = 70; p <= 410; p += 20) {
        AddProgramCard(deck, ckRotateLeft, p);
        AddProgramCard(deck, ckRotateRight, p + 10);
    }
    for (int p = 430; p <= 480; p += 10)
        AddProgramCard(deck, ckBackup, p);
    for (int p = 490; p <= 660; p += 10)
        AddProgramCard(deck, ckMoveOne, p);
    for (int p = 670; p <= 780; p += 10)
        AddProgramCard(deck, ckMoveTwo, p);
    for (int p = 790; p <= 840; p += 10)
        AddProgramCard(deck, ckMoveThree, p);
}

void BuildProgramDeckFile(const std::string& folder)
{
    TProgramDeck deck;
    BuildProgramCards(deck);
    deck.SaveToXMLFile(folder + "ProgramDeck.xml");
}
