// A report template of arbitrary bytes, filled for a game whose players and game name come from
// the input too: the parts are separated by zero bytes (template, game name, then the players
// of four robots in play). Generate reads the template file and writes the report file; the file
// holds exactly the text returned, every line ended by CR LF, the same each time, and a
// template without fields comes out as its own lines.
#include "FuzzCommon.h"

#include "model/GameUnt.h"
#include "model/ProgramUnt.h"
#include "model/UsedBoardUnt.h"
#include "support/FileUnt.h"
#include "session/ReportUnt.h"

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>
#include <unistd.h>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::string ReadAll(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const TBotType FuzzBots[] = {btZoomBot, btHammerBot, btTwonky, btSpinBot};

// Turn 2 viewed in phase 3, a 2 x 2 map with one cell empty, four robots with cards, damage and
// an empty register among them. Made once: generating a report does not change the game.
TGame& ReportGame()
{
    static std::unique_ptr<TGame> game = [] {
        auto made = std::make_unique<TGame>();
        TProgramDeck& deck = *made->CreateObject<TProgramDeck>();
        BuildProgramCards(deck);
        made->TurnList()->AddTurn();
        made->TurnList()->AddTurn()->SetViewingPhaseNumber(3);
        TBoardList& boards = *FuzzBoards();
        for (auto [x, y] : {std::pair {0, 0}, std::pair {1, 0}, std::pair {0, 1}}) {
            TUsedBoard placed(&boards, boards.Items(x + y), x, y);
            made->UsedBoardList()->AddUsedBoard(placed);
        }
        for (int i = 0; i < 4; ++i) {
            TBot& bot = *made->BotList()->FindByType(FuzzBots[i]);
            bot.SetInUseFlag(true);
            bot.SetDamage(i);
            if (i < 3)
                bot.Registers()->Registers(2)->SetCardID(deck.Cards(i * 7)->ID());
        }
        return made;
    }();
    return *game;
}

void NameGameAndPlayers(TGame& game, const std::vector<std::string_view>& parts)
{
    game.SetGameName(parts.size() > 1 ? std::string(parts[1]) : "League");
    for (std::size_t i = 0; i < 4; ++i)
        game.BotList()->FindByType(FuzzBots[i])->SetPlayerName(parts.size() > i + 2 ? std::string(parts[i + 2]) : "Player");
}

bool OnlyCrLfLines(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))
            return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            return false;
    }
    return text.empty() || text.ends_with("\r\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSetUp();
    // In memory where there is such a file system: the files are small, the disk is slow.
    static QTemporaryDir folder(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/fuzz_report-XXXXXX")
                                                          : QDir::tempPath() + QStringLiteral("/fuzz_report-XXXXXX"));
    static const std::string templateFile = folder.path().toStdString() + "/Template.txt";
    static const std::string outputFile = folder.path().toStdString() + "/Turn 2, Phase 3.txt";
    // Writing to the disk for every input would make the run crawl; the bytes are what count.
    static bool quick = [] {
        FileWriteStep().Replace([](int descriptor, std::string_view bytes) {
            while (!bytes.empty()) {
                ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
                if (written < 0)
                    return errno;
                bytes.remove_prefix(static_cast<std::size_t>(written));
            }
            return 0;
        });
        return true;
    }();
    (void)quick;

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = input.find('\0', start);
        parts.push_back(input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    const std::string_view templateBytes = parts[0];
    {
        std::ofstream out(templateFile, std::ios::binary | std::ios::trunc);
        out.write(templateBytes.data(), static_cast<std::streamsize>(templateBytes.size()));
    }

    TGame& game = ReportGame();
    NameGameAndPlayers(game, parts);
    TBaseReport report(game);
    const std::string text = report.Generate(templateFile, outputFile);
    Check(ReadAll(outputFile) == text);
    Check(OnlyCrLfLines(text));
    Check(report.GenerateText(templateBytes) == text);
    const std::string lines = ReportTemplateText(templateBytes);
    if (lines.find("<%") == std::string::npos)
        Check(text == ReportFileText(lines));
    return 0;
}
