#pragma once
#include "persist/ObjectsUnt.h"

#include <QImage>
#include <QPoint>
#include <QSize>

#include <functional>
#include <string>
#include <string_view>


// ---------------------------------------------------------------------------------------------
// Pictures

// Decodes a picture file into a plain 32-bit bitmap; EImageError when it is missing or unreadable.
QImage ReadPicture(const std::string& fileName);
// One quarter turn in place: direction 0 is clockwise, 1 counter-clockwise.
void TurnPicture(QImage& picture, int direction);
// A copy turned by a number of clockwise quarter turns (any integer; three are made as one
// counter-clockwise turn).
QImage TurnedPicture(const QImage& picture, int clockwiseTurns);
// Any integer count of quarter turns brought into 0..3.
int NormalizedQuarterTurns(long long turns);
// Sums and products of values read from files, kept within the 32-bit range.
int ClampToInt(long long value);

// ---------------------------------------------------------------------------------------------
// One square of a board: where its centre lies in the unturned board picture.
class TBoardNode : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TBoardNode)
public:
    static constexpr int SquareSpacing = 97;
    static int DefaultCenterX(int x) { return SquareSpacing * (x - 1) + 56; }
    static int DefaultCenterY(int y) { return SquareSpacing * (y - 1) + 66; }

    // Always "%d_%d" of X and Y, whatever the stored ID.
    std::string GetID() const override;

    int X() const { return FX; }
    void SetX(int x) { FX = x; }
    int Y() const { return FY; }
    void SetY(int y) { FY = y; }
    int ImageCenterX() const { return FImageCenterX; }
    void SetImageCenterX(int value) { FImageCenterX = value; }
    int ImageCenterY() const { return FImageCenterY; }
    void SetImageCenterY(int value) { FImageCenterY = value; }

    bool IsUnedited() const { return FImageCenterX == DefaultCenterX(FX) && FImageCenterY == DefaultCenterY(FY); }

private:
    int FX = 0;
    int FY = 0;
    int FImageCenterX = 0;
    int FImageCenterY = 0;
};

// The 144 squares of a board: 1_1, 1_2 ... 1_12, 2_1 ... 12_12, each at its default centre.
class TBoardNodeList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TBoardNodeList)
public:
    static constexpr int GridSize = 12;

    TBoardNodeList();

    static std::string NodeID(int x, int y);
    TBoardNode* Items(int index) const { return static_cast<TBoardNode*>(TListObject::Items(index)); }
    TBoardNode* NodeAt(int x, int y) const;
};

// One board picture of the catalogue.
class TBoard : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TBoard)
public:
    TBoard();
    TBoard(const std::string& id, const std::string& relativeFilePath);

    const std::string& RelativeFilePath() const { return FRelativeFilePath; }
    void SetRelativeFilePath(const std::string& path);
    const std::string& Description() const { return FDescription; }
    // Kept in its clean form (XmlCleanText), which a file gives back exactly.
    void SetDescription(std::string description);

    TBoardNodeList* Nodes() const { return ObjectOf<TBoardNodeList>(0); }
    TBoardNode* NodeAt(int x, int y) const;

    // Decoded on first use from the executable's folder and kept until released.
    const QImage& Picture() const;
    bool HasPicture() const { return !FPicture.isNull(); }
    void ReleasePicture();
    // Frees the pixels but remembers the size: the placed boards keep turned copies, and the
    // geometry of squares needs only the size.
    void ReleasePicturePixels() const { FPicture = QImage(); }
    // The unturned picture's size, decoding the picture only when it has never been decoded.
    QSize PictureSize() const;

    // Every node still at its default centre (missing nodes do not count).
    bool IsUnedited() const;

    // The square under a point of the picture as shown on the map, turned by the placed
    // board's rotation: the one whose calibrated centre is nearest (none for a point outside
    // the picture).
    TBoardNode* NodeAtPixel(int rotationCount, QPoint point) const;

private:
    std::string FRelativeFilePath;
    std::string FDescription;
    mutable QImage FPicture;
    mutable QSize FPictureSize;
};

// The board catalogue ("Boards.xml").
class TBoardList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TBoardList)
public:
    // Receives one picker entry: the text shown and the board it stands for.
    using TPickerAdd = std::function<void(const std::string& text, TBoard& board)>;

    TBoardList();

    TBoard* Items(int index) const { return static_cast<TBoard*>(TListObject::Items(index)); }
    TBoard* FindByID(std::string_view id) const { return static_cast<TBoard*>(TListObject::FindByID(id)); }
    TBoard* AddBoard(const std::string& id, const std::string& relativeFilePath);
    void ReleasePictures();

    // Hands every board to a picker in display order: alphabetical by description without
    // regard to letter case, boards of equal description in stored order. The window clears
    // its control first and appends each entry as given.
    void FillBoardPicker(const TPickerAdd& add) const;
};

// A reference to a catalogue board: its ID is the board's ID.
class TBoardRef : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TBoardRef)
};

// The 26 boards of the built-in table, every node at its default centre, no descriptions.
void BuildBoardList(TBoardList& list);
// Writes them to "Boards.xml" in the folder (trailing "/" expected).
void BuildBoardListFile(const std::string& folder);
