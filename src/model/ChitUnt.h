#pragma once
#include "model/BoardUnt.h"
#include "model/UsedBoardUnt.h"
#include "model/BotUnt.h"

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Which way a chit's picture faces; the stored picture faces north, the values go clockwise.
enum TChitFacing : std::uint8_t { cfNorth, cfEast, cfSouth, cfWest };
const TEnumInfo& ChitFacingInfo();

// The five chits of a robot are its base chit ID followed by one of these, in this order:
// normal play, shut down, virtual, destroyed, and its archive marker.
constexpr int BotChitSuffixCount = 5;
extern const char* const BotChitSuffixes[BotChitSuffixCount];
constexpr int ArchiveSuffixIndex = 4;

// A token on the map: on one square (X, Y of the board's own grid) of one placed board, or off
// the map (-1, -1, empty references).
class TChit : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TChit)
public:
    TChit();

    int X() const { return FX; }
    void SetX(int x) { FX = x; }
    int Y() const { return FY; }
    void SetY(int y) { FY = y; }
    const std::string& RelativeFilePath() const { return FRelativeFilePath; }
    void SetRelativeFilePath(const std::string& path);
    const std::string& Description() const { return FDescription; }
    // Kept in its clean form (XmlCleanText), which a file gives back exactly.
    void SetDescription(std::string description);
    int ImageSizePercent() const { return FImageSizePercent; }
    void SetImageSizePercent(int percent) { FImageSizePercent = percent; }
    int ImagePixelShiftX() const { return FImagePixelShiftX; }
    void SetImagePixelShiftX(int shift) { FImagePixelShiftX = shift; }
    int ImagePixelShiftY() const { return FImagePixelShiftY; }
    void SetImagePixelShiftY(int shift) { FImagePixelShiftY = shift; }
    TChitFacing ChitFacing() const { return FChitFacing; }
    void SetChitFacing(TChitFacing facing) { FChitFacing = facing; }
    int DrawLayer() const { return FDrawLayer; }
    void SetDrawLayer(int layer) { FDrawLayer = layer; }
    bool IsCloneable() const { return FIsCloneable; }
    void SetIsCloneable(bool value) { FIsCloneable = value; }
    bool IsClone() const { return FIsClone; }
    void SetIsClone(bool value) { FIsClone = value; }

    // The two references, created when missing.
    TBoardRef* BoardRef();
    TUsedBoardRef* UsedBoardRef();
    // Their IDs, empty when there is no reference; these never create one.
    std::string BoardID() const;
    std::string UsedBoardID() const;

    TBoardList* BoardList() const { return FBoardList; }
    void SetBoardList(TBoardList* boardList) { FBoardList = boardList; }
    TUsedBoardList* UsedBoardList() const { return FUsedBoardList; }
    void SetUsedBoardList(TUsedBoardList* usedBoardList) { FUsedBoardList = usedBoardList; }
    TBoard* Board() const;
    TUsedBoard* UsedBoard() const;
    void SetBoard(const TBoard* board);
    void SetUsedBoard(const TUsedBoard* usedBoard);

    // Puts the chit on square (x, y) of the placed board and of its board. The chit also takes
    // the placed board's catalogue and layout when it has them. A null placed board takes the
    // chit off the map.
    void PlaceAt(const TUsedBoard* usedBoard, int x, int y);
    void TakeOffMap();
    bool IsOnMap() const;
    bool IsArchiveMarker() const { return IDContains("Archive"); }

    // Decoded on first use from the executable's folder and kept until released.
    const QImage& Picture() const;
    bool HasPicture() const { return !FPicture.isNull(); }
    // The pixels the chit last covered on a canvas, drawn back to erase it; empty when the
    // chit was not drawn.
    QImage& SaveUnder()
    {
        NoteHeldPicture();
        return FSaveUnder;
    }
    const QImage& SaveUnder() const { return FSaveUnder; }
    // Where those pixels were taken: the top-left corner within the placed board's picture, and
    // the map cell of that board (for a canvas that is the whole map).
    QPoint SaveUnderAt() const { return FSaveUnderAt; }
    QPoint SaveUnderCell() const { return FSaveUnderCell; }
    void SetSaveUnderPlace(QPoint at, QPoint cell)
    {
        FSaveUnderAt = at;
        FSaveUnderCell = cell;
    }
    void ReleasePictures();

    // A copy of this template for AddClone, in no list: references, ID, version, pointers,
    // picture path, description and layer; off the map at the default size, nudge and facing.
    std::unique_ptr<TChit> Clone();

    // Editing steps, model only: a shown picture erases the chit before and draws it after.
    // Moves go one square in the board's own grid; past the edge onto the neighbouring placed
    // board, or off the map when there is none. A chit that is not on the map stays put.
    void MoveEast();
    void MoveWest();
    void MoveNorth();
    void MoveSouth();
    // Onto the placed board next to this one in map direction (dx, dy), entering on its edge.
    void StepToNeighbour(int dx, int dy);
    void RotateLeft();
    void RotateRight();
    void Tweak(int dx, int dy);
    // Whether the size changed (nothing needs redrawing otherwise).
    bool SetSizePercent(int percent);

private:
    bool IDContains(std::string_view text) const { return ID().find(text) != std::string::npos; }

    int FX = -1;
    int FY = -1;
    std::string FRelativeFilePath;
    std::string FDescription;
    int FImageSizePercent = 100;
    int FImagePixelShiftX = 0;
    int FImagePixelShiftY = 0;
    TChitFacing FChitFacing = cfNorth;
    int FDrawLayer = 0;
    bool FIsCloneable = false;
    bool FIsClone = false;
    TBoardList* FBoardList = nullptr;
    TUsedBoardList* FUsedBoardList = nullptr;
    mutable QImage FPicture;
    QImage FSaveUnder;
    // Tells the chit list it lies in that it may hold pictures now.
    void NoteHeldPicture() const;
    QPoint FSaveUnderAt;
    QPoint FSaveUnderCell;
};

// The chits of a game, of a phase, or of the catalogue ("Chits.xml"). Saved, and drawn, in
// ascending DrawLayer.
class TChitList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TChitList)
public:
    TChitList();

    void SortObjects() override;
    void SortByDrawLayer();

    TChit* Items(int index) const { return static_cast<TChit*>(TListObject::Items(index)); }
    TChit* FindByID(std::string_view id) const { return static_cast<TChit*>(TListObject::FindByID(id)); }
    TChit* AddChit(const std::string& id, const std::string& description, const std::string& relativeFilePath);
    // A copy with the source's catalogue and layout pointers.
    TChit* AddChitCopy(TChit& chit);
    // A new clone of the template numbered one past the highest existing clone of it.
    TChit* AddClone(TChit& templateChit);

    int CloneableCount() const;
    TChit* CloneableAt(int index) const;
    int CloneCount() const;
    TChit* CloneAt(int index) const;

    void SetBoardList(TBoardList* boardList);
    void SetUsedBoardList(TUsedBoardList* usedBoardList);
    // Drops the pictures its chits hold; nothing to walk when none was taken since the last time,
    // so that Next Phase stays quick however many turns a game has built.
    void ReleasePictures();
    void NoteHeldPicture() { FMayHoldPictures = true; }

    // The first of a robot's five chits that is on the map, state chits before the archive
    // marker; none when no variant is on the map.
    TChit* FindBotChit(const std::string& baseID) const;
    // Index in the bot list of the robot that the chit shows (one of its five chits); -1 if none.
    int BotIndexOfChit(const TChit* chit, const TBotList& bots) const;
    // Puts each robot's chit for its activity, state and damage where the robot stands. A robot
    // that only its archive marker shows is left alone: the marker never stands for the robot.
    void ShowBotsInState(const TBotList& bots);

private:
    bool FMayHoldPictures = false;
};

// The robot type one of whose five chits, present in the list, has this ID; btUnknown if none.
TBotType BotTypeOfChitID(std::string_view chitID, const TChitList& chits);
// BaseChitID of that type; empty when unknown.
std::string BaseChitIDOfChit(std::string_view chitID, const TChitList& chits);

// The 15 chits of the built-in table: the start, six flags and eight robots.
void BuildChitList(TChitList& list);
// Writes them to "Chits.xml" in the folder (trailing "/" expected).
void BuildChitListFile(const std::string& folder);
