#include "model/RegisterUnt.h"

#include "model/DeckUnt.h"

COGLINE_DEFINE_CLASS(TBotRegister, "BotRegister", TRootObject,
    PropBoolean<TBotRegister>("IsLocked", &TBotRegister::IsLocked, &TBotRegister::SetIsLocked),
    PropString<TBotRegister>("CardID", &TBotRegister::CardID, &TBotRegister::SetCardID))
COGLINE_DEFINE_CLASS(TCustomBotRegisterList, "", TListObject)
COGLINE_DEFINE_CLASS(TBotRegisterList, "BotRegisterList", TCustomBotRegisterList)
COGLINE_DEFINE_CLASS(TBotExtraRegisterList, "BotExtraRegisterList", TCustomBotRegisterList)

// ----------------------------------------------------------------------------- TBotRegister

TBotRegister::TBotRegister()
{
    SetID("-1");
    Clear();
}

void TBotRegister::ProgramWith(TCard& card)
{
    FCardID = card.GetID();
    card.SetCardState(csRegisterProgrammed);
}

void TBotRegister::Clear()
{
    FCardID.clear();
    FIsLocked = false;
}

// ----------------------------------------------------------------------------- lists

TCustomBotRegisterList::TCustomBotRegisterList()
    : TListObject(TBotRegister::StaticClass())
{
}

TBotRegister* TCustomBotRegisterList::AddRegister(int number, bool locked)
{
    auto* reg = CreateObject<TBotRegister>();
    reg->SetID(std::to_string(number));
    reg->SetIsLocked(locked);
    return reg;
}

TBotRegisterList::TBotRegisterList()
{
    for (int n = 1; n <= RegisterCount; ++n)
        AddRegister(n, false);
}

TBotRegister* TBotExtraRegisterList::AddExtraRegister(const TCard& card)
{
    TBotRegister* reg = AddRegister(0, false);
    reg->SetCardID(card.GetID());
    return reg;
}
