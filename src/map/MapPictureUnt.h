#pragma once
#include "map/UsedBoardUnt.h"

#include <QImage>
#include <QPoint>
#include <QRgb>
#include <QSize>

#include <string>
#include <vector>

class TBotList;
class TChit;
class TGame;
class TPhase;

// ---------------------------------------------------------------------------------------------
// Limits that keep damaged values from a game file from allocating gigabytes. Values beyond
// them are clamped, and the game master is told once (see DrawNotes below).

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
// Chits

// The chit's drawn size and the top-left corner of the square-centred chit within its placed
// board's turned picture (nudge and slot not included). Left and top are -1 when the chit's
// placed board or square does not resolve. EImageError when the picture cannot be read.
int ChitPixelWidth(const TChit& chit);
int ChitPixelHeight(const TChit& chit);
int ChitPixelLeft(const TChit& chit);
int ChitPixelTop(const TChit& chit);

// How far a chit of w x h pixels is pushed from the centre of its square by a slot, so that
// several archive markers on one square stay visible: slots 0/1 lower left and right, 2/3
// middle, 4/5 upper, 6 lower centre, 7 upper centre; a negative slot stays centred.
QPoint ChitSlotOffset(int slot, int width, int height);

// Draws the chit, turned to its facing and sized, onto the canvas, first keeping the covered
// pixels in its save-under picture. Nothing is drawn (and nothing kept) when the layer limit
// is not -1 and the chit's DrawLayer is above it, when its placed board or square does not
// resolve, or when its picture cannot be read (the game master is told). fullMap: the canvas is
// the whole map at full scale, so the chit's cell origin is added.
void DrawChit(TChit& chit, QImage& canvas, bool fullMap, int layerLimit, int slot);
// Puts back the pixels the chit covered when it was last drawn, where they were taken.
void EraseChit(TChit& chit, QImage& canvas, bool fullMap);

// Draws the phase's chits that stand on the placed board onto that board's picture (a fresh
// copy of its turned picture): sorted by DrawLayer, each robot shown in its state, several
// archive markers on one inner square pushed into slots.
void DrawPhaseChits(
    TPhase& phase, QImage& boardPicture, const TUsedBoard& usedBoard, int layerLimit, const TBotList* bots);

// The placed board's turned picture with the given chits that stand on it drawn (every layer, no
// slot), as the map designer shows a cell; none when the board does not resolve.
QImage BoardPictureWithChits(const TUsedBoard& usedBoard, const std::vector<TChit*>& chits);

// ---------------------------------------------------------------------------------------------
// The map

// Size of one cell of a full-scale map picture: the largest turned board picture. Boards whose
// picture cannot be read add nothing.
QSize MapCellSize(const TUsedBoardList& layout);
// Size of the full-scale map picture: ColCount x RowCount cells, cut down to the limits above.
QSize MapPictureSize(const TUsedBoardList& layout);

// The full-scale map picture of a phase of a turn, with the chits up to the game's layer limit.
// Null for a map without boards; boards of another turn or phase that does not exist are drawn
// without chits.
QImage BuildMapPicture(TGame& game, int turnIndex, int phaseNumber);

// Writes the pictures of the last turn at its current phase: the whole map (chits up to the
// game's layer limit) and each placed board (every chit). Returns the files written, the map
// first. EFileError when a file cannot be written.
std::vector<std::string> SaveImages(TGame& game);

// Writes a picture as a baseline JPEG of quality 90 in 24-bit colour, making missing folders.
// An existing file is replaced only once the new one is complete.
void SaveJpegPicture(const QImage& picture, const std::string& fileName);

// ---------------------------------------------------------------------------------------------
// File names

// The game's name made fit to be one folder name: separators, characters no folder may hold and
// control characters become "_", a name of dots only has its dots replaced, an empty name becomes
// "Unnamed Game", and it is cut to 255 bytes. Names the new-game dialog accepts stay as they are.
std::string SafeFolderName(const std::string& gameName);
// The executable's folder, the safe folder name and "/".
std::string GameFolder(const std::string& gameName);
// "<turn>/<tag> - Turn <turn>, Phase <phase>.jpg" in the game folder; the tag is "Full" when x
// or y is -1, else "(x, y)".
std::string PhaseImagePath(const std::string& gameName, int x, int y, int phaseNumber, int turnNumber);
// "Turn <turn>/Score Board Turn <turn>.jpg" in the game folder.
std::string ScoreBoardImagePath(const std::string& gameName, int turnNumber);
