#pragma once
#include <QImage>

#include <functional>
#include <string>
#include <vector>

class TBoardList;
class TChitList;

// Draw layers of the shipped chit catalogue. Lower layers are drawn first; "Hide Chits" hides
// every layer above HideChitsLimit, so the floor and the course stay while the pieces on them go.
namespace ChitLayer {
constexpr int HideChitsLimit = 100;
constexpr int Pit = 10;
constexpr int Bridge = 20;
constexpr int Wall = 30;
constexpr int Mine = 40;
constexpr int Start = 50;
constexpr int Flag = 60;
constexpr int Archive = 110;
constexpr int Destroyed = 120;
constexpr int Virtual = 125;
constexpr int Robot = 130;
} // namespace ChitLayer

// One chit of the shipped catalogue and how its picture is drawn.
struct TCatalogueChit {
    std::string ID;
    std::string Description;
    std::string RelativeFilePath;
    int DrawLayer = 0;
    bool IsCloneable = false;
    std::function<QImage()> Draw;
};

// The working catalogue: the built-in table's start, flags and robots (unchanged), the Buzz
// Bomb, every robot's state chits and archive marker, and the marker templates.
std::vector<TCatalogueChit> CatalogueChits();
void FillChitList(TChitList& list, const std::vector<TCatalogueChit>& chits);

// The built-in board table with a picker text for every board: "Cannery Row (1st Edition)".
void BuildDescribedBoardList(TBoardList& list);

// The picture the board square editor moves around to calibrate squares.
constexpr const char* SquareEditorChitPath = "Images/Bots/Zoom Bot.jpg";
