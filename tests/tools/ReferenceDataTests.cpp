// The reference data the build writes beside the executables: decks, catalogues, pictures and
// report templates, checked as the tool will read them.

#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/BotUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "support/UtilsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int SquareSpacing = TBoardNode::SquareSpacing;
// "Hide Chits" draws nothing above this layer.
constexpr int HideChitsLimit = 100;

std::string Shipped(const std::string& name) { return ExecutableFolder() + name; }

// What SaveToXMLFile puts on disk for a text made by SaveToXMLString.
std::string AsWrittenFile(const std::string& xml)
{
    std::string text;
    for (const std::string& line : SplitLines(xml))
        text += line + "\r\n";
    return text;
}

QImage ReadShippedPicture(const std::string& relativePath, QByteArray* format = nullptr)
{
    QImageReader reader(QString::fromStdString(Shipped(relativePath)));
    // Known only before reading: the reader lets go of the file afterwards.
    if (format)
        *format = reader.format();
    QImage image = reader.read();
    if (image.isNull())
        ADD_FAILURE() << relativePath << ": " << reader.errorString().toStdString();
    return image.convertToFormat(QImage::Format_RGB32);
}

double Luminance(QRgb pixel) { return 0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel); }

// Mean difference per colour channel (0 for equal pictures, 255 for black against white) within
// the disc of the given radius round the picture's middle, which a quarter turn maps onto
// itself, or outside it.
double MeanDifferenceInDisc(const QImage& a, const QImage& b, double radius, bool inside = true)
{
    if (a.size() != b.size())
        return 255;
    const double cx = a.width() / 2.0;
    const double cy = a.height() / 2.0;
    double sum = 0;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if ((std::hypot(x + 0.5 - cx, y + 0.5 - cy) <= radius) != inside)
                continue;
            QRgb p = a.pixel(x, y);
            QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            ++count;
        }
    return count ? sum / (3.0 * count) : 255;
}

double MeanDifference(const QImage& a, const QImage& b) { return MeanDifferenceInDisc(a, b, 1e9); }

QImage QuarterTurned(const QImage& image) { return image.transformed(QTransform().rotate(90)); }

std::vector<TBotType> RobotTypes()
{
    std::vector<TBotType> types;
    for (int t = btHammerBot; t <= btBuzzBomb; ++t)
        types.push_back(static_cast<TBotType>(t));
    return types;
}

bool IsRobotChit(const TChit& chit, const TChitList& list) { return BotTypeOfChitID(chit.ID(), list) != btUnknown; }

// The shipped catalogues, as start-up reads them.
class ShippedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Chits.LoadFromXMLFile(Shipped("Chits.xml"));
        Boards.LoadFromXMLFile(Shipped("Boards.xml"));
    }
    TChitList Chits;
    TBoardList Boards;
};

// ---------------------------------------------------------------------------------------------
// Decks

TEST(ShippedDecksTest, AreByteForByteWhatTheBuildersWrite)
{
    TProgramDeck program;
    BuildProgramCards(program);
    EXPECT_EQ(ReadBytes(Shipped("CoreProgramDeck.xml")), AsWrittenFile(program.SaveToXMLString()));

    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters}) {
        SCOPED_TRACE(OptionDeckFiles[source]);
        TOptionDeck options;
        BuildOptionCards(options, source);
        EXPECT_EQ(ReadBytes(Shipped(OptionDeckFiles[source])), AsWrittenFile(options.SaveToXMLString()));
    }
}

// ---------------------------------------------------------------------------------------------
// Boards

TEST_F(ShippedTest, BoardsAreTheBuiltInTableWithOnlyDescriptionsAdded)
{
    TBoardList table;
    BuildBoardList(table);
    ASSERT_EQ(Boards.Count(), 26);

    // The file is in the writer's own form: loading and saving again gives the same bytes.
    EXPECT_EQ(ReadBytes(Shipped("Boards.xml")), AsWrittenFile(Boards.SaveToXMLString()));

    // Without descriptions nothing differs from the table: same order, paths and default centres.
    for (int i = 0; i < Boards.Count(); ++i)
        Boards.Items(i)->SetDescription("");
    EXPECT_EQ(Boards.SaveToXMLString(), table.SaveToXMLString());
}

TEST_F(ShippedTest, BoardsDescriptionsNameEachBoardAndItsEditionAndItsPictureIsAFullSizeJpeg)
{
    std::set<std::string> seen;
    for (int i = 0; i < Boards.Count(); ++i) {
        const TBoard& board = *Boards.Items(i);
        const std::string& path = board.RelativeFilePath();
        const std::string& description = board.Description();
        SCOPED_TRACE(path);
        // "Images/<edition>/<name>.jpg" must read "<name> (<edition>)", blanks in the name aside.
        std::string folder = path.substr(0, path.rfind('/'));
        std::string edition = folder.substr(folder.rfind('/') + 1);
        std::string stem = path.substr(path.rfind('/') + 1);
        stem.erase(stem.rfind('.'));
        std::string suffix = " (" + edition + ")";
        ASSERT_GT(description.size(), suffix.size());
        EXPECT_EQ(description.substr(description.size() - suffix.size()), suffix);
        std::string name = description.substr(0, description.size() - suffix.size());
        std::erase(name, ' ');
        std::erase(stem, ' ');
        EXPECT_EQ(name, stem);
        EXPECT_TRUE(seen.insert(description).second) << "the pickers would show " << description << " twice";

        QByteArray format;
        QImage picture = ReadShippedPicture(path, &format);
        EXPECT_EQ(format.toStdString(), "jpeg");
        EXPECT_EQ(picture.size(), QSize(1164, 1164));
    }
}

// The shipped catalogue keeps every square at its default centre, so the drawn squares must be
// there: a dark grid line runs the whole board halfway between neighbouring default centres.
TEST_F(ShippedTest, BoardsGridLinesLieHalfwayBetweenTheDefaultCentres)
{
    constexpr double Dark = 45;
    for (int i = 0; i < Boards.Count(); ++i) {
        const std::string& path = Boards.Items(i)->RelativeFilePath();
        SCOPED_TRACE(path);
        QImage picture = ReadShippedPicture(path);
        ASSERT_EQ(picture.width(), 1164);
        const int firstX = TBoardNode::DefaultCenterX(1) - SquareSpacing / 2;
        const int firstY = TBoardNode::DefaultCenterY(1) - SquareSpacing / 2;
        // Share of dark pixels in a part of the squares' area: a column, a row or all of it.
        auto darkShare = [&](int left, int top, int right, int bottom) {
            int dark = 0;
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    dark += Luminance(picture.pixel(x, y)) < Dark;
            return static_cast<double>(dark) / ((right - left) * (bottom - top));
        };
        auto darkInColumn = [&](int x) { return darkShare(x, firstY, x + 1, picture.height()); };
        auto darkInRow = [&](int y) { return darkShare(firstX, y, picture.width(), y + 1); };
        for (int k = 1; k < TBoardNodeList::GridSize; ++k) {
            // Squares k and k + 1 meet between these two pixels.
            int leftOfLine = (TBoardNode::DefaultCenterX(k) + TBoardNode::DefaultCenterX(k + 1)) / 2;
            int aboveLine = (TBoardNode::DefaultCenterY(k) + TBoardNode::DefaultCenterY(k + 1)) / 2;
            EXPECT_GT(std::max(darkInColumn(leftOfLine), darkInColumn(leftOfLine + 1)), 0.95) << "after column " << k;
            EXPECT_GT(std::max(darkInRow(aboveLine), darkInRow(aboveLine + 1)), 0.95) << "after row " << k;
        }
        // Lines on a floor, not a dark picture in which any column would pass for a line.
        EXPECT_LT(darkShare(firstX, firstY, picture.width(), picture.height()), 0.4);
    }
}

// The name and edition are written in the band above the squares, where they hide nothing: light
// lettering on the band's dark frame, running well along it.
TEST_F(ShippedTest, BoardsNameThemselvesInTheBandAboveTheSquares)
{
    const int band = TBoardNode::DefaultCenterY(1) - SquareSpacing / 2 - 1;
    for (int i = 0; i < Boards.Count(); ++i) {
        const std::string& path = Boards.Items(i)->RelativeFilePath();
        SCOPED_TRACE(path);
        QImage picture = ReadShippedPicture(path);
        const double frame = Luminance(picture.pixel(picture.width() - 2, 1));
        EXPECT_LT(frame, 100);
        int first = picture.width();
        int last = -1;
        int top = band;
        int bottom = -1;
        for (int y = 0; y < band; ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (Luminance(picture.pixel(x, y)) > frame + 70) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        EXPECT_GT(last - first, 100);
        EXPECT_GE(bottom - top, 8) << "lettering too small to read";
    }
}

// ---------------------------------------------------------------------------------------------
// Chits

TEST_F(ShippedTest, ChitsEveryRobotHasItsFiveChits)
{
    for (TBotType type : RobotTypes()) {
        for (int s = 0; s < BotChitSuffixCount; ++s) {
            std::string id = BaseChitID(type) + BotChitSuffixes[s];
            SCOPED_TRACE(id);
            const TChit* chit = Chits.FindByID(id);
            ASSERT_NE(chit, nullptr);
            EXPECT_EQ(chit->Description().rfind(BotTypeName(type), 0), 0u) << chit->Description();
            EXPECT_EQ(BotTypeOfChitID(id, Chits), type);
            EXPECT_EQ(chit->IsArchiveMarker(), s == ArchiveSuffixIndex);
        }
    }
}

// The built-in table unchanged, the robots' other chits and the markers added.
TEST_F(ShippedTest, ChitsHoldTheBuiltInTableAndEachIDAndPictureOnce)
{
    TChitList table;
    BuildChitList(table);
    for (int i = 0; i < table.Count(); ++i) {
        const TChit& builtIn = *table.Items(i);
        const TChit* shipped = Chits.FindByID(builtIn.ID());
        ASSERT_NE(shipped, nullptr) << builtIn.ID();
        EXPECT_EQ(shipped->Description(), builtIn.Description());
        EXPECT_EQ(shipped->RelativeFilePath(), builtIn.RelativeFilePath());
        EXPECT_FALSE(shipped->IsCloneable()) << builtIn.ID();
    }
    std::set<std::string> ids;
    std::set<std::string> paths;
    for (int i = 0; i < Chits.Count(); ++i) {
        const TChit& chit = *Chits.Items(i);
        EXPECT_TRUE(ids.insert(chit.ID()).second) << "ID twice: " << chit.ID();
        EXPECT_TRUE(paths.insert(chit.RelativeFilePath()).second) << "picture twice: " << chit.RelativeFilePath();
        EXPECT_FALSE(chit.Description().empty()) << chit.ID();
        EXPECT_FALSE(chit.IsClone()) << chit.ID();
        EXPECT_EQ(chit.ImageSizePercent(), 100) << chit.ID();
    }
    EXPECT_EQ(Chits.Count(), 7 + 9 * BotChitSuffixCount + Chits.CloneableCount());
}

TEST_F(ShippedTest, ChitsOfferMineWallAndPitMarkersToClone)
{
    ASSERT_GE(Chits.CloneableCount(), 3);
    for (int i = 0; i < Chits.CloneableCount(); ++i) {
        const TChit& marker = *Chits.CloneableAt(i);
        EXPECT_FALSE(IsRobotChit(marker, Chits)) << marker.ID();
        EXPECT_FALSE(marker.IsArchiveMarker()) << marker.ID();
        // A clone is named "<ID>_<n>"; an underscore in the template would make its clones ambiguous.
        EXPECT_EQ(marker.ID().find('_'), std::string::npos) << marker.ID();
    }
    for (const char* id : {"Mine", "Wall", "Pit"}) {
        const TChit* chit = Chits.FindByID(id);
        ASSERT_NE(chit, nullptr) << id;
        EXPECT_TRUE(chit->IsCloneable()) << id;
    }
}

// "Hide Chits" keeps the course (floor markers, start, flags) and hides the pieces on it.
TEST_F(ShippedTest, ChitsLayersHideThePiecesAndKeepTheCourse)
{
    int highestFloorMarker = -1;
    int lowestCourse = 1 << 30;
    for (int i = 0; i < Chits.Count(); ++i) {
        const TChit& chit = *Chits.Items(i);
        SCOPED_TRACE(chit.ID());
        if (IsRobotChit(chit, Chits)) {
            EXPECT_GT(chit.DrawLayer(), HideChitsLimit);
        } else {
            EXPECT_GE(chit.DrawLayer(), 0);
            EXPECT_LE(chit.DrawLayer(), HideChitsLimit);
            if (chit.IsCloneable())
                highestFloorMarker = std::max(highestFloorMarker, chit.DrawLayer());
            else
                lowestCourse = std::min(lowestCourse, chit.DrawLayer());
        }
    }
    EXPECT_LT(highestFloorMarker, lowestCourse) << "a pit or wall marker would cover a flag";

    // A robot on the map is drawn over its own archive marker and over any wreck.
    for (TBotType type : RobotTypes()) {
        std::string base = BaseChitID(type);
        int robot = Chits.FindByID(base)->DrawLayer();
        EXPECT_EQ(Chits.FindByID(base + "ShutDown")->DrawLayer(), robot) << base;
        for (TBotType other : RobotTypes()) {
            EXPECT_GT(robot, Chits.FindByID(BaseChitID(other) + "Archive")->DrawLayer()) << base;
            EXPECT_GT(robot, Chits.FindByID(BaseChitID(other) + "Destroyed")->DrawLayer()) << base;
        }
    }
}

TEST_F(ShippedTest, ChitsPicturesDecodeAtAboutTheSizeOfASquare)
{
    for (int i = 0; i < Chits.Count(); ++i) {
        const TChit& chit = *Chits.Items(i);
        SCOPED_TRACE(chit.RelativeFilePath());
        QByteArray format;
        QImage picture = ReadShippedPicture(chit.RelativeFilePath(), &format);
        EXPECT_EQ(format.toStdString(), "jpeg");
        EXPECT_LE(picture.width(), SquareSpacing);
        EXPECT_LE(picture.height(), SquareSpacing);
        if (chit.IsArchiveMarker()) {
            // Up to eight share a square, each pushed 45 pixels out from its centre.
            EXPECT_LE(picture.width(), 45);
            EXPECT_LE(picture.height(), 45);
        } else if (!chit.IsCloneable()) {
            EXPECT_GE(picture.width(), 60);
            EXPECT_GE(picture.height(), 60);
        }
    }
    QImage editorChit = ReadShippedPicture("Images/Bots/Zoom Bot.jpg");
    EXPECT_GE(editorChit.width(), 60);
    EXPECT_LE(editorChit.width(), SquareSpacing);
}

TEST_F(ShippedTest, ChitsRobotsAndTheirStatesLookDifferent)
{
    std::vector<QImage> robots;
    for (TBotType type : RobotTypes()) {
        std::string base = BaseChitID(type);
        SCOPED_TRACE(base);
        QImage normal = ReadShippedPicture(Chits.FindByID(base)->RelativeFilePath());
        // A picture that reads the same upside down would not show which way the robot faces.
        EXPECT_GT(MeanDifference(normal, normal.mirrored(false, true)), 10);
        for (int s = 1; s < ArchiveSuffixIndex; ++s) {
            QImage state = ReadShippedPicture(Chits.FindByID(base + BotChitSuffixes[s])->RelativeFilePath());
            EXPECT_GT(MeanDifference(normal, state), 15) << BotChitSuffixes[s];
        }
        robots.push_back(normal);
    }
    for (std::size_t a = 0; a < robots.size(); ++a)
        for (std::size_t b = a + 1; b < robots.size(); ++b)
            EXPECT_GT(MeanDifference(robots[a], robots[b]), 15) << BaseChitID(RobotTypes()[a]) << " and " << BaseChitID(RobotTypes()[b]);

    for (int a = 1; a <= 6; ++a)
        for (int b = a + 1; b <= 6; ++b)
            EXPECT_GT(MeanDifference(ReadShippedPicture(Format("Images/Flags/Flag%d.jpg", a)),
                          ReadShippedPicture(Format("Images/Flags/Flag%d.jpg", b))),
                1)
                << "flags " << a << " and " << b;
}

// The letters that say whose robot it is read the same at any facing: a quarter turn leaves the
// middle of each robot picture as it was, while the nose and treads still show the facing.
TEST_F(ShippedTest, ChitsRobotLettersReadTheSameAtAnyFacing)
{
    for (TBotType type : RobotTypes()) {
        for (int s = 0; s < ArchiveSuffixIndex; ++s) {
            const std::string id = BaseChitID(type) + BotChitSuffixes[s];
            SCOPED_TRACE(id);
            const QImage picture = ReadShippedPicture(Chits.FindByID(id)->RelativeFilePath());
            ASSERT_EQ(picture.width(), picture.height());
            const QImage turned = QuarterTurned(picture);
            const double middle = picture.width() * 0.34;
            EXPECT_LT(MeanDifferenceInDisc(picture, turned, middle), 6.5);
            EXPECT_GT(MeanDifferenceInDisc(picture, turned, middle, false), 7.5);
        }
    }
}

// An archive marker is small and shown smaller still on a forum: its letters fill it.
TEST_F(ShippedTest, ChitsArchiveMarkerLettersFillTheMarker)
{
    for (TBotType type : RobotTypes()) {
        const std::string id = BaseChitID(type) + BotChitSuffixes[ArchiveSuffixIndex];
        SCOPED_TRACE(id);
        const QImage marker = ReadShippedPicture(Chits.FindByID(id)->RelativeFilePath());
        // The marker's own colour, just inside its edge above the letters; letters stand out of it.
        // Their height is taken across the middle columns, clear of a round marker's rim.
        const int w = marker.width();
        const int h = marker.height();
        const QRgb ground = marker.pixel(w / 2, h / 7);
        auto isLetter = [&](int x, int y) {
            const QRgb p = marker.pixel(x, y);
            return std::abs(qRed(p) - qRed(ground)) + std::abs(qGreen(p) - qGreen(ground)) + std::abs(qBlue(p) - qBlue(ground)) > 200;
        };
        int top = h, bottom = -1, left = w, right = -1;
        for (int y = h / 8 + 1; y < h * 7 / 8; ++y)
            for (int x = w / 8 + 1; x < w * 7 / 8; ++x) {
                if (!isLetter(x, y))
                    continue;
                if (std::abs(2 * x - w) < w * 2 / 5) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
                left = std::min(left, x);
                right = std::max(right, x);
            }
        EXPECT_GE(right - left + 1, w * 6 / 10);
        EXPECT_GE(bottom - top + 1, h * 45 / 100);
    }
}

// ---------------------------------------------------------------------------------------------
// Report templates

// The build copies the kept templates with CR LF line ends (and refuses unknown fields); each
// report needs its own fields.
TEST(ShippedTemplatesTest, AreTheKeptTemplatesWithCrLfAndTheirFields)
{
    // Lexically, so the sample folder need not exist.
    const std::string sources = QDir::cleanPath(QStringLiteral(COGLINE_TEST_DATA "/../../data")).toStdString() + "/";
    const std::pair<const char*, std::vector<std::string>> templates[] = {
        {"PhaseTemplate.txt", {"TurnNbr", "PhaseNbr", "BotProgram", "BotDamage", "Map"}},
        {"TurnTemplate.txt", {"TurnNbr", "Map", "ScoreBoard"}}};
    for (const auto& [name, needed] : templates) {
        SCOPED_TRACE(name);
        std::string text = ReadBytes(Shipped(name));
        // Every line, the last too, ends with CR LF and nothing else: the source's lines joined so.
        EXPECT_EQ(text, AsWrittenFile(ReadBytes(sources + name)));
        EXPECT_EQ(text.find('\x1a'), std::string::npos) << "an end-of-file mark";
        for (const std::string& field : needed)
            EXPECT_NE(text.find("<%" + field + "%>"), std::string::npos) << "missing field <%" << field << "%>";
    }
}

} // namespace
