#include "session/ProgramRulesUnt.h"

#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/ProgramPasteUnt.h"
#include "support/TextUnt.h"
#include "support/UtilsUnt.h"

#include <QPalette>

#include <algorithm>

namespace {

TBotRegister* RegisterOf(const TBot* bot, int n)
{
    if (!bot || !bValidRegisterNumber(n))
        return nullptr;
    const TBotRegisterList* registers = bot->Registers();
    return registers && n <= registers->Count() ? registers->Registers(n - 1) : nullptr;
}

TBotRegister* OtherEntryOf(const TBot* bot, int entryIndex)
{
    const TBotExtraRegisterList* extra = bot ? bot->ExtraRegisters() : nullptr;
    return extra && entryIndex >= 0 && entryIndex < extra->Count() ? extra->Registers(entryIndex) : nullptr;
}

TProgramCard* FindCard(TGame& game, const std::string& id)
{
    TProgramDeck* deck = game.ProgramDeck();
    return deck && !id.empty() ? deck->FindCard(id) : nullptr;
}

// The register a dragged card came from, when it still holds that card unlocked; a stale or
// locked source takes no part in the drop.
TBotRegister* SourceRegister(const TBot& bot, int sourceRegister, const std::string& cardID)
{
    TBotRegister* source = RegisterOf(&bot, sourceRegister);
    return source && source->CardID() == cardID && !source->IsLocked() ? source : nullptr;
}

TRegisterBarState BarStateForCard(const TCard* card)
{
    TRegisterBarState state;
    if (!card)
        return state;
    const bool locked = card->CardState() == csRegisterLocked;
    state.Enabled = true;
    state.LockEnabled = true;
    state.LockImage = locked ? tiUnlock : tiLock;
    state.ClearEnabled = !locked;
    state.RandomEnabled = !locked;
    return state;
}

} // namespace

int RegisterNbr(std::string_view controlName)
{
    std::string reversed(controlName.rbegin(), controlName.rend());
    return ParseLeadingInteger(reversed);
}

bool bValidRegisterNumber(int n) { return n >= 1 && n <= TBotRegisterList::RegisterCount; }

TProgramCard* GetCardInRegister(TGame& game, const TBot* bot, int n)
{
    const TBotRegister* reg = RegisterOf(bot, n);
    return reg ? FindCard(game, reg->CardID()) : nullptr;
}

// ---------------------------------------------------------------------------------------------

std::vector<TProgramCard*> HandListCards(TGame& game, const TBot* bot)
{
    std::vector<TProgramCard*> cards;
    const TProgramCardRefList* hand = bot ? bot->Hand() : nullptr;
    for (int i = 0, n = hand ? hand->Count() : 0; i < n; ++i)
        if (TProgramCard* card = FindCard(game, hand->Refs(i)->ID()); card && card->CardState() == csDealt)
            cards.push_back(card);
    return cards;
}

std::vector<TOtherEntry> OtherListEntries(TGame& game, const TBot* bot)
{
    std::vector<TOtherEntry> entries;
    const TBotExtraRegisterList* extra = bot ? bot->ExtraRegisters() : nullptr;
    for (int i = 0, n = extra ? extra->Count() : 0; i < n; ++i) {
        const TBotRegister* entry = extra->Registers(i);
        if (entry->CardID().empty())
            continue;
        const TProgramCard* card = FindCard(game, entry->CardID());
        entries.push_back({i, entry->CardID(), card ? card->DisplayName() : entry->CardID(),
            card ? card->CardState() == csRegisterLocked : entry->IsLocked()});
    }
    return entries;
}

std::string RegisterText(TGame& game, const TBot* bot, int n)
{
    const TBotRegister* reg = RegisterOf(bot, n);
    if (!reg)
        return "";
    const TProgramCard* card = FindCard(game, reg->CardID());
    return card ? card->DisplayName() : reg->CardID();
}

bool IsRegisterLocked(const TBot* bot, int n)
{
    const TBotRegister* reg = RegisterOf(bot, n);
    return reg && reg->IsLocked();
}

TTextColours RegisterBoxColours(bool locked, const QPalette& palette)
{
    if (locked)
        return {Qt::white, QColor(255, 0, 0)};
    return {palette.color(QPalette::Text), palette.color(QPalette::Base)};
}

TTextColours OtherLineColours(bool locked, bool selectedAndFocused, const QPalette& palette)
{
    if (locked)
        return selectedAndFocused ? TTextColours{Qt::white, QColor(255, 0, 0)} : TTextColours{QColor(255, 0, 0), Qt::white};
    if (selectedAndFocused)
        return {palette.color(QPalette::HighlightedText), palette.color(QPalette::Highlight)};
    return {palette.color(QPalette::Text), palette.color(QPalette::Base)};
}

// ---------------------------------------------------------------------------------------------

const char* RegisterToolHint(TRegisterToolImage image)
{
    static const char* const hints[] = {"Lock Register", "Unlock Register", "Clear Register", "Random Card From Deck"};
    return hints[image];
}

TRegisterBarState RegisterBarState(TGame& game, const TBot* bot, int n) { return BarStateForCard(GetCardInRegister(game, bot, n)); }

TRegisterBarState OtherBarState(TGame& game, const TBot* bot, int entryIndex)
{
    const TBotRegister* entry = OtherEntryOf(bot, entryIndex);
    TRegisterBarState state = BarStateForCard(entry ? FindCard(game, entry->CardID()) : nullptr);
    state.RandomEnabled = false;
    return state;
}

// ---------------------------------------------------------------------------------------------

std::string RegisterDragCardID(TGame& game, const TBot* bot, int n)
{
    const TBotRegister* reg = RegisterOf(bot, n);
    const TProgramCard* card = GetCardInRegister(game, bot, n);
    if (!card || reg->IsLocked() || card->CardState() == csRegisterLocked)
        return "";
    return card->ID();
}

bool RegisterAcceptsDrop(const TBot* bot, int n)
{
    const TBotRegister* reg = RegisterOf(bot, n);
    return reg && !reg->IsLocked();
}

bool DropOnRegister(TGame& game, TBot& bot, int n, const std::string& cardID, int sourceRegister)
{
    TBotRegister* target = RegisterOf(&bot, n);
    TProgramCard* card = FindCard(game, cardID);
    if (!target || target->IsLocked() || !card)
        return false;
    TBotRegister* source = SourceRegister(bot, sourceRegister, cardID);
    TProgramCard* displaced = nullptr;
    if (TProgramCard* current = FindCard(game, target->CardID())) {
        if (source)
            displaced = current;
        else
            SetHandCardState(bot, current, csDealt);
    }
    target->ProgramWith(*card);
    if (source && source != target) {
        if (displaced)
            source->ProgramWith(*displaced);
        else
            source->Clear();
    }
    return true;
}

bool ProgramNextOpenRegister(TGame& game, TBot& bot, const std::string& cardID, int sourceRegister)
{
    for (int n = 1; n <= TBotRegisterList::RegisterCount; ++n) {
        const TBotRegister* reg = RegisterOf(&bot, n);
        if (reg && reg->IsEmpty() && !reg->IsLocked())
            return DropOnRegister(game, bot, n, cardID, sourceRegister);
    }
    return false;
}

bool DropOnHand(TGame& game, TBot& bot, const std::string& cardID, int sourceRegister)
{
    TProgramCard* card = FindCard(game, cardID);
    if (!card)
        return false;
    SetHandCardState(bot, card, csDealt);
    if (TBotRegister* source = SourceRegister(bot, sourceRegister, cardID))
        source->Clear();
    return true;
}

bool DropOnOther(TGame& game, TBot& bot, const std::string& cardID, int sourceRegister)
{
    TProgramCard* card = FindCard(game, cardID);
    TBotExtraRegisterList* extra = bot.ExtraRegisters();
    if (!card || !extra)
        return false;
    card->SetCardState(csRegisterProgrammed);
    extra->AddExtraRegister(*card);
    if (TBotRegister* source = SourceRegister(bot, sourceRegister, cardID))
        source->Clear();
    return true;
}

// ---------------------------------------------------------------------------------------------

bool ClearRegister(TGame& game, TBot& bot, int n, TCardState state)
{
    TBotRegister* reg = RegisterOf(&bot, n);
    if (!reg)
        return false;
    TProgramCard* card = FindCard(game, reg->CardID());
    reg->Clear();
    SetHandCardState(bot, card, state);
    return true;
}

bool ToggleRegisterLock(TGame& game, TBot& bot, int n)
{
    TBotRegister* reg = RegisterOf(&bot, n);
    TProgramCard* card = GetCardInRegister(game, &bot, n);
    if (!card)
        return false;
    reg->SetIsLocked(!reg->IsLocked());
    card->SetCardState(reg->IsLocked() ? csRegisterLocked : csRegisterProgrammed);
    return true;
}

bool RandomCardForRegister(TGame& game, TBot& bot, int n)
{
    TBotRegister* reg = RegisterOf(&bot, n);
    TProgramDeck* deck = game.ProgramDeck();
    TProgramCardRefList* hand = bot.Hand();
    if (!reg || reg->IsLocked() || !deck || !hand)
        return false;
    TProgramCard* old = FindCard(game, reg->CardID());
    reg->Clear();
    // The old card leaves the hand as well as the register: the deck may deal it again once
    // the discards are shuffled back, and a hand must never hold a card twice.
    if (old && IsInHand(bot, old->ID())) {
        old->Discard();
        hand->DeleteRefByID(old->ID());
    }
    if (TCard* card = deck->DealCard()) {
        hand->AddRef(*card);
        reg->ProgramWith(*card);
    }
    return true;
}

bool ToggleOtherLock(TGame& game, TBot& bot, int entryIndex)
{
    TBotRegister* entry = OtherEntryOf(&bot, entryIndex);
    TProgramCard* card = entry ? FindCard(game, entry->CardID()) : nullptr;
    if (!card)
        return false;
    entry->SetIsLocked(!entry->IsLocked());
    card->SetCardState(entry->IsLocked() ? csRegisterLocked : csRegisterProgrammed);
    return true;
}

bool ClearOther(TGame& game, TBot& bot, int entryIndex)
{
    TBotRegister* entry = OtherEntryOf(&bot, entryIndex);
    TProgramCard* card = entry ? FindCard(game, entry->CardID()) : nullptr;
    if (!card)
        return false;
    bot.ExtraRegisters()->Delete(entryIndex);
    SetHandCardState(bot, card, csDealt);
    return true;
}

// ---------------------------------------------------------------------------------------------

bool CopyProgram(TGame& game, const TBot& source, TBot& target)
{
    if (&source == &target)
        return false;
    for (int n = 1; n <= TBotRegisterList::RegisterCount; ++n) {
        const TBotRegister* from = RegisterOf(&source, n);
        TBotRegister* to = RegisterOf(&target, n);
        if (!from || !to || from->IsEmpty() || to->IsLocked())
            continue;
        TProgramCard* card = FindCard(game, from->CardID());
        if (TProgramCard* old = FindCard(game, to->CardID()); old && old != card)
            SetHandCardState(target, old, csDiscarded);
        to->Clear();
        if (!card)
            continue;
        // Both robots now name the same card; a card the source keeps locked stays locked.
        to->SetCardID(card->ID());
        if (card->CardState() != csRegisterLocked)
            card->SetCardState(csRegisterProgrammed);
    }
    TBotExtraRegisterList* targetExtra = target.ExtraRegisters();
    if (!targetExtra)
        return true;
    for (int i = 0, n = targetExtra->Count(); i < n; ++i) {
        TBotRegister* entry = targetExtra->Registers(i);
        if (entry->IsLocked())
            continue;
        SetHandCardState(target, FindCard(game, entry->CardID()), csDiscarded);
        entry->Clear();
    }
    const TBotExtraRegisterList* sourceExtra = source.ExtraRegisters();
    for (int i = 0, n = sourceExtra ? sourceExtra->Count() : 0; i < n; ++i) {
        const TProgramCard* card = FindCard(game, sourceExtra->Registers(i)->CardID());
        if (!card)
            continue;
        targetExtra->AddExtraRegister(*card);
        target.SetGameNotes(target.GameNotes() + "\r\n\r\n\"Other\" program card " + card->DisplayName() + " copied from "
            + source.BotTypeName() + ".  Consult the originating bot for the option responsible.");
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

std::string NotesToMemoText(std::string_view notes) { return ReplaceAll(std::string(notes), "<br>", "\r\n"); }

std::string MemoTextToNotes(std::string_view memoText)
{
    std::string notes;
    for (const std::string& line : SplitLines(memoText))
        notes += line + "<br>";
    return notes;
}

bool UpdateBotNotes(TBot& bot, std::string_view memoText)
{
    std::string notes = MemoTextToNotes(memoText);
    if (notes == bot.GameNotes())
        return false;
    bot.SetGameNotes(notes);
    return true;
}
