// Writes the seed corpora of the fuzz targets: the reference files as the builders make them,
// a saved sample game (text and compressed file), and a few paths and values.
#include "BenchGameUnt.h"
#include "FuzzCommon.h"
#include "FuzzPasteGame.h"

#include "model/ChitUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "persist/ZLibFuncs.h"

#include <filesystem>
#include <fstream>

namespace {
void Write(const std::filesystem::path& file, const std::string& text)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    FuzzSetUp();
    std::filesystem::path root = argv[1];
    TBenchGame bench = MakeBenchGame(3, 30);
    std::string game = bench.Game->SaveToXMLString();
    Write(root / "game_xml/sample-game.xml", game);
    TGame fresh;
    Write(root / "game_xml/new-game.xml", fresh.SaveToXMLString());
    std::filesystem::create_directories(root / "game_file");
    bench.Game->SaveToGameFile((root / "game_file/sample.cgx").string());

    TProgramDeck program;
    BuildProgramCards(program);
    Write(root / "game_xml/program-deck.xml", program.SaveToXMLString());
    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters}) {
        TOptionDeck deck;
        BuildOptionCards(deck, source);
        Write(root / ("game_xml/options-" + std::to_string(source) + ".xml"), deck.SaveToXMLString());
    }
    TBoardList boards;
    BuildBoardList(boards);
    Write(root / "board_list/Boards.xml", boards.SaveToXMLString());
    TChitList chits;
    BuildChitList(chits);
    Write(root / "chit_list/Chits.xml", chits.SaveToXMLString());
    Write(root / "chit_list/game-chits.xml", bench.Game->ChitList()->SaveToXMLString());

    Write(root / "xml_doc/1", "ProgramCard(3),Kind\n" + program.SaveToXMLString());
    Write(root / "xml_doc/2", "Turn(1),PhaseList,Phase(2)\n" + game.substr(0, 4000));
    Write(root / "xml_doc/3", "\n<R ID=\"1\"><A>x</A></R>");
    Write(root / "values/1", "[okFlying, okDevice,,okNothing]");
    Write(root / "values/2", "-2147483648");
    Write(root / "values/3", "caf\xE9 &#128; btHammerBot");

    Write(root / "paste/valid", FuzzPasteValidProgram);
    Write(root / "paste/four-lines", "Move 1 (490)\nRotate Left\nU-Turn\nMove 2 (670)\n");
    Write(root / "paste/lock-unmatched", "Move 1 (490)\nRotate Left\nBackup (430)\nU-Turn\nMove 1 (500)\n");
    Write(root / "paste/other-missing", "Move 1 (490)\rRotate Left\rBackup (430)\rU-Turn\rMove 2 (680)");
    Write(root / "paste/one-line", "U-Turn U-Turn Rotate Left Rotate Right Move 2 (670) Move 1 (500)");

    // Report templates: the template, then after zero bytes the game's name and four players.
    using namespace std::string_literals;
    const std::string players = "\0League\0Zoe\0Hal <%TurnNbr%>\0Tom\0Sam"s;
    Write(root / "report/phase", "[b]Turn <%TurnNbr%>, Phase <%PhaseNbr%>[/b]\r\n<%BotProgram%>\r\n<%BotMoves%>\r\n"
        "<%BoardEffects%>\r\n<%BotEffects%>\r\n<%BotDamage%>\r\n<%Map%>\r\n"s + players);
    Write(root / "report/turn", "End of Turn <%TurnNbr%>\n<%Map%>\n<%ScoreBoard%>\n\x1a"s + players);
    Write(root / "report/cp1252", "Caf\xE9 <%turnnbr%> <%TurnNbr%><%TurnNbr%>\r"s);
    Write(root / "text_round_trip/entities", "Cup &#0; final\xFF\xFFR&amp;D League\xFF\xFF" "A &lt; B\xFF\xFF&#x41;&\xFF\xFF]]>"s);
    Write(root / "text_round_trip/bytes", "a\0b\x01\x1F\x7F\xFF\xFF\x80\xC2\x80\xC2\x81\xE9\xFF\xFF\xC0\x80\xED\xA0\x80\xEF\xBF\xBF"s);
    Write(root / "text_round_trip/lines", "Move 1 (490)\r\nRotate Left\r\tU-Turn\n\xFF\xFF\xE2\x82\xAC\xF0\x9F\x98\x80"s);
    return 0;
}
