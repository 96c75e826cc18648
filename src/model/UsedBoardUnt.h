#pragma once
#include "model/BoardUnt.h"

#include <QImage>
#include <QPoint>

#include <optional>
#include <string>
#include <string_view>

// A catalogue board placed in map cell (X, Y), turned by RotationCount clockwise quarter turns.
// Its ID is always "%d_%d" of its cell.
class TUsedBoard : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TUsedBoard)
public:
    TUsedBoard();
    TUsedBoard(TBoardList* boardList, const TBoard* board, int x, int y);

    int X() const { return FX; }
    void SetX(int x);
    int Y() const { return FY; }
    void SetY(int y);
    int RotationCount() const { return FRotationCount; }
    // Stores the value brought into 0..3 and turns a cached picture along with it.
    void SetRotationCount(int value);
    void RotateRight() { SetRotationCount(FRotationCount + 1); }
    void RotateLeft() { SetRotationCount(FRotationCount - 1); }

    TBoardRef* BoardRef() const { return ObjectOf<TBoardRef>(0); }
    std::string BoardID() const;
    TBoardList* BoardList() const { return FBoardList; }
    void SetBoardList(TBoardList* boardList);
    // The catalogue board placed here; none without a catalogue or when it lacks the board.
    TBoard* Board() const;

    // The board picture turned by RotationCount, built on first use; none when the board does
    // not resolve.
    const QImage* Picture() const;
    bool HasPicture() const { return !FPicture.isNull(); }
    void ReleasePicture() const;

    // Centre of square (sx, sy) of the board's own grid within the turned picture; none when
    // the board or the square does not resolve.
    std::optional<QPoint> SquareCenter(int sx, int sy) const;
    // The square under a pixel of the turned picture.
    TBoardNode* NodeAtPixel(QPoint point) const;

private:
    int FX = 0;
    int FY = 0;
    int FRotationCount = 0;
    TBoardList* FBoardList = nullptr;
    mutable QImage FPicture;
    // The board the cached picture was made from.
    mutable const TBoard* FPictureBoard = nullptr;
};

// A square of the map: placed board and square of its own grid.
struct TMapSquare {
    TUsedBoard* UsedBoard = nullptr;
    TBoardNode* Node = nullptr;
    explicit operator bool() const { return UsedBoard && Node; }
};

// The map layout: the placed boards of a game.
class TUsedBoardList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TUsedBoardList)
public:
    TUsedBoardList();

    TUsedBoard* Items(int index) const { return static_cast<TUsedBoard*>(TListObject::Items(index)); }
    TUsedBoard* FindByID(std::string_view id) const { return static_cast<TUsedBoard*>(TListObject::FindByID(id)); }
    // Adds a copy, which has no catalogue and no picture until the owner gives them.
    TUsedBoard* AddUsedBoard(TUsedBoard& usedBoard);
    // Removes the item of the same cell, if any.
    void RemoveUsedBoard(const TUsedBoard& usedBoard);
    TUsedBoard* FindAt(int x, int y) const;
    // The placed board next to a cell in map direction (dx, dy).
    TUsedBoard* Neighbour(const TUsedBoard& usedBoard, int dx, int dy) const;

    void SetBoardList(TBoardList* boardList);
    void ReleasePictures() const;

    int ColCount() const;
    int RowCount() const;
    // Largest turned picture among the placed boards; boards that do not resolve add nothing.
    int MaxBoardWidth() const;
    int MaxBoardHeight() const;

    // Origin of cell (x, y) in a full-scale map picture.
    QPoint CellOrigin(int x, int y) const;
    // Centre of a square in a full-scale map picture; none when it does not resolve.
    std::optional<QPoint> MapSquareCenter(const TUsedBoard& usedBoard, int sx, int sy) const;
    // The square under a pixel of a full-scale map picture.
    TMapSquare SquareAtPixel(QPoint pixel) const;
};

// A reference to a placed board: its ID is the placed board's ID, that is its cell.
class TUsedBoardRef : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TUsedBoardRef)
};
