#pragma once
#include "model/BotUnt.h"
#include "session/DesktopRulesUnt.h"
#include "session/GameSessionUnt.h"
#include "windows/ProgramWidgetsUnt.h"

#include <QMainWindow>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QCommandLinkButton;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QKeyEvent;
class QToolBar;
class QToolButton;
class QWidget;

class TCardRefList;
class TDragCard;
class TfrmProcessTurn;

class TBot;
class TGame;
class TOptionCard;
struct TNewGameSettings;

// The tool's main window: the bots in play and the selected bot's fields on the left, its
// program, options and notes on the right, the game, deck and view commands in the menus. The
// session holds the reference data and the open game; the window changes the game through its
// commands and refills its controls from the session's change signal.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(TGameSession& session, QWidget* parent = nullptr);
    ~TfrmMain() override;

    TGameSession& Session() const { return FSession; }

    // The handler of every error that no command catches: logs it, shows it, and the tool goes on.
    void OnApplicationError(QObject* sender, const std::exception& error);

    // Refreshes the whole window from a game, or to the state without one.
    void UpdateWithGameData(TGame* game);
    void UpdateMenuItems(TGame* game);
    TBot* GetSelectedBot();

    // Enables or disables a control; a disabled field shows the button face as background.
    void SetControlEnabled(QWidget* control, bool enabled);
    void SetControlEnabledVisualOnly(QWidget* control, bool enabled);
    void SetBotFieldsEnabled(bool enable);
    void SetBotOptionFieldsEnabled(bool enable);

    // The game commands, as the menus run them.
    void NewGame(TNewGameSettings& settings);
    void NextTurn();
    // Opens the game file in place of the open game (nothing changes when it does not open: the
    // error is raised).
    // Offers the unsaved changes a recovery file keeps of it first; the game file opens when
    // there are none or the game master discards them.
    void OpenGameFile(const std::string& fileName);
    // The game file named on the command line: a file that does not open is reported as Open
    // Game reports it, and the tool goes on without a game.
    void OpenGameAtStart(const std::string& fileName);
    // Without a game named on the command line: offers the newest unsaved changes kept for
    // recovery (of a recent game or of a game never saved).
    void OfferRecoveryAtStart();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    // The page shown without a game: how to begin, the sample and the recent games.
    QWidget* CreateStartPage();
    void UpdateStartPage(TGame* game);
    QWidget* CreateBotPanel();
    QWidget* CreateProgramTab();
    QWidget* CreateOptionsTab();
    QWidget* CreateNotesTab();
    void CreateMenus();
    void ConnectControls();
    void ConnectProgramTab();
    QToolButton* AddToolButton(QToolBar* bar, const QString& name, int imageIndex);
    void EnableCommand(QAction* command, bool allowed);
    void SetCommandControlEnabled(QWidget* control, bool allowed);
    // Runs a command of a control or menu item; an error reaches OnApplicationError.
    void Run(QObject* sender, const std::function<void()>& command);
    // Refills what a change of the game touched.
    void SessionChanged(TGameChanges what);
    // Whether the open game's unsaved changes may go: saved first or dropped on the game
    // master's say; false when they choose to keep the game open.
    bool ConfirmDiscardChanges();
    // Asks for a file name and saves; false when cancelled.
    bool SaveGameAs();
    // Saves to the game's file without asking once it has one; false when cancelled.
    bool SaveGameToItsFile();
    void mniSaveGameAsClick();
    void mniOpenSampleGameClick();
    // The title with the game, its file and the modified mark.
    void UpdateCaption();
    // The recent games: the file of the open game put first when it changed, the menu refilled
    // with the files still there, and a word in the status bar about those dropped.
    void RememberRecentGame();
    void FillRecentGames();
    void OpenRecentGame(const std::string& fileName);
    // Recover opens the changes as the modified game (true); Discard deletes the recovery file.
    bool OfferRecovery(const TRecoveryOffer& offer);
    // Help: what the tool is and where its files live; the open game's folder in the file manager.
    void mniAboutClick();
    void mniOpenGameFolderClick();
    QAction* mniAbout = nullptr;
    QAction* mniOpenGameFolder = nullptr;
    std::string FRememberedFile;
    // The open and save dialogs start from the game file last opened.
    struct TFileDialogSetup GameFileDialogSetup() const;
    TGame* Game() const { return FSession.Game(); }
    // The option of the selected line of the option list, or none.
    TOptionCard* GetSelectedOption();

    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormDestroy();
    void InitializeUnusedDecks();
    void DestroyUnusedDecks();
    void InitializeLookupFields();
    // Tells the game master about every reference file that did not load, in one message.
    void ReportLoadProblems();

    void UpdateTurn(TGame* game);
    void UpdateFlagItems(TGame* game);
    void UpdateBotsInPlay(TGame* game);
    // The mark beside each robot in play: its program for the turn is in or not.
    void UpdateBotsInPlayMarks(TGame* game);
    void UpdateSelectedBot(TGame* game, bool forced);
    void UpdateRegisters();
    void UpdateRegisterText(int n);
    void UpdateRegisterButtons(int n);
    void UpdateRegisterOther();
    void UpdateBarRegisterOther();
    void SetRegisterToolBarToDefault(QToolBar* bar);
    void SetRegisterToolBarForCard(QToolBar* bar, const TRegisterBarState& state);
    void UpdateProgramCards(TGame* game);
    void UpdateOptionCards(TGame* game);
    void UpdateOptionButtons(TGame* game);
    void UpdateOptionData(TGame* game);
    void UpdateNotes();
    void UpdateBuzzBombMenuItems();
    void UdpateMakePMsMenuItem();

    // Game, deck and view commands
    void mniNewGameClick();
    void mniOpenGameClick();
    void mniSaveGameClick();
    void mniAddBotClick();
    void mniNextTurnClick();
    void btnNewTurnClick();
    void mniAddBuzzBombClick();
    void mniDeleteBuzzBombClick();
    void AddBuzzBomb(TGame* game);
    void DeleteBuzzBomb(TGame* game);
    void mniShuffleProgramCardsClick();
    void mniShuffleOptionCardsClick();
    void mniExitClick();

    // Bot commands and fields
    void lstBotsInPlayMouseUp();
    void lstBotsInPlayKeyUp();
    void btnNewHandClick();
    void btnTradeHandClick();
    void CopyProgramRefList(TGame* game, TCardRefList& from, TCardRefList& to);
    void edtPlayerNameChange();
    void edtLivesChange();
    void edtMaxCardsChange();
    void edtDamageChange();
    // Writes a field's value to the selected bot, unless the fields are being filled.
    void WriteBotField(QWidget* field, const std::function<void(TBot&)>& write);
    void UpdateBotState();
    void UpdateBotActivityLevel();
    void UpdateBotFlagTouched();
    void mmoNotesChange();
    void UpdateBotNotes();

    // Program tab: registers, hand and "Other" list. Each change of the program ends in a forced
    // refresh of the selected robot.
    void ProgramChanged(bool changed);
    bool edtRegisterDragOver(QObject* sender, const TDragCard& payload);
    void edtRegisterDragDrop(int n, const TDragCard& payload);
    void grpRegistersDragDrop(const TDragCard& payload);
    void RegisterToolBarDragDrop(const TDragCard& payload);
    void ProgramNextOpenRegister(const TDragCard& payload);
    void lstProgramCardsDragDrop(const TDragCard& payload);
    void lstRegisterOtherDragDrop(const TDragCard& payload);
    std::string edtRegisterStartDrag(int n);
    void edtRegisterMouseMove(QObject* sender);
    void edtRegisterDblClick(int n);
    void lstProgramCardsDblClick(const std::string& card);
    void btnLockRegister1Click(int n);
    void btnClearRegisterClick(int n);
    void ClearRegister(int n, TCardState state);
    void btnRandomRegisterDeckClick(int n);
    void lstRegisterOtherClick();
    void btnLockRegistersOtherClick();
    void SetRegisterOtherLockedState();
    void btnClearRegisterOtherClick();
    void ClearRegisterOther();

    // Private messages, pasted programs and copied programs
    void btnMakePMClick();
    void mniMakePMsClick();
    void btnCopyProgramClick();
    // Ctrl+V anywhere in the window but an editable text field: the selected robot's program
    // from the clipboard.
    void FormKeyDown();
    void AttemptToPasteProgram(const std::string& text);

    // View commands and the process-turn window
    void mniProgramCardsClick();
    void mniOptionCardsClick();
    void mniBoardEditorClick();
    void mniProcessTurnClick();
    void SetfrmProcessTurn(TfrmProcessTurn* window);
    void CloseProcessTurnWindow();

    // Options tab
    void lstOptionCardsClick();
    void RefreshSelectedOption();
    void btnAddOptionClick();
    void btnDeleteOptionClick();
    void btnTradeOptionClick();
    void UpdateBotOptionCardValue();
    void btnKillWarningClick();
    void BuildProgramCards();
    void BuildBaseOptionCards();
    void BuildBoltsAndBlastersOptionCards();
    void BuildBoardList();
    void BuildChitList();

    TGameSession& FSession;
    bool FUpdating = false;
    // The robot whose fields were last shown, by type (btUnknown for none): a robot is known by
    // its type, which outlives any game that is replaced.
    TBotType FLastBot = btUnknown;
    // The notes whose text the memo shows.
    std::string FShownNotes;
    bool FOptionListRefresh = false;
    // The open process-turn window, or none; it clears this slot when it closes.
    TfrmProcessTurn* ProcessTurnWindow = nullptr;
    std::function<void(QObject*, const std::exception&)> FPreviousErrorHandler;

    // The start page, or the robots' page while a game is open
    QStackedWidget* stkMain = nullptr;
    QWidget* pnlStart = nullptr;
    QWidget* pnlMain = nullptr;
    QCommandLinkButton* btnStartNewGame = nullptr;
    QCommandLinkButton* btnStartOpenGame = nullptr;
    QCommandLinkButton* btnStartSampleGame = nullptr;
    QLabel* lblStartRecentGames = nullptr;
    std::array<QCommandLinkButton*, RecentGamesMax> btnStartRecentGames{};
    QLabel* lblStartFolder = nullptr;

    // Bot list and fields
    QListWidget* lstBotsInPlay = nullptr;
    QLabel* lblTurn = nullptr;
    QLineEdit* edtPlayerName = nullptr;
    QSpinBox* edtLives = nullptr;
    QSpinBox* edtMaxCards = nullptr;
    QSpinBox* edtDamage = nullptr;
    QComboBox* cbxState = nullptr;
    QComboBox* cbxActivityLevel = nullptr;
    QComboBox* cbxFlag = nullptr;
    QPushButton* btnKillWarning = nullptr;
    QTabWidget* pgeBot = nullptr;
    QWidget* tabProgram = nullptr;
    QWidget* tabOptions = nullptr;
    QWidget* tabNotes = nullptr;

    // Program tab
    QGroupBox* grpRegisters = nullptr;
    std::array<TRegisterBox*, 5> edtRegisters{};
    std::array<QToolBar*, 5> barRegisters{};
    TCardListWidget* lstRegisterOther = nullptr;
    QToolBar* barRegisterOther = nullptr;
    TCardListWidget* lstProgramCards = nullptr;
    QPushButton* btnNewHand = nullptr;
    QPushButton* btnTradeHand = nullptr;
    QPushButton* btnMakePM = nullptr;
    QPushButton* btnCopyProgram = nullptr;

    // Options tab
    QListWidget* lstOptionCards = nullptr;
    QPushButton* btnAddOption = nullptr;
    QPushButton* btnDeleteOption = nullptr;
    QLineEdit* edtOptionType = nullptr;
    QLineEdit* edtOptionKind = nullptr;
    QLineEdit* edtOptionSource = nullptr;
    QSpinBox* edtOptionQuantity = nullptr;
    QLineEdit* edtOptionDamage = nullptr;
    QComboBox* cbxOptionFacing = nullptr;
    QPlainTextEdit* mmoOptionDescription = nullptr;
    QPushButton* btnTradeOption = nullptr;

    // Notes tab
    QPlainTextEdit* mmoNotes = nullptr;

    // Menus
    QAction* mniOpenGame = nullptr;
    QAction* mniOpenSampleGame = nullptr;
    QAction* mniSaveGame = nullptr;
    QAction* mniSaveGameAs = nullptr;
    QMenu* mniRecentGames = nullptr;
    QAction* mniExit = nullptr;
    QAction* mniNewGame = nullptr;
    QAction* mniAddBot = nullptr;
    QAction* mniNextTurn = nullptr;
    QAction* mniMakePMs = nullptr;
    QAction* mniProcessTurn = nullptr;
    QAction* mniAddBuzzBomb = nullptr;
    QAction* mniDeleteBuzzBomb = nullptr;
    QAction* mniScoreBoard = nullptr;
    QAction* mniShuffleProgramCards = nullptr;
    QAction* mniShuffleOptionCards = nullptr;
    QAction* mniProgramCards = nullptr;
    QAction* mniOptionCards = nullptr;
    QAction* mniBoardEditor = nullptr;
};
