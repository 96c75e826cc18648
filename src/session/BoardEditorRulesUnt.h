#pragma once
#include "model/ChitUnt.h"
#include "model/UsedBoardUnt.h"
#include "render/DrawNotesUnt.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QtCore/qnamespace.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

class TBoard;
class TBoardList;

// ---------------------------------------------------------------------------------------------
// Keys of the board square editor

// A scheme names four keys in the order up, left, down, right.
inline constexpr std::array<std::string_view, 3> BoardEditorSchemes = {".oeu", "wasd", "esdf"};

enum TEditDirection { edNone, edUp, edLeft, edDown, edRight };
// What a key or button works on: the test chit, the node under it, or its whole row or column.
enum TEditTarget { etNone, etChit, etNode, etLine };

struct TEditKey {
    TEditTarget Target = etNone;
    TEditDirection Direction = edNone;
    bool operator==(const TEditKey&) const = default;
};

// The direction a key stands for in a scheme: its character looked up in the scheme, first in
// lower case, then in upper case; the period key is "." (with Shift too, where the layout turns
// it into ">"). edNone for any other key.
TEditDirection SchemeDirection(std::string_view scheme, int key);
// A key press: with Ctrl it nudges the node, else with Shift the row or column, else it moves the
// chit; Ctrl goes before Shift. Alt and Meta belong to the menus and the desktop: nothing.
TEditKey TranslateEditKey(std::string_view scheme, int key, Qt::KeyboardModifiers modifiers);

// ---------------------------------------------------------------------------------------------
// The catalogue as a whole

// Boards whose every square is still at its default centre.
int UneditedBoardCount(const TBoardList& boards);
// "Edit Board Nodes - %d / %d unedited".
std::string BoardEditorCaption(const TBoardList& boards);
// "+" at zoom 0, "+ (%d)" above.
std::string ZoomInCaption(int zoomLevel);
// Where a picture is shown stretched into an area with its proportions kept, centred.
QRect FittedPictureRect(QSize picture, QSize area);

// ---------------------------------------------------------------------------------------------
// What the "Edit Board Nodes" window does, without the window: the chosen board on a one-board
// layout, its picture with the test chit drawn on it, the moves and nudges, zoom and scheme, and
// saving. Node changes go straight into the catalogue's boards, so the rest of the tool sees them
// at once; Save writes the catalogue, and until then the centres as last saved are kept so that
// the changes can be told and dropped.
class TBoardEditor {
public:
    static constexpr int ZoomStepPixels = 300;
    // The picture the editor calibrates with, below the executable's folder.
    static constexpr const char* TestChitPath = "Images/Bots/Zoom Bot.jpg";

    explicit TBoardEditor(TBoardList& boards);
    ~TBoardEditor();
    TBoardEditor(const TBoardEditor&) = delete;
    TBoardEditor& operator=(const TBoardEditor&) = delete;

    TBoardList& Boards() const { return FBoards; }
    TDrawNotes& Notes() { return FNotes; }

    // ------------------------------------------------------------------------- the board
    // Places the board at (0, 0) unturned, shows its unturned picture with the test chit on
    // square (1, 1). EImageError when the board's picture cannot be read: the board is chosen
    // all the same and shows no picture.
    void ChooseBoard(TBoard* board);
    TBoard* Board() const { return FBoard; }
    bool BoardIsUnedited() const;
    // The board's picture with the test chit on it; null before a board is chosen.
    const QImage& Picture() const { return FPicture; }
    const TChit& TestChit() const { return FTestChit; }
    // Where the test chit is drawn on the picture; empty when it is not.
    QRect ChitRect() const;

    // ------------------------------------------------------------------------- editing
    // Each returns the part of the picture it changed (empty when it did nothing), so that only
    // that part is shown again.
    // One square; a move that would leave the 1..12 grid does nothing.
    QRect Move(TEditDirection direction);
    // Turns the test chit's picture a quarter, clockwise or not; only its looks change.
    QRect Turn(bool clockwise);
    // One pixel for the node under the test chit.
    QRect NudgeNode(TEditDirection direction);
    // One pixel for the 12 nodes of the chit's row (up, down) or column (left, right).
    QRect NudgeLine(TEditDirection direction);
    QRect Apply(TEditKey key);

    // ------------------------------------------------------------------------- view
    int SchemeIndex() const { return FSchemeIndex; }
    std::string_view Scheme() const { return BoardEditorSchemes[static_cast<std::size_t>(FSchemeIndex)]; }
    void SetSchemeIndex(int index);
    int ZoomLevel() const { return FZoomLevel; }
    void ZoomIn();
    void ZoomOut();
    // The scrolling extent each way: 300 x zoom level (0: the picture fits the window).
    int ScrollExtent() const;

    // ------------------------------------------------------------------------- saving
    // A centre differs from the one last saved (or loaded).
    bool HasUnsavedChanges() const;
    // The whole catalogue to "Boards.xml" in the folder the tool writes to. EFileError when that fails; the
    // previous file is then left as it was, and so are the unsaved changes.
    void Save();
    // Every centre back to the one last saved (or loaded).
    void DiscardChanges();

private:
    // Runs a change that erases and draws the chit again; the union of both of its places.
    template <class TChange>
    QRect RedrawChit(TChange change);
    void DrawTestChit();
    void KeepSavedCentres();

    TBoardList& FBoards;
    TBoard* FBoard = nullptr;
    TUsedBoardList FLayout;
    TChit FTestChit;
    QImage FPicture;
    TDrawNotes FNotes;
    int FSchemeIndex = 0;
    int FZoomLevel = 0;
    // Every node's centre in catalogue order, as last saved.
    std::vector<std::pair<int, int>> FSavedCentres;
};
