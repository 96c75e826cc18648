#pragma once
#include "model/ChitUnt.h"
#include "model/UsedBoardUnt.h"
#include "model/BotUnt.h"

// Where a robot re-enters the map after being destroyed: a square of a placed board.
class TBotArchive : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TBotArchive)
public:
    TBotArchive();

    TBotType BotType() const { return FBotType; }
    void SetBotType(TBotType type) { FBotType = type; }
    int X() const { return FX; }
    void SetX(int x) { FX = x; }
    int Y() const { return FY; }
    void SetY(int y) { FY = y; }

    // The placed board of the archive square; none only in a damaged file.
    TUsedBoardRef* UsedBoardRef() const { return ObjectOf<TUsedBoardRef>(0); }
    std::string UsedBoardID() const;
    void SetUsedBoardID(const std::string& id);
    // A placed board, an X and a Y: anything less is no archive.
    bool IsSet() const { return !UsedBoardID().empty() && FX != -1 && FY != -1; }

private:
    TBotType FBotType = btUnknown;
    int FX = -1;
    int FY = -1;
};

// A phase's archive squares, at most one per robot type.
class TBotArchiveList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TBotArchiveList)
public:
    TBotArchiveList();

    TBotArchive* Items(int index) const { return static_cast<TBotArchive*>(TListObject::Items(index)); }
    TBotArchive* FindByBotType(TBotType type) const;
    // A new record off the map; its ID is the type's value name.
    TBotArchive* AddArchive(TBotType type);
};

// Makes the square under a robot's chit that robot's archive, and puts the robot's archive
// marker there when the list has one. Returns the record; none when the chit shows no robot.
TBotArchive* SetBotArchive(TBotArchiveList& archives, TChitList& chits, TChit& chit);
// Puts the chit on the archive square (whether or not that placed board is still on the map).
// Nothing happens, and false is returned, without a record that is set.
bool MoveChitToArchive(const TBotArchive* archive, TChit& chit);
