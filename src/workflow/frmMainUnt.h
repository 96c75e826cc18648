#pragma once
#include "model/OptionUnt.h"

#include <QMainWindow>

#include <array>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QToolBar;
class QToolButton;
class QWidget;

class TBoardList;
class TBot;
class TChitList;
class TGame;
class TProgramDeck;

// The tool's main window: the bots in play and the selected bot's fields on the left, its
// program, options and notes on the right, the game, deck and view commands in the menus. It
// owns the reference data for the whole run and the one open game.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The reference data read at start-up from the executable's folder.
    TBoardList* BoardList() const { return FBoardList.get(); }
    TChitList* ChitList() const { return FChitList.get(); }
    // Loaded at start and again by every new game, which frees them once it is made.
    TProgramDeck* UnusedProgramDeck() const { return FUnusedProgramDeck.get(); }
    TOptionDeck* UnusedOptionDeck(TOptionSource source) const;
    // None until a game is made or opened.
    TGame* Game() const { return FGame.get(); }

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

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateBotPanel();
    QWidget* CreateProgramTab();
    QWidget* CreateOptionsTab();
    QWidget* CreateNotesTab();
    void CreateMenus();
    QToolButton* AddToolButton(QToolBar* bar, const QString& name, int imageIndex);
    // Commands and buttons that this build carries out; the others stay disabled.
    bool IsLive(const QObject* command) const;
    void EnableCommand(QAction* command, bool allowed);
    void SetCommandControlEnabled(QWidget* control, bool allowed);

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
    void UpdateBotsInPlay(TGame* game);
    void UpdateSelectedBot(TGame* game, bool forced);
    void UpdateRegisters();
    void SetRegisterToolBarToDefault(QToolBar* bar);
    void UpdateOptionButtons(TGame* game);
    void UpdateOptionData(TGame* game);
    void UpdateBuzzBombMenuItems();
    void UdpateMakePMsMenuItem();

    void mniExitClick();
    void btnKillWarningClick();
    void BuildProgramCards();
    void BuildBaseOptionCards();
    void BuildBoltsAndBlastersOptionCards();
    void BuildBoardList();
    void BuildChitList();

    // Model
    std::unique_ptr<TGame> FGame;
    std::unique_ptr<TBoardList> FBoardList;
    std::unique_ptr<TChitList> FChitList;
    std::unique_ptr<TProgramDeck> FUnusedProgramDeck;
    std::array<std::unique_ptr<TOptionDeck>, 3> FUnusedOptionDecks;
    bool FUpdating = false;
    TBot* FLastBot = nullptr;
    bool FOptionListRefresh = false;
    std::string FLastFileName;
    std::vector<std::string> FLoadProblems;
    std::function<void(QObject*, const std::exception&)> FPreviousErrorHandler;

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
    std::array<QLineEdit*, 5> edtRegisters{};
    std::array<QToolBar*, 5> barRegisters{};
    QListWidget* lstRegisterOther = nullptr;
    QToolBar* barRegisterOther = nullptr;
    QListWidget* lstProgramCards = nullptr;
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
    QAction* mniSaveGame = nullptr;
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
