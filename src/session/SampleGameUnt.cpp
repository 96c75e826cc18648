#include "session/SampleGameUnt.h"

#include "model/BoardUnt.h"
#include "model/BotUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/ProgramPasteUnt.h"
#include "model/ProgramUnt.h"
#include "support/ErrorsUnt.h"
#include "support/FilePlacesUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "session/DesignMapRulesUnt.h"
#include "session/GameSessionUnt.h"
#include "session/ProcessTurnCommandsUnt.h"
#include "session/ProcessTurnRulesUnt.h"
#include "session/ProgramRulesUnt.h"
#include "session/SettingsUnt.h"
#include "session/TurnCycleUnt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

struct TSampleCell {
    int Col;
    int Row;
    const char* BoardID;
};
// Unturned boards, so that north on every board is north on the map.
const TSampleCell SampleMap[] = {
    {0, 0, "Exchange_2"}, {1, 0, "Island_3"}, {0, 1, "Cross_2"}, {1, 1, "Maelstrom_1"}};

struct TSampleSquare {
    const char* ChitID;
    int Col;
    int Row;
    int X;
    int Y;
};
// The start on the bottom row of the lower left board, the flags on open floor further off.
const TSampleSquare SampleFlags[] = {
    {"Start", 0, 1, 6, 12}, {"Flag1", 0, 1, 5, 3}, {"Flag2", 0, 0, 3, 11}, {"Flag3", 1, 0, 11, 1}};
constexpr int SampleFlagCount = 3;

struct TSampleRobot {
    TBotType Type;
    const char* Player;
    // Square on the start board's bottom row.
    int StartX;
    // Dealt an option before the first turn.
    bool Option;
};
const TSampleRobot SampleRobots[] = {{btHammerBot, "Ada", 3, true}, {btSpinBot, "Boris", 5, false},
    {btTwonky, "Chloe", 8, true}, {btZoomBot, "Dev", 10, false}};
const char* const StartBoardID = "0_1";

// Turn 2: a robot lays a mine in phase 2, and one is shot in phase 4.
constexpr int MineTurn = 2;
constexpr int MinePhase = 2;
const TSampleSquare MineSquare = {"Mine", 0, 1, 9, 6};
constexpr int ShotTurn = 2;
constexpr int ShotPhase = 4;
constexpr TBotType ShotRobot = btSpinBot;

// ---------------------------------------------------------------------------------------------
// The map designer

// The point of the designer's grid where a square of a placed board shows its centre.
QPoint GridPointOfSquare(const TMapDesign& design, int col, int row, int x, int y)
{
    const TUsedBoard* usedBoard = design.CellBoard(col, row);
    const std::optional<QPoint> centre = usedBoard ? usedBoard->SquareCenter(x, y) : std::nullopt;
    const QImage* picture = usedBoard ? usedBoard->Picture() : nullptr;
    if (!centre || !picture || picture->isNull())
        throw EFileError(Format("The sample game needs the picture of the board in cell (%d, %d).", col, row));
    const int cell = design.CellPixels();
    const int pitch = cell + TMapDesign::GridLineWidth;
    return QPoint(col * pitch + centre->x() * cell / picture->width(), row * pitch + centre->y() * cell / picture->height());
}

// What the new-game dialog and the map designer hand over for the sample.
void DesignSampleGame(TGameSession& session, TNewGameSettings& settings)
{
    TBoardList* boards = session.BoardList();
    TChitList* catalogue = session.ChitList();
    if (!boards || !catalogue)
        throw EFileError("The sample game needs the board and chit catalogues.");
    TChitList chits;
    for (int i = 0; i < catalogue->Count(); ++i)
        chits.AddChitCopy(*catalogue->Items(i));
    TMapDesign design(*boards, chits, SampleFlagCount);
    design.SetGridSize(2, 2);
    for (const TSampleCell& cell : SampleMap) {
        const TBoard* board = boards->FindByID(cell.BoardID);
        if (!board)
            throw EFileError(Format("The sample game needs the board \"%s\".", cell.BoardID));
        design.SelectCell(cell.Col, cell.Row);
        design.ChooseBoard(board);
    }
    for (const TSampleSquare& square : SampleFlags) {
        TChit* chit = design.FlagChit(square.ChitID);
        if (!chit || !design.DropChit(*chit, GridPointOfSquare(design, square.Col, square.Row, square.X, square.Y)))
            throw EFileError(Format("The sample game cannot place \"%s\" on the map.", square.ChitID));
    }
    settings.GameName = SampleGameName;
    settings.OptionSources = {osBaseGame, osBoltsAndBlasters};
    settings.ArchivesPerBot = 3;
    settings.FlagCount = SampleFlagCount;
    design.ApplyTo(settings);
}

// ---------------------------------------------------------------------------------------------
// Where a robot stands and where its cards take it, in squares of the whole map

struct TPose {
    int X = 0;
    int Y = 0;
    TChitFacing Facing = cfNorth;
    bool OnMap = false;
};

TPose PoseOf(const TChit* chit)
{
    const TUsedBoard* usedBoard = chit && chit->IsOnMap() ? chit->UsedBoard() : nullptr;
    if (!usedBoard)
        return {};
    const int side = TBoardNodeList::GridSize;
    return {usedBoard->X() * side + chit->X() - 1, usedBoard->Y() * side + chit->Y() - 1, chit->ChitFacing(), true};
}

QPoint Ahead(TChitFacing facing)
{
    static const QPoint ahead[] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
    return ahead[facing % 4];
}

struct TCardMove {
    // Squares forward; -1 backs up one.
    int Steps = 0;
    // Clockwise quarter turns.
    int Turns = 0;
};

TCardMove CardMove(TProgramCardKind kind)
{
    switch (kind) {
    case ckMoveOne:
        return {1, 0};
    case ckMoveTwo:
        return {2, 0};
    case ckMoveThree:
        return {3, 0};
    case ckBackup:
        return {-1, 0};
    case ckRotateLeft:
        return {0, 3};
    case ckRotateRight:
        return {0, 1};
    case ckUTurn:
        return {0, 2};
    default:
        return {};
    }
}

TPose Moved(TPose pose, TCardMove move, QSize mapSquares)
{
    pose.Facing = static_cast<TChitFacing>((pose.Facing + move.Turns) % 4);
    const QPoint step = Ahead(pose.Facing) * (move.Steps < 0 ? -1 : 1);
    for (int i = 0; i < std::abs(move.Steps) && pose.OnMap; ++i) {
        pose.X += step.x();
        pose.Y += step.y();
        pose.OnMap = pose.X >= 0 && pose.Y >= 0 && pose.X < mapSquares.width() && pose.Y < mapSquares.height();
    }
    return pose;
}

// How far the player thinks the robot is from its flag: the squares to go, and a little more
// while it faces away. Leaving the map is the worst there is.
int Distance(const TPose& pose, QPoint target)
{
    if (!pose.OnMap)
        return 1000000;
    const QPoint to = target - QPoint(pose.X, pose.Y);
    const QPoint ahead = Ahead(pose.Facing);
    const bool facingAway = !to.isNull() && to.x() * ahead.x() + to.y() * ahead.y() <= 0;
    return 2 * to.manhattanLength() + (facingAway ? 1 : 0);
}

// A player's choice of program: every order of five cards of the hand, scored by the flags it
// touches on the way, then by the distance left to the next one, then by the fewest turns. The
// first best in the hand's order wins, so that one deal always gives one program.
class TProgramSearch {
public:
    // Flags[n - 1] is flag n; a robot with every flag touched stays where it is.
    TProgramSearch(QSize mapSquares, QPoint here, std::vector<QPoint> flags, const std::vector<TProgramCard*>& hand)
        : FMapSquares(mapSquares)
        , FHere(here)
        , FFlags(std::move(flags))
    {
        for (const TProgramCard* card : hand)
            FMoves.push_back(CardMove(card->Kind()));
        FLength = std::min<std::size_t>(FMoves.size(), TBotRegisterList::RegisterCount);
    }

    // Positions in the hand, in register order.
    std::vector<std::size_t> Best(const TPose& pose, int flag)
    {
        FProgram.clear();
        FBest.clear();
        Search(pose, flag, 0, 0);
        return FBest;
    }

private:
    QPoint Target(int flag) const { return flag >= 1 && flag <= static_cast<int>(FFlags.size()) ? FFlags[flag - 1] : FHere; }

    void Search(const TPose& pose, int flag, std::uint32_t used, int turns)
    {
        if (FProgram.size() == FLength) {
            const long long score = -1000000LL * flag + 100LL * Distance(pose, Target(flag)) + turns;
            if (FBest.empty() || score < FBestScore) {
                FBest = FProgram;
                FBestScore = score;
            }
            return;
        }
        for (std::size_t i = 0; i < FMoves.size() && i < 32; ++i) {
            if (used & (1u << i))
                continue;
            // A program that leaves the map scores worst of all, but is there when no other is.
            const TPose next = Moved(pose, FMoves[i], FMapSquares);
            const bool touched = next.OnMap && flag <= static_cast<int>(FFlags.size()) && QPoint(next.X, next.Y) == Target(flag);
            FProgram.push_back(i);
            Search(next, touched ? flag + 1 : flag, used | (1u << i), turns + (FMoves[i].Turns ? 1 : 0));
            FProgram.pop_back();
        }
    }

    QSize FMapSquares;
    QPoint FHere;
    std::vector<QPoint> FFlags;
    std::vector<TCardMove> FMoves;
    std::size_t FLength = 0;
    std::vector<std::size_t> FProgram;
    std::vector<std::size_t> FBest;
    long long FBestScore = 0;
};

// ---------------------------------------------------------------------------------------------
// Playing

class TSamplePlay {
public:
    explicit TSamplePlay(TGameSession& session)
        : FSession(session)
    {
    }

    void Play();

private:
    TGame& Game() const { return *FSession.Game(); }
    TBot& Robot(TBotType type) const { return *Game().BotList()->FindByType(type); }
    TPhase& ViewedPhase() const { return *Game().ViewingPhase(); }
    QSize MapSquares() const
    {
        TUsedBoardList& layout = *Game().UsedBoardList();
        return QSize(layout.ColCount() * TBoardNodeList::GridSize, layout.RowCount() * TBoardNodeList::GridSize);
    }
    // The robot's chit in the viewed phase, as the process-turn window's list finds it.
    TChit* RobotChit(TBotType type) const { return MovedChit(TBotListInfo(type, Game())); }
    std::optional<QPoint> FlagSquare(int flag) const;

    void NewGame();
    void AddRobots();
    void NextTurn();
    // Every player answers the private message with a program for the hand dealt.
    void AnswerPrivateMessage(TBot& bot);
    void StartAtTheStart();
    void ProcessTurn(int turn);
    void ExecuteRegister(TBot& bot, TChit& chit);
    // One square in the direction, pushing whatever robot stands there.
    void Step(TChit& chit, TChitFacing direction, int depth);
    void TouchFlags();
    void Push(QUndoCommand* command) { FSession.UndoStack().push(command); }

    TGameSession& FSession;
};

std::optional<QPoint> TSamplePlay::FlagSquare(int flag) const
{
    if (flag > Game().FlagCount())
        return std::nullopt;
    const TChit* chit = ViewedPhase().ChitList()->FindByID(Format("Flag%d", flag));
    const TPose pose = PoseOf(chit);
    return pose.OnMap ? std::optional(QPoint(pose.X, pose.Y)) : std::nullopt;
}

void TSamplePlay::Play()
{
    SetRandSeed(SampleGameSeed);
    NewGame();
    AddRobots();
    for (int turn = 1; turn <= SampleTurnsPlayed; ++turn) {
        NextTurn();
        // The robots go on the map before the first programs, so that the players know where
        // they stand.
        if (turn == 1)
            StartAtTheStart();
        for (const TSampleRobot& robot : SampleRobots)
            AnswerPrivateMessage(Robot(robot.Type));
        ProcessTurn(turn);
    }
    NextTurn();
    for (int n = 0; n < SampleProgramsIn; ++n)
        AnswerPrivateMessage(Robot(SampleRobots[n].Type));
}

void TSamplePlay::NewGame()
{
    TNewGameSettings settings;
    DesignSampleGame(FSession, settings);
    FSession.NewGame(settings);
}

void TSamplePlay::AddRobots()
{
    for (const TSampleRobot& robot : SampleRobots)
        Robot(robot.Type).SetInUseFlag(true);
    FSession.MarkChanged(gcInPlay | gcBots);
    for (const TSampleRobot& robot : SampleRobots) {
        TBot& bot = Robot(robot.Type);
        bot.SetPlayerName(robot.Player);
        FSession.MarkChanged(gcBotFields);
        if (robot.Option && DealOption(Game(), bot))
            FSession.MarkChanged(gcBots | gcDecks);
    }
}

void TSamplePlay::NextTurn()
{
    FSession.StartNextTurn();
}

void TSamplePlay::AnswerPrivateMessage(TBot& bot)
{
    TGame& game = Game();
    TPose pose = PoseOf(RobotChit(bot.BotType()));
    if (!pose.OnMap)
        pose = {MapSquares().width() / 2, MapSquares().height() - 1, cfNorth, true};
    std::vector<QPoint> flags;
    for (int flag = 1; flag <= Game().FlagCount(); ++flag)
        if (const std::optional<QPoint> square = FlagSquare(flag))
            flags.push_back(*square);
    const std::vector<TProgramCard*> hand = HandListCards(game, &bot);
    const std::vector<std::size_t> program
        = TProgramSearch(MapSquares(), QPoint(pose.X, pose.Y), flags, hand).Best(pose, bot.FlagTouched() + 1);
    // The answer as a player writes it, one register a line.
    std::string answer;
    for (std::size_t line = 0; line < program.size(); ++line)
        answer += Format("%d: %s\r\n", static_cast<int>(line + 1), hand[program[line]]->ListingName().c_str());
    const TPasteResult pasted = AttemptToPasteProgram(game, bot, answer);
    if (!pasted.Applied)
        throw ECogline(Format("The sample program of the %s did not paste: %s", bot.BotTypeName().c_str(), pasted.Error.c_str()));
    FSession.MarkChanged(gcBots | gcDecks);
}

void TSamplePlay::StartAtTheStart()
{
    // The game master drops each robot from the list on its square and sets its archive there.
    for (const TSampleRobot& robot : SampleRobots) {
        const std::string chitID = BaseChitID(robot.Type);
        Push(TPlaceChitCommand::Drop(FSession, chitID, StartBoardID, robot.StartX, TBoardNodeList::GridSize));
        Push(new TSetArchiveCommand(FSession, chitID));
    }
}

void TSamplePlay::ProcessTurn(int turn)
{
    TGame& game = Game();
    for (int phase = 1; phase <= LastPhaseNumber; ++phase) {
        const TNextPhaseResult next = NextPhase(game, game.ViewingPhaseNumber());
        if (!next.Stepped)
            throw ECogline(Format("The sample game cannot reach phase %d of turn %d.", phase, turn));
        SetViewingPhase(game, next.Slider);
        FSession.UndoStack().clear();
        FSession.MarkChanged(gcPhase | gcChits);

        // The robots act in the order the window lists them: the highest priority first.
        TBotItems robots = BotItems(game);
        SortBotItems(robots);
        for (const auto& entry : robots)
            if (TBot* bot = entry->Bot())
                if (TChit* chit = MovedChit(*entry))
                    ExecuteRegister(*bot, *chit);
        TouchFlags();

        if (turn == MineTurn && phase == MinePhase)
            Push(new TAddMarkerCommand(FSession, MineSquare.ChitID, Format("%d_%d", MineSquare.Col, MineSquare.Row),
                MineSquare.X, MineSquare.Y));
        if (turn == ShotTurn && phase == ShotPhase) {
            Robot(ShotRobot).SetDamage(Robot(ShotRobot).Damage() + 1);
            FSession.MarkChanged(gcBotFields);
        }
    }
}

void TSamplePlay::ExecuteRegister(TBot& bot, TChit& chit)
{
    const TProgramCard* card = ShownCard(Game(), bot);
    if (!card || !chit.IsOnMap())
        return;
    const TCardMove move = CardMove(card->Kind());
    const std::string chitID = chit.ID();
    if (move.Turns == 3)
        Push(new TChitEditCommand(FSession, chitID, ceRotateLeft));
    else
        for (int turn = 0; turn < move.Turns; ++turn)
            Push(new TChitEditCommand(FSession, chitID, ceRotateRight));
    for (int step = 0; step < std::abs(move.Steps) && chit.IsOnMap(); ++step)
        Step(chit, static_cast<TChitFacing>(move.Steps < 0 ? (chit.ChitFacing() + 2) % 4 : chit.ChitFacing()), 0);
    // Off the edge: the robot loses a life and comes back on its archive.
    for (const TSampleRobot& robot : SampleRobots) {
        TChit* fallen = RobotChit(robot.Type);
        if (!fallen || fallen->IsOnMap())
            continue;
        Robot(robot.Type).SetLivesCount(Robot(robot.Type).LivesCount() - 1);
        FSession.MarkChanged(gcBotFields);
        Push(TPlaceChitCommand::MoveToArchive(FSession, fallen->ID()));
    }
}

void TSamplePlay::Step(TChit& chit, TChitFacing direction, int depth)
{
    static const TChitEdit moves[] = {ceMoveNorth, ceMoveEast, ceMoveSouth, ceMoveWest};
    // A robot in the way is pushed ahead, as the rules of the race have it.
    const TPose pose = PoseOf(&chit);
    const QPoint next = QPoint(pose.X, pose.Y) + Ahead(direction);
    for (const TSampleRobot& robot : SampleRobots) {
        TChit* other = RobotChit(robot.Type);
        const TPose at = PoseOf(other);
        if (other != &chit && at.OnMap && QPoint(at.X, at.Y) == next && depth < 4)
            Step(*other, direction, depth + 1);
    }
    Push(new TChitEditCommand(FSession, chit.ID(), moves[direction]));
}

void TSamplePlay::TouchFlags()
{
    // A robot ending the phase on its next flag touches it, and its archive moves there.
    for (const TSampleRobot& robot : SampleRobots) {
        TBot& bot = Robot(robot.Type);
        const int flag = bot.FlagTouched() + 1;
        const std::optional<QPoint> square = flag <= SampleFlagCount ? FlagSquare(flag) : std::nullopt;
        TChit* chit = RobotChit(robot.Type);
        const TPose pose = PoseOf(chit);
        if (!square || !pose.OnMap || QPoint(pose.X, pose.Y) != *square)
            continue;
        bot.SetFlagTouched(flag);
        FSession.MarkChanged(gcBotFields);
        Push(new TSetArchiveCommand(FSession, chit->ID()));
    }
}

} // namespace

void PlaySampleGame(TGameSession& session)
{
    TSamplePlay(session).Play();
    // The edits of the last turn are the sample's, not the game master's to take back.
    session.UndoStack().clear();
}

std::string ShippedSampleGameFile() { return DataFolder() + SampleGameFileName; }

std::string SampleGameToOpen()
{
    const std::string shipped = ShippedSampleGameFile();
    const std::string own = UserFolder() + SampleGameFileName;
    if (QFileInfo::exists(QString::fromStdString(own)))
        return own;
    if (!QFileInfo(QString::fromStdString(shipped)).isFile())
        return std::string();
    QDir().mkpath(QString::fromStdString(UserFolder()));
    QFile copy(QString::fromStdString(shipped));
    if (!copy.copy(QString::fromStdString(own)))
        throw EFileError(Format("The sample game could not be copied to \"%s\": %s", own.c_str(),
            copy.errorString().toStdString().c_str()));
    // The shipped file may be read-only; the game master's copy is theirs to save.
    QFile::setPermissions(QString::fromStdString(own),
        QFile::permissions(QString::fromStdString(own)) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return own;
}

bool SampleGameAvailable()
{
    return QFileInfo(QString::fromStdString(UserFolder() + SampleGameFileName)).isFile()
        || QFileInfo(QString::fromStdString(ShippedSampleGameFile())).isFile();
}
