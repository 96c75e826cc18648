// The sample game the build writes beside the reference data: a real game in progress, made the
// same way every time, and the copy an installed program opens.
#include "session/SampleGameUnt.h"

#include "model/BotArchiveUnt.h"
#include "model/BotUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "model/ProgramUnt.h"
#include "model/TurnUnt.h"
#include "support/FilePlacesUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "session/GameSessionUnt.h"
#include "session/TurnCycleUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <set>
#include <string>
#include <tuple>

namespace {

// Where a chit stands, comparable: placed board, square.
using TPlace = std::tuple<std::string, int, int>;

TPlace PlaceOf(const TChit& chit) { return {chit.UsedBoardID(), chit.X(), chit.Y()}; }

// The build's own folder, where the reference data and the sample lie.
std::string BuildFolder() { return QCoreApplication::applicationDirPath().toStdString() + "/"; }

class BuiltSampleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Session.LoadReferenceData();
        ASSERT_TRUE(Session.TakeLoadProblems().empty());
    }
    // Points the tool's folders at the build for as long as the test runs.
    TExecutableFolderScope Folder {BuildFolder()};
    TGameSession Session;
};

TEST_F(BuiltSampleTest, TheBuiltSampleIsAGameInProgressPlayedThroughEveryPhase)
{
    Session.OpenGame(BuildFolder() + SampleGameFileName);
    TGame& game = *Session.Game();
    EXPECT_EQ(game.GameName(), SampleGameName);
    ASSERT_EQ(game.UsedBoardList()->Count(), 4);
    EXPECT_EQ(game.UsedBoardList()->ColCount(), 2);
    EXPECT_EQ(game.UsedBoardList()->RowCount(), 2);
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(game.UsedBoardList()->Items(i)->Board(), nullptr) << "placed board " << i << " is in the catalogue";

    // Four robots with players, their answers kept in their notes turn by turn.
    TBotList& bots = *game.BotList();
    ASSERT_EQ(bots.InUseCount(), 4);
    for (int n = 0; n < 4; ++n) {
        const TBot& bot = *bots.InUseBot(n);
        EXPECT_FALSE(bot.PlayerName().empty());
        for (int turn = 1; turn <= SampleTurnsPlayed + (n < SampleProgramsIn ? 1 : 0); ++turn)
            EXPECT_NE(bot.GameNotes().find(Format("Turn %d (copy/paste)", turn)), std::string::npos) << bot.BotTypeName();
        // The last turn is dealt: the first players have answered, the others not yet.
        EXPECT_EQ(ProgramIsIn(bot), n < SampleProgramsIn) << bot.BotTypeName();
    }

    // Every played turn went through phase 5; the next one waits at its start.
    ASSERT_EQ(game.TurnCount(), SampleTurnsPlayed + 1);
    EXPECT_EQ(game.CurrentPhaseNumber(), 0);
    bool someRobotTouchedAFlag = false;
    std::map<std::string, std::set<TPlace>> placesOfRobot;
    for (int t = 0; t < SampleTurnsPlayed; ++t) {
        TTurn& turn = *game.TurnList()->Turns(t);
        EXPECT_EQ(turn.CurrentPhaseNumber(), 5) << "turn " << t + 1;
        for (int p = 0; p <= 5; ++p) {
            const TPhase& phase = *turn.PhaseByNumber(p);
            ASSERT_NE(phase.ChitList(), nullptr);
            ASSERT_NE(phase.ArchiveList(), nullptr);
            std::set<TPlace> occupied;
            for (int n = 0; n < 4; ++n) {
                const TBot& bot = *bots.InUseBot(n);
                const std::string where = Format("turn %d phase %d %s", t + 1, p, bot.BotTypeName().c_str());
                const TChit* chit = phase.ChitList()->FindBotChit(BaseChitID(bot.BotType()));
                ASSERT_TRUE(chit && chit->IsOnMap() && !chit->IsArchiveMarker()) << where;
                placesOfRobot[bot.BotTypeName()].insert(PlaceOf(*chit));
                // Robots push each other: no two end a phase on one square.
                EXPECT_TRUE(occupied.insert(PlaceOf(*chit)).second) << where;
                // The archive is set, and the robot's marker shows it.
                const TBotArchive* archive = phase.ArchiveList()->FindByBotType(bot.BotType());
                ASSERT_TRUE(archive && archive->IsSet()) << where;
                const TChit* marker = phase.ChitList()->FindByID(BaseChitID(bot.BotType()) + "Archive");
                ASSERT_NE(marker, nullptr) << where;
                EXPECT_EQ(PlaceOf(*marker), TPlace(archive->UsedBoardID(), archive->X(), archive->Y())) << where;
            }
        }
    }
    const TPhase& last = *game.TurnList()->Turns(SampleTurnsPlayed - 1)->PhaseByNumber(5);
    for (int n = 0; n < 4; ++n) {
        const TBot& bot = *bots.InUseBot(n);
        EXPECT_GE(placesOfRobot[bot.BotTypeName()].size(), 5u) << bot.BotTypeName() << " moved about";
        if (bot.FlagTouched() < 1)
            continue;
        // A robot that touched its flag has its archive there, unless it touched a later one.
        someRobotTouchedAFlag = true;
        const TChit* flag = last.ChitList()->FindByID(Format("Flag%d", bot.FlagTouched()));
        const TBotArchive* archive = last.ArchiveList()->FindByBotType(bot.BotType());
        ASSERT_TRUE(flag && archive);
        EXPECT_EQ(PlaceOf(*flag), TPlace(archive->UsedBoardID(), archive->X(), archive->Y())) << bot.BotTypeName();
    }
    EXPECT_TRUE(someRobotTouchedAFlag);
    // A marker placed with "Add Chit" stays on the map into the last phase.
    int markers = 0;
    for (int i = 0; i < last.ChitList()->Count(); ++i)
        markers += last.ChitList()->Items(i)->IsClone() && last.ChitList()->Items(i)->IsOnMap() ? 1 : 0;
    EXPECT_EQ(markers, 1);

    // The cards are where a real game has them: each card dealt or programmed is in exactly one
    // hand, and each hand is as large as the deal allows.
    TProgramDeck& deck = *game.ProgramDeck();
    std::map<std::string, int> holders;
    for (int n = 0; n < 4; ++n) {
        const TBot& bot = *bots.InUseBot(n);
        EXPECT_EQ(bot.Hand()->Count(), bot.MaxCards() - std::min(bot.Damage(), 4)) << bot.BotTypeName();
        for (int i = 0; i < bot.Hand()->Count(); ++i)
            ++holders[bot.Hand()->Refs(i)->ID()];
    }
    for (int i = 0; i < deck.Count(); ++i) {
        const TCard& card = *deck.Cards(i);
        const bool held = card.CardState() == csDealt || card.CardState() == csRegisterProgrammed;
        EXPECT_EQ(holders[card.ID()], held ? 1 : 0) << card.ID();
    }
}

// Made again in this process, the sample is the file the build wrote, whatever ran before: its
// shuffles follow its own seed, and the file keeps all of it.
TEST_F(BuiltSampleTest, PlayingAgainGivesTheShippedGame)
{
    Session.OpenGame(BuildFolder() + SampleGameFileName);
    const std::string shipped = Session.Game()->SaveToXMLString();
    TGameSession again;
    again.LoadReferenceData();
    // As the tool is seeded at its start.
    Randomize();
    PlaySampleGame(again);
    EXPECT_EQ(again.Game()->SaveToXMLString(), shipped);
    EXPECT_EQ(again.UndoStack().count(), 0);
}

// Which sample File > Open Sample Game opens, and whether a copy is made first.
TEST(SampleGameToOpen, AnInstalledProgramOpensTheUsersOwnCopyMadeOnce)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string data = dir.path().toStdString() + "/data/";
    const std::string user = dir.path().toStdString() + "/user/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(data)) && QDir().mkpath(QString::fromStdString(user)));
    struct TCase {
        const char* Name;
        bool Installed;
        bool Shipped;
        // The user's copy there before, with this content.
        const char* UserCopy;
        // What is opened, relative to the temporary folder; empty for nothing.
        std::string Opened;
        const char* OpenedContent;
    };
    const TCase cases[] = {
        {"build tree", false, true, nullptr, "data/", "shipped"},
        {"build tree without a sample", false, false, nullptr, "", nullptr},
        {"installed, first time", true, true, nullptr, "user/", "shipped"},
        {"installed, played on", true, true, "played on", "user/", "played on"},
        {"installed without a sample", true, false, nullptr, "", nullptr},
    };
    for (const TCase& c : cases) {
        QFile::remove(QString::fromStdString(data + SampleGameFileName));
        QFile::remove(QString::fromStdString(user + SampleGameFileName));
        if (c.Shipped) {
            WriteBytes(data + SampleGameFileName, "shipped");
            // Installed files are read-only; the user's copy must not be.
            QFile::setPermissions(QString::fromStdString(data + SampleGameFileName), QFileDevice::ReadOwner);
        }
        if (c.UserCopy)
            WriteBytes(user + SampleGameFileName, c.UserCopy);
        SetFilePlaces({data, c.Installed ? user : data});
        EXPECT_EQ(SampleGameAvailable(), !c.Opened.empty()) << c.Name;
        const std::string opened = SampleGameToOpen();
        if (c.Opened.empty()) {
            EXPECT_EQ(opened, "") << c.Name;
            continue;
        }
        EXPECT_EQ(opened, dir.path().toStdString() + "/" + c.Opened + SampleGameFileName) << c.Name;
        EXPECT_EQ(ReadBytes(opened), c.OpenedContent) << c.Name;
        EXPECT_TRUE(QFileInfo(QString::fromStdString(opened)).isWritable() || !c.Installed) << c.Name;
        if (c.Shipped) {
            EXPECT_EQ(ReadBytes(data + SampleGameFileName), "shipped") << c.Name;
        }
    }
    SetFilePlaces({});
}

} // namespace
