#include "session/TurnCycleUnt.h"

#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "support/UtilsUnt.h"

#include <algorithm>
#include <memory>

namespace {

bool IsOptionOf(const TBot& bot, const TOptionCard& option)
{
    const TOptionCardList* options = bot.Options();
    return options && options->IndexOf(&option) >= 0;
}

} // namespace

void NextTurn(TGame& game)
{
    game.NextTurn();
    if (game.TurnCount() != 1 || !game.ChitList())
        return;
    if (TPhase* start = game.CurrentTurn()->PhaseByNumber(0))
        start->CopyChitsFrom(*game.ChitList());
}

std::vector<std::string> FlagItems(const TGame* game)
{
    std::vector<std::string> items{"None"};
    const int count = game ? std::min(game->FlagCount(), 1000) : 0;
    for (int n = 1; n <= count; ++n)
        items.push_back(Format("Flag %d", n));
    return items;
}

void CopyProgramRefList(TGame& game, TCardRefList& from, TCardRefList& to)
{
    TProgramDeck* deck = game.ProgramDeck();
    if (!deck)
        return;
    for (int i = from.Count() - 1; i >= 0; --i) {
        const std::string id = from.Refs(i)->ID();
        TCard* card = deck->FindCard(id);
        if (!card || card->CardState() == csRegisterLocked)
            continue;
        to.AddRefByID(id);
        from.Delete(i);
    }
}

void NewHand(TGame& game, TBot& bot)
{
    TProgramDeck* deck = game.ProgramDeck();
    if (!deck || !game.BotList())
        return;
    bot.ReturnCards(*deck, game.BotList()->LockedCards());
    bot.DealCards(*deck);
}

void TradeHand(TGame& game, TBot& bot, TBot& other)
{
    if (&bot == &other || !bot.Hand() || !other.Hand())
        return;
    TProgramCardRefList moving;
    CopyProgramRefList(game, *bot.Hand(), moving);
    CopyProgramRefList(game, *other.Hand(), *bot.Hand());
    for (int i = 0; i < moving.Count(); ++i)
        other.Hand()->AddRefByID(moving.Refs(i)->ID());
}

bool TradeOption(TBot& bot, TOptionCard& mine, TBot& other, TOptionCard& theirs)
{
    if (&bot == &other || !IsOptionOf(bot, mine) || !IsOptionOf(other, theirs))
        return false;
    bot.Options()->AddOptionCopy(theirs);
    other.Options()->AddOptionCopy(mine);
    // The very options traded leave, whatever their places in the lists.
    bot.Options()->RemoveObject(&mine);
    other.Options()->RemoveObject(&theirs);
    return true;
}

bool AddBuzzBomb(TGame& game)
{
    TBotList* bots = game.BotList();
    TBot* buzzBomb = bots ? bots->FindByType(btBuzzBomb) : nullptr;
    if (!buzzBomb || buzzBomb->InUseFlag())
        return false;
    buzzBomb->SetInUseFlag(true);
    buzzBomb->SetMaxCards(5);
    buzzBomb->SetLivesCount(1);
    for (int n = 0, count = bots->InUseCount(); n < count; ++n) {
        TBot* holder = bots->InUseBot(n);
        if (holder->Options() && holder->Options()->FindByID("BuzzBomb")) {
            buzzBomb->SetPlayerName(holder->PlayerName());
            break;
        }
    }
    return true;
}

bool DeleteBuzzBomb(TGame& game)
{
    TBotList* bots = game.BotList();
    TBot* buzzBomb = bots ? bots->FindByType(btBuzzBomb) : nullptr;
    if (!buzzBomb || !buzzBomb->InUseFlag())
        return false;
    buzzBomb->SetInUseFlag(false);
    TProgramDeck* deck = game.ProgramDeck();
    auto release = [deck](TBotRegister& reg) {
        if (TCard* card = deck ? deck->FindCard(reg.CardID()) : nullptr)
            card->Discard();
        reg.Clear();
    };
    if (TBotRegisterList* registers = buzzBomb->Registers())
        for (int r = 0; r < registers->Count(); ++r)
            release(*registers->Registers(r));
    if (TBotExtraRegisterList* extra = buzzBomb->ExtraRegisters()) {
        for (int r = 0; r < extra->Count(); ++r)
            release(*extra->Registers(r));
        extra->ClearObjects();
    }
    if (deck)
        buzzBomb->ReturnCards(*deck, bots->LockedCards());
    return true;
}

std::vector<int> ShownOptions(const TBot& bot)
{
    std::vector<int> shown;
    if (const TOptionCardList* options = bot.Options())
        for (int i = 0; i < options->Count(); ++i)
            if (options->Items(i)->CardState() == csDealt)
                shown.push_back(i);
    return shown;
}

TOptionCard* DealOption(TGame& game, TBot& bot)
{
    TOptionDeck* deck = game.OptionDeck();
    if (!deck || !bot.Options())
        return nullptr;
    auto* card = static_cast<TOptionCard*>(deck->DealCard());
    return card ? bot.Options()->AddOptionCopy(*card) : nullptr;
}

void DiscardOption(TGame& game, TBot& bot, TOptionCard& option)
{
    if (!IsOptionOf(bot, option))
        return;
    if (TOptionDeck* deck = game.OptionDeck())
        if (TCard* card = deck->FindCard(option.ID()))
            card->Discard();
    bot.Options()->RemoveObject(&option);
}

TOptionView OptionView(TGame* game, const TOptionCard& option)
{
    TOptionView view;
    view.Type = EnumDisplayName(OptionTypeInfo().NameOf(option.OptionType()));
    std::string kinds;
    for (int kind = 0; kind < static_cast<int>(OptionKindInfo().Names.size()); ++kind)
        if (option.Kind().Contains(static_cast<TOptionKind>(kind)))
            kinds += (kinds.empty() ? "" : ", ") + EnumDisplayName(OptionKindInfo().NameOf(kind));
    view.Kind = kinds;
    const auto source = static_cast<std::size_t>(option.Source());
    view.Source = source < std::size(OptionSourceNames) ? OptionSourceNames[source] : "";
    if (option.Damage() != -1)
        view.Damage = std::to_string(option.Damage());
    view.Description = option.ShownDescription();
    view.Quantity = option.Quantity();
    if (option.Quantity() != -1) {
        view.QuantityMinimum = 0;
        view.QuantityMaximum = 0;
        const TOptionDeck* deck = game ? game->OptionDeck() : nullptr;
        if (const auto* card = deck ? static_cast<const TOptionCard*>(deck->FindCard(option.ID())) : nullptr)
            view.QuantityMaximum = std::max(card->Quantity(), 0);
        // A damaged file may hold more than the deck's card; the field still shows it.
        view.QuantityMaximum = std::max(view.QuantityMaximum, option.Quantity());
        view.QuantityMinimum = std::min(0, option.Quantity());
    }
    view.Facing = option.OptionFacing() == ofNone ? -1 : static_cast<int>(option.OptionFacing());
    return view;
}

bool ProgramIsIn(const TBot& bot)
{
    const TBotRegisterList* registers = bot.Registers();
    if (!registers || registers->Count() < 5)
        return false;
    for (int r = 0; r < 5; ++r)
        if (registers->Registers(r)->CardID().empty())
            return false;
    return true;
}

