#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TGame;
class TRootObject;

// The forum posts of a phase and of a turn: a plain-text template whose fields, each written
// "<%Name%>", are filled by handlers. TReport is the mechanism, TBaseReport the tool's fields.

// What a field handler is given: the field's name and the report's context; it sets value.
using TReportHandler = std::function<void(const std::string& tokenName, TRootObject* context, std::string& value)>;

struct TReportToken {
    std::string Name;
    TReportHandler Handler;
};

class TReport {
public:
    explicit TReport(TRootObject* context);
    virtual ~TReport();
    TReport(const TReport&) = delete;
    TReport& operator=(const TReport&) = delete;

    TRootObject* Context() const { return FContext; }
    const std::vector<TReportToken>& Tokens() const { return FTokens; }

    // Removes every token of that name in any letter case, then appends the new one, so that
    // the later registration wins and is replaced last.
    void AddToken(const std::string& name, TReportHandler handler);

    // Fills the template file into the output file (replaced as a whole, the old one kept when
    // writing fails) and returns the text written. A missing template gives an empty report.
    std::string Generate(const std::string& templateFile, const std::string& outputFile);
    // The same on the template's bytes, without files: the text Generate writes.
    std::string GenerateText(std::string_view templateBytes);

private:
    TRootObject* FContext;
    std::vector<TReportToken> FTokens;
};

// A report on a game with the nine fields, in the order they are replaced: PhaseNbr,
// BotProgram, BotMoves, BoardEffects, BotEffects, Map, BotDamage, TurnNbr, ScoreBoard.
class TBaseReport : public TReport {
public:
    explicit TBaseReport(TGame& game);
};

// The template's text as the report works on it: UTF-8 (Windows-1252 when the bytes are not
// UTF-8, a byte-order mark dropped), the end-of-file character of the last line removed (with
// the line when nothing else is on it), every line ended by CR LF.
std::string ReportTemplateText(std::string_view templateBytes);
// The text as a report file holds it: every CR, LF or CR LF a line end, every line ended by CR LF.
std::string ReportFileText(std::string_view text);

// The Map field names the boards of at most this many map columns (a damaged file can place a
// board anywhere).
constexpr int MaxReportMapColumns = 1000;

// The report files of the process-turn window, in the game folder: "Turn %d, Phase %d.txt" of the
// number of turns and the viewed phase, and "Turn %d.txt".
std::string PhaseReportFileName(TGame& game);
std::string TurnReportFileName(TGame& game);
// The templates beside the executable.
std::string PhaseTemplateFileName();
std::string TurnTemplateFileName();
// Writes the phase or the turn report of the game and returns its file name.
std::string WritePhaseReport(TGame& game);
std::string WriteTurnReport(TGame& game);

// ---------------------------------------------------------------------------------------------
// The score board: the robots in play with player, damage, lives, options and one column per flag.

class TBot;

// Columns before the flags: robot, player, damage, lives, options.
constexpr int ScoreBoardFlagColumn = 5;
constexpr int ScoreBoardOptionsColumn = 4;
// A damaged file can claim any number of flags; the grid shows at most this many.
constexpr int MaxScoreBoardFlags = 1000;

// "Score Board - %s" and "Turn %d - %s" of the number of turns and the game's name.
std::string ScoreBoardCaption(const TGame& game);
std::string ScoreBoardTurnCaption(TGame& game);
// The game's flags as the grid shows them (never below 0 nor above MaxScoreBoardFlags).
int ScoreBoardFlagCount(const TGame& game);
// The robots in use, in bot-list order: one grid row each below the header.
std::vector<TBot*> ScoreBoardBots(const TGame& game);
// "Brakes, Flywheel (2)": the option names in order, each with its quantity when it has one.
std::string ScoreBoardOptionsText(const TBot& bot);
// The texts of the grid: the header row ("Bot", "Player", "Damage", "Lives", "Options",
// "Flag 1" to "Flag 6", nothing over further flags), then one row per robot.
std::vector<std::vector<std::string>> ScoreBoardCells(const TGame& game);
// Whether the flag column (counted from 0 over all columns) shows the robot's flag as touched.
bool ScoreBoardFlagTouched(const TBot& bot, int column);
