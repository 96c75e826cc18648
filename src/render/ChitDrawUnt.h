#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QSize>

#include <optional>

class TChit;
class TDrawNotes;
class TUsedBoardList;

// ---------------------------------------------------------------------------------------------
// Limits that keep damaged values from a game file from allocating gigabytes. Values beyond
// them are clamped, and the game master is told once (see TDrawNotes).

// ImageSizePercent is taken within 0..MaxChitSizePercent.
constexpr int MaxChitSizePercent = 1000;
// A chit is drawn at most this many pixels wide or high.
constexpr int MaxChitPixelSide = 4096;
// The most a JPEG file can hold on a side.
constexpr int MaxMapPictureSide = 65500;
// 256 MB at 32 bits a pixel; seven by seven boards of 1164 pixels still fit.
constexpr long long MaxMapPicturePixels = 1LL << 26;
// What empty cells and the seam at the right and bottom of every cell show.
constexpr QRgb MapBackground = 0xff404040;

// ---------------------------------------------------------------------------------------------
// Geometry

// Size of one cell of a full-scale map picture: the largest turned board picture. Boards whose
// picture cannot be read add nothing.
QSize MapCellSize(const TUsedBoardList& layout);

// The chit's drawn size and the top-left corner of the square-centred chit within its placed
// board's turned picture (nudge and slot not included). Left and top are -1 when the chit's
// placed board or square does not resolve. EImageError when the chit's picture cannot be read.
int ChitPixelWidth(const TChit& chit);
int ChitPixelHeight(const TChit& chit);
int ChitPixelLeft(const TChit& chit);
int ChitPixelTop(const TChit& chit);

// How far a chit of w x h pixels is pushed from the centre of its square by a slot, so that
// several archive markers on one square stay visible: slots 0/1 lower left and right, 2/3
// middle, 4/5 upper, 6 lower centre, 7 upper centre; a negative slot stays centred.
QPoint ChitSlotOffset(int slot, int width, int height);

// ---------------------------------------------------------------------------------------------
// Drawing one chit

// Draws the chit, turned to its facing and sized, onto the canvas, first keeping the covered
// pixels in its save-under picture. Nothing is drawn (and nothing kept) when the layer limit
// is not -1 and the chit's DrawLayer is above it, when its placed board or square does not
// resolve, or when its picture cannot be read (noted). fullMap: the canvas is the whole map at
// full scale, so the chit's cell origin is added.
void DrawChit(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap, int layerLimit, int slot);
// Draws the chit as DrawChit does onto a picture that shows its cell at cellOrigin, covering
// nothing outside cellRect: the map is drawn straight into its picture, each chit where it
// would be on the board's own picture, and keeps what it covers as it would there.
void DrawChitInCell(
    TDrawNotes& notes, TChit& chit, QImage& canvas, QPoint cellOrigin, const QRect& cellRect, int layerLimit, int slot);
// Where DrawChitInCell would draw the chit on a canvas of canvasSize: the part of its target
// within cellRect and the canvas. Draws nothing and leaves what the chit keeps; empty when
// nothing would be drawn.
QRect ChitRectInCell(TDrawNotes& notes, const TChit& chit, QSize canvasSize, QPoint cellOrigin, const QRect& cellRect,
    int layerLimit, int slot);
// Where the pixels the chit keeps came from on a whole map of cells of cellSize, that is where it
// was last drawn there; empty when it keeps none.
QRect KeptChitRect(TChit& chit, QSize cellSize);
// The same drawing done a band of rows at a time, for a picture that is never held whole (the
// map while its file is written): prepared once, drawn into each band it reaches, and what it
// covers handed to the chit at the end. The pixels drawn and kept are those DrawChitInCell
// draws and keeps on the whole picture.
struct TChitDraw {
    TChit* Chit = nullptr;
    QImage Picture; // turned to its facing and sized
    QRect Target; // where it lands on the canvas
    QRect Covered; // the part of the target within the clip and the canvas
    QPoint Origin; // where the chit's cell starts on the canvas
    QPoint Cell;
    bool Clipped = false;
    QImage Under; // what it covers, gathered band by band
};
// Empties what the chit kept; none when nothing is to be drawn (noted as DrawChit notes).
std::optional<TChitDraw> PrepareChitInCell(TDrawNotes& notes, TChit& chit, QSize canvasSize, QPoint cellOrigin,
    const QRect& cellRect, int layerLimit, int slot);
// band holds the canvas's rows from top on. keep: gather what the chit covers.
void DrawChitInBand(TChitDraw& draw, QImage& band, int top, bool keep);
// Hands what was gathered to the chit, for erasing it later.
void KeepChitDraw(TChitDraw& draw);
// Records only where the chit was drawn, as a drawing whose pixels are not kept later leaves it.
void KeepChitPlace(const TChitDraw& draw);

// Puts back the pixels the chit covered when it was last drawn, where they were taken.
void EraseChit(TChit& chit, QImage& canvas, bool fullMap);

// ---------------------------------------------------------------------------------------------
// The editing steps on a shown picture: the chit is erased from the canvas, changed by its own
// model operation and drawn again (every layer, no slot). On a single board's picture a chit
// that has left that board is not drawn again: the picture does not show the next board.

void MoveEast(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap);
void MoveWest(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap);
void MoveNorth(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap);
void MoveSouth(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap);
void StepToNeighbour(TDrawNotes& notes, TChit& chit, int dx, int dy, QImage& canvas, bool fullMap);
void RotateLeft(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap);
void RotateRight(TDrawNotes& notes, TChit& chit, QImage& canvas, bool fullMap);
void Tweak(TDrawNotes& notes, TChit& chit, int dx, int dy, QImage& canvas, bool fullMap);
// Nothing is erased or drawn when the size stays the same; false then.
bool SetSizePercent(TDrawNotes& notes, TChit& chit, int percent, QImage& canvas, bool fullMap);
