#pragma once
#include "model/BotUnt.h"
#include "model/UsedBoardUnt.h"

#include <QPoint>
#include <QSize>

#include <memory>
#include <string>
#include <vector>

class TBotArchive;
class TChit;
class TGame;
class TMapRenderer;
class TPhase;
class TProgramCard;

// The rules of the process-turn window, on the model alone: what the phase controls say, the
// order of the robot list, which chit a list entry stands for, what lies under a point of the
// shown map, what the editing controls allow, and the archive, marker and layer commands. The
// window forwards its events here and paints.

// ---------------------------------------------------------------------------------------------
// Phases

// The turn's phases: 0 is the start of the turn, 1 to 5 the five registers.
constexpr int LastPhaseNumber = 5;

// What the viewed phase is, from the current phase C and the viewed phase V: "Start of Turn",
// "Review of Start of Turn", "Edit Phase %d", "Review of Phase %d" or "Preview of Phase %d".
std::string PhaseDescription(int current, int viewing);
// "Phase %d" of the current phase.
std::string PhaseCaption(int current);
// "Process Turn %d - %s": the number of turns and the game's name.
std::string ProcessTurnCaption(TGame& game);

// The viewed phase has not been reached yet: nothing in it can be picked, dragged or edited.
bool IsPreview(TGame& game);
// The phase the map shows: the viewed one, or the current one while previewing.
int ShownPhaseNumber(TGame& game);
// The viewed phase of the current turn, kept within 0..5; nothing without a turn.
void SetViewingPhase(TGame& game, int phase);

struct TNextPhaseResult {
    bool Stepped = false;
    // Where the slider stands afterwards: one on when it stood on the phase that was current.
    int Slider = 0;
};
// Moves the current turn on by one phase (each new phase starts as a copy of the one before).
TNextPhaseResult NextPhase(TGame& game, int slider);

// ---------------------------------------------------------------------------------------------
// List entries: each names its chit by identity and finds it again in whichever phase is viewed.

class TChitListInfo {
public:
    TChitListInfo(std::string chitID, TGame& game);
    virtual ~TChitListInfo() = default;
    TChitListInfo(const TChitListInfo&) = delete;
    TChitListInfo& operator=(const TChitListInfo&) = delete;

    const std::string& ChitID() const { return FChitID; }
    TGame& Game() const { return FGame; }
    virtual std::string GetChitID() const { return FChitID; }
    // The chit of the viewed phase with that ID; while it is off the map, the first of its
    // variants (ID + a robot suffix) that is on it, if any. None when the phase lacks it.
    TChit* GetChit() const;

private:
    std::string FChitID;
    TGame& FGame;
};

// A robot's entry: it stands for whichever of the robot's five chits is on the map.
class TBotListInfo : public TChitListInfo {
public:
    TBotListInfo(TBotType botType, TGame& game);
    TBotType BotType() const { return FBotType; }
    // The game's robot of that type; none in a damaged game.
    TBot* Bot() const;
    std::string GetChitID() const override;

private:
    TBotType FBotType;
};

// The chit that moving an entry moves: its chit, except that a robot's archive marker, which its
// entry finds once the robot is off the map, never stands for the robot: then the robot's own chit.
TChit* MovedChit(const TChitListInfo& entry);

using TBotItems = std::vector<std::unique_ptr<TBotListInfo>>;

// One entry for each robot in use, in bot-list order.
TBotItems BotItems(TGame& game);
// The register whose cards order the list for the viewed phase: register V, and register 1 at
// the start of the turn (0-based).
int ShownRegisterIndex(int viewing);
// The card in that register of the robot, when the program deck knows it.
TProgramCard* ShownCard(TGame& game, const TBot& bot);
// The robot list's order: higher priority first; robots without a card after those with one,
// in ordinal order of their type names. Negative when a comes first.
int CompareBotItems(const TBotListInfo& a, const TBotListInfo& b);
// Sorts the entries by CompareBotItems. Stable, and safe with any comparison results.
void SortBotItems(TBotItems& items);
// "Zoom Bot - Move 2 (670)", or the name alone without a known card.
std::string BotItemText(const TBotListInfo& item);
// The chit's description; empty when the entry's chit is not found.
std::string OtherItemText(const TChitListInfo& item);

// ---------------------------------------------------------------------------------------------
// Points of the shown map (shownSize: the size the full-scale picture is shown at)

TUsedBoard* UsedBoardAtPoint(TGame& game, QPoint point, QSize shownSize);
TMapSquare SquareAtPoint(TGame& game, QPoint point, QSize shownSize);
// The listed entries (in the order given: robots, then "Other") whose chits stand on the square
// under the point; none while previewing.
std::vector<TChitListInfo*> ChitsAtPoint(
    TGame& game, const std::vector<TChitListInfo*>& entries, QPoint point, QSize shownSize);
TChitListInfo* ChitAtPoint(TGame& game, const std::vector<TChitListInfo*>& entries, QPoint point, QSize shownSize);
// The descriptions of every chit of the viewed phase on the square under the point, in list
// order, one per line (CR LF); empty when there is none.
std::string MapHint(TGame& game, QPoint point, QSize shownSize);

// ---------------------------------------------------------------------------------------------
// The editing controls

struct TChitControls {
    // The size box, the moves, turns, tweaks and "Ctr".
    bool ChitEditing = false;
    int SizePercent = 100;
    // "Set" and "Move To".
    bool Archive = false;
    std::string ArchiveBoard;
    std::string ArchiveCoords;
    std::string SaveImagesCaption;
    bool SaveImages = false;
    bool NextPhase = false;
};
// What the controls show and allow for the selected entry (none when nothing is selected).
TChitControls ChitControls(TGame* game, const TChitListInfo* selected);

// "Save Images for Turn %d Phase %d" of the number of turns and the viewed phase.
std::string SaveImagesCaption(TGame& game);
// The Tweak that brings the chit's nudge back to (0, 0).
QPoint CenterTweak(const TChit& chit);

// ---------------------------------------------------------------------------------------------
// Commands on the viewed phase

// The robot type whose chit this is, in the viewed phase; btUnknown for any other chit.
TBotType ArchiveBotType(TGame& game, const TChit& chit);
// The chit's square becomes its robot's archive in the phase, with the robot's archive marker
// put there. None when the chit shows no robot.
TBotArchive* SetArchive(TPhase& phase, TChit& chit);
// The chit goes to its robot's archive square; false when the robot has no archive there.
bool MoveToArchive(TPhase& phase, TChit& chit);

// A square of the map by identity: placed board ID and square; an empty ID is off the map.
struct TMapPlace {
    std::string UsedBoardID;
    int X = -1;
    int Y = -1;
    bool OnMap() const { return !UsedBoardID.empty(); }
};
// Where a chit dropped at the point goes: the square under it, or off the map.
TMapPlace DropPlace(TGame& game, QPoint point, QSize shownSize);
// Puts the chit on the place (off the map when the place is off it or its board is gone).
void PlaceChit(TGame& game, TChit& chit, const TMapPlace& place);

struct TAddChitItem {
    std::string Caption;
    // Position among the cloneable chits of the viewed phase, and the template's ID.
    int Index = 0;
    std::string TemplateID;
};
// The templates "Add Chit" offers, sorted by caption without regard to case.
std::vector<TAddChitItem> AddChitItems(TGame& game);
// A new numbered copy of the template on the square; none when the phase lacks the template or
// the square does not exist.
TChit* AddMarker(TPhase& phase, const TUsedBoardList& layout, const std::string& templateID, const TMapPlace& place);

// "Hide Chits" / "Show Chits": the layer limit goes between -1 (every chit) and 100.
constexpr int HiddenChitLayerLimit = 100;
void ToggleChitLayerLimit(TGame& game);
std::string ShowHideCaption(const TGame& game);

// Writes the pictures of the viewed phase (the phase the caption names) of the last turn.
std::vector<std::string> SaveViewedPhaseImages(TMapRenderer& renderer, TGame& game);

// What the window says after "Save Images": how many pictures of the viewed phase went where,
// and the folder its link opens (that of the first picture; empty when none was written, as
// for a phase not reached yet).
struct TSavedImagesNote {
    std::string Text;
    std::string Folder;
};
TSavedImagesNote SavedImagesNote(const std::vector<std::string>& files, int turnNumber, int phaseNumber);
