// A pasted program of arbitrary bytes on a robot with a dealt hand and locked registers: the
// robot and the deck are either left exactly as they were, or the robot holds five different
// cards of its own hand in its registers, its locks kept, every card's state says where it is,
// and the game, saved, opens again with the notes that record the answer.
#include "FuzzCommon.h"
#include "FuzzPasteGame.h"

#include "model/ProgramPasteUnt.h"

#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

std::string Snapshot(TFuzzPasteGame& g) { return g.Bot->SaveToXMLString() + g.Game->ProgramDeck()->SaveToXMLString(); }

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void CheckProgram(TFuzzPasteGame& g)
{
    TBot& bot = *g.Bot;
    TProgramDeck& deck = *g.Game->ProgramDeck();
    std::set<std::string> hand;
    for (int i = 0; i < bot.Hand()->Count(); ++i)
        hand.insert(bot.Hand()->Refs(i)->ID());
    std::map<std::string, TCardState> expected;
    std::set<std::string> registers;
    for (int r = 0; r < 5; ++r) {
        const TBotRegister* reg = bot.Registers()->Registers(r);
        Check(hand.count(reg->CardID()) == 1);
        Check(registers.insert(reg->CardID()).second);
        expected[reg->CardID()] = reg->IsLocked() ? csRegisterLocked : csRegisterProgrammed;
    }
    Check(bot.Registers()->Registers(3)->IsLocked() && bot.Registers()->Registers(3)->CardID() == "20UTurn");
    Check(bot.Registers()->Registers(4)->IsLocked() && bot.Registers()->Registers(4)->CardID() == "680Move2");
    const TBotExtraRegisterList& extra = *bot.ExtraRegisters();
    Check(extra.Registers(0)->IsLocked() && extra.Registers(0)->CardID() == "110RotateLeft");
    for (int i = 0; i < extra.Count(); ++i) {
        const TBotRegister* entry = extra.Registers(i);
        if (entry->CardID().empty())
            continue;
        Check(hand.count(entry->CardID()) == 1);
        Check(registers.insert(entry->CardID()).second);
        expected[entry->CardID()] = entry->IsLocked() ? csRegisterLocked : csRegisterProgrammed;
    }
    for (int i = 0; i < deck.Count(); ++i) {
        const TProgramCard* card = deck.Cards(i);
        auto it = expected.find(card->ID());
        TCardState state = it != expected.end() ? it->second : hand.count(card->ID()) ? csDealt : csAvailable;
        Check(card->CardState() == state);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSetUp();
    TFuzzPasteGame g;
    const std::string before = Snapshot(g);
    const std::string notes = g.Bot->GameNotes();
    TPasteResult result = AttemptToPasteProgram(*g.Game, *g.Bot, std::string_view(reinterpret_cast<const char*>(data), size));
    if (!result.Applied) {
        Check(!result.Error.empty());
        Check(Snapshot(g) == before);
    } else {
        Check(result.Error.empty());
        Check(g.Bot->GameNotes().size() > notes.size());
        CheckProgram(g);
        // Whatever the answer held, the game opens again with the same notes.
        auto saved = std::make_shared<const std::string>(g.Game->SaveToXMLString());
        TGame opened;
        opened.LoadFromCompleteXMLString(saved, "The game file");
        Check(opened.BotList()->FindByType(btTwonky)->GameNotes() == g.Bot->GameNotes());
    }
    return 0;
}
