#include "windows/frmMainUnt.h"

#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/ProgramUnt.h"
#include "render/GameFolderUnt.h"
#include "support/FilePlacesUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"
#include "session/DesktopRulesUnt.h"
#include "windows/ApplicationUnt.h"
#include "session/MainWindowRulesUnt.h"
#include "session/MethodTraceUnt.h"
#include "session/SampleGameUnt.h"
#include "session/SettingsUnt.h"
#include "windows/DragObjectsUnt.h"
#include "session/TurnCycleUnt.h"
#include "model/PrivateMessageUnt.h"
#include "model/ProgramPasteUnt.h"
#include "xml/XmlUnt.h"
#include "windows/frmProcessTurnUnt.h"
#include "windows/frmBotPrivateMessageUnt.h"
#include "windows/frmEditBoardUnt.h"
#include "windows/frmViewCardsUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/frmAddBotUnt.h"
#include "windows/frmNewGameUnt.h"
#include "windows/frmScoreBoardUnt.h"
#include "windows/frmSelectBotOption.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QClipboard>
#include <QCommandLinkButton>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>
#include <optional>
#include <cstdio>

namespace {

const char* const ProgramDeckFileName = "CoreProgramDeck.xml";
const char* const BoardListFileName = "Boards.xml";
const char* const ChitListFileName = "Chits.xml";

QSpinBox* NewNumberField(QWidget* parent, const char* name)
{
    auto* field = new QSpinBox(parent);
    field->setObjectName(name);
    field->setRange(INT_MIN, INT_MAX);
    return field;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* caption, QWidget* buddy)
{
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

QAction* NewMenuItem(QMenu* menu, QObject* owner, const char* name, const char* caption, const char* shortcut = nullptr)
{
    auto* item = new QAction(QString::fromUtf8(caption), owner);
    item->setObjectName(name);
    if (shortcut)
        item->setShortcut(QKeySequence(QString::fromUtf8(shortcut)));
    menu->addAction(item);
    return item;
}

const char* const SampleGameDescription = "Four robots racing on a 2 x 2 map: three turns played, the fourth dealt.";

std::string Traced(const char* method) { return std::string("TfrmMain.") + method; }

// Beside a robot in play: a green tick when its program for the turn is in, an empty ring while
// the game master still waits for it.
QIcon ProgramMark(bool programIn)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (programIn) {
        p.setPen(QPen(QColor(30, 150, 40), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(3, 8.5);
        tick.lineTo(6.5, 12);
        tick.lineTo(13, 4);
        p.drawPath(tick);
    } else {
        p.setPen(QPen(QColor(150, 150, 150), 1.5));
        p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
    }
    return QIcon(pixmap);
}

} // namespace

// ---------------------------------------------------------------------------------------------

TfrmMain::TfrmMain(TGameSession& session, QWidget* parent)
    : QMainWindow(parent)
    , FSession(session)
{
    setObjectName("frmMain");
    // The catalogues are read while the controls are made; FormCreate takes them.
    FSession.StartLoadingCatalogues();
    CreateControls();
    CreateMenus();
    FillRecentGames();
    ConnectControls();
    connect(&FSession, &TGameSession::Changed, this, [this](TGameChanges what) { SessionChanged(what); });
    connect(&FSession, &TGameSession::Autosaved, this, [this](const QString& error) {
        if (!error.isEmpty())
            statusBar()->showMessage("Unsaved changes could not be kept for recovery: " + error);
    });
    setWindowTitle(QString::fromUtf8(ApplicationTitle));
    resize(657, 385);
    if (QScreen* shown = screen()) {
        QRect area = shown->availableGeometry();
        move(area.center() - rect().center());
    }
    // The size and place the game master left it at last time.
    restoreGeometry(QByteArray::fromStdString(LoadWindowGeometry()));
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    try {
        FormDestroy();
    } catch (const std::exception& error) {
        // Nothing may leave a destructor; the log is the likely culprit, so tell the console.
        std::fprintf(stderr, "%s\n", ApplicationErrorText(error).c_str());
    }
}

// ---------------------------------------------------------------------------------------------
// Controls and menus

void TfrmMain::CreateControls()
{
    // Without a game the window says how to begin; with one it shows the robots.
    stkMain = new QStackedWidget(this);
    stkMain->setObjectName("stkMain");
    stkMain->addWidget(CreateStartPage());
    auto* central = new QWidget(stkMain);
    pnlMain = central;
    central->setObjectName("pnlMain");
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(CreateBotPanel());

    pgeBot = new QTabWidget(central);
    pgeBot->setObjectName("pgeBot");
    tabProgram = CreateProgramTab();
    tabOptions = CreateOptionsTab();
    tabNotes = CreateNotesTab();
    pgeBot->addTab(tabProgram, "&Program");
    pgeBot->addTab(tabOptions, "&Options");
    pgeBot->addTab(tabNotes, "&Notes");
    layout->addWidget(pgeBot, 1);
    stkMain->addWidget(central);
    setCentralWidget(stkMain);
}

QWidget* TfrmMain::CreateStartPage()
{
    // It scrolls rather than stretch a small window with five recent games.
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName("pnlStart");
    pnlStart = scroller;
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    auto* page = new QWidget(scroller);
    auto* outer = new QHBoxLayout(page);
    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    outer->addStretch(1);
    outer->addLayout(column, 4);
    outer->addStretch(1);

    auto* title = new QLabel("No game is open", page);
    title->setObjectName("lblStartTitle");
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    title->setFont(big);
    auto* text = new QLabel("Begin a new game, open one you saved, or look around the sample game to see how a "
                            "turn goes.", page);
    text->setObjectName("lblStartText");
    text->setWordWrap(true);
    column->addStretch(1);
    column->addWidget(title);
    column->addWidget(text);
    column->addSpacing(8);

    auto newLink = [page](const char* name, const char* caption, const char* description) {
        auto* link = new QCommandLinkButton(QString::fromUtf8(caption), QString::fromUtf8(description), page);
        link->setObjectName(name);
        return link;
    };
    btnStartNewGame = newLink("btnStartNewGame", "&New Game...", "Design the map, then put the robots in play.");
    btnStartOpenGame = newLink("btnStartOpenGame", "&Open Game...", "A game file (*.cgx) saved before.");
    btnStartSampleGame = newLink("btnStartSampleGame", "Open the &Sample Game", SampleGameDescription);
    for (QCommandLinkButton* link : {btnStartNewGame, btnStartOpenGame, btnStartSampleGame})
        column->addWidget(link);

    lblStartRecentGames = new QLabel("Recent games", page);
    lblStartRecentGames->setObjectName("lblStartRecentGames");
    QFont bold = lblStartRecentGames->font();
    bold.setBold(true);
    lblStartRecentGames->setFont(bold);
    column->addSpacing(8);
    column->addWidget(lblStartRecentGames);
    for (std::size_t i = 0; i < btnStartRecentGames.size(); ++i) {
        auto* link = new QCommandLinkButton(page);
        link->setObjectName(QString("btnStartRecentGame%1").arg(i + 1));
        link->setVisible(false);
        btnStartRecentGames[i] = link;
        column->addWidget(link);
    }

    lblStartFolder = new QLabel(page);
    lblStartFolder->setObjectName("lblStartFolder");
    lblStartFolder->setWordWrap(true);
    lblStartFolder->setTextFormat(Qt::PlainText);
    lblStartFolder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addSpacing(8);
    column->addWidget(lblStartFolder);
    column->addStretch(2);
    scroller->setWidget(page);
    return scroller;
}

void TfrmMain::UpdateStartPage(TGame* game)
{
    stkMain->setCurrentWidget(game ? pnlMain : pnlStart);
    if (game)
        return;
    const bool sample = SampleGameAvailable();
    btnStartSampleGame->setEnabled(sample);
    btnStartSampleGame->setDescription(sample ? SampleGameDescription : "Not there: the build writes it beside the reference data.");
    lblStartFolder->setText(QString("Games, pictures and reports are written to %1").arg(QString::fromStdString(UserFolder())));
}

QWidget* TfrmMain::CreateBotPanel()
{
    auto* panel = new QWidget(this);
    panel->setObjectName("pnlBots");
    panel->setFixedWidth(200);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    lstBotsInPlay = new QListWidget(panel);
    lstBotsInPlay->setObjectName("lstBotsInPlay");
    layout->addWidget(lstBotsInPlay, 1);

    lblTurn = new QLabel("Turn 0", panel);
    lblTurn->setObjectName("lblTurn");
    QFont bold = lblTurn->font();
    bold.setBold(true);
    lblTurn->setFont(bold);
    layout->addWidget(lblTurn);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(3);
    edtPlayerName = new QLineEdit(panel);
    edtPlayerName->setObjectName("edtPlayerName");
    edtLives = NewNumberField(panel, "edtLives");
    edtMaxCards = NewNumberField(panel, "edtMaxCards");
    edtDamage = NewNumberField(panel, "edtDamage");
    cbxState = new QComboBox(panel);
    cbxState->setObjectName("cbxState");
    cbxActivityLevel = new QComboBox(panel);
    cbxActivityLevel->setObjectName("cbxActivityLevel");
    cbxFlag = new QComboBox(panel);
    cbxFlag->setObjectName("cbxFlag");

    int row = 0;
    auto addRow = [&](const char* labelName, const char* caption, QWidget* field) {
        fields->addWidget(NewLabel(panel, labelName, caption, field), row, 0);
        fields->addWidget(field, row, 1);
        ++row;
    };
    addRow("lblPlayerName", "Pla&yer", edtPlayerName);
    addRow("lblLives", "&Archives", edtLives);
    addRow("lblMaxCards", "Ma&x Cards", edtMaxCards);
    addRow("lblDamage", "&Damage", edtDamage);
    addRow("lblState", "&State", cbxState);
    addRow("lblActivityLevel", "A&ctivity", cbxActivityLevel);
    addRow("lblFlag", "F&lag", cbxFlag);
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    // The hidden rebuild of the reference files: no way in from the user interface.
    btnKillWarning = new QPushButton("btnKillWarning", panel);
    btnKillWarning->setObjectName("btnKillWarning");
    btnKillWarning->setVisible(false);
    return panel;
}

QToolButton* TfrmMain::AddToolButton(QToolBar* bar, const QString& name, int imageIndex)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setIcon(RegisterToolImage(static_cast<TRegisterToolImage>(imageIndex)));
    button->setToolTip(QString::fromUtf8(RegisterToolHint(static_cast<TRegisterToolImage>(imageIndex))));
    button->setProperty("ImageIndex", imageIndex);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

QWidget* TfrmMain::CreateProgramTab()
{
    auto* tab = new QWidget;
    tab->setObjectName("tabProgram");
    auto* layout = new QHBoxLayout(tab);
    layout->setContentsMargins(6, 6, 6, 6);

    grpRegisters = new QGroupBox("Registers", tab);
    grpRegisters->setObjectName("grpRegisters");
    auto* registers = new QGridLayout(grpRegisters);
    registers->setVerticalSpacing(3);
    registers->setHorizontalSpacing(2);
    auto newBar = [this](const QString& name) {
        auto* bar = new QToolBar(grpRegisters);
        bar->setObjectName(name);
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
        bar->setFloatable(false);
        return bar;
    };
    for (int n = 1; n <= 5; ++n) {
        auto* box = new TRegisterBox(grpRegisters);
        box->setObjectName(QString("edtRegister%1").arg(n));
        auto* bar = newBar(QString("barRegister%1").arg(n));
        AddToolButton(bar, QString("btnLockRegister%1").arg(n), tiLock);
        AddToolButton(bar, QString("btnClearRegister%1").arg(n), tiClear);
        AddToolButton(bar, QString("btnRandomRegister%1").arg(n), tiRandom);
        edtRegisters[static_cast<std::size_t>(n - 1)] = box;
        barRegisters[static_cast<std::size_t>(n - 1)] = bar;
        registers->addWidget(box, n - 1, 0);
        registers->addWidget(bar, n - 1, 1);
    }
    lstRegisterOther = new TCardListWidget(grpRegisters);
    lstRegisterOther->setObjectName("lstRegisterOther");
    lstRegisterOther->setToolTip("Use this \"register\" for additional cards that are programmed through options such as "
                                 "Conditional, Extra Memory, Flywheel, Overload Override, and Robo Copter");
    barRegisterOther = newBar("barRegisterOther");
    AddToolButton(barRegisterOther, "btnLockRegistersOther", tiLock);
    AddToolButton(barRegisterOther, "btnClearRegisterOther", tiClear);
    AddToolButton(barRegisterOther, "btnRandomRegisterOther", tiRandom);
    registers->addWidget(NewLabel(grpRegisters, "lblRegisterOther", "Oth&er", lstRegisterOther), 5, 0, 1, 2);
    registers->addWidget(lstRegisterOther, 6, 0);
    registers->addWidget(barRegisterOther, 6, 1, Qt::AlignTop);
    registers->setRowStretch(6, 1);
    registers->setColumnStretch(0, 1);
    layout->addWidget(grpRegisters, 3);

    auto* hand = new QVBoxLayout;
    lstProgramCards = new TCardListWidget(tab);
    lstProgramCards->setObjectName("lstProgramCards");
    hand->addWidget(NewLabel(tab, "lblProgramCards", "P&rogram Cards", lstProgramCards));
    hand->addWidget(lstProgramCards, 1);
    auto* buttons = new QGridLayout;
    buttons->setSpacing(4);
    auto newButton = [tab](const char* name, const char* caption) {
        auto* button = new QPushButton(QString::fromUtf8(caption), tab);
        button->setObjectName(name);
        return button;
    };
    btnNewHand = newButton("btnNewHand", "Ne&w Hand");
    btnNewHand->setToolTip("Use this if the player is activating the Recompile option");
    btnTradeHand = newButton("btnTradeHand", "&Trade Hand");
    btnTradeHand->setToolTip("Use this if the player is using the Interceptor option");
    btnMakePM = newButton("btnMakePM", "Make P&M");
    btnCopyProgram = newButton("btnCopyProgram", "Copy Prog.");
    buttons->addWidget(btnNewHand, 0, 0);
    buttons->addWidget(btnTradeHand, 0, 1);
    buttons->addWidget(btnMakePM, 1, 0);
    buttons->addWidget(btnCopyProgram, 1, 1);
    hand->addLayout(buttons);
    layout->addLayout(hand, 2);
    return tab;
}

QWidget* TfrmMain::CreateOptionsTab()
{
    auto* tab = new QWidget;
    tab->setObjectName("tabOptions");
    auto* layout = new QHBoxLayout(tab);
    layout->setContentsMargins(6, 6, 6, 6);

    auto* list = new QVBoxLayout;
    lstOptionCards = new QListWidget(tab);
    lstOptionCards->setObjectName("lstOptionCards");
    list->addWidget(lstOptionCards, 1);
    auto* plusMinus = new QHBoxLayout;
    btnAddOption = new QPushButton("+", tab);
    btnAddOption->setObjectName("btnAddOption");
    btnDeleteOption = new QPushButton("-", tab);
    btnDeleteOption->setObjectName("btnDeleteOption");
    plusMinus->addWidget(btnAddOption);
    plusMinus->addWidget(btnDeleteOption);
    list->addLayout(plusMinus);
    layout->addLayout(list, 2);

    auto* fields = new QGridLayout;
    fields->setVerticalSpacing(3);
    auto readOnly = [tab](const char* name) {
        auto* field = new QLineEdit(tab);
        field->setObjectName(name);
        field->setReadOnly(true);
        return field;
    };
    edtOptionType = readOnly("edtOptionType");
    edtOptionKind = readOnly("edtOptionKind");
    edtOptionSource = readOnly("edtOptionSource");
    edtOptionDamage = readOnly("edtOptionDamage");
    edtOptionQuantity = new QSpinBox(tab);
    edtOptionQuantity->setObjectName("edtOptionQuantity");
    edtOptionQuantity->setRange(-1, -1);
    cbxOptionFacing = new QComboBox(tab);
    cbxOptionFacing->setObjectName("cbxOptionFacing");
    mmoOptionDescription = new QPlainTextEdit(tab);
    mmoOptionDescription->setObjectName("mmoOptionDescription");
    mmoOptionDescription->setReadOnly(true);
    btnTradeOption = new QPushButton("&Trade Option", tab);
    btnTradeOption->setObjectName("btnTradeOption");
    btnTradeOption->setToolTip("Use this when activating  the Reengineering Unit option");

    fields->addWidget(NewLabel(tab, "lblOptionType", "Type", edtOptionType), 0, 0);
    fields->addWidget(edtOptionType, 0, 1, 1, 3);
    fields->addWidget(NewLabel(tab, "lblOptionKind", "Kind", edtOptionKind), 1, 0);
    fields->addWidget(edtOptionKind, 1, 1, 1, 3);
    fields->addWidget(NewLabel(tab, "lblOptionSource", "Source", edtOptionSource), 2, 0);
    fields->addWidget(edtOptionSource, 2, 1, 1, 3);
    fields->addWidget(NewLabel(tab, "lblOptionQuantity", "&Quantity", edtOptionQuantity), 3, 0);
    fields->addWidget(edtOptionQuantity, 3, 1);
    fields->addWidget(NewLabel(tab, "lblOptionDamage", "Damage", edtOptionDamage), 3, 2);
    fields->addWidget(edtOptionDamage, 3, 3);
    fields->addWidget(NewLabel(tab, "lblOptionFacing", "Fac&ing", cbxOptionFacing), 4, 0);
    fields->addWidget(cbxOptionFacing, 4, 1, 1, 3);
    fields->addWidget(NewLabel(tab, "lblOptionDescription", "Description", mmoOptionDescription), 5, 0, 1, 4);
    fields->addWidget(mmoOptionDescription, 6, 0, 1, 4);
    fields->addWidget(btnTradeOption, 7, 0, 1, 4, Qt::AlignRight);
    fields->setRowStretch(6, 1);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);
    layout->addLayout(fields, 3);
    return tab;
}

QWidget* TfrmMain::CreateNotesTab()
{
    auto* tab = new QWidget;
    tab->setObjectName("tabNotes");
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    mmoNotes = new QPlainTextEdit(tab);
    mmoNotes->setObjectName("mmoNotes");
    layout->addWidget(mmoNotes);
    return tab;
}

void TfrmMain::CreateMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("mniFile");
    mniOpenGame = NewMenuItem(file, this, "mniOpenGame", "&Open Game...", "Ctrl+O");
    mniOpenSampleGame = NewMenuItem(file, this, "mniOpenSampleGame", "Open Sa&mple Game");
    mniSaveGame = NewMenuItem(file, this, "mniSaveGame", "&Save Game", "Ctrl+S");
    mniSaveGameAs = NewMenuItem(file, this, "mniSaveGameAs", "Save Game &As...", "Ctrl+Shift+S");
    file->addSeparator();
    mniRecentGames = file->addMenu("&Recent Games");
    mniRecentGames->setObjectName("mniRecentGames");
    connect(file, &QMenu::aboutToShow, this, [this] { FillRecentGames(); });
    file->addSeparator();
    mniExit = NewMenuItem(file, this, "mniExit", "E&xit");

    QMenu* game = menuBar()->addMenu("&Game");
    game->setObjectName("mniGame");
    mniNewGame = NewMenuItem(game, this, "mniNewGame", "&New Game...", "Ctrl+N");
    game->addSeparator();
    mniAddBot = NewMenuItem(game, this, "mniAddBot", "Add &Bot(s)...", "Ctrl+B");
    game->addSeparator();
    mniNextTurn = NewMenuItem(game, this, "mniNextTurn", "Next &Turn", "Ctrl+T");
    mniMakePMs = NewMenuItem(game, this, "mniMakePMs", "Make P&Ms", "Ctrl+M");
    game->addSeparator();
    mniProcessTurn = NewMenuItem(game, this, "mniProcessTurn", "&Process Turn...", "Ctrl+P");
    game->addSeparator();
    // Ctrl+Z goes to whichever of the two is visible (UpdateBuzzBombMenuItems).
    mniAddBuzzBomb = NewMenuItem(game, this, "mniAddBuzzBomb", "&Add Buzz Bomb", "Ctrl+Z");
    mniDeleteBuzzBomb = NewMenuItem(game, this, "mniDeleteBuzzBomb", "&Delete Buzz Bomb");
    mniDeleteBuzzBomb->setVisible(false);
    game->addSeparator();
    mniScoreBoard = NewMenuItem(game, this, "mniScoreBoard", "&Score Board", "Ctrl+D");

    QMenu* deck = menuBar()->addMenu("Dec&k");
    deck->setObjectName("mniDeck");
    mniShuffleProgramCards = NewMenuItem(deck, this, "mniShuffleProgramCards", "Shuffle &Program Cards");
    mniShuffleOptionCards = NewMenuItem(deck, this, "mniShuffleOptionCards", "Shuffle &Option Cards");

    QMenu* view = menuBar()->addMenu("&View");
    view->setObjectName("mniView");
    mniProgramCards = NewMenuItem(view, this, "mniProgramCards", "&Program Cards...");
    mniOptionCards = NewMenuItem(view, this, "mniOptionCards", "&Option Cards...");
    mniBoardEditor = NewMenuItem(view, this, "mniBoardEditor", "&Board Editor...");


    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("mniHelp");
    mniOpenGameFolder = NewMenuItem(help, this, "mniOpenGameFolder", "Open Game &Folder");
    help->addSeparator();
    mniAbout = NewMenuItem(help, this, "mniAbout", "&About Cogline Turn Generator");
    connect(mniOpenGameFolder, &QAction::triggered, this, [this] { Run(mniOpenGameFolder, [this] { mniOpenGameFolderClick(); }); });
    connect(mniAbout, &QAction::triggered, this, [this] { Run(mniAbout, [this] { mniAboutClick(); }); });
}

void TfrmMain::EnableCommand(QAction* command, bool allowed)
{
    command->setEnabled(allowed);
}

void TfrmMain::SetCommandControlEnabled(QWidget* control, bool allowed)
{
    SetControlEnabled(control, allowed);
}

void TfrmMain::Run(QObject* sender, const std::function<void()>& command)
{
    TApplication::RunCommand(sender, command);
}

void TfrmMain::ConnectControls()
{
    auto onAction = [this](QAction* item, void (TfrmMain::*handler)()) {
        connect(item, &QAction::triggered, this, [this, item, handler] { Run(item, [this, handler] { (this->*handler)(); }); });
    };
    onAction(mniOpenGame, &TfrmMain::mniOpenGameClick);
    onAction(mniOpenSampleGame, &TfrmMain::mniOpenSampleGameClick);
    onAction(mniSaveGame, &TfrmMain::mniSaveGameClick);
    onAction(mniSaveGameAs, &TfrmMain::mniSaveGameAsClick);
    onAction(mniExit, &TfrmMain::mniExitClick);
    onAction(mniNewGame, &TfrmMain::mniNewGameClick);
    onAction(mniAddBot, &TfrmMain::mniAddBotClick);
    onAction(mniNextTurn, &TfrmMain::mniNextTurnClick);
    onAction(mniAddBuzzBomb, &TfrmMain::mniAddBuzzBombClick);
    onAction(mniDeleteBuzzBomb, &TfrmMain::mniDeleteBuzzBombClick);
    onAction(mniShuffleProgramCards, &TfrmMain::mniShuffleProgramCardsClick);
    onAction(mniShuffleOptionCards, &TfrmMain::mniShuffleOptionCardsClick);

    auto onClick = [this](QPushButton* button, void (TfrmMain::*handler)()) {
        connect(button, &QPushButton::clicked, this,
            [this, button, handler] { Run(button, [this, handler] { (this->*handler)(); }); });
    };
    onClick(btnKillWarning, &TfrmMain::btnKillWarningClick);
    onClick(btnStartNewGame, &TfrmMain::mniNewGameClick);
    onClick(btnStartOpenGame, &TfrmMain::mniOpenGameClick);
    onClick(btnStartSampleGame, &TfrmMain::mniOpenSampleGameClick);
    for (QCommandLinkButton* link : btnStartRecentGames)
        connect(link, &QPushButton::clicked, this, [this, link] {
            const std::string file = link->property("FileName").toString().toStdString();
            Run(link, [this, file] { OpenRecentGame(file); });
        });
    onClick(btnNewHand, &TfrmMain::btnNewHandClick);
    onClick(btnTradeHand, &TfrmMain::btnTradeHandClick);
    onClick(btnAddOption, &TfrmMain::btnAddOptionClick);
    onClick(btnDeleteOption, &TfrmMain::btnDeleteOptionClick);
    onClick(btnTradeOption, &TfrmMain::btnTradeOptionClick);

    connect(edtPlayerName, &QLineEdit::textChanged, this, [this] { Run(edtPlayerName, [this] { edtPlayerNameChange(); }); });
    connect(edtLives, &QSpinBox::valueChanged, this, [this] { Run(edtLives, [this] { edtLivesChange(); }); });
    connect(edtMaxCards, &QSpinBox::valueChanged, this, [this] { Run(edtMaxCards, [this] { edtMaxCardsChange(); }); });
    connect(edtDamage, &QSpinBox::valueChanged, this, [this] { Run(edtDamage, [this] { edtDamageChange(); }); });

    // A drop-down list writes on a change and on a choice; each writes only with an item chosen.
    auto onChoice = [this](QComboBox* list, const char* change, const char* select, void (TfrmMain::*write)()) {
        connect(list, &QComboBox::currentIndexChanged, this, [this, list, change, write] {
            Run(list, [this, change, write] {
                TMethodTrace trace(Traced(change));
                (this->*write)();
            });
        });
        connect(list, &QComboBox::activated, this, [this, list, select, write] {
            Run(list, [this, select, write] {
                TMethodTrace trace(Traced(select));
                (this->*write)();
            });
        });
        list->installEventFilter(this);
    };
    onChoice(cbxState, "cbxStateChange", "cbxStateSelect", &TfrmMain::UpdateBotState);
    onChoice(cbxActivityLevel, "cbxActivityLevelChange", "cbxActivityLevelSelect", &TfrmMain::UpdateBotActivityLevel);
    onChoice(cbxFlag, "cbxFlagChange", "cbxFlagSelect", &TfrmMain::UpdateBotFlagTouched);
    onChoice(cbxOptionFacing, "cbxOptionFacingChange", "cbxOptionFacingSelect", &TfrmMain::UpdateBotOptionCardValue);

    connect(edtOptionQuantity, &QSpinBox::valueChanged, this, [this] {
        Run(edtOptionQuantity, [this] {
            TMethodTrace trace(Traced("edtOptionQuantityChange"));
            UpdateBotOptionCardValue();
        });
    });
    edtOptionQuantity->installEventFilter(this);
    connect(lstOptionCards, &QListWidget::itemClicked, this, [this] { Run(lstOptionCards, [this] { lstOptionCardsClick(); }); });
    lstOptionCards->installEventFilter(this);
    lstOptionCards->viewport()->installEventFilter(this);
    lstBotsInPlay->installEventFilter(this);
    lstBotsInPlay->viewport()->installEventFilter(this);
    connect(mmoNotes, &QPlainTextEdit::textChanged, this, [this] { Run(mmoNotes, [this] { mmoNotesChange(); }); });
    connect(pgeBot, &QTabWidget::currentChanged, this, [this] { Run(pgeBot, [this] { UpdateNotes(); }); });

    onAction(mniMakePMs, &TfrmMain::mniMakePMsClick);
    onAction(mniProcessTurn, &TfrmMain::mniProcessTurnClick);
    onAction(mniProgramCards, &TfrmMain::mniProgramCardsClick);
    onAction(mniOptionCards, &TfrmMain::mniOptionCardsClick);
    connect(mniScoreBoard, &QAction::triggered, this, [this] {
        Run(mniScoreBoard, [this] {
            TMethodTrace trace(Traced("mniScoreBoardClick"));
            if (TGame* game = Game())
                ShowScoreBoard(*game);
        });
    });
    onAction(mniBoardEditor, &TfrmMain::mniBoardEditorClick);
    onClick(btnMakePM, &TfrmMain::btnMakePMClick);
    onClick(btnCopyProgram, &TfrmMain::btnCopyProgramClick);
    ConnectProgramTab();
    // Ctrl+V programs the selected robot from anywhere in the window, once per press. An
    // editable text field claims Ctrl+V for its own paste first, so typing a name never
    // programs the robot and the program never lands in the field.
    auto* paste = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_V), this);
    paste->setObjectName("scPasteProgram");
    paste->setContext(Qt::WindowShortcut);
    connect(paste, &QShortcut::activated, this, [this] { Run(this, [this] { FormKeyDown(); }); });
    // The selection is read once the list has settled it: a click on the empty part clears it
    // only after the mouse-up that the filter sees.
    connect(lstBotsInPlay, &QListWidget::itemSelectionChanged, this, [this] {
        if (!FUpdating)
            Run(lstBotsInPlay, [this] { UpdateSelectedBot(Game(), false); });
    });
}

void TfrmMain::ConnectProgramTab()
{
    const TCardAccepts any = [](const TDragCard&) { return true; };
    for (int n = 1; n <= 5; ++n) {
        TRegisterBox* box = edtRegisters[static_cast<std::size_t>(n - 1)];
        box->SetDragCardID([this, n] {
            std::string id;
            Run(edtRegisters[static_cast<std::size_t>(n - 1)], [this, n, &id] { id = edtRegisterStartDrag(n); });
            return id;
        });
        box->SetDropHandlers([this, box](const TDragCard& payload) { return edtRegisterDragOver(box, payload); },
            [this, box, n](const TDragCard& payload) { Run(box, [this, n, &payload] { edtRegisterDragDrop(n, payload); }); });
        box->SetDoubleClicked([this, box, n] { Run(box, [this, n] { edtRegisterDblClick(n); }); });
        box->SetMouseMoved([this, box] { Run(box, [this, box] { edtRegisterMouseMove(box); }); });

        QToolBar* bar = barRegisters[static_cast<std::size_t>(n - 1)];
        TCardDropTarget::Install(bar, any,
            [this, bar](const TDragCard& payload) { Run(bar, [this, &payload] { RegisterToolBarDragDrop(payload); }); });
        const QList<QToolButton*> buttons = bar->findChildren<QToolButton*>();
        for (QToolButton* button : buttons) {
            TCardDropTarget::Install(button, any, [this, button](const TDragCard& payload) {
                Run(button, [this, &payload] { RegisterToolBarDragDrop(payload); });
            });
            const QString name = button->objectName();
            void (TfrmMain::*handler)(int) = name.startsWith("btnLock") ? &TfrmMain::btnLockRegister1Click
                : name.startsWith("btnClear")                         ? &TfrmMain::btnClearRegisterClick
                                                                      : &TfrmMain::btnRandomRegisterDeckClick;
            connect(button, &QToolButton::clicked, this,
                [this, button, handler, n] { Run(button, [this, handler, n] { (this->*handler)(n); }); });
        }
    }
    // Every card control takes any card; the trace shows which one a drag passes over.
    auto tracedAny = [](const char* method) {
        return [method](const TDragCard&) {
            TMethodTrace trace(Traced(method));
            return true;
        };
    };
    TCardDropTarget::Install(grpRegisters, tracedAny("grpRegistersDragOver"),
        [this](const TDragCard& payload) { Run(grpRegisters, [this, &payload] { grpRegistersDragDrop(payload); }); });

    lstProgramCards->SetDragSource(true);
    lstProgramCards->SetDropHandlers(tracedAny("lstProgramCardsDragOver"), [this](const TDragCard& payload) {
        Run(lstProgramCards, [this, &payload] { lstProgramCardsDragDrop(payload); });
    });
    connect(lstProgramCards, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* line) {
        const std::string card = line->data(TCardListWidget::CardIDRole).toString().toStdString();
        Run(lstProgramCards, [this, card] { lstProgramCardsDblClick(card); });
    });

    lstRegisterOther->SetDropHandlers(tracedAny("lstRegisterOtherDragOver"), [this](const TDragCard& payload) {
        Run(lstRegisterOther, [this, &payload] { lstRegisterOtherDragDrop(payload); });
    });
    connect(lstRegisterOther, &QListWidget::itemSelectionChanged, this,
        [this] { Run(lstRegisterOther, [this] { lstRegisterOtherClick(); }); });
    auto otherButton = [this](const char* name, void (TfrmMain::*handler)()) {
        if (auto* button = barRegisterOther->findChild<QToolButton*>(name))
            connect(button, &QToolButton::clicked, this, [this, button, handler] { Run(button, [this, handler] { (this->*handler)(); }); });
    };
    otherButton("btnLockRegistersOther", &TfrmMain::btnLockRegistersOtherClick);
    otherButton("btnClearRegisterOther", &TfrmMain::btnClearRegisterOtherClick);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    const bool keyUp = event->type() == QEvent::KeyRelease;
    const bool mouseUp = event->type() == QEvent::MouseButtonRelease;
    if (!keyUp && !mouseUp)
        return QMainWindow::eventFilter(watched, event);
    auto run = [this, watched](const std::function<void()>& handler) { Run(watched, handler); };
    if (watched == lstBotsInPlay && keyUp)
        run([this] { lstBotsInPlayKeyUp(); });
    else if (watched == lstBotsInPlay->viewport() && mouseUp)
        run([this] { lstBotsInPlayMouseUp(); });
    else if (watched == lstOptionCards && keyUp)
        run([this] {
            TMethodTrace trace(Traced("lstOptionCardsKeyUp"));
            RefreshSelectedOption();
        });
    else if (watched == lstOptionCards->viewport() && mouseUp)
        run([this] {
            TMethodTrace trace(Traced("lstOptionCardsMouseUp"));
            RefreshSelectedOption();
        });
    else if (watched == edtOptionQuantity)
        run([this, keyUp] {
            TMethodTrace trace(Traced(keyUp ? "edtOptionQuantityKeyUp" : "edtOptionQuantityMouseUp"));
            UpdateBotOptionCardValue();
        });
    else if (keyUp && watched == cbxState)
        run([this] {
            TMethodTrace trace(Traced("cbxStateKeyUp"));
            UpdateBotState();
        });
    else if (keyUp && watched == cbxActivityLevel)
        run([this] {
            TMethodTrace trace(Traced("cbxActivityLevelKeyUp"));
            UpdateBotActivityLevel();
        });
    else if (keyUp && watched == cbxFlag)
        run([this] {
            TMethodTrace trace(Traced("cbxFlagKeyUp"));
            UpdateBotFlagTouched();
        });
    else if (keyUp && watched == cbxOptionFacing)
        run([this] {
            TMethodTrace trace(Traced("cbxOptionFacingKeyUp"));
            UpdateBotOptionCardValue();
        });
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Start-up and shut-down

void TfrmMain::FormCreate()
{
    TMethodTrace trace(Traced("FormCreate"));
    FPreviousErrorHandler = TApplication::SetErrorHandler(
        [this](QObject* sender, const std::exception& error) { OnApplicationError(sender, error); });

    InitializeUnusedDecks();

    setWindowTitle(QString::fromStdString(Format("%s v%s", ApplicationTitle, VersionText().c_str())));

    const int milliseconds = FSession.LoadCatalogues();
    Log().TraceFmt("FBoardList.LoadFromXMLFile msecs = %d", milliseconds);

    FUpdating = false;
    FOptionListRefresh = false;
    pgeBot->setCurrentWidget(tabProgram);
    InitializeLookupFields();

    // Whatever did not load, the tool still starts and works with the rest.
    ReportLoadProblems();
}

void TfrmMain::InitializeUnusedDecks()
{
    TMethodTrace trace(Traced("InitializeUnusedDecks"));
    FSession.InitializeUnusedDecks();
}

void TfrmMain::DestroyUnusedDecks()
{
    TMethodTrace trace(Traced("DestroyUnusedDecks"));
    FSession.DestroyUnusedDecks();
}

void TfrmMain::ReportLoadProblems()
{
    const std::vector<std::string> problems = FSession.TakeLoadProblems();
    if (problems.empty())
        return;
    std::string text;
    for (const std::string& problem : problems)
        text += problem + "\n";
    text += "\nThe tool goes on with the reference data that did load.";
    ShowMessage(text);
}

void TfrmMain::InitializeLookupFields()
{
    TMethodTrace trace(Traced("InitializeLookupFields"));
    auto fill = [](QComboBox* list, const TEnumInfo& info, int firstValue) {
        QSignalBlocker quiet(list);
        list->clear();
        for (int value = firstValue; value < static_cast<int>(info.Names.size()); ++value)
            list->addItem(QString::fromStdString(EnumDisplayName(info.NameOf(value))), value);
        list->setCurrentIndex(-1);
    };
    fill(cbxOptionFacing, OptionFacingInfo(), ofFront);
    fill(cbxState, BotStateInfo(), bsReal);
    fill(cbxActivityLevel, BotActivityLevelInfo(), alNormal);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool TfrmMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    bool close = true;
    Run(this, [this, &close] { close = ConfirmDiscardChanges(); });
    if (!close) {
        event->ignore();
        return;
    }
    // Closing the main window ends the program: the process-turn window goes with it.
    CloseProcessTurnWindow();
    StoreWindowGeometry(saveGeometry().toStdString());
    event->accept();
}

void TfrmMain::FormShow()
{
    TMethodTrace trace(Traced("FormShow"));
    UpdateWithGameData(Game());
}

void TfrmMain::FormActivate()
{
    TMethodTrace trace(Traced("FormActivate"));
    UpdateMenuItems(Game());
}

void TfrmMain::FormDestroy()
{
    TMethodTrace trace(Traced("FormDestroy"));
    qApp->removeEventFilter(this);
    CloseProcessTurnWindow();
    DestroyUnusedDecks();
    TApplication::SetErrorHandler(std::move(FPreviousErrorHandler));
}

void TfrmMain::mniExitClick()
{
    TMethodTrace trace(Traced("mniExitClick"));
    close();
}

// ---------------------------------------------------------------------------------------------
// Errors

void TfrmMain::OnApplicationError(QObject* /*sender*/, const std::exception& error)
{
    TMethodTrace trace(Traced("OnApplicationError"), TMethodTrace::OnReturn, 2);
    std::string text = ApplicationErrorText(error);
    Log().Trace(text);
    // Whatever the error left behind, the changes made before it are kept first.
    try {
        FSession.Autosave();
        FSession.FinishAutosave();
    } catch (const std::exception& second) {
        Log().Trace(ApplicationErrorText(second));
    }
    ShowMessage(text);
}

// ---------------------------------------------------------------------------------------------
// Refreshing the window from the game

void TfrmMain::SessionChanged(TGameChanges what)
{
    TGame* game = Game();
    UpdateCaption();
    RememberRecentGame();
    if (what & gcGame) {
        FLastBot = btUnknown;
        UpdateWithGameData(game);
        UpdateFlagItems(game);
        FLastBot = btUnknown;
        return;
    }
    if (what & gcInPlay) {
        UpdateWithGameData(game);
        return;
    }
    if (what & gcTurn) {
        FLastBot = btUnknown;
        UpdateTurn(game);
        UpdateSelectedBot(game, false);
        UpdateMenuItems(game);
        UpdateBotsInPlayMarks(game);
        return;
    }
    if (what & gcBots) {
        UpdateSelectedBot(game, true);
        UpdateBotsInPlayMarks(game);
    }
    if (what & (gcDecks | gcBots))
        UpdateBuzzBombMenuItems();
    if (what & gcPhase)
        UpdateMenuItems(game);
}

void TfrmMain::UpdateWithGameData(TGame* game)
{
    TMethodTrace trace(Traced("UpdateWithGameData"));
    UpdateCaption();
    UpdateStartPage(game);
    UpdateTurn(game);
    UpdateBotsInPlay(game);
    UpdateSelectedBot(game, false);
    UpdateMenuItems(game);
}

void TfrmMain::UpdateTurn(TGame* game)
{
    TMethodTrace trace(Traced("UpdateTurn"), TMethodTrace::AlsoOnError);
    UdpateMakePMsMenuItem();
    lblTurn->hide();
    EnableCommand(mniNextTurn, NextTurnAllowed(game));
    if (game && game->TurnCount() > 0) {
        lblTurn->setText(QString("Turn %1").arg(game->TurnCount()));
        lblTurn->show();
    }
}

void TfrmMain::UpdateFlagItems(TGame* game)
{
    QSignalBlocker quiet(cbxFlag);
    cbxFlag->clear();
    for (const std::string& item : FlagItems(game))
        cbxFlag->addItem(QString::fromStdString(item));
    cbxFlag->setCurrentIndex(-1);
}

void TfrmMain::UpdateBotsInPlay(TGame* game)
{
    TMethodTrace trace(Traced("UpdateBotsInPlay"));
    // The caller refreshes the selected robot once the list is filled.
    QSignalBlocker quiet(lstBotsInPlay);
    lstBotsInPlay->clear();
    if (game && game->BotList()) {
        TBotList* bots = game->BotList();
        for (int i = 0; i < bots->Count(); ++i) {
            TBot* bot = bots->Items(i);
            if (!bot->InUseFlag())
                continue;
            auto* line = new QListWidgetItem(QString::fromStdString(bot->BotTypeName()), lstBotsInPlay);
            line->setData(Qt::UserRole, static_cast<int>(bot->BotType()));
        }
    }
    UpdateBotsInPlayMarks(game);
    UdpateMakePMsMenuItem();
}

void TfrmMain::UpdateBotsInPlayMarks(TGame* game)
{
    // Before the first turn there is no program to wait for.
    const bool turn = game && game->TurnCount() > 0 && game->BotList();
    for (int i = 0; i < lstBotsInPlay->count(); ++i) {
        QListWidgetItem* line = lstBotsInPlay->item(i);
        const TBot* bot = turn ? game->BotList()->FindByType(static_cast<TBotType>(line->data(Qt::UserRole).toInt())) : nullptr;
        if (!bot) {
            line->setIcon(QIcon());
            line->setToolTip(QString());
            continue;
        }
        const bool in = ProgramIsIn(*bot);
        line->setIcon(ProgramMark(in));
        line->setToolTip(in ? "Program in" : "Waiting for the program");
    }
}

TBot* TfrmMain::GetSelectedBot()
{
    TMethodTrace trace(Traced("GetSelectedBot"));
    QListWidgetItem* line = lstBotsInPlay->currentItem();
    TGame* game = Game();
    if (!line || !line->isSelected() || !game || !game->BotList())
        return nullptr;
    return game->BotList()->FindByType(static_cast<TBotType>(line->data(Qt::UserRole).toInt()));
}

void TfrmMain::UpdateSelectedBot(TGame* game, bool forced)
{
    TMethodTrace trace(Traced("UpdateSelectedBot"));
    TBot* bot = GetSelectedBot();
    const bool other = (bot ? bot->BotType() : btUnknown) != FLastBot;
    FUpdating = true;
    try {
        if (bot) {
            if (other) {
                edtPlayerName->setText(QString::fromStdString(bot->PlayerName()));
                edtLives->setValue(bot->LivesCount());
                edtMaxCards->setValue(bot->MaxCards());
                edtDamage->setValue(bot->Damage());
                cbxState->setCurrentIndex(cbxState->findData(static_cast<int>(bot->BotState())));
                cbxActivityLevel->setCurrentIndex(cbxActivityLevel->findData(static_cast<int>(bot->BotActivityLevel())));
                cbxFlag->setCurrentIndex(bot->FlagTouched() >= 0 && bot->FlagTouched() < cbxFlag->count() ? bot->FlagTouched() : -1);
                SetBotFieldsEnabled(true);
            }
            if (other || forced) {
                UpdateRegisters();
                UpdateProgramCards(game);
                UpdateOptionCards(game);
                UpdateOptionButtons(game);
                UpdateOptionData(Game());
                UpdateNotes();
            }
            if (other || FOptionListRefresh) {
                UpdateOptionCards(game);
                UpdateOptionButtons(game);
                UpdateOptionData(Game());
                UpdateBuzzBombMenuItems();
            }
            if (other)
                UpdateNotes();
        } else {
            edtPlayerName->clear();
            edtLives->setValue(0);
            edtMaxCards->setValue(0);
            edtDamage->setValue(0);
            cbxState->setCurrentIndex(-1);
            cbxActivityLevel->setCurrentIndex(-1);
            cbxFlag->setCurrentIndex(-1);
            UpdateRegisters();
            lstProgramCards->clear();
            lstOptionCards->clear();
            UpdateOptionData(Game());
            mmoNotes->clear();
            FShownNotes.clear();
            SetBotFieldsEnabled(false);
        }
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FLastBot = bot ? bot->BotType() : btUnknown;
    FUpdating = false;
}

void TfrmMain::UpdateRegisters()
{
    TMethodTrace trace(Traced("UpdateRegisters"));
    for (int n = 1; n <= 5; ++n) {
        UpdateRegisterText(n);
        UpdateRegisterButtons(n);
    }
    UpdateRegisterOther();
    UpdateBarRegisterOther();
}

void TfrmMain::UpdateRegisterText(int n)
{
    TMethodTrace trace(Traced("UpdateRegisterText"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    TRegisterBox* box = edtRegisters[static_cast<std::size_t>(n - 1)];
    if (!game || !bot)
        box->ShowRegister(std::string(), false);
    else
        box->ShowRegister(RegisterText(*game, bot, n), IsRegisterLocked(bot, n));
}

void TfrmMain::UpdateRegisterButtons(int n)
{
    TMethodTrace trace(Traced("UpdateRegisterButtons"), TMethodTrace::AlsoOnError);
    QToolBar* bar = barRegisters[static_cast<std::size_t>(n - 1)];
    SetRegisterToolBarToDefault(bar);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot && GetCardInRegister(*game, bot, n))
        SetRegisterToolBarForCard(bar, RegisterBarState(*game, bot, n));
}

void TfrmMain::UpdateRegisterOther()
{
    TMethodTrace trace(Traced("UpdateRegisterOther"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    lstRegisterOther->SetOtherEntries(game && bot ? OtherListEntries(*game, bot) : std::vector<TOtherEntry>());
}

void TfrmMain::UpdateBarRegisterOther()
{
    TMethodTrace trace(Traced("UpdateBarRegisterOther"), TMethodTrace::AlsoOnError);
    SetRegisterToolBarToDefault(barRegisterOther);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    const int entry = lstRegisterOther->SelectedEntryIndex();
    if (game && bot && entry >= 0)
        SetRegisterToolBarForCard(barRegisterOther, OtherBarState(*game, bot, entry));
}

void TfrmMain::SetRegisterToolBarToDefault(QToolBar* bar)
{
    TMethodTrace trace(Traced("SetRegisterToolBarToDefault"), TMethodTrace::AlsoOnError);
    ApplyRegisterBarState(bar, TRegisterBarState());
}

void TfrmMain::SetRegisterToolBarForCard(QToolBar* bar, const TRegisterBarState& state)
{
    TMethodTrace trace(Traced("SetRegisterToolBarForCard"), TMethodTrace::AlsoOnError);
    ApplyRegisterBarState(bar, state);
}

void TfrmMain::UpdateProgramCards(TGame* game)
{
    TMethodTrace trace(Traced("UpdateProgramCards"));
    TBot* bot = GetSelectedBot();
    lstProgramCards->SetHandCards(game && bot ? HandListCards(*game, bot) : std::vector<TProgramCard*>());
}

void TfrmMain::UpdateOptionCards(TGame* /*game*/)
{
    TMethodTrace trace(Traced("UpdateOptionCards"));
    lstOptionCards->clear();
    TBot* bot = GetSelectedBot();
    if (!bot)
        return;
    for (int index : ShownOptions(*bot)) {
        auto* line = new QListWidgetItem(QString::fromStdString(bot->Options()->Items(index)->CardName()), lstOptionCards);
        line->setData(Qt::UserRole, index);
    }
}

TOptionCard* TfrmMain::GetSelectedOption()
{
    QListWidgetItem* line = lstOptionCards->currentItem();
    TBot* bot = GetSelectedBot();
    if (!line || !line->isSelected() || !bot || !bot->Options())
        return nullptr;
    return bot->Options()->Items(line->data(Qt::UserRole).toInt());
}

void TfrmMain::UpdateOptionButtons(TGame* /*game*/)
{
    TMethodTrace trace(Traced("UpdateOptionButtons"));
    const bool lineSelected = lstOptionCards->count() > 0 && lstOptionCards->currentItem() && lstOptionCards->currentItem()->isSelected();
    SetCommandControlEnabled(btnDeleteOption, lineSelected && lstOptionCards->isEnabled());
}

void TfrmMain::UpdateOptionData(TGame* game)
{
    TMethodTrace trace(Traced("UpdateOptionData"), TMethodTrace::AlsoOnError);
    // Filling the fields must not write them back into the option.
    const bool refreshing = FOptionListRefresh;
    FOptionListRefresh = true;
    edtOptionType->clear();
    edtOptionKind->clear();
    edtOptionSource->clear();
    edtOptionDamage->clear();
    mmoOptionDescription->clear();
    edtOptionQuantity->setRange(-1, -1);
    edtOptionQuantity->setValue(-1);
    cbxOptionFacing->setCurrentIndex(-1);
    SetBotOptionFieldsEnabled(false);
    TOptionCard* option = game ? GetSelectedOption() : nullptr;
    if (option) {
        const TOptionView view = OptionView(game, *option);
        edtOptionType->setText(QString::fromStdString(view.Type));
        edtOptionKind->setText(QString::fromStdString(view.Kind));
        edtOptionSource->setText(QString::fromStdString(view.Source));
        edtOptionQuantity->setRange(view.QuantityMinimum, view.QuantityMaximum);
        edtOptionQuantity->setValue(view.Quantity);
        cbxOptionFacing->setCurrentIndex(view.Facing < 0 ? -1 : cbxOptionFacing->findData(view.Facing));
        edtOptionDamage->setText(QString::fromStdString(view.Damage));
        mmoOptionDescription->setPlainText(QString::fromStdString(view.Description));
        SetBotOptionFieldsEnabled(true);
    }
    FOptionListRefresh = refreshing;
}

void TfrmMain::UpdateNotes()
{
    TMethodTrace trace(Traced("UpdateNotes"), TMethodTrace::AlsoOnError);
    TBot* bot = GetSelectedBot();
    static const std::string none;
    const std::string& notes = bot ? bot->GameNotes() : none;
    // Notes can be megabytes, and filling the memo costs about a second for 7 MB: it is filled
    // only while its tab is shown, and only when the notes differ from what it shows.
    if (notes == FShownNotes || pgeBot->currentWidget() != tabNotes)
        return;
    const bool updating = FUpdating;
    FUpdating = true;
    mmoNotes->setPlainText(QString::fromStdString(NotesToMemoText(notes)));
    FShownNotes = notes;
    FUpdating = updating;
}

void TfrmMain::UpdateMenuItems(TGame* game)
{
    TMethodTrace trace(Traced("UpdateMenuItems"));
    TMainMenuState state = MainMenuState(game, lstBotsInPlay->count());
    EnableCommand(mniOpenGame, state.OpenGame);
    EnableCommand(mniOpenSampleGame, state.OpenGame && SampleGameAvailable());
    EnableCommand(mniSaveGame, state.SaveGame);
    EnableCommand(mniSaveGameAs, state.SaveGame);
    EnableCommand(mniOpenGameFolder, state.SaveGame);
    EnableCommand(mniExit, state.Exit);
    EnableCommand(mniNewGame, state.NewGame);
    EnableCommand(mniAddBot, state.AddBot);
    EnableCommand(mniProgramCards, state.ProgramCards);
    EnableCommand(mniOptionCards, state.OptionCards);
    EnableCommand(mniScoreBoard, state.ScoreBoard);
    EnableCommand(mniShuffleProgramCards, state.ShuffleProgramCards);
    EnableCommand(mniShuffleOptionCards, state.ShuffleOptionCards);
    EnableCommand(mniNextTurn, state.NextTurn);
    EnableCommand(mniProcessTurn, state.ProcessTurn);
    EnableCommand(mniBoardEditor, state.BoardEditor);
    UpdateBuzzBombMenuItems();
    UdpateMakePMsMenuItem();
}

void TfrmMain::UpdateBuzzBombMenuItems()
{
    TMethodTrace trace(Traced("UpdateBuzzBombMenuItems"));
    TMainMenuState state = MainMenuState(Game(), lstBotsInPlay->count());
    mniAddBuzzBomb->setVisible(state.AddBuzzBombVisible);
    EnableCommand(mniAddBuzzBomb, state.AddBuzzBomb);
    mniDeleteBuzzBomb->setVisible(state.DeleteBuzzBombVisible);
    EnableCommand(mniDeleteBuzzBomb, state.DeleteBuzzBomb);
    mniAddBuzzBomb->setShortcut(state.AddBuzzBombVisible ? QKeySequence("Ctrl+Z") : QKeySequence());
    mniDeleteBuzzBomb->setShortcut(state.DeleteBuzzBombVisible ? QKeySequence("Ctrl+Z") : QKeySequence());
}

void TfrmMain::UdpateMakePMsMenuItem()
{
    TMethodTrace trace(Traced("UdpateMakePMsMenuItem"));
    EnableCommand(mniMakePMs, MakePMsAllowed(Game(), lstBotsInPlay->count()));
}

// ---------------------------------------------------------------------------------------------
// Enabling

void TfrmMain::SetControlEnabled(QWidget* control, bool enabled)
{
    TMethodTrace trace(Traced("SetControlEnabled"));
    control->setEnabled(enabled);
    SetControlEnabledVisualOnly(control, enabled);
}

void TfrmMain::SetControlEnabledVisualOnly(QWidget* control, bool enabled)
{
    TMethodTrace trace(Traced("SetControlEnabledVisualOnly"));
    const QPalette& system = QApplication::palette();
    QColor background = system.color(enabled ? QPalette::Base : QPalette::Button);
    QPalette palette = control->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, background);
    control->setPalette(palette);
}

void TfrmMain::SetBotFieldsEnabled(bool enable)
{
    TMethodTrace trace(Traced("SetBotFieldsEnabled"));
    TBotFieldsEnabling e = BotFieldsEnabling(enable, GetSelectedBot(), Game());
    SetControlEnabled(edtPlayerName, e.PlayerName);
    for (QWidget* field : std::initializer_list<QWidget*>{edtLives, edtMaxCards, edtDamage, cbxState, cbxActivityLevel, cbxFlag})
        SetControlEnabled(field, e.BotValues);
    for (TRegisterBox* box : edtRegisters)
        SetControlEnabled(box, e.TurnControls);
    SetControlEnabled(lstProgramCards, e.TurnControls);
    SetCommandControlEnabled(btnNewHand, e.TurnControls);
    SetCommandControlEnabled(btnMakePM, e.TurnControls);
    SetControlEnabled(lstRegisterOther, e.TradeControls);
    SetControlEnabled(lstOptionCards, e.TradeControls);
    for (QPushButton* button : {btnTradeHand, btnCopyProgram, btnAddOption, btnDeleteOption, btnTradeOption})
        SetCommandControlEnabled(button, e.TradeControls);
    SetControlEnabled(mmoNotes, e.Notes);
    SetBotOptionFieldsEnabled(e.OptionFields);
    UpdateBuzzBombMenuItems();
}

void TfrmMain::SetBotOptionFieldsEnabled(bool enable)
{
    TMethodTrace trace(Traced("SetBotOptionFieldsEnabled"));
    SetControlEnabled(edtOptionQuantity, enable && edtOptionQuantity->value() != -1);
    // Open also for an option not mounted yet (no facing chosen), or it could never be mounted.
    SetControlEnabled(cbxOptionFacing, enable);
}

// ---------------------------------------------------------------------------------------------
// Making, opening and saving a game

bool TfrmMain::ConfirmDiscardChanges()
{
    TGame* game = Game();
    if (!game || !FSession.Modified())
        return true;
    switch (AskSaveChanges(Format("The game \"%s\" has changed since it was last saved. Save the changes?",
        game->GameName().c_str()))) {
    case saSave:
        return SaveGameToItsFile();
    case saDiscard:
        FSession.DiscardRecovery();
        return true;
    default:
        return false;
    }
}

void TfrmMain::mniNewGameClick()
{
    TMethodTrace trace(Traced("mniNewGameClick"));
    if (!ConfirmDiscardChanges())
        return;
    TNewGameSettings settings;
    TChitList chits;
    if (TChitList* catalogue = FSession.ChitList())
        for (int i = 0; i < catalogue->Count(); ++i)
            chits.AddChitCopy(*catalogue->Items(i));
    if (!FSession.BoardList())
        return;
    if (ExecuteNewGame(settings, *FSession.BoardList(), chits))
        NewGame(settings);
}

void TfrmMain::NewGame(TNewGameSettings& settings)
{
    TMethodTrace trace(Traced("NewGame"));
    lblTurn->hide();
    CloseProcessTurnWindow();
    InitializeUnusedDecks();
    FSession.MakeNewGame(settings);
    FLastBot = btUnknown;
    DestroyUnusedDecks();
}

TFileDialogSetup TfrmMain::GameFileDialogSetup() const
{
    TFileDialogSetup setup;
    setup.DefaultExtension = "cgx";
    setup.Filter = "Cogline Game Files (*.cgx)|*.cgx|All Files (*.*)|*.*";
    if (FSession.LastFileName().empty()) {
        setup.Folder = UserFolder();
    } else {
        const QFileInfo last(QString::fromStdString(FSession.LastFileName()));
        setup.Folder = last.absolutePath().toStdString();
        setup.FileName = last.fileName().toStdString();
    }
    return setup;
}

void TfrmMain::mniOpenGameClick()
{
    TMethodTrace trace(Traced("mniOpenGameClick"));
    if (!ConfirmDiscardChanges())
        return;
    const std::optional<std::string> path = ChooseFileToOpen(GameFileDialogSetup());
    if (!path)
        return;
    // A file that does not open leaves the open game as it was; its error goes to the handler.
    OpenGameFile(*path);
}

void TfrmMain::mniOpenSampleGameClick()
{
    TMethodTrace trace(Traced("mniOpenSampleGameClick"));
    if (!ConfirmDiscardChanges())
        return;
    // An installed copy opens the game master's own copy, which it makes the first time.
    const std::string file = SampleGameToOpen();
    if (file.empty()) {
        ShowMessage(Format("The sample game is not there: %s", ShippedSampleGameFile().c_str()));
        return;
    }
    OpenGameFile(file);
}

void TfrmMain::OpenGameFile(const std::string& fileName)
{
    if (const std::optional<TRecoveryOffer> offer = RecoveryOfferFor(fileName)) {
        if (OfferRecovery(*offer))
            return;
    }
    FSession.OpenGame(fileName);
    CloseProcessTurnWindow();
    FLastBot = btUnknown;
}

void TfrmMain::OpenGameAtStart(const std::string& fileName)
{
    TMethodTrace trace(Traced("OpenGameAtStart"));
    Run(this, [this, fileName] { OpenGameFile(fileName); });
}

void TfrmMain::OfferRecoveryAtStart()
{
    TMethodTrace trace(Traced("OfferRecoveryAtStart"));
    Run(this, [this] {
        if (const std::optional<TRecoveryOffer> offer = RecoveryOfferAtStart(LoadRecentGames(), RecoveryFolder()))
            OfferRecovery(*offer);
    });
}

bool TfrmMain::OfferRecovery(const TRecoveryOffer& offer)
{
    if (!AskRecover(offer.Question)) {
        QFile::remove(QString::fromStdString(offer.RecoveryFile));
        return false;
    }
    FSession.RecoverGame(offer.RecoveryFile, offer.GameFile);
    CloseProcessTurnWindow();
    FLastBot = btUnknown;
    return true;
}

void TfrmMain::mniSaveGameClick()
{
    TMethodTrace trace(Traced("mniSaveGameClick"));
    SaveGameToItsFile();
}

void TfrmMain::mniSaveGameAsClick()
{
    TMethodTrace trace(Traced("mniSaveGameAsClick"));
    SaveGameAs();
}

bool TfrmMain::SaveGameToItsFile()
{
    if (!Game())
        return false;
    if (FSession.GameFileName().empty())
        return SaveGameAs();
    FSession.SaveGame(FSession.GameFileName());
    return true;
}

void TfrmMain::UpdateCaption()
{
    const TGame* game = Game();
    const std::string name = game ? game->GameName() : std::string();
    setWindowTitle(QString::fromStdString(
        MainWindowCaption(ApplicationTitle, VersionText(), game ? &name : nullptr, FSession.GameFileName())));
    setWindowModified(game && FSession.Modified());
}

void TfrmMain::RememberRecentGame()
{
    const std::string& file = FSession.GameFileName();
    if (file.empty() || file == FRememberedFile)
        return;
    FRememberedFile = file;
    StoreRecentGames(WithRecentGame(LoadRecentGames(), file));
}

void TfrmMain::FillRecentGames()
{
    const TRecentGamesCheck check = CheckRecentGames(LoadRecentGames());
    if (!check.Dropped.empty()) {
        StoreRecentGames(check.Kept);
        QStringList names;
        for (const std::string& file : check.Dropped)
            names << QString::fromStdString(file);
        statusBar()->showMessage(QString("No longer there, dropped from the recent games: %1").arg(names.join(", ")));
    }
    mniRecentGames->clear();
    int number = 1;
    for (const std::string& file : check.Kept) {
        const QString shown = QFileInfo(QString::fromStdString(file)).fileName().replace('&', "&&");
        QAction* item = mniRecentGames->addAction(QString("&%1 %2").arg(number++).arg(shown));
        item->setToolTip(QString::fromStdString(file));
        connect(item, &QAction::triggered, this, [this, item, file] { Run(item, [this, file] { OpenRecentGame(file); }); });
    }
    mniRecentGames->setEnabled(!check.Kept.empty());
    // The start page offers the same games.
    for (std::size_t i = 0; i < btnStartRecentGames.size(); ++i) {
        QCommandLinkButton* link = btnStartRecentGames[i];
        const bool shown = i < check.Kept.size();
        link->setVisible(shown);
        if (!shown)
            continue;
        const QFileInfo file(QString::fromStdString(check.Kept[i]));
        link->setText(QString("&%1 %2").arg(i + 1).arg(file.fileName().replace('&', "&&")));
        link->setDescription(QDir::toNativeSeparators(file.absolutePath()));
        link->setProperty("FileName", QString::fromStdString(check.Kept[i]));
    }
    lblStartRecentGames->setVisible(!check.Kept.empty());
}

void TfrmMain::mniAboutClick()
{
    TMethodTrace trace(Traced("mniAboutClick"));
    ShowMessage(Format("%s v%s\n\nKeeps a play-by-forum game of programmable racing robots: deals the hands, "
                       "reads the programs back and makes each phase's pictures and forum posts.\n\n"
                       "Qt %s\nReference data: %s\nGames, pictures and reports: %s",
        ApplicationTitle, VersionText().c_str(), qVersion(), DataFolder().c_str(), UserFolder().c_str()));
}

void TfrmMain::mniOpenGameFolderClick()
{
    TMethodTrace trace(Traced("mniOpenGameFolderClick"));
    if (!Game())
        return;
    const std::string folder = GameFolder(Game()->GameName());
    // The folder appears with the first pictures; made now, the file manager has something to show.
    QDir().mkpath(QString::fromStdString(folder));
    OpenWithDesktop(folder);
}

void TfrmMain::OpenRecentGame(const std::string& fileName)
{
    TMethodTrace trace(Traced("OpenRecentGame"));
    if (!QFileInfo(QString::fromStdString(fileName)).isFile()) {
        FillRecentGames();
        return;
    }
    if (!ConfirmDiscardChanges())
        return;
    OpenGameFile(fileName);
}

bool TfrmMain::SaveGameAs()
{
    if (!Game())
        return false;
    const std::optional<std::string> path = ChooseFileToSave(GameFileDialogSetup());
    if (!path)
        return false;
    FSession.SaveGame(*path);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Game commands

void TfrmMain::mniAddBotClick()
{
    TMethodTrace trace(Traced("mniAddBotClick"));
    TGame* game = Game();
    if (game && AddBots(*game))
        FSession.MarkChanged(gcInPlay | gcBots);
}

void TfrmMain::mniNextTurnClick()
{
    TMethodTrace trace(Traced("mniNextTurnClick"));
    NextTurn();
}

void TfrmMain::btnNewTurnClick()
{
    TMethodTrace trace(Traced("btnNewTurnClick"));
    NextTurn();
}

void TfrmMain::NextTurn()
{
    TMethodTrace trace(Traced("NextTurn"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    if (!game || !game->BotList())
        return;
    FSession.StartNextTurn();
    FSession.Autosave();
}

void TfrmMain::mniAddBuzzBombClick()
{
    TMethodTrace trace(Traced("mniAddBuzzBombClick"));
    AddBuzzBomb(Game());
    UpdateBuzzBombMenuItems();
}

void TfrmMain::mniDeleteBuzzBombClick()
{
    TMethodTrace trace(Traced("mniDeleteBuzzBombClick"));
    DeleteBuzzBomb(Game());
    UpdateBuzzBombMenuItems();
}

void TfrmMain::AddBuzzBomb(TGame* game)
{
    TMethodTrace trace(Traced("AddBuzzBomb"), TMethodTrace::AlsoOnError);
    if (game && ::AddBuzzBomb(*game))
        FSession.MarkChanged(gcInPlay | gcBots);
}

void TfrmMain::DeleteBuzzBomb(TGame* game)
{
    TMethodTrace trace(Traced("DeleteBuzzBomb"), TMethodTrace::AlsoOnError);
    if (game && ::DeleteBuzzBomb(*game))
        FSession.MarkChanged(gcInPlay | gcBots | gcDecks);
}

void TfrmMain::mniShuffleProgramCardsClick()
{
    TMethodTrace trace(Traced("mniShuffleProgramCardsClick"));
    if (TGame* game = Game(); game && game->ProgramDeck()) {
        game->ProgramDeck()->Reshuffle();
        FSession.MarkChanged(gcDecks);
    }
}

void TfrmMain::mniShuffleOptionCardsClick()
{
    TMethodTrace trace(Traced("mniShuffleOptionCardsClick"));
    if (TGame* game = Game(); game && game->OptionDeck()) {
        game->OptionDeck()->Reshuffle();
        FSession.MarkChanged(gcDecks);
    }
}

// ---------------------------------------------------------------------------------------------
// The selected bot

void TfrmMain::lstBotsInPlayMouseUp()
{
    TMethodTrace trace(Traced("lstBotsInPlayMouseUp"), TMethodTrace::AlsoOnError);
    if (Game())
        UpdateSelectedBot(Game(), false);
}

void TfrmMain::lstBotsInPlayKeyUp()
{
    TMethodTrace trace(Traced("lstBotsInPlayKeyUp"));
    UpdateSelectedBot(Game(), false);
}

void TfrmMain::btnNewHandClick()
{
    TMethodTrace trace(Traced("btnNewHandClick"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (!game || !bot)
        return;
    ::NewHand(*game, *bot);
    FSession.MarkChanged(gcBots | gcDecks);
}

void TfrmMain::CopyProgramRefList(TGame* game, TCardRefList& from, TCardRefList& to)
{
    TMethodTrace trace(Traced("CopyProgramRefList"));
    if (game)
        ::CopyProgramRefList(*game, from, to);
}

void TfrmMain::btnTradeHandClick()
{
    TMethodTrace trace(Traced("btnTradeHandClick"));
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (!game || !bot)
        return;
    TBot* other = SelectBot(*game, bot, TProgramCard::StaticClass());
    if (!other || other == bot)
        return;
    ::TradeHand(*game, *bot, *other);
    FSession.MarkChanged(gcBots);
}

void TfrmMain::WriteBotField(QWidget* field, const std::function<void(TBot&)>& write)
{
    if (FUpdating || !field->isEnabled())
        return;
    if (TBot* bot = GetSelectedBot()) {
        write(*bot);
        FSession.MarkChanged(gcBotFields);
    }
}

void TfrmMain::edtPlayerNameChange()
{
    TMethodTrace trace(Traced("edtPlayerNameChange"));
    WriteBotField(edtPlayerName, [this](TBot& bot) { bot.SetPlayerName(edtPlayerName->text().toStdString()); });
}

void TfrmMain::edtLivesChange()
{
    TMethodTrace trace(Traced("edtLivesChange"));
    WriteBotField(edtLives, [this](TBot& bot) { bot.SetLivesCount(edtLives->value()); });
}

void TfrmMain::edtMaxCardsChange()
{
    TMethodTrace trace(Traced("edtMaxCardsChange"));
    WriteBotField(edtMaxCards, [this](TBot& bot) { bot.SetMaxCards(edtMaxCards->value()); });
}

void TfrmMain::edtDamageChange()
{
    TMethodTrace trace(Traced("edtDamageChange"));
    WriteBotField(edtDamage, [this](TBot& bot) { bot.SetDamage(edtDamage->value()); });
}

void TfrmMain::UpdateBotState()
{
    TMethodTrace trace(Traced("UpdateBotState"), TMethodTrace::AlsoOnError);
    if (cbxState->currentIndex() >= 0)
        WriteBotField(cbxState, [this](TBot& bot) { bot.SetBotState(static_cast<TBotState>(cbxState->currentData().toInt())); });
}

void TfrmMain::UpdateBotActivityLevel()
{
    TMethodTrace trace(Traced("UpdateBotActivityLevel"), TMethodTrace::AlsoOnError);
    if (cbxActivityLevel->currentIndex() >= 0)
        WriteBotField(cbxActivityLevel, [this](TBot& bot) {
            bot.SetBotActivityLevel(static_cast<TBotActivityLevel>(cbxActivityLevel->currentData().toInt()));
        });
}

void TfrmMain::UpdateBotFlagTouched()
{
    TMethodTrace trace(Traced("UpdateBotFlagTouched"), TMethodTrace::AlsoOnError);
    if (cbxFlag->currentIndex() >= 0)
        WriteBotField(cbxFlag, [this](TBot& bot) { bot.SetFlagTouched(cbxFlag->currentIndex()); });
}

void TfrmMain::mmoNotesChange()
{
    TMethodTrace trace(Traced("mmoNotesChange"));
    UpdateBotNotes();
}

void TfrmMain::UpdateBotNotes()
{
    TMethodTrace trace(Traced("UpdateBotNotes"), TMethodTrace::AlsoOnError);
    WriteBotField(mmoNotes, [this](TBot& bot) {
        ::UpdateBotNotes(bot, mmoNotes->toPlainText().toStdString());
        // The memo shows these notes already, in the game master's own line ends.
        FShownNotes = bot.GameNotes();
    });
}

// ---------------------------------------------------------------------------------------------
// Options tab

void TfrmMain::lstOptionCardsClick()
{
    TMethodTrace trace(Traced("lstOptionCardsClick"));
    RefreshSelectedOption();
}

void TfrmMain::RefreshSelectedOption()
{
    FOptionListRefresh = true;
    try {
        UpdateOptionButtons(Game());
        UpdateOptionData(Game());
    } catch (...) {
        FOptionListRefresh = false;
        throw;
    }
    FOptionListRefresh = false;
}

void TfrmMain::UpdateBotOptionCardValue()
{
    TMethodTrace trace(Traced("UpdateBotOptionCardValue"), TMethodTrace::AlsoOnError);
    if (FOptionListRefresh || FUpdating)
        return;
    TOptionCard* option = GetSelectedOption();
    if (!option)
        return;
    option->SetQuantity(edtOptionQuantity->value());
    if (cbxOptionFacing->currentIndex() >= 0)
        option->SetOptionFacing(static_cast<TOptionFacing>(cbxOptionFacing->currentData().toInt()));
    FSession.MarkChanged(gcBotFields);
}

void TfrmMain::btnAddOptionClick()
{
    TMethodTrace trace(Traced("btnAddOptionClick"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (!game || !bot)
        return;
    ::DealOption(*game, *bot);
    FSession.MarkChanged(gcBots | gcDecks);
}

void TfrmMain::btnDeleteOptionClick()
{
    TMethodTrace trace(Traced("btnDeleteOptionClick"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    TOptionCard* option = GetSelectedOption();
    if (!game || !bot || !option)
        return;
    ::DiscardOption(*game, *bot, *option);
    FSession.MarkChanged(gcBots | gcDecks);
}

void TfrmMain::btnTradeOptionClick()
{
    TMethodTrace trace(Traced("btnTradeOptionClick"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    TOptionCard* mine = GetSelectedOption();
    if (!game || !bot || !mine)
        return;
    TBot* other = SelectBot(*game, bot, TOptionCard::StaticClass());
    if (!other || other == bot)
        return;
    TOptionCard* theirs = GetBotOption(*other);
    if (!theirs)
        return;
    if (::TradeOption(*bot, *mine, *other, *theirs))
        FSession.MarkChanged(gcBots);
}

// ---------------------------------------------------------------------------------------------
// The hidden rebuild of the reference files from the built-in tables

void TfrmMain::btnKillWarningClick()
{
    TMethodTrace trace(Traced("btnKillWarningClick"));
    BuildProgramCards();
    BuildBaseOptionCards();
    BuildBoltsAndBlastersOptionCards();
    BuildBoardList();
    BuildChitList();
}

void TfrmMain::BuildProgramCards()
{
    TMethodTrace trace(Traced("BuildProgramCards"), TMethodTrace::AlsoOnError);
    BuildProgramDeckFile(UserFolder());
}

void TfrmMain::BuildBaseOptionCards()
{
    TMethodTrace trace(Traced("BuildBaseOptionCards"));
    BuildBaseOptionDeckFile(UserFolder());
}

void TfrmMain::BuildBoltsAndBlastersOptionCards()
{
    TMethodTrace trace(Traced("BuildBoltsAndBlastersOptionCards"));
    BuildBoltsAndBlastersOptionDeckFile(UserFolder());
}

void TfrmMain::BuildBoardList()
{
    TMethodTrace trace(Traced("BuildBoardList"));
    BuildBoardListFile(UserFolder());
}

void TfrmMain::BuildChitList()
{
    TMethodTrace trace(Traced("BuildChitList"));
    BuildChitListFile(UserFolder());
}

// ---------------------------------------------------------------------------------------------
// Program tab

void TfrmMain::ProgramChanged(bool changed)
{
    if (changed)
        FSession.MarkChanged(gcBots | gcDecks);
}

bool TfrmMain::edtRegisterDragOver(QObject* sender, const TDragCard& payload)
{
    TMethodTrace trace(Traced("edtRegisterDragOver"), TMethodTrace::AlsoOnError);
    Log().TraceFmt("  Sender = %s", sender->metaObject()->className());
    Log().TraceFmt("  Source = %s", payload.metaObject()->className());
    return RegisterAcceptsDrop(GetSelectedBot(), RegisterNbr(sender->objectName().toStdString()));
}

void TfrmMain::edtRegisterDragDrop(int n, const TDragCard& payload)
{
    TMethodTrace trace(Traced("edtRegisterDragDrop"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot)
        ProgramChanged(DropOnRegister(*game, *bot, n, payload.CardID(), DragSourceRegister(payload)));
}

void TfrmMain::grpRegistersDragDrop(const TDragCard& payload)
{
    TMethodTrace trace(Traced("grpRegistersDragDrop"), TMethodTrace::AlsoOnError);
    ProgramNextOpenRegister(payload);
}

void TfrmMain::RegisterToolBarDragDrop(const TDragCard& payload)
{
    TMethodTrace trace(Traced("RegisterToolBarDragDrop"));
    ProgramNextOpenRegister(payload);
}

void TfrmMain::ProgramNextOpenRegister(const TDragCard& payload)
{
    TMethodTrace trace(Traced("ProgramNextOpenRegister"));
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot)
        ProgramChanged(::ProgramNextOpenRegister(*game, *bot, payload.CardID(), DragSourceRegister(payload)));
}

void TfrmMain::lstProgramCardsDragDrop(const TDragCard& payload)
{
    TMethodTrace trace(Traced("lstProgramCardsDragDrop"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot)
        ProgramChanged(DropOnHand(*game, *bot, payload.CardID(), DragSourceRegister(payload)));
}

void TfrmMain::lstRegisterOtherDragDrop(const TDragCard& payload)
{
    TMethodTrace trace(Traced("lstRegisterOtherDragDrop"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot)
        ProgramChanged(DropOnOther(*game, *bot, payload.CardID(), DragSourceRegister(payload)));
}

std::string TfrmMain::edtRegisterStartDrag(int n)
{
    TMethodTrace trace(Traced("edtRegisterStartDrag"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    return game && bot ? RegisterDragCardID(*game, bot, n) : std::string();
}

void TfrmMain::edtRegisterMouseMove(QObject* sender)
{
    TMethodTrace trace(Traced("edtRegisterMouseMove"), TMethodTrace::AlsoOnError);
    Log().TraceFmt("  Sender = %s", sender->metaObject()->className());
}

void TfrmMain::edtRegisterDblClick(int n)
{
    TMethodTrace trace(Traced("edtRegisterDblClick"), TMethodTrace::AlsoOnError);
    ClearRegister(n, csDealt);
}

void TfrmMain::lstProgramCardsDblClick(const std::string& card)
{
    TMethodTrace trace(Traced("lstProgramCardsDblClick"));
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot && !card.empty())
        ProgramChanged(::ProgramNextOpenRegister(*game, *bot, card, -1));
}

void TfrmMain::btnLockRegister1Click(int n)
{
    TMethodTrace trace(Traced("btnLockRegister1Click"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot)
        ProgramChanged(ToggleRegisterLock(*game, *bot, n));
}

void TfrmMain::btnClearRegisterClick(int n)
{
    TMethodTrace trace(Traced("btnClearRegisterClick"), TMethodTrace::AlsoOnError);
    ClearRegister(n, csDealt);
}

void TfrmMain::ClearRegister(int n, TCardState state)
{
    TMethodTrace trace(Traced("ClearRegister"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot)
        ProgramChanged(::ClearRegister(*game, *bot, n, state));
}

void TfrmMain::btnRandomRegisterDeckClick(int n)
{
    TMethodTrace trace(Traced("btnRandomRegisterDeckClick"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot)
        ProgramChanged(RandomCardForRegister(*game, *bot, n));
}

void TfrmMain::lstRegisterOtherClick()
{
    TMethodTrace trace(Traced("lstRegisterOtherClick"));
    UpdateBarRegisterOther();
}

void TfrmMain::btnLockRegistersOtherClick()
{
    TMethodTrace trace(Traced("btnLockRegistersOtherClick"), TMethodTrace::AlsoOnError);
    SetRegisterOtherLockedState();
}

void TfrmMain::SetRegisterOtherLockedState()
{
    TMethodTrace trace(Traced("SetRegisterOtherLockedState"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    const int entry = lstRegisterOther->SelectedEntryIndex();
    if (game && bot && entry >= 0)
        ProgramChanged(ToggleOtherLock(*game, *bot, entry));
}

void TfrmMain::btnClearRegisterOtherClick()
{
    TMethodTrace trace(Traced("btnClearRegisterOtherClick"), TMethodTrace::AlsoOnError);
    ClearRegisterOther();
}

void TfrmMain::ClearRegisterOther()
{
    TMethodTrace trace(Traced("ClearRegisterOther"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    const int entry = lstRegisterOther->SelectedEntryIndex();
    if (game && bot && entry >= 0)
        ProgramChanged(ClearOther(*game, *bot, entry));
}

// ---------------------------------------------------------------------------------------------
// Private messages, pasted and copied programs

void TfrmMain::btnMakePMClick()
{
    TMethodTrace trace(Traced("btnMakePMClick"));
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (game && bot)
        ShowPrivateMessage(MakePM(*game, *bot));
}

void TfrmMain::mniMakePMsClick()
{
    TMethodTrace trace(Traced("mniMakePMsClick"));
    TGame* game = Game();
    if (!game || !game->BotList())
        return;
    std::vector<const TBot*> bots;
    for (int i = 0; i < lstBotsInPlay->count(); ++i)
        if (const TBot* bot = game->BotList()->FindByType(static_cast<TBotType>(lstBotsInPlay->item(i)->data(Qt::UserRole).toInt())))
            bots.push_back(bot);
    ShowPrivateMessage(MakePMs(*game, bots));
}

void TfrmMain::btnCopyProgramClick()
{
    TMethodTrace trace(Traced("btnCopyProgramClick"), TMethodTrace::AlsoOnError);
    TGame* game = Game();
    TBot* source = GetSelectedBot();
    if (!game || !source)
        return;
    TBot* target = SelectBot(*game, source, TProgramCard::StaticClass());
    if (target && target != source && CopyProgram(*game, *source, *target))
        FSession.MarkChanged(gcBots | gcDecks);
}

void TfrmMain::FormKeyDown()
{
    TMethodTrace trace(Traced("FormKeyDown"));
    if (!GetSelectedBot())
        return;
    AttemptToPasteProgram(QApplication::clipboard()->text().toStdString());
}

void TfrmMain::AttemptToPasteProgram(const std::string& text)
{
    TMethodTrace trace(Traced("AttemptToPasteProgram"));
    TGame* game = Game();
    TBot* bot = GetSelectedBot();
    if (!game || !bot)
        return;
    if (!::AttemptToPasteProgram(*game, *bot, text).Applied)
        return;
    FSession.MarkChanged(gcBots | gcDecks);
    FSession.Autosave();
    // The notes keep the answer in the form a game file holds; the game master hears of it.
    std::string clean = text;
    if (CleanXmlText(clean))
        ShowMessage("The pasted answer held characters a game file cannot keep as they are: the notes leave "
                    "out its control characters and read bytes that are not UTF-8 as Windows-1252.");
}

// ---------------------------------------------------------------------------------------------
// View commands and the process-turn window

void TfrmMain::mniProgramCardsClick()
{
    TMethodTrace trace(Traced("mniProgramCardsClick"));
    if (TGame* game = Game())
        ViewProgramCards(*game);
}

void TfrmMain::mniOptionCardsClick()
{
    TMethodTrace trace(Traced("mniOptionCardsClick"));
    if (TGame* game = Game())
        ViewOptionCards(*game);
}

void TfrmMain::mniBoardEditorClick()
{
    TMethodTrace trace(Traced("mniBoardEditorClick"));
    if (TBoardList* boards = FSession.BoardList())
        EditBoards(*boards);
}

void TfrmMain::mniProcessTurnClick()
{
    TMethodTrace trace(Traced("mniProcessTurnClick"));
    ShowProcessTurn(ProcessTurnWindow, FSession, this, [this](TfrmProcessTurn* window) { SetfrmProcessTurn(window); });
}

void TfrmMain::SetfrmProcessTurn(TfrmProcessTurn* window)
{
    TMethodTrace trace(Traced("SetfrmProcessTurn"));
    ProcessTurnWindow = window;
}

void TfrmMain::CloseProcessTurnWindow()
{
    // The window clears the slot itself as it goes.
    if (ProcessTurnWindow)
        delete ProcessTurnWindow;
    ProcessTurnWindow = nullptr;
}
