#include "BenchGameUnt.h"

#include "model/BotArchiveUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"

#include <filesystem>

namespace {
TChit* CatalogueChit(TChitList& catalogue, const std::string& id, const std::string& path)
{
    TChit* chit = catalogue.FindByID(id);
    return chit ? chit : catalogue.AddChit(id, id, path);
}
} // namespace

TBenchGame MakeBenchGame(int turns, int chitsPerPhase)
{
    TMessageCapture quiet;
    SetRandSeed(20261206);
    TBenchGame bench;
    bench.Boards = std::make_unique<TBoardList>();
    if (std::filesystem::exists(ExecutableFolder() + "Boards.xml"))
        bench.Boards->LoadFromXMLFile(ExecutableFolder() + "Boards.xml");
    else
        BuildBoardList(*bench.Boards);
    bench.Catalogue = std::make_unique<TChitList>();
    if (std::filesystem::exists(ExecutableFolder() + "Chits.xml"))
        bench.Catalogue->LoadFromXMLFile(ExecutableFolder() + "Chits.xml");
    bench.Game = std::make_unique<TGame>();
    TGame& game = *bench.Game;
    game.SetGameName("Bench League");
    game.SetBotArchiveMax(3);
    game.SetFlagCount(6);

    TProgramDeck program;
    BuildProgramCards(program);
    game.SetProgramDeck(program);
    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters}) {
        TOptionDeck deck;
        BuildOptionCards(deck, source);
        game.AddOptionDeck(deck);
    }
    game.OptionDeck()->ShuffleAll();

    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            TUsedBoard placed(bench.Boards.get(), bench.Boards->Items((y * 3 + x) % bench.Boards->Count()), x, y);
            placed.SetRotationCount(x + y);
            game.UsedBoardList()->AddUsedBoard(placed);
        }

    // Robots with their state variants, flags, archive markers and start clones.
    TChitList& catalogue = *bench.Catalogue;
    std::vector<std::string> robotIDs;
    for (int t = btHammerBot; t <= btZoomBot; ++t) {
        std::string base = BaseChitID(static_cast<TBotType>(t));
        robotIDs.push_back(base);
        CatalogueChit(catalogue, base, "Images/" + BotTypeName(static_cast<TBotType>(t)) + ".jpg");
        for (const char* suffix : {"ShutDown", "Virtual", "Destroyed", "Archive"})
            CatalogueChit(catalogue, base + suffix, "Images/" + BotTypeName(static_cast<TBotType>(t)) + ".jpg");
    }
    for (int f = 1; f <= 6; ++f)
        CatalogueChit(catalogue, "Flag" + std::to_string(f), "Images/Flags/Flag" + std::to_string(f) + ".jpg");
    TChit* start = CatalogueChit(catalogue, "Start", "Images/Start.jpg");
    start->SetIsCloneable(true);
    game.SetChitList(catalogue);
    game.SetBoardList(bench.Boards.get());

    TChitList& chits = *game.ChitList();
    TUsedBoardList& layout = *game.UsedBoardList();
    auto placeAnywhere = [&](TChit& chit) {
        chit.PlaceAt(layout.Items(Random(layout.Count())), 1 + Random(12), 1 + Random(12));
        chit.SetChitFacing(static_cast<TChitFacing>(Random(4)));
    };
    for (int i = 0, n = chits.Count(); i < n; ++i)
        if (chits.Items(i)->ID().find("Archive") == std::string::npos)
            placeAnywhere(*chits.Items(i));
    TChit* startTemplate = chits.FindByID("Start");
    while (startTemplate && chits.Count() < chitsPerPhase)
        placeAnywhere(*chits.AddClone(*startTemplate));

    TBotList& bots = *game.BotList();
    for (int t = btHammerBot; t <= btZoomBot; ++t) {
        TBot* bot = bots.FindByType(static_cast<TBotType>(t));
        bot->SetInUseFlag(true);
        bot->SetPlayerName("Player " + std::to_string(t));
        bot->SetGameNotes("Turn 1: Move 1 (490)<br>Turn 2: U-Turn");
    }

    for (int turn = 1; turn <= turns; ++turn) {
        game.NextTurn();
        if (turn == 1)
            game.CurrentPhase()->CopyChitsFrom(chits);
        for (int b = 0; b < bots.InUseCount(); ++b) {
            TBot* bot = bots.InUseBot(b);
            TProgramCardRefList* hand = bot->Hand();
            for (int r = 0; r < 5 && r < hand->Count(); ++r) {
                TBotRegister* reg = bot->Registers()->Registers(r);
                if (!reg->IsEmpty())
                    continue;
                if (TCard* card = game.ProgramDeck()->FindCard(hand->Refs(r)->ID())) {
                    reg->ProgramWith(*card);
                    if (r == 4 && (turn + b) % 3 == 0) {
                        reg->SetIsLocked(true);
                        card->SetCardState(csRegisterLocked);
                    }
                }
            }
            if (turn % 10 == b % 10)
                if (auto* option = static_cast<TOptionCard*>(game.OptionDeck()->DealCard()))
                    bot->Options()->AddOptionCopy(*option);
        }
        for (int p = 1; p <= 5; ++p) {
            game.NextPhase();
            TPhase& phase = *game.CurrentPhase();
            for (const std::string& id : robotIDs) {
                TChit* robot = phase.ChitList()->FindByID(id);
                if (!robot || !robot->IsOnMap())
                    continue;
                switch (Random(4)) {
                case 0: robot->MoveEast(); break;
                case 1: robot->MoveSouth(); break;
                case 2: robot->RotateRight(); break;
                default: robot->MoveNorth(); break;
                }
                if (!robot->IsOnMap())
                    placeAnywhere(*robot);
            }
            if (p == 3)
                for (const std::string& id : robotIDs)
                    if (TChit* robot = phase.ChitList()->FindByID(id); robot && robot->IsOnMap())
                        SetBotArchive(*phase.ArchiveList(), *phase.ChitList(), *robot);
        }
    }
    return bench;
}
