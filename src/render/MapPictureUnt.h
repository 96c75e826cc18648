#pragma once
#include "render/DrawNotesUnt.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <string>
#include <vector>

class TBotList;
class TChit;
class TGame;
class TPhase;
class TUsedBoard;
class TUsedBoardList;

// Size of the full-scale map picture: ColCount x RowCount cells, cut down to the drawing limits.
QSize MapPictureSize(const TUsedBoardList& layout);

// Draws the map pictures of a game: whole maps, single boards with the chits of a phase, and
// the JPEG files of a phase. It keeps the notes of what could not be drawn, so each problem is
// told once. Whoever shows or writes pictures owns one (the game session does for the windows).
class TMapRenderer {
public:
    TDrawNotes& Notes() { return FNotes; }

    // Draws the phase's chits that stand on the placed board onto that board's picture (a fresh
    // copy of its turned picture): sorted by DrawLayer, each robot shown in its state, several
    // archive markers on one inner square pushed into slots.
    void DrawPhaseChits(
        TPhase& phase, QImage& boardPicture, const TUsedBoard& usedBoard, int layerLimit, const TBotList* bots);

    // The placed board's turned picture with the given chits that stand on it drawn (every
    // layer, no slot), as the map designer shows a cell; none when the board does not resolve.
    QImage BoardPictureWithChits(const TUsedBoard& usedBoard, const std::vector<TChit*>& chits);

    // The full-scale map picture of a phase of a turn, with the chits up to the game's layer
    // limit. Null for a map without boards; a turn or phase that does not exist is drawn
    // without chits.
    QImage BuildMapPicture(TGame& game, int turnIndex, int phaseNumber);
    // The same, drawn into a picture the caller keeps (a window's shown map): when it has the
    // map's size already and no one else shares it, it is drawn over without new memory, so a
    // redraw costs about one copy of the boards. The chits keep what they cover in it, for the
    // chit edits that erase and draw them on it.
    void BuildMapPicture(TGame& game, int turnIndex, int phaseNumber, QImage& into);

    // Draws part of a map picture that BuildMapPicture drew of the phase again after its chits
    // changed, so that it is again what BuildMapPicture draws: the area given (where an edited
    // chit stood), each chit drawn elsewhere than where it was, every chit that touches these,
    // all that touches those, and the boards under them. Returns the part drawn again; the
    // whole picture is drawn when it is not of the map's size.
    QRect RedrawMapArea(TGame& game, int turnIndex, int phaseNumber, QImage& map, const QRect& area);
    // Where the chit was last drawn on the map picture: the area to give RedrawMapArea after an
    // edit of it. Empty when it is not drawn there.
    QRect ChitArea(TGame& game, TChit& chit);

    // Writes the pictures of the last turn at its current phase: the whole map (chits up to the
    // game's layer limit) and each placed board (every chit). Returns the files written, the map
    // first. EFileError when a file cannot be written.
    std::vector<std::string> SaveImages(TGame& game);

private:
    TDrawNotes FNotes;
};
