#pragma once
#include "model/ChitUnt.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QUndoCommand>

#include <functional>
#include <optional>
#include <string>

class TBotArchive;
class TGameSession;
class TPhase;

// The edits of a phase in the process-turn window, each one step of the session's undo
// history. A command names its phase by turn index and phase number and its chit by ID, and
// finds them again each time it runs, so it never holds a pointer into a game.

// Whoever shows the phase: a single-chit edit draws on its full-scale map picture, any other
// edit has it draw the map again. While a process-turn window is open its target is a child of
// the session, and the commands find it there each time they run; without one (no window is
// open) they change the model and tell the session.
class TPhaseEditTarget : public QObject {
    Q_OBJECT
public:
    // Becomes a child of the session for as long as it lives.
    explicit TPhaseEditTarget(TGameSession& session);
    // Shows that phase of that turn when another is shown, and returns the full-scale picture
    // shown, to draw the edit on; none when there is no picture.
    virtual QImage* BeginChitEdit(int turnIndex, int phaseNumber, TChit& chit) = 0;
    // The chit is changed, and the part of the picture given is drawn anew (none when no
    // picture was given).
    virtual void EndChitEdit(TChit& chit, const QRect& redrawn) = 0;
    // Anything else changed in the phase: it is shown, and drawn again when redraw is set.
    virtual void PhaseEdited(int turnIndex, int phaseNumber, bool redraw) = 0;
    // A marker added with "Add Chit" came or went.
    virtual void MarkerAdded(const std::string& chitID) = 0;
    virtual void MarkerRemoved(const std::string& chitID) = 0;
};

// What an edit changes of a chit, kept to put it back exactly: square, both references (or
// their absence), size, nudge and facing.
struct TChitState {
    int X = -1;
    int Y = -1;
    std::optional<std::string> BoardID;
    std::optional<std::string> UsedBoardID;
    int SizePercent = 100;
    int ShiftX = 0;
    int ShiftY = 0;
    TChitFacing Facing = cfNorth;

    static TChitState Of(const TChit& chit);
    void ApplyTo(TChit& chit) const;
    bool operator==(const TChitState& other) const = default;
};

// The edits drawn on the shown picture, one chit only.
enum TChitEdit { ceMoveNorth, ceMoveSouth, ceMoveWest, ceMoveEast, ceRotateLeft, ceRotateRight, ceTweak, ceSize };

class TPhaseEditCommand : public QUndoCommand {
public:
    // The phase is the viewed phase of the session's current turn.
    TPhaseEditCommand(TGameSession& session, const QString& text);

    int TurnIndex() const { return FTurnIndex; }
    int PhaseNumber() const { return FPhaseNumber; }

protected:
    TPhase* Phase() const;
    TChit* FindChit(const std::string& id) const;
    // The open window's target, if any.
    TPhaseEditTarget* Target() const;
    // The phase shown again (and drawn again when redraw is set), the session told.
    void FinishPhaseEdit(bool redraw = true);

    TGameSession& FSession;
    int FTurnIndex = -1;
    int FPhaseNumber = -1;
};

// A move, turn, nudge or size change of one chit: drawn on the shown picture, taken back by
// putting the chit's state back.
class TChitEditCommand : public TPhaseEditCommand {
public:
    // delta: the nudge of ceTweak; its x is the percent of ceSize.
    TChitEditCommand(TGameSession& session, const std::string& chitID, TChitEdit edit,
        QPoint delta = QPoint());

    void redo() override;
    void undo() override;
    // Changes of the size box follow each other keystroke by keystroke: one step for them all.
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

private:
    void Apply(TChit& chit);
    // Makes the change and draws what it changed on the shown picture.
    void Change(TChit& chit, const std::function<void()>& change);

    std::string FChitID;
    TChitEdit FEdit;
    QPoint FDelta;
    std::optional<TChitState> FBefore;
};

// A chit put on a square or taken off the map (a drop, "Move To" of the archive). The map is
// drawn again.
class TPlaceChitCommand : public TPhaseEditCommand {
public:
    // An empty used-board ID takes the chit off the map.
    static TPlaceChitCommand* Drop(TGameSession& session, const std::string& chitID,
        const std::string& usedBoardID, int x, int y);
    // To the archive square of the chit's robot; the square is read when the command runs.
    static TPlaceChitCommand* MoveToArchive(TGameSession& session, const std::string& chitID);

    void redo() override;
    void undo() override;

private:
    TPlaceChitCommand(TGameSession& session, const QString& text, std::string chitID);

    std::string FChitID;
    bool FToArchive = false;
    std::string FUsedBoardID;
    int FX = -1;
    int FY = -1;
    std::optional<TChitState> FBefore;
};

// "Set": the chit's square becomes its robot's archive, and the robot's archive marker goes there.
class TSetArchiveCommand : public TPhaseEditCommand {
public:
    TSetArchiveCommand(TGameSession& session, const std::string& chitID);

    void redo() override;
    void undo() override;

private:
    std::string FChitID;
    bool FDone = false;
    // The robot's record as it was; none when it had none (undo removes the new one).
    bool FHadRecord = false;
    std::string FRecordUsedBoardID;
    int FRecordX = -1;
    int FRecordY = -1;
    std::string FMarkerID;
    std::optional<TChitState> FMarkerBefore;
};

// "Add Chit": a numbered copy of a template on a square.
class TAddMarkerCommand : public TPhaseEditCommand {
public:
    TAddMarkerCommand(TGameSession& session, const std::string& templateID,
        const std::string& usedBoardID, int x, int y);

    void redo() override;
    void undo() override;
    // The new marker's ID once it was added.
    const std::string& MarkerID() const { return FMarkerID; }

private:
    std::string FTemplateID;
    std::string FUsedBoardID;
    int FX;
    int FY;
    std::string FMarkerID;
};
