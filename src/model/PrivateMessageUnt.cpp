#include "model/PrivateMessageUnt.h"

#include "model/BoardUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "support/UtilsUnt.h"

#include <algorithm>
#include <cstdint>

namespace {

// A damage figure from a damaged file must not make a message of billions of lines; a robot is
// destroyed at 10, so no real game comes near this.
constexpr std::int64_t MaxDamagedLines = 100;

std::string CardText(const TProgramDeck* deck, const std::string& cardID)
{
    const TProgramCard* card = deck ? deck->FindCard(cardID) : nullptr;
    return card ? card->ListingName() : cardID;
}

class TMessageWriter {
public:
    TMessageWriter(const TBot& bot, TProgramDeck* deck)
        : FDeck(deck)
    {
        if (const TProgramCardRefList* hand = bot.Hand())
            for (int i = 0, n = hand->Count(); i < n; ++i)
                FRemaining.push_back(hand->Refs(i)->ID());
        auto removeLocked = [this](const TCustomBotRegisterList* list) {
            if (list)
                for (int i = 0, n = list->Count(); i < n; ++i)
                    if (list->Registers(i)->IsLocked())
                        RemoveRemaining(list->Registers(i)->CardID());
        };
        removeLocked(bot.Registers());
        removeLocked(bot.ExtraRegisters());
    }

    void Line(const std::string& text)
    {
        FText += text;
        FText += "\r\n";
    }

    bool AnyRemaining() const { return !FRemaining.empty(); }
    std::int64_t CardLines() const { return FCardLines; }

    void NextRemainingCard()
    {
        Line(CardText(FDeck, FRemaining.front()));
        FRemaining.erase(FRemaining.begin());
        ++FCardLines;
    }

    // A card written with a note of where it is held; it is then no longer one to choose from.
    void HeldCard(const std::string& cardID, const std::string& note)
    {
        Line(CardText(FDeck, cardID) + note);
        ++FCardLines;
        RemoveRemaining(cardID);
    }

    const std::string& Text() const { return FText; }

private:
    void RemoveRemaining(const std::string& cardID)
    {
        auto it = std::find(FRemaining.begin(), FRemaining.end(), cardID);
        if (it != FRemaining.end())
            FRemaining.erase(it);
    }

    TProgramDeck* FDeck;
    std::vector<std::string> FRemaining;
    std::int64_t FCardLines = 0;
    std::string FText;
};

std::string OptionText(const TOptionCard& option)
{
    std::string details;
    if (option.Quantity() != -1)
        details = std::to_string(option.Quantity());
    if (option.OptionFacing() != ofNone) {
        if (!details.empty())
            details += ", ";
        details += EnumDisplayName(OptionFacingInfo().NameOf(option.OptionFacing()));
    }
    return details.empty() ? option.CardName() : option.CardName() + " (" + details + ")";
}

} // namespace

std::string TBot::BuildPrivateMessage(int turnNumber, TProgramDeck* deck, TGame* game) const
{
    return ::BuildPrivateMessage(*this, turnNumber, deck, game);
}

std::string BuildPrivateMessage(const TBot& bot, int turnNumber, TProgramDeck* deck, TGame* game)
{
    TMessageWriter pm(bot, deck);
    pm.Line(bot.PlayerName());
    pm.Line("Turn " + std::to_string(turnNumber) + " (" + bot.BotTypeName() + ")");
    pm.Line("");

    if (const TBotRegisterList* registers = bot.Registers()) {
        for (int r = 1; r <= TBotRegisterList::RegisterCount && r <= registers->Count(); ++r) {
            const TBotRegister* reg = registers->Registers(r - 1);
            if (reg->IsLocked())
                pm.HeldCard(reg->CardID(), "  [Register " + std::to_string(r) + " *LOCKED*]");
            else if (pm.AnyRemaining())
                pm.NextRemainingCard();
        }
    }
    const std::int64_t handSize = 9 - static_cast<std::int64_t>(bot.Damage());
    while (pm.CardLines() < handSize && pm.AnyRemaining())
        pm.NextRemainingCard();
    for (std::int64_t i = 0, n = std::min<std::int64_t>(bot.Damage(), MaxDamagedLines); i < n; ++i)
        pm.Line("damaged");
    if (const TBotExtraRegisterList* extra = bot.ExtraRegisters())
        for (int i = 0, n = extra->Count(); i < n; ++i)
            if (!extra->Registers(i)->CardID().empty())
                pm.HeldCard(extra->Registers(i)->CardID(), "  [Register ?? *LOCKED* / Option]");
    if (pm.AnyRemaining()) {
        pm.Line("");
        pm.Line("From option(s)");
        // Every card left is written: a locked card that is not in the hand must not cut the
        // list short.
        while (pm.AnyRemaining())
            pm.NextRemainingCard();
    }

    const TOptionCardList* options = bot.Options();
    if (options && options->Count() > 0) {
        pm.Line("");
        pm.Line(options->Count() >= 2 ? "Your options:  " : "Your option:  ");
        std::string list;
        for (int i = 0, n = options->Count(); i < n; ++i) {
            if (i > 0)
                list += ", ";
            list += OptionText(*options->Items(i));
        }
        pm.Line(list);
    }
    pm.Line("");
    pm.Line("Archive Location: " + ArchiveLocationText(bot, game));
    return pm.Text();
}

std::string ArchiveLocationText(const TBot& bot, TGame* game)
{
    TPhase* phase = game ? game->CurrentPhase() : nullptr;
    const TBotArchiveList* archives = phase ? phase->ArchiveList() : nullptr;
    const TBotArchive* archive = archives ? archives->FindByBotType(bot.BotType()) : nullptr;
    if (!archive || !archive->IsSet())
        return "Start";
    // A placed board gone from the map leaves the robot nowhere to re-enter but the start.
    const TUsedBoard* usedBoard = game->UsedBoardList()->FindByID(archive->UsedBoardID());
    if (!usedBoard)
        return "Start";
    const TBoard* board = game->BoardList() ? game->BoardList()->FindByID(usedBoard->BoardID()) : nullptr;
    return Format("(%d, %d) on %s (%lld, %lld)", archive->X(), archive->Y(), board ? board->Description().c_str() : "",
        static_cast<long long>(usedBoard->X()) + 1, static_cast<long long>(usedBoard->Y()) + 1);
}

std::string MakePM(TGame& game, const TBot& bot)
{
    return BuildPrivateMessage(bot, game.TurnCount(), game.ProgramDeck(), &game);
}

std::string MakePMs(TGame& game, const std::vector<const TBot*>& bots)
{
    std::string all;
    for (const TBot* bot : bots) {
        if (!bot)
            continue;
        all += MakePM(game, *bot);
        all += PrivateMessageSeparator;
    }
    return all;
}
