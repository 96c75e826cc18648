#include "model/DeckUnt.h"

#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"

const TEnumInfo& CardStateInfo()
{
    static const TEnumInfo info{"TCardState",
        {"csAvailable", "csDiscarded", "csDealt", "csRegisterProgrammed", "csRegisterLocked"}};
    return info;
}

COGLINE_DEFINE_CLASS(TCardRef, "", TRootObject)
COGLINE_DEFINE_CLASS(TCard, "", TCardRef,
    PropString<TCard>("CardName", &TCard::CardName, &TCard::SetCardName),
    PropEnum<TCard>("CardState", CardStateInfo(), &TCard::CardState, &TCard::SetCardState))
COGLINE_DEFINE_CLASS(TCardRefList, "", TListObject)
COGLINE_DEFINE_CLASS(TShuffledCardRefList, "", TCardRefList)
COGLINE_DEFINE_CLASS(TDeck, "", TListObject)

// ----------------------------------------------------------------------------- TCardRefList

TCardRefList::TCardRefList(const TClass& refClass)
    : FRefClass(&refClass)
{
    RegisterChildClass(refClass);
}

TCardRef* TCardRefList::AddRef(const TpzCustomPersistentToXMLObject& card)
{
    return AddRefByID(card.GetID());
}

TCardRef* TCardRefList::AddRefByID(const std::string& id)
{
    auto* ref = static_cast<TCardRef*>(CreateObject(*FRefClass));
    ref->SetID(id);
    return ref;
}

void TCardRefList::DeleteRefByID(std::string_view id) { RemoveObject(FindRef(id)); }

// ----------------------------------------------------------------------------- TDeck

TDeck::TDeck(const TClass& cardClass, const TClass& shuffledListClass)
    : TListObject(cardClass)
    , FCardClass(&cardClass)
    , FShuffledListClass(&shuffledListClass)
{
    RegisterChildClass(shuffledListClass);
}

int TDeck::AvailableCount() const
{
    int count = 0;
    for (int i = 0, n = Count(); i < n; ++i)
        if (Cards(i)->CardState() == csAvailable)
            ++count;
    return count;
}

TCard* TDeck::AvailableCard(int n) const
{
    for (const auto& child : Objects()) {
        if (!child->InheritsFrom(*FCardClass))
            continue;
        auto* card = static_cast<TCard*>(child.get());
        if (card->CardState() == csAvailable && n-- == 0)
            return card;
    }
    return nullptr;
}

TShuffledCardRefList* TDeck::ShuffledList() const
{
    return static_cast<TShuffledCardRefList*>(ObjectOf(*FShuffledListClass, 0));
}

void TDeck::ResetStates(TCardStates states)
{
    for (const auto& child : Objects()) {
        if (!child->InheritsFrom(*FCardClass))
            continue;
        auto* card = static_cast<TCard*>(child.get());
        if (states.Contains(card->CardState()))
            card->SetCardState(csAvailable);
    }
}

void TDeck::BuildShuffledList()
{
    std::vector<TCard*> cards;
    for (const auto& child : Objects())
        if (child->InheritsFrom(*FCardClass) && static_cast<TCard*>(child.get())->CardState() == csAvailable)
            cards.push_back(static_cast<TCard*>(child.get()));
    for (int i = static_cast<int>(cards.size()) - 1; i >= 1; --i) {
        int j = Random(i + 1);
        std::swap(cards[static_cast<std::size_t>(j)], cards[static_cast<std::size_t>(i)]);
    }
    TShuffledCardRefList* pile = ShuffledList();
    if (!pile)
        pile = static_cast<TShuffledCardRefList*>(CreateObject(*FShuffledListClass));
    else
        pile->ClearObjects();
    for (TCard* card : cards)
        pile->AddRef(*card);
}

void TDeck::ShuffleAll()
{
    ResetStates({csDiscarded, csDealt});
    BuildShuffledList();
}

void TDeck::ShuffleDiscards()
{
    ResetStates({csDiscarded});
    BuildShuffledList();
}

TCard* TDeck::DealCard()
{
    if (!ShuffledList())
        ShuffleAll();
    // The pile is tried, then rebuilt once from the discards. References a damaged file left
    // to missing or already used cards are dropped, so no card is ever dealt twice.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt == 1)
            ShuffleDiscards();
        TShuffledCardRefList* pile = ShuffledList();
        while (pile->Count() > 0) {
            TCard* card = FindCard(pile->Refs(0)->ID());
            pile->Delete(0);
            if (card && card->CardState() == csAvailable) {
                card->SetCardState(csDealt);
                return card;
            }
        }
    }
    ShowMessage("Deck " + ClassType().ClassName() + " is out of cards.");
    return nullptr;
}
