#include "session/ReportUnt.h"

#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/PhaseUnt.h"
#include "model/ProgramUnt.h"
#include "model/UsedBoardUnt.h"
#include "session/ProcessTurnRulesUnt.h"
#include "render/GameFolderUnt.h"
#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "support/TextUnt.h"
#include "support/UtilsUnt.h"

#include <QFile>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr char EndOfFile = '\x1a';

// The bytes of the template; none when there is no such file.
std::string ReadTemplateBytes(const std::string& fileName)
{
    QFile file(QString::fromStdString(fileName));
    if (!file.exists())
        return std::string();
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(Format("Cannot open file \"%s\". %s", fileName.c_str(), file.errorString().toStdString().c_str()));
    const QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The name part of a path below the game folder (the game's folder name holds no separator).
std::string NamePart(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TGame& GameOf(TRootObject* context) { return *static_cast<TGame*>(context); }

// One line of a robot: "<player> (<type>) : <text>" and CR LF.
void AppendBotLine(std::string& value, const TBot& bot, const std::string& text)
{
    value += bot.PlayerName();
    value += " (";
    value += bot.BotTypeName();
    value += ") : ";
    value += text;
    value += "\r\n";
}

void PhaseNbr(const std::string&, TRootObject* context, std::string& value)
{
    TPhase* phase = GameOf(context).ViewingPhase();
    value = phase ? phase->ID() : std::string();
}

// The robots in the order the process-turn window lists them for the viewed phase, each with
// the card of the register that phase executes.
void BotProgram(const std::string&, TRootObject* context, std::string& value)
{
    TGame& game = GameOf(context);
    TBotItems items = BotItems(game);
    SortBotItems(items);
    value.clear();
    for (const auto& item : items)
        if (const TBot* bot = item->Bot()) {
            const TProgramCard* card = ShownCard(game, *bot);
            AppendBotLine(value, *bot, card ? card->DisplayName() : std::string());
        }
}

void Placeholder(std::string& value, const char* text) { value = text; }

// The phase's pictures of the boards, one line per map column, top to bottom. Built from the
// placed boards in column order rather than by looking up every cell, so that a damaged file's
// far-off board cannot make it endless.
void Map(const std::string&, TRootObject* context, std::string& value)
{
    TGame& game = GameOf(context);
    const TUsedBoardList& layout = *game.UsedBoardList();
    const int turns = game.TurnCount();
    const int phase = game.ViewingPhaseNumber();
    std::vector<const TUsedBoard*> boards;
    for (int i = 0, n = layout.Count(); i < n; ++i) {
        const TUsedBoard* board = layout.Items(i);
        if (board->X() >= 0 && board->X() < MaxReportMapColumns && board->Y() >= 0)
            boards.push_back(board);
    }
    auto cellOrder = [](const TUsedBoard* a, const TUsedBoard* b) { return std::pair(a->X(), a->Y()) < std::pair(b->X(), b->Y()); };
    std::stable_sort(boards.begin(), boards.end(), cellOrder);
    // A cell shows the first board placed in it, as the layout finds it.
    boards.erase(std::unique(boards.begin(), boards.end(),
                     [](const TUsedBoard* a, const TUsedBoard* b) { return a->X() == b->X() && a->Y() == b->Y(); }),
        boards.end());
    value.clear();
    auto next = boards.begin();
    for (int x = 0, columns = std::min(layout.ColCount(), MaxReportMapColumns); x < columns; ++x) {
        for (; next != boards.end() && (*next)->X() == x; ++next) {
            value += "[bigimg]";
            value += NamePart(PhaseImagePath(game.GameName(), (*next)->X(), (*next)->Y(), phase, turns));
            value += "[/bigimg]";
        }
        value += "\r\n";
    }
}

void BotDamage(const std::string&, TRootObject* context, std::string& value)
{
    value.clear();
    const TBotList* bots = GameOf(context).BotList();
    for (int i = 0, n = bots ? bots->Count() : 0; i < n; ++i) {
        const TBot& bot = *bots->Items(i);
        if (bot.InUseFlag() && bot.Damage() > 0)
            AppendBotLine(value, bot, std::to_string(bot.Damage()));
    }
}

void TurnNbr(const std::string&, TRootObject* context, std::string& value)
{
    value = std::to_string(GameOf(context).TurnCount());
}

void ScoreBoard(const std::string&, TRootObject* context, std::string& value)
{
    TGame& game = GameOf(context);
    value = "[img]" + NamePart(ScoreBoardImagePath(game.GameName(), game.TurnCount())) + "[/img]";
}

std::string WriteReport(TGame& game, const std::string& templateFile, const std::string& outputFile)
{
    TBaseReport report(game);
    report.Generate(templateFile, outputFile);
    return outputFile;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TReport

TReport::TReport(TRootObject* context)
    : FContext(context)
{
}

TReport::~TReport() = default;

void TReport::AddToken(const std::string& name, TReportHandler handler)
{
    for (auto i = FTokens.size(); i > 0; --i)
        if (EqualsIgnoreCase(FTokens[i - 1].Name, name))
            FTokens.erase(FTokens.begin() + static_cast<std::ptrdiff_t>(i - 1));
    FTokens.push_back({name, std::move(handler)});
}

std::string TReport::GenerateText(std::string_view templateBytes)
{
    std::string text = ReportTemplateText(templateBytes);
    // Each field on the whole text as the ones before left it: what a field writes can hold a
    // later field, which is filled in too.
    for (const TReportToken& token : FTokens) {
        std::string value;
        if (token.Handler)
            token.Handler(token.Name, FContext, value);
        text = ReplaceAll(std::move(text), "<%" + token.Name + "%>", value);
    }
    return ReportFileText(text);
}

std::string TReport::Generate(const std::string& templateFile, const std::string& outputFile)
{
    std::string text = GenerateText(ReadTemplateBytes(templateFile));
    SaveBytesToFile(outputFile, text);
    return text;
}

// ---------------------------------------------------------------------------------------------
// TBaseReport

TBaseReport::TBaseReport(TGame& game)
    : TReport(&game)
{
    AddToken("PhaseNbr", PhaseNbr);
    AddToken("BotProgram", BotProgram);
    AddToken("BotMoves", [](const std::string&, TRootObject*, std::string& value) { Placeholder(value, "[Insert bot movements]"); });
    AddToken("BoardEffects", [](const std::string&, TRootObject*, std::string& value) { Placeholder(value, "[Insert board effects]"); });
    AddToken("BotEffects", [](const std::string&, TRootObject*, std::string& value) { Placeholder(value, "[Insert bot effects]"); });
    AddToken("Map", Map);
    AddToken("BotDamage", BotDamage);
    AddToken("TurnNbr", TurnNbr);
    AddToken("ScoreBoard", ScoreBoard);
}

// ---------------------------------------------------------------------------------------------
// Text

std::string ReportTemplateText(std::string_view templateBytes)
{
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    if (templateBytes.substr(0, ByteOrderMark.size()) == ByteOrderMark)
        templateBytes.remove_prefix(ByteOrderMark.size());
    std::vector<std::string> lines = SplitLines(ToUtf8(templateBytes));
    if (!lines.empty()) {
        std::string& last = lines.back();
        if (auto at = last.find(EndOfFile); at != std::string::npos) {
            last.erase(at, 1);
            if (last.empty())
                lines.pop_back();
        }
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string ReportFileText(std::string_view text)
{
    std::string result;
    result.reserve(text.size() + text.size() / 16);
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\r' || text[i] == '\n') {
            result.append(text, start, i - start);
            result += "\r\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    if (start < text.size()) {
        result.append(text, start);
        result += "\r\n";
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// The window's reports

std::string PhaseReportFileName(TGame& game)
{
    return GameFolder(game.GameName()) + Format("Turn %d, Phase %d.txt", game.TurnCount(), game.ViewingPhaseNumber());
}

std::string TurnReportFileName(TGame& game) { return GameFolder(game.GameName()) + Format("Turn %d.txt", game.TurnCount()); }

std::string PhaseTemplateFileName() { return ExecutableFolder() + "PhaseTemplate.txt"; }

std::string TurnTemplateFileName() { return ExecutableFolder() + "TurnTemplate.txt"; }

std::string WritePhaseReport(TGame& game) { return WriteReport(game, PhaseTemplateFileName(), PhaseReportFileName(game)); }

std::string WriteTurnReport(TGame& game) { return WriteReport(game, TurnTemplateFileName(), TurnReportFileName(game)); }

// ---------------------------------------------------------------------------------------------
// The score board

std::string ScoreBoardCaption(const TGame& game) { return "Score Board - " + game.GameName(); }

std::string ScoreBoardTurnCaption(TGame& game)
{
    return "Turn " + std::to_string(game.TurnCount()) + " - " + game.GameName();
}

int ScoreBoardFlagCount(const TGame& game) { return std::clamp(game.FlagCount(), 0, MaxScoreBoardFlags); }

std::vector<TBot*> ScoreBoardBots(const TGame& game)
{
    std::vector<TBot*> bots;
    if (const TBotList* list = game.BotList())
        for (int i = 0, n = list->Count(); i < n; ++i)
            if (list->Items(i)->InUseFlag())
                bots.push_back(list->Items(i));
    return bots;
}

std::string ScoreBoardOptionsText(const TBot& bot)
{
    std::string text;
    const TOptionCardList* options = bot.Options();
    for (int i = 0, n = options ? options->Count() : 0; i < n; ++i) {
        const TOptionCard& option = *options->Items(i);
        if (i > 0)
            text += ", ";
        text += option.CardName();
        if (option.Quantity() >= 0)
            text += " (" + std::to_string(option.Quantity()) + ")";
    }
    return text;
}

std::vector<std::vector<std::string>> ScoreBoardCells(const TGame& game)
{
    static const char* const Headers[] = {
        "Bot", "Player", "Damage", "Lives", "Options", "Flag 1", "Flag 2", "Flag 3", "Flag 4", "Flag 5", "Flag 6"};
    const int columns = ScoreBoardFlagColumn + ScoreBoardFlagCount(game);
    std::vector<std::vector<std::string>> cells;
    std::vector<std::string>& header = cells.emplace_back(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns && c < static_cast<int>(std::size(Headers)); ++c)
        header[static_cast<std::size_t>(c)] = Headers[c];
    for (const TBot* bot : ScoreBoardBots(game)) {
        std::vector<std::string>& row = cells.emplace_back();
        row.reserve(static_cast<std::size_t>(columns));
        row.push_back(bot->BotTypeName());
        row.push_back(bot->PlayerName());
        row.push_back(std::to_string(bot->Damage()));
        row.push_back(std::to_string(bot->LivesCount()));
        row.push_back(ScoreBoardOptionsText(*bot));
        for (int flag = 1; flag <= columns - ScoreBoardFlagColumn; ++flag)
            row.push_back(std::to_string(flag));
    }
    return cells;
}

bool ScoreBoardFlagTouched(const TBot& bot, int column) { return bot.FlagTouched() > column - ScoreBoardFlagColumn; }
