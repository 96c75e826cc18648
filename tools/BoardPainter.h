#pragma once
#include <QImage>

#include <string>

// The pictures of the board catalogue: 1164 x 1164 pixels, twelve by twelve squares whose
// centres are exactly the squares' default centres, so the catalogue needs no calibration.

constexpr int BoardPictureSize = 1164;

// Which printing of the board; also picks its colours, and how boards of the same name are
// laid out differently in different printings.
enum TBoardEdition { beFirst, beSecond, beSecondExpansion, beThird };

// The edition of a picture path by its folder ("Images/1st Edition/Cross.jpg"); throws for a
// folder that names no edition.
TBoardEdition EditionOfPath(const std::string& relativeFilePath);
// "1st Edition", "2nd Edition", "2nd Edition - Bolts & Blasters", "3rd Edition".
std::string EditionName(TBoardEdition edition);
// The board's name from its picture's file name, with blanks between run-together words
// ("Images/3rd Edition/ChopShop.jpg" gives Chop Shop).
std::string BoardNameOfPath(const std::string& relativeFilePath);

// The board with its name and edition in the band above the squares, and a few factory-floor
// features laid out after its name. Drawn into the given picture, which is made the right size
// when it is not, so that one buffer serves every board.
void DrawBoardPicture(QImage& picture, const std::string& name, TBoardEdition edition);
