// A game, a board catalogue or a chit list read from arbitrary text, then used as the tool
// uses one: saved again, stepped through a turn and its phases. A game is also opened as a game
// file is, its older turns built on first use, and compared with reading it in full.
#include "FuzzCommon.h"

#include "model/BoardUnt.h"
#include "model/GameUnt.h"
#include "support/ErrorsUnt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSetUp();
    std::string_view text(reinterpret_cast<const char*>(data), size);
#if defined(FUZZ_BOARDS)
    TBoardList boards;
    boards.LoadFromXMLString(text);
    boards.SaveToXMLString();
    for (int i = 0; i < boards.Count(); ++i) {
        TBoard* board = boards.Items(i);
        board->IsUnedited();
        try {
            board->NodeAtPixel(i % 4, QPoint(i * 37 % 1200, i * 91 % 1200));
        } catch (const ECogline&) {
            // A board whose picture is missing says so; that is the expected answer.
        }
    }
    boards.FillBoardPicker([](const std::string&, TBoard&) {});
#elif defined(FUZZ_CHITS)
    TChitList chits;
    chits.LoadFromXMLString(text);
    chits.SaveToXMLString();
    for (int i = 0; i < chits.Count() && i < 50; ++i) {
        TChit* chit = chits.Items(i);
        chit->IsOnMap();
        chit->MoveEast();
        chit->RotateLeft();
        chit->Tweak(3, -3);
        BotTypeOfChitID(chit->ID(), chits);
        if (chit->IsCloneable())
            chits.AddClone(*chit);
    }
#else
    CompareOpenWithFullRead(std::string(text));
    TGame game;
    game.LoadFromXMLString(text);
    std::string saved = game.SaveToXMLString();
    TGame again;
    again.LoadFromXMLString(saved);
    game.SetBoardList(FuzzBoards());
    if (game.ProgramDeck() && game.ProgramDeck()->Count() < 200 && game.TurnCount() < 50) {
        game.NextTurn();
        while (game.NextPhase()) {
        }
    }
#endif
    return 0;
}
