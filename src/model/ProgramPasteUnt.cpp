#include "model/ProgramPasteUnt.h"

#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/TextUnt.h"
#include "support/UtilsUnt.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

int UsableRegisterCount(const TBotRegisterList* registers)
{
    return registers ? std::min(registers->Count(), TBotRegisterList::RegisterCount) : 0;
}

// Overwrites the first occurrence of the name in the line, so that it cannot be found again.
// An empty name (a hand-edited deck) is found nowhere.
bool TakeName(std::string& line, const std::string& name)
{
    if (name.empty())
        return false;
    std::size_t pos = line.find(name);
    if (pos == std::string::npos)
        return false;
    line.replace(pos, name.size(), name.size(), '_');
    return true;
}

TProgramCard* FindCard(const TProgramDeck* deck, const std::string& id) { return deck ? deck->FindCard(id) : nullptr; }

// Every line end (CR LF, or the LF that this desktop's clipboard gives) as "<br>".
std::string LineEndsToBreaks(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            result += "<br>";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

} // namespace

std::vector<std::string> PastedLines(std::string_view text, std::size_t maxLines)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    while (pos < text.size() && lines.size() < maxLines) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::size_t next = end;
        if (next < text.size())
            next += text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n' ? 2 : 1;
        // Only blanks after this line: it is the last of the trimmed text.
        std::size_t rest = next;
        while (rest < text.size() && IsBlank(text[rest]))
            ++rest;
        std::string_view line = text.substr(pos, end - pos);
        const bool last = rest >= text.size();
        if (last)
            while (!line.empty() && IsBlank(line.back()))
                line.remove_suffix(1);
        lines.emplace_back(line);
        if (last)
            break;
        pos = next;
    }
    return lines;
}

TPastedProgram ParsePastedProgram(const TBot& bot, const TProgramDeck* deck, const std::vector<std::string>& lines)
{
    TPastedProgram result;
    const std::size_t count = std::min<std::size_t>(lines.size(), TBotRegisterList::RegisterCount);
    std::vector<std::string> work(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(count));

    const TBotRegisterList* registers = bot.Registers();
    const int registerCount = UsableRegisterCount(registers);
    std::array<const TProgramCard*, TBotRegisterList::RegisterCount> locked{};
    std::unordered_set<std::string> lockedRegisterCards;
    for (int r = 0; r < registerCount; ++r) {
        const TBotRegister* reg = registers->Registers(r);
        if (!reg->IsLocked())
            continue;
        lockedRegisterCards.insert(reg->CardID());
        const TProgramCard* card = FindCard(deck, reg->CardID());
        if (card && static_cast<std::size_t>(r) < count && TakeName(work[static_cast<std::size_t>(r)], card->ListingName()))
            locked[static_cast<std::size_t>(r)] = card;
    }

    // The hand in its order, but the cards of locked registers last: a name that a locked card
    // shares with a free one ("U-Turn") means the free one on any other line.
    std::vector<const TProgramCard*> candidates;
    std::vector<const TProgramCard*> lockedCandidates;
    if (const TProgramCardRefList* hand = bot.Hand())
        for (int i = 0, n = hand->Count(); i < n; ++i)
            if (const TProgramCard* card = FindCard(deck, hand->Refs(i)->ID()))
                (lockedRegisterCards.count(card->ID()) ? lockedCandidates : candidates).push_back(card);
    candidates.insert(candidates.end(), lockedCandidates.begin(), lockedCandidates.end());

    std::unordered_set<std::string> recognised;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t before = recognised.size();
        if (locked[k]) {
            result.RegisterCards.push_back(locked[k]->ID());
            recognised.insert(locked[k]->ID());
        }
        for (const TProgramCard* card : candidates) {
            if (recognised.count(card->ID()) || !TakeName(work[k], card->ListingName()))
                continue;
            (result.RegisterCards.size() > k ? result.OtherCards : result.RegisterCards).push_back(card->ID());
            recognised.insert(card->ID());
        }
        if (recognised.size() == before)
            result.LinesWithoutCard.push_back(k);
    }
    return result;
}

std::string LinesWithoutCardText(const std::vector<std::string>& lines, const TPastedProgram& program)
{
    constexpr std::size_t MaxLines = 10;
    constexpr std::size_t MaxCharacters = 60;
    std::string text;
    std::size_t listed = 0;
    for (std::size_t k : program.LinesWithoutCard) {
        if (k >= lines.size() || listed == MaxLines)
            break;
        const std::string& line = lines[k];
        std::size_t pos = 0;
        for (std::size_t n = 0; n < MaxCharacters && pos < line.size(); ++n)
            NextCodePoint(line, pos);
        std::string shown = line.empty() ? "(empty)" : line.substr(0, pos) + (pos < line.size() ? "..." : "");
        // Pasted bytes may hold anything; a control character would garble the message.
        for (char& c : shown)
            if (static_cast<unsigned char>(c) < ' ' || c == '\x7f')
                c = ' ';
        text += Format("\nLine %d: ", static_cast<int>(k + 1)) + shown;
        ++listed;
    }
    return text.empty() ? text : "\n\nLines that name no card of this bot's hand:" + text;
}

std::string CheckPastedProgram(const TBot& bot, const TPastedProgram& program)
{
    if (program.RegisterCards.size() != TBotRegisterList::RegisterCount)
        return Format("Pasted string is not a valid program.  Has %d of this bot's Register cards, needs 5.",
            static_cast<int>(program.RegisterCards.size()));
    const TBotRegisterList* registers = bot.Registers();
    const int registerCount = UsableRegisterCount(registers);
    for (int r = 0; r < registerCount; ++r) {
        const TBotRegister* reg = registers->Registers(r);
        if (reg->IsLocked() && program.RegisterCards[static_cast<std::size_t>(r)] != reg->CardID())
            return Format("Pasted Program does not match on locked register %d.", r + 1);
    }
    // A locked card named a second time, for another register or for "Other", would be
    // programmed twice and lose its lock.
    for (int r = 0; r < registerCount; ++r) {
        const TBotRegister* reg = registers->Registers(r);
        if (!reg->IsLocked())
            continue;
        const auto& cards = program.RegisterCards;
        const auto& other = program.OtherCards;
        if (std::count(cards.begin(), cards.end(), reg->CardID()) > 1
            || std::find(other.begin(), other.end(), reg->CardID()) != other.end())
            return Format("Pasted Program does not match on locked register %d.", r + 1);
    }
    if (const TBotExtraRegisterList* extra = bot.ExtraRegisters()) {
        for (int i = 0, n = extra->Count(); i < n; ++i) {
            const TBotRegister* entry = extra->Registers(i);
            const auto& other = program.OtherCards;
            if (entry->IsLocked() && std::find(other.begin(), other.end(), entry->CardID()) == other.end())
                return "Pasted Program does not match on locked extra register.  Locked Program Card " + entry->CardID()
                    + " is missing.";
        }
    }
    return "";
}

void ApplyPastedProgram(TBot& bot, TProgramDeck* deck, const TPastedProgram& program, std::string_view text,
    int turnNumber)
{
    TBotRegisterList* registers = bot.Registers();
    const int registerCount = UsableRegisterCount(registers);
    TBotExtraRegisterList* extra = bot.ExtraRegisters();
    // Everything unlocked is emptied before anything is programmed, so that a card moving from
    // "Other" into a register ends up programmed, not back in the hand.
    for (int r = 0; r < registerCount; ++r) {
        TBotRegister* reg = registers->Registers(r);
        if (reg->IsLocked())
            continue;
        TProgramCard* card = FindCard(deck, reg->CardID());
        reg->Clear();
        SetHandCardState(bot, card, csDealt);
    }
    std::unordered_set<std::string> lockedExtra;
    for (int i = 0, n = extra ? extra->Count() : 0; i < n; ++i) {
        TBotRegister* entry = extra->Registers(i);
        if (entry->IsLocked()) {
            lockedExtra.insert(entry->CardID());
            continue;
        }
        TProgramCard* card = FindCard(deck, entry->CardID());
        entry->Clear();
        SetHandCardState(bot, card, csDealt);
    }
    for (int r = 0; r < registerCount && static_cast<std::size_t>(r) < program.RegisterCards.size(); ++r) {
        TBotRegister* reg = registers->Registers(r);
        if (TProgramCard* card = FindCard(deck, program.RegisterCards[static_cast<std::size_t>(r)]); card && !reg->IsLocked())
            reg->ProgramWith(*card);
    }
    // A card of a locked entry is already there; any other becomes programmed, as a drop on
    // "Other" makes it, so that it leaves the hand list.
    for (const std::string& id : program.OtherCards) {
        TProgramCard* card = FindCard(deck, id);
        if (!card || !extra || lockedExtra.count(id))
            continue;
        extra->AddExtraRegister(*card);
        card->SetCardState(csRegisterProgrammed);
    }
    bot.SetGameNotes(bot.GameNotes() + Format("<br><br>Turn %d (copy/paste)<br>----------<br><br>", turnNumber)
        + LineEndsToBreaks(text));
}

TPasteResult AttemptToPasteProgram(TGame& game, TBot& bot, std::string_view text)
{
    TPasteResult result;
    if (Log().Writes(4))
        Log().Detail("  Pasting: " + std::string(text));
    const std::vector<std::string> lines = PastedLines(text, TBotRegisterList::RegisterCount);
    if (lines.size() < TBotRegisterList::RegisterCount) {
        result.Error = "Pasted string is not a valid program - must contain at least 5 lines";
    } else {
        TProgramDeck* deck = game.ProgramDeck();
        const TPastedProgram program = ParsePastedProgram(bot, deck, lines);
        Log().DetailFmt("  Found RegisterCards: %d", static_cast<int>(program.RegisterCards.size()));
        Log().DetailFmt("  Found OtherRegisterCards: %d", static_cast<int>(program.OtherCards.size()));
        result.Error = CheckPastedProgram(bot, program);
        if (program.RegisterCards.size() != TBotRegisterList::RegisterCount)
            result.Error += LinesWithoutCardText(lines, program);
        if (result.Error.empty()) {
            ApplyPastedProgram(bot, deck, program, text, game.TurnCount());
            result.Applied = true;
            return result;
        }
    }
    ShowMessage(result.Error);
    Log().Error("  " + result.Error);
    return result;
}

bool IsInHand(const TBot& bot, const std::string& cardID)
{
    const TProgramCardRefList* hand = bot.Hand();
    return hand && hand->FindRef(cardID);
}

void SetHandCardState(const TBot& bot, TCard* card, TCardState state)
{
    if (card && IsInHand(bot, card->ID()))
        card->SetCardState(state);
}
