#pragma once
#include "model/OptionUnt.h"
#include "render/MapPictureUnt.h"

#include <QObject>
#include <QTimer>
#include <QUndoStack>

#include <array>
#include <future>
#include <memory>
#include <string>
#include <vector>

class TBoardList;
class TChitList;
class TGame;
class TProgramDeck;
struct TNewGameSettings;

// What a change touched, so that each window refreshes only what it shows. Flags, combined.
enum TGameChange : unsigned {
    gcNone = 0,
    // Another game was made or opened (or none is open any more): everything is new.
    gcGame = 1u << 0,
    // The robots' hands, registers, options and the like.
    gcBots = 1u << 1,
    // A turn was added.
    gcTurn = 1u << 2,
    // The current or viewed phase of the turn moved.
    gcPhase = 1u << 3,
    // Chits or archive records of a phase, or the layer limit.
    gcChits = 1u << 4,
    // The map layout.
    gcMap = 1u << 5,
    // The program or option deck (card states, draw piles).
    gcDecks = 1u << 6,
    // The game was saved, or its file name changed; nothing in the game did.
    gcFile = 1u << 7,
    // Which robots are in play.
    gcInPlay = 1u << 8,
    // A value a window wrote straight from one of its fields (a name, a number, notes): that
    // window shows it already.
    gcBotFields = 1u << 9,
    gcAll = 0x3ffu,
};
using TGameChanges = unsigned;

// One game master's session: the reference data read at start-up (board catalogue, chit
// catalogue and the decks a new game copies), the one open game, the file it came from and
// whether it changed since. Every window works on the session; none keeps a game of its own.
// Commands change the model and then call MarkChanged with what they touched; the session marks
// the game modified and tells every window through the Changed signal.
class TGameSession : public QObject {
    Q_OBJECT
public:
    explicit TGameSession(QObject* parent = nullptr);
    ~TGameSession() override;

    // ------------------------------------------------------------------ reference data

    // Reads the decks, the board catalogue and the chit catalogue (each the user's own copy when
    // there is one, else the shipped file; see ReferenceFilePath), in that order. The tool works with whatever did load; each file that did not load fully
    // adds a message for the game master (see TakeLoadProblems). Returns the milliseconds the
    // board catalogue took to read.
    int LoadReferenceData();
    // The board and chit catalogues alone; the milliseconds the board catalogue took.
    int LoadCatalogues();
    // Starts reading the two catalogues on a thread of their own, so that the main window builds
    // its controls meanwhile; the next LoadCatalogues takes what was read, as it would have read
    // it itself.
    void StartLoadingCatalogues();
    // The decks a new game copies, read afresh from their files; freed again once a game is made.
    void InitializeUnusedDecks();
    void DestroyUnusedDecks();
    // Messages about reference files that did not load fully, gathered since the last call.
    std::vector<std::string> TakeLoadProblems();

    TBoardList* BoardList() const { return FBoardList.get(); }
    TChitList* ChitList() const { return FChitList.get(); }
    TProgramDeck* UnusedProgramDeck() const { return FUnusedProgramDeck.get(); }
    TOptionDeck* UnusedOptionDeck(TOptionSource source) const;

    // ------------------------------------------------------------------ the open game

    // None until a game is made or opened.
    TGame* Game() const { return FGame.get(); }
    // Makes a game from the settings and the unused decks as they are now (read them first with
    // InitializeUnusedDecks) and makes it the open game: name, lives, flags, a copy of the
    // program deck, the settings' chits and map, the chosen option sets in one shuffled option
    // deck, and the board catalogue.
    void MakeNewGame(const TNewGameSettings& settings);
    // The whole of it: fresh decks from their files, the game, and the decks freed again.
    void NewGame(const TNewGameSettings& settings);
    // Reads the game file into a new game; only when that succeeds does it replace the open
    // game and become the last file name. A file that cannot be read or is damaged raises its
    // error, and the open game stays as it was.
    void OpenGame(const std::string& fileName);
    // Writes the open game to the file (the previous file stays whole when that fails). The
    // last file name stays the one opened.
    void SaveGame(const std::string& fileName);
    // Closes the open game (none afterwards).
    void CloseGame();
    // Deals the open game's next turn (see NextTurn in TurnCycleUnt); the edits of the turn
    // before can no longer be taken back.
    void StartNextTurn();

    // The game file last opened; empty before the first.
    const std::string& LastFileName() const { return FLastFileName; }
    // The file the open game was opened from or last saved to; empty for a game not yet saved.
    const std::string& GameFileName() const { return FGameFileName; }
    // The open game changed since it was made, opened or saved.
    bool Modified() const { return FModified; }

    // Tells the windows what changed; any change but gcFile marks the game modified.
    void MarkChanged(TGameChanges what);

    // ------------------------------------------------------------------ recovery

    // Where the open game's unsaved changes are kept: beside its file ("<file>.recovery"), or,
    // for a game never saved, a game file named after it in the per-user folder's "Recovery"
    // folder. Empty without a game.
    std::string RecoveryFileName() const;
    // Writes the open game to its recovery file when it has changes the recovery file lacks;
    // the game file itself is never touched. The game's text is copied here; compressing and
    // writing it run on a thread of their own, so that the game master never waits for the
    // disk. Windows call it after each step worth keeping (Next Phase, Next Turn, a pasted
    // program); a timer calls it two minutes after the first change it has not kept. False
    // when there was nothing to write.
    bool Autosave();
    // Waits for a recovery write still running. The error of the last write that failed, or
    // empty; the next write that succeeds clears it.
    std::string FinishAutosave();
    // The wait of the timed write (AutosaveIntervalMs); tests shorten it.
    void SetAutosaveInterval(int milliseconds) { FAutosaveTimer.setInterval(milliseconds); }
    // Removes the recovery files the open game has had under this session, once a write still
    // running has ended: when it is saved, or closed without saving.
    void DiscardRecovery();
    // Opens a recovery file as the game it keeps: modified, with the game file it belongs to
    // (none for a game never saved), so that Save writes that file and removes the recovery.
    void RecoverGame(const std::string& recoveryFile, const std::string& gameFile);

    // The drawing of map pictures for every window of this session.
    TMapRenderer& Renderer() { return FRenderer; }

    // The history of edits that can be taken back (the process-turn window's chit edits). A
    // command pushed here applies and reverts through the model's own operations; whatever ends
    // a stretch of editing (the next phase, the next turn, another game) clears it.
    QUndoStack& UndoStack() { return FUndoStack; }

signals:
    void Changed(TGameChanges what);
    // A recovery write has ended; error is empty when it succeeded.
    void Autosaved(const QString& error);

private:
    struct TCatalogues {
        std::unique_ptr<TBoardList> Boards;
        std::unique_ptr<TChitList> Chits;
        std::vector<std::string> Problems;
        int Milliseconds = 0;
    };
    // Touches nothing but what it makes: it may run on another thread.
    static TCatalogues ReadCatalogues(const std::string& boardsFile, const std::string& chitsFile);
    void ReplaceGame(std::unique_ptr<TGame> game);

    std::unique_ptr<TBoardList> FBoardList;
    std::unique_ptr<TChitList> FChitList;
    std::unique_ptr<TProgramDeck> FUnusedProgramDeck;
    std::array<std::unique_ptr<TOptionDeck>, 3> FUnusedOptionDecks;
    std::unique_ptr<TGame> FGame;
    std::string FLastFileName;
    std::string FGameFileName;
    bool FModified = false;
    std::vector<std::string> FLoadProblems;
    std::future<TCatalogues> FCataloguesRead;
    TMapRenderer FRenderer;
    QUndoStack FUndoStack;
    // The recovery file holds every change made so far.
    bool FRecoveryCurrent = true;
    // The recovery files written for the open game (its name moves with Save As).
    std::vector<std::string> FRecoveryFiles;
    std::future<std::string> FRecoveryWrite;
    std::string FAutosaveError;
    QTimer FAutosaveTimer;
};

// Where the recovery files of games never saved go: "Recovery/" in the per-user folder.
std::string RecoveryFolder();

// The interval of the timed recovery write.
inline constexpr int AutosaveIntervalMs = 2 * 60 * 1000;
