#include "model/BotUnt.h"
#include "xml/XmlUnt.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {
const char* const BotTypeNames[] = {"", "Hammer Bot", "Hulk X-90", "Spin Bot", "Squash Bot", "Trundle Bot", "Twitch", "Twonky", "Zoom Bot", "Buzz Bomb"};
}

const TEnumInfo& BotTypeInfo()
{
    static const TEnumInfo info{"TBotType",
        {"btUnknown", "btHammerBot", "btHulkX90", "btSpinBot", "btSquashBot", "btTrundleBot", "btTwitch", "btTwonky", "btZoomBot", "btBuzzBomb"}};
    return info;
}

const TEnumInfo& BotStateInfo()
{
    static const TEnumInfo info{"TBotState", {"bsReal", "bsVirtual"}};
    return info;
}

const TEnumInfo& BotActivityLevelInfo()
{
    static const TEnumInfo info{"TBotActivityLevel", {"alNormal", "alShuttingDownNextTurn", "alShutDown"}};
    return info;
}

std::string BotTypeName(TBotType type)
{
    auto index = static_cast<std::size_t>(type);
    return index < std::size(BotTypeNames) ? BotTypeNames[index] : "";
}

std::string BaseChitID(TBotType type)
{
    std::string id = BotTypeName(type);
    id.erase(std::remove(id.begin(), id.end(), ' '), id.end());
    return id;
}

COGLINE_DEFINE_CLASS(TBot, "Bot", TRootObject,
    PropEnum<TBot>("BotType", BotTypeInfo(), &TBot::BotType, &TBot::SetBotType),
    PropString<TBot>("PlayerName", &TBot::PlayerName, &TBot::SetPlayerName),
    PropInteger<TBot>("MaxCards", &TBot::MaxCards, &TBot::SetMaxCards),
    PropBoolean<TBot>("InUseFlag", &TBot::InUseFlag, &TBot::SetInUseFlag),
    PropInteger<TBot>("LivesCount", &TBot::LivesCount, &TBot::SetLivesCount),
    PropInteger<TBot>("Damage", &TBot::Damage, &TBot::SetDamage),
    PropEnum<TBot>("BotState", BotStateInfo(), &TBot::BotState, &TBot::SetBotState),
    PropEnum<TBot>("BotActivityLevel", BotActivityLevelInfo(), &TBot::BotActivityLevel, &TBot::SetBotActivityLevel),
    PropString<TBot>("GameNotes", &TBot::GameNotes, &TBot::SetGameNotes),
    PropInteger<TBot>("FlagTouched", &TBot::FlagTouched, &TBot::SetFlagTouched))
COGLINE_DEFINE_CLASS(TBotList, "BotList", TListObject)

// ----------------------------------------------------------------------------- TBot

void TBot::SetPlayerName(std::string name)
{
    CleanXmlText(name);
    FPlayerName = std::move(name);
}

void TBot::SetGameNotes(std::string notes)
{
    CleanXmlText(notes);
    FGameNotes = std::move(notes);
}

TBot::TBot()
{
    RegisterChildClass(TBotRegisterList::StaticClass());
    RegisterChildClass(TProgramCardRefList::StaticClass());
    RegisterChildClass(TBotExtraRegisterList::StaticClass());
    RegisterChildClass(TOptionCardList::StaticClass());
    CreateObject<TBotRegisterList>();
    CreateObject<TProgramCardRefList>();
    CreateObject<TBotExtraRegisterList>();
    CreateObject<TOptionCardList>();
}

void TBot::SetBotType(TBotType type)
{
    FBotType = type;
    if (ID().empty())
        SetID(BotTypeInfo().NameOf(static_cast<int>(type)));
}

int TBot::CardsToDeal() const
{
    const TProgramCardRefList* hand = Hand();
    // Wide arithmetic and damage taken as at least 0: values from a damaged file must neither
    // overflow nor turn negative damage into extra cards.
    std::int64_t n = static_cast<std::int64_t>(FMaxCards) - std::clamp(FDamage, 0, 4) - (hand ? hand->Count() : 0);
    return static_cast<int>(std::clamp<std::int64_t>(n, 0, INT32_MAX));
}

void TBot::DealCards(TProgramDeck& deck)
{
    TProgramCardRefList* hand = Hand();
    if (!hand)
        return;
    for (int i = 0, n = CardsToDeal(); i < n; ++i) {
        TCard* card = deck.DealCard();
        if (!card)
            break;
        hand->AddRef(*card);
    }
}

void TBot::ReturnCards(TProgramDeck& deck, const TCardRefList* locked)
{
    if (TProgramCardRefList* hand = Hand()) {
        for (int i = hand->Count() - 1; i >= 0; --i) {
            TCard* card = deck.FindCard(hand->Refs(i)->ID());
            if (card && card->CardState() != csRegisterLocked) {
                card->Discard();
                hand->Delete(i);
            }
        }
    }
    if (TBotRegisterList* registers = Registers()) {
        for (int i = 0, n = registers->Count(); i < n; ++i)
            if (!registers->Registers(i)->IsLocked())
                registers->Registers(i)->Clear();
    }
    if (TBotExtraRegisterList* extra = ExtraRegisters()) {
        for (int i = extra->Count() - 1; i >= 0; --i)
            if (!extra->Registers(i)->IsLocked())
                extra->Delete(i);
    }
    if (locked) {
        for (int i = 0, n = locked->Count(); i < n; ++i) {
            TCard* card = deck.FindCard(locked->Refs(i)->ID());
            if (card && card->CardState() != csRegisterLocked)
                card->SetCardState(csRegisterLocked);
        }
    }
}

// ----------------------------------------------------------------------------- TBotList

TBotList::TBotList()
    : TListObject(TBot::StaticClass())
{
    for (int t = btHammerBot; t <= btBuzzBomb; ++t)
        CreateObject<TBot>()->SetBotType(static_cast<TBotType>(t));
}

TBotList::~TBotList() = default;

TBot* TBotList::FindByType(TBotType type) const
{
    for (int i = 0, n = Count(); i < n; ++i)
        if (Items(i)->BotType() == type)
            return Items(i);
    return nullptr;
}

TBot* TBotList::InUseBot(int n) const
{
    if (n < 0)
        return nullptr;
    for (int i = 0, count = Count(); i < count; ++i)
        if (Items(i)->InUseFlag() && n-- == 0)
            return Items(i);
    return nullptr;
}

int TBotList::InUseCount() const
{
    int count = 0;
    for (int i = 0, n = Count(); i < n; ++i)
        if (Items(i)->InUseFlag())
            ++count;
    return count;
}

TProgramCardRefList* TBotList::LockedCards()
{
    FLockedCards = std::make_unique<TProgramCardRefList>();
    for (int i = 0, n = Count(); i < n; ++i) {
        const TBotRegisterList* registers = Items(i)->Registers();
        if (!registers)
            continue;
        for (int r = 0, count = registers->Count(); r < count; ++r) {
            const TBotRegister* reg = registers->Registers(r);
            if (reg->IsLocked())
                FLockedCards->AddRefByID(reg->CardID());
        }
    }
    return FLockedCards.get();
}

void TBotList::DealCards(TProgramDeck& deck)
{
    for (int i = 0, n = Count(); i < n; ++i) {
        TBot* bot = Items(i);
        if (bot->InUseFlag() && bot->LivesCount() > 0 && bot->BotActivityLevel() != alShutDown)
            bot->DealCards(deck);
    }
}

void TBotList::ReturnCards(TProgramDeck& deck)
{
    for (int i = 0, n = Count(); i < n; ++i)
        Items(i)->ReturnCards(deck, LockedCards());
}
