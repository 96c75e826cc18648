// The edits of a phase as steps of the undo history: each gives back the exact saved phase
// before and after, draws only its chit where it can, and leaves no step when nothing changed.
#include "session/ProcessTurnCommandsUnt.h"
#include "session/ProcessTurnRulesUnt.h"
#include "session/ProcessFixture.h"

#include <QUndoStack>

#include <functional>

namespace {

// Stands for the window: it shows the map of a phase and notes what the edits asked of it.
class TRecordingTarget : public TPhaseEditTarget {
public:
    explicit TRecordingTarget(TGameSession& session)
        : TPhaseEditTarget(session)
        , FSession(session)
    {
    }

    QImage* BeginChitEdit(int turnIndex, int phaseNumber, TChit&) override
    {
        Calls.push_back("begin");
        if (Map.isNull())
            Map = FSession.Renderer().BuildMapPicture(*FSession.Game(), turnIndex, phaseNumber);
        return &Map;
    }
    void EndChitEdit(TChit& chit, const QRect&) override { Calls.push_back("end " + chit.ID()); }
    void PhaseEdited(int, int phaseNumber, bool redraw) override
    {
        Calls.push_back(Format("phase %d%s", phaseNumber, redraw ? " redrawn" : ""));
    }
    void MarkerAdded(const std::string& chitID) override { Calls.push_back("added " + chitID); }
    void MarkerRemoved(const std::string& chitID) override { Calls.push_back("removed " + chitID); }

    QImage Map;
    std::vector<std::string> Calls;

private:
    TGameSession& FSession;
};

} // namespace

class ProcessCommandTest : public ProcessTest {
protected:
    QUndoStack& History() { return Session.UndoStack(); }
};

TEST_F(ProcessCommandTest, UndoAndRedoOfEveryEditGiveBackTheExactPhase)
{
    TGameSession& session = Session;
    auto edit = [&session](const char* id, TChitEdit kind, QPoint delta = QPoint()) {
        return [&session, id, kind, delta]() -> QUndoCommand* { return new TChitEditCommand(session, id, kind, delta); };
    };
    auto robotAt = [this](int bx, int by, int x, int y) { return [this, bx, by, x, y] { Place("ZoomBot", bx, by, x, y); }; };
    // What the edit is, how the phase is set up for it and the step that makes it.
    const std::vector<std::tuple<const char*, std::function<void()>, std::function<QUndoCommand*()>>> cases = {
        {"drop from off the map", [] {}, [&session] { return TPlaceChitCommand::Drop(session, "ZoomBot", "1_0", 3, 4); }},
        {"drop on another square", robotAt(0, 0, 5, 5),
            [&session] { return TPlaceChitCommand::Drop(session, "ZoomBot", "0_1", 7, 2); }},
        {"drop off the map", robotAt(0, 0, 5, 5),
            [&session] { return TPlaceChitCommand::Drop(session, "ZoomBot", "", -1, -1); }},
        {"move north", robotAt(0, 0, 5, 5), edit("ZoomBot", ceMoveNorth)},
        {"move south onto the board below", robotAt(0, 0, 5, 12), edit("ZoomBot", ceMoveSouth)},
        {"move west off the map", robotAt(0, 0, 1, 5), edit("ZoomBot", ceMoveWest)},
        {"move east onto the next board", robotAt(0, 0, 12, 5), edit("ZoomBot", ceMoveEast)},
        {"turn left", robotAt(0, 0, 5, 5), edit("ZoomBot", ceRotateLeft)},
        {"turn right", robotAt(0, 0, 5, 5), edit("ZoomBot", ceRotateRight)},
        {"size", robotAt(0, 0, 5, 5), edit("ZoomBot", ceSize, QPoint(150, 0))},
        {"nudge", robotAt(0, 0, 5, 5), edit("ZoomBot", ceTweak, QPoint(0, -1))},
        {"centre", [this] { Place("ZoomBot", 0, 0, 5, 5)->Tweak(3, 1); }, edit("ZoomBot", ceTweak, QPoint(-3, -1))},
        {"set a new archive", robotAt(1, 0, 3, 4), [&session] { return new TSetArchiveCommand(session, "ZoomBot"); }},
        {"set an archive again",
            [this] {
                SetArchive(*Viewed(), *Place("ZoomBot", 1, 0, 3, 4));
                Chit("ZoomBot")->MoveEast();
            },
            [&session] { return new TSetArchiveCommand(session, "ZoomBot"); }},
        {"set the archive of a robot without a marker", [this] { Place("Twonky", 0, 0, 6, 6); },
            [&session] { return new TSetArchiveCommand(session, "Twonky"); }},
        {"move to the archive",
            [this] {
                SetArchive(*Viewed(), *Place("ZoomBot", 1, 0, 3, 4));
                Chit("ZoomBot")->MoveSouth();
            },
            [&session] { return TPlaceChitCommand::MoveToArchive(session, "ZoomBot"); }},
        {"add a marker", [] {}, [&session] { return new TAddMarkerCommand(session, "Pit", "0_1", 4, 4); }},
        {"add a second marker", [this] { AddMarker(*Viewed(), *Game->UsedBoardList(), "Pit", TMapPlace {"0_0", 2, 2}); },
            [&session] { return new TAddMarkerCommand(session, "Pit", "0_0", 2, 2); }},
    };
    for (const auto& [name, arrange, make] : cases) {
        SCOPED_TRACE(name);
        StartGame();
        GoToPhase(2, 2);
        arrange();
        History().clear();
        const std::string before = PhaseXML();
        const std::string earlier = Game->CurrentTurn()->PhaseByNumber(1)->SaveToXMLString();
        History().push(make());
        ASSERT_EQ(History().count(), 1);
        const std::string after = PhaseXML();
        EXPECT_NE(after, before);
        History().undo();
        EXPECT_EQ(PhaseXML(), before);
        History().redo();
        EXPECT_EQ(PhaseXML(), after);
        History().undo();
        EXPECT_EQ(PhaseXML(), before);
        // The other phases stay as they were.
        EXPECT_EQ(Game->CurrentTurn()->PhaseByNumber(1)->SaveToXMLString(), earlier);
    }
}

TEST_F(ProcessCommandTest, AnEditThatChangesNothingIsNoStepAndSizeChangesInARowAreOne)
{
    Place("ZoomBot", 0, 0, 5, 5);
    const std::string before = PhaseXML();
    History().push(new TChitEditCommand(Session, "ZoomBot", ceSize, QPoint(100, 0)));
    History().push(new TChitEditCommand(Session, "Twonky", ceMoveEast)); // off the map
    History().push(TPlaceChitCommand::Drop(Session, "ZoomBot", "0_0", 5, 5));
    History().push(TPlaceChitCommand::MoveToArchive(Session, "ZoomBot")); // no archive
    History().push(new TSetArchiveCommand(Session, "Start")); // no robot
    History().push(new TAddMarkerCommand(Session, "Flag1", "0_0", 5, 5)); // no template
    History().push(new TChitEditCommand(Session, "Nothing", ceMoveEast));
    EXPECT_EQ(History().count(), 0);
    EXPECT_EQ(PhaseXML(), before);

    for (int percent : {1, 15, 150})
        History().push(new TChitEditCommand(Session, "ZoomBot", ceSize, QPoint(percent, 0)));
    EXPECT_EQ(History().count(), 1);
    EXPECT_EQ(Chit("ZoomBot")->ImageSizePercent(), 150);
    History().undo();
    EXPECT_EQ(Chit("ZoomBot")->ImageSizePercent(), 100);
    History().redo();
    EXPECT_EQ(Chit("ZoomBot")->ImageSizePercent(), 150);
    // Another chit's size is a step of its own.
    Place("HammerBot", 0, 0, 6, 6);
    History().push(new TChitEditCommand(Session, "HammerBot", ceSize, QPoint(50, 0)));
    EXPECT_EQ(History().count(), 2);
}

TEST_F(ProcessCommandTest, ChitEditsDrawOnlyTheChitAndOtherEditsRedrawTheMap)
{
    TRecordingTarget target(Session);
    Place("ZoomBot", 0, 0, 5, 5);
    target.Map = Session.Renderer().BuildMapPicture(*Game, 0, 0);
    const QPoint from = MapPixel(0, 0, 5, 5);
    const QPoint to = MapPixel(0, 0, 6, 5);
    ASSERT_EQ(target.Map.pixel(from), ZoomBotColour);

    History().push(new TChitEditCommand(Session, "ZoomBot", ceMoveEast));
    EXPECT_EQ(target.Map.pixel(from), BoardA);
    EXPECT_EQ(target.Map.pixel(to), ZoomBotColour);
    History().undo();
    EXPECT_EQ(target.Map.pixel(from), ZoomBotColour);
    EXPECT_EQ(target.Map.pixel(to), BoardA);
    EXPECT_EQ(target.Calls, (std::vector<std::string> {"begin", "end ZoomBot", "begin", "end ZoomBot"}));

    target.Calls.clear();
    History().push(new TAddMarkerCommand(Session, "Pit", "0_0", 2, 2));
    History().undo();
    History().push(new TSetArchiveCommand(Session, "ZoomBot"));
    History().push(TPlaceChitCommand::Drop(Session, "Twonky", "0_0", 1, 1));
    History().push(new TSetArchiveCommand(Session, "Twonky")); // no marker: the labels alone change
    EXPECT_EQ(target.Calls, (std::vector<std::string> {"added Pit_1", "phase 0 redrawn", "removed Pit_1",
                                "phase 0 redrawn", "phase 0 redrawn", "phase 0 redrawn", "phase 0"}));
}

TEST_F(ProcessCommandTest, WithoutAWindowTheEditsTellTheSessionAndEditsOfAGameThatWentDoNothing)
{
    Place("ZoomBot", 0, 0, 5, 5);
    std::vector<TGameChanges> changes;
    QObject::connect(&Session, &TGameSession::Changed, [&changes](TGameChanges what) { changes.push_back(what); });
    History().push(new TChitEditCommand(Session, "ZoomBot", ceMoveEast));
    History().push(TPlaceChitCommand::Drop(Session, "ZoomBot", "", -1, -1));
    History().undo();
    EXPECT_EQ(changes, (std::vector<TGameChanges> {gcChits, gcChits, gcChits}));
    EXPECT_TRUE(Session.Modified());
    EXPECT_EQ(Chit("ZoomBot")->X(), 6);

    // Kept elsewhere, a step outlives the game it was made for.
    QUndoStack other;
    other.push(new TChitEditCommand(Session, "ZoomBot", ceMoveEast));
    Session.CloseGame();
    EXPECT_EQ(History().count(), 0);
    other.undo();
    other.redo();
    EXPECT_EQ(Session.Game(), nullptr);
}
