#include "workflow/frmMainUnt.h"

#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/BotUnt.h"
#include "model/GameUnt.h"
#include "model/ProgramUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"
#include "workflow/ApplicationUnt.h"
#include "workflow/MainWindowRulesUnt.h"
#include "workflow/MethodTraceUnt.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
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
#include <QShowEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>
#include <cstdio>

namespace {

const char* const ProgramDeckFileName = "CoreProgramDeck.xml";
const char* const BoardListFileName = "Boards.xml";
const char* const ChitListFileName = "Chits.xml";

// The register tool buttons' images, by index, and the hint that goes with each.
enum TToolImage { tiLock, tiUnlock, tiClear, tiRandom };
const char* const ToolHints[] = {"Lock Register", "Unlock Register", "Clear Register", "Random Card From Deck"};

QIcon ToolImage(int index)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case tiLock:
    case tiUnlock: {
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.setBrush(Qt::NoBrush);
        QPainterPath shackle;
        shackle.moveTo(5, 8);
        shackle.lineTo(5, 5);
        shackle.arcTo(5, 1, 6, 7, 180, -180);
        if (index == tiLock)
            shackle.lineTo(11, 8);
        p.drawPath(shackle);
        p.setPen(Qt::NoPen);
        p.setBrush(index == tiLock ? QColor(200, 150, 20) : QColor(120, 170, 60));
        p.drawRoundedRect(QRectF(3, 7.5, 10, 7.5), 1.5, 1.5);
        break;
    }
    case tiClear:
        p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    default:
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 40));
        for (QPointF pip : {QPointF(5, 5), QPointF(8, 8), QPointF(11, 11), QPointF(11, 5), QPointF(5, 11)})
            p.drawEllipse(pip, 1.3, 1.3);
        break;
    }
    return QIcon(pixmap);
}

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

std::string Traced(const char* method) { return std::string("TfrmMain.") + method; }

} // namespace

// ---------------------------------------------------------------------------------------------

TfrmMain::TfrmMain(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("frmMain");
    CreateControls();
    CreateMenus();
    setWindowTitle(QString::fromUtf8(ApplicationTitle));
    resize(657, 385);
    if (QScreen* shown = screen()) {
        QRect area = shown->availableGeometry();
        move(area.center() - rect().center());
    }
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

TOptionDeck* TfrmMain::UnusedOptionDeck(TOptionSource source) const
{
    auto index = static_cast<std::size_t>(source);
    return index < FUnusedOptionDecks.size() ? FUnusedOptionDecks[index].get() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Controls and menus

void TfrmMain::CreateControls()
{
    auto* central = new QWidget(this);
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
    setCentralWidget(central);
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
    connect(btnKillWarning, &QPushButton::clicked, this,
        [this] { TApplication::RunCommand(btnKillWarning, [this] { btnKillWarningClick(); }); });
    return panel;
}

QToolButton* TfrmMain::AddToolButton(QToolBar* bar, const QString& name, int imageIndex)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setIcon(ToolImage(imageIndex));
    button->setToolTip(QString::fromUtf8(ToolHints[imageIndex]));
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
        auto* box = new QLineEdit(grpRegisters);
        box->setObjectName(QString("edtRegister%1").arg(n));
        box->setReadOnly(true);
        auto* bar = newBar(QString("barRegister%1").arg(n));
        AddToolButton(bar, QString("btnLockRegister%1").arg(n), tiLock);
        AddToolButton(bar, QString("btnClearRegister%1").arg(n), tiClear);
        AddToolButton(bar, QString("btnRandomRegister%1").arg(n), tiRandom);
        edtRegisters[static_cast<std::size_t>(n - 1)] = box;
        barRegisters[static_cast<std::size_t>(n - 1)] = bar;
        registers->addWidget(box, n - 1, 0);
        registers->addWidget(bar, n - 1, 1);
    }
    lstRegisterOther = new QListWidget(grpRegisters);
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
    lstProgramCards = new QListWidget(tab);
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
    btnNewHand = newButton("btnNewHand", "&New Hand");
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
    mniSaveGame = NewMenuItem(file, this, "mniSaveGame", "&Save Game...", "Ctrl+S");
    file->addSeparator();
    mniExit = NewMenuItem(file, this, "mniExit", "E&xit");
    connect(mniExit, &QAction::triggered, this, [this] { TApplication::RunCommand(mniExit, [this] { mniExitClick(); }); });

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

    QMenu* deck = menuBar()->addMenu("&Deck");
    deck->setObjectName("mniDeck");
    mniShuffleProgramCards = NewMenuItem(deck, this, "mniShuffleProgramCards", "Shuffle &Program Cards");
    mniShuffleOptionCards = NewMenuItem(deck, this, "mniShuffleOptionCards", "Shuffle &Option Cards");

    QMenu* view = menuBar()->addMenu("&View");
    view->setObjectName("mniView");
    mniProgramCards = NewMenuItem(view, this, "mniProgramCards", "&Program Cards...");
    mniOptionCards = NewMenuItem(view, this, "mniOptionCards", "&Option Cards...");
    mniBoardEditor = NewMenuItem(view, this, "mniBoardEditor", "&Board Editor...");

    // Until their commands exist, every item but Exit waits disabled.
    for (QAction* item : findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
        if (item->objectName().startsWith("mni"))
            item->setEnabled(IsLive(item));
}

bool TfrmMain::IsLive(const QObject* command) const
{
    return command && command == mniExit;
}

void TfrmMain::EnableCommand(QAction* command, bool allowed)
{
    command->setEnabled(allowed && IsLive(command));
}

void TfrmMain::SetCommandControlEnabled(QWidget* control, bool allowed)
{
    SetControlEnabled(control, allowed && IsLive(control));
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

    FBoardList = std::make_unique<TBoardList>();
    QElapsedTimer clock;
    clock.start();
    std::string problem = LoadReferenceFile(*FBoardList, ExecutableFolder() + BoardListFileName);
    Log().TraceFmt("FBoardList.LoadFromXMLFile msecs = %d", static_cast<int>(clock.elapsed()));
    if (!problem.empty())
        FLoadProblems.push_back(problem);

    FChitList = std::make_unique<TChitList>();
    problem = LoadReferenceFile(*FChitList, ExecutableFolder() + ChitListFileName);
    if (!problem.empty())
        FLoadProblems.push_back(problem);
    for (int i = 0; i < FChitList->Count(); ++i) {
        FChitList->Items(i)->SetBoardList(FBoardList.get());
        FChitList->Items(i)->SetUsedBoardList(nullptr);
    }

    FUpdating = false;
    FOptionListRefresh = false;
    pgeBot->setCurrentWidget(tabProgram);
    InitializeLookupFields();
    FLastFileName.clear();

    // Whatever did not load, the tool still starts and works with the rest.
    ReportLoadProblems();
}

void TfrmMain::InitializeUnusedDecks()
{
    TMethodTrace trace(Traced("InitializeUnusedDecks"));
    FUnusedProgramDeck = std::make_unique<TProgramDeck>();
    std::string problem = LoadReferenceFile(*FUnusedProgramDeck, ExecutableFolder() + ProgramDeckFileName);
    if (!problem.empty())
        FLoadProblems.push_back(problem);
    for (TOptionSource source : {osUnknown, osBaseGame, osBoltsAndBlasters}) {
        auto& slot = FUnusedOptionDecks[static_cast<std::size_t>(source)];
        slot.reset();
        if (source == osUnknown)
            continue;
        slot = std::make_unique<TOptionDeck>();
        problem = LoadReferenceFile(*slot, ExecutableFolder() + OptionDeckFiles[source]);
        if (!problem.empty())
            FLoadProblems.push_back(problem);
    }
}

void TfrmMain::DestroyUnusedDecks()
{
    TMethodTrace trace(Traced("DestroyUnusedDecks"));
    FUnusedProgramDeck.reset();
    for (auto& deck : FUnusedOptionDecks)
        deck.reset();
}

void TfrmMain::ReportLoadProblems()
{
    if (FLoadProblems.empty())
        return;
    std::string text;
    for (const std::string& problem : FLoadProblems)
        text += problem + "\n";
    text += "\nThe tool goes on with the reference data that did load.";
    FLoadProblems.clear();
    ShowMessage(text);
}

void TfrmMain::InitializeLookupFields()
{
    TMethodTrace trace(Traced("InitializeLookupFields"));
    auto fill = [](QComboBox* list, const TEnumInfo& info, int firstValue) {
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

void TfrmMain::FormShow()
{
    TMethodTrace trace(Traced("FormShow"));
    UpdateWithGameData(FGame.get());
}

void TfrmMain::FormActivate()
{
    TMethodTrace trace(Traced("FormActivate"));
    UpdateMenuItems(FGame.get());
}

void TfrmMain::FormDestroy()
{
    TMethodTrace trace(Traced("FormDestroy"));
    DestroyUnusedDecks();
    FGame.reset();
    // The chits point into the board catalogue, so they go first.
    FChitList.reset();
    FBoardList.reset();
    TApplication::SetErrorHandler(std::move(FPreviousErrorHandler));
}

void TfrmMain::mniExitClick()
{
    TMethodTrace trace(Traced("mniExitClick"));
    close();
}

// ---------------------------------------------------------------------------------------------
// Errors

void TfrmMain::OnApplicationError(QObject* sender, const std::exception& error)
{
    TMethodTrace trace(Traced("OnApplicationError"), TMethodTrace::OnReturn, 2);
    std::string text = ApplicationErrorText(error);
    Log().Trace(text);
    ShowMessage(text);
}

// ---------------------------------------------------------------------------------------------
// Refreshing the window from the game

void TfrmMain::UpdateWithGameData(TGame* game)
{
    TMethodTrace trace(Traced("UpdateWithGameData"));
    std::string caption = Format("%s v%s", ApplicationTitle, VersionText().c_str());
    if (game)
        caption += " - " + game->GameName();
    setWindowTitle(QString::fromStdString(caption));
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

void TfrmMain::UpdateBotsInPlay(TGame* game)
{
    TMethodTrace trace(Traced("UpdateBotsInPlay"));
    lstBotsInPlay->clear();
    if (game && game->BotList()) {
        TBotList* bots = game->BotList();
        for (int i = 0; i < bots->Count(); ++i) {
            TBot* bot = bots->Items(i);
            if (!bot->InUseFlag())
                continue;
            auto* line = new QListWidgetItem(QString::fromStdString(bot->BotTypeName()), lstBotsInPlay);
            line->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(bot)));
        }
    }
    UdpateMakePMsMenuItem();
}

TBot* TfrmMain::GetSelectedBot()
{
    TMethodTrace trace(Traced("GetSelectedBot"));
    QListWidgetItem* line = lstBotsInPlay->currentItem();
    if (!line || !line->isSelected())
        return nullptr;
    return static_cast<TBot*>(line->data(Qt::UserRole).value<void*>());
}

void TfrmMain::UpdateSelectedBot(TGame* game, bool forced)
{
    TMethodTrace trace(Traced("UpdateSelectedBot"));
    TBot* bot = GetSelectedBot();
    FUpdating = true;
    if (bot) {
        if (bot != FLastBot) {
            edtPlayerName->setText(QString::fromStdString(bot->PlayerName()));
            edtLives->setValue(bot->LivesCount());
            edtMaxCards->setValue(bot->MaxCards());
            edtDamage->setValue(bot->Damage());
            cbxState->setCurrentIndex(cbxState->findData(static_cast<int>(bot->BotState())));
            cbxActivityLevel->setCurrentIndex(cbxActivityLevel->findData(static_cast<int>(bot->BotActivityLevel())));
            cbxFlag->setCurrentIndex(bot->FlagTouched() < cbxFlag->count() ? bot->FlagTouched() : -1);
            SetBotFieldsEnabled(true);
        }
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
        UpdateOptionData(game);
        mmoNotes->clear();
        SetBotFieldsEnabled(false);
    }
    FLastBot = bot;
    FUpdating = false;
}

void TfrmMain::UpdateRegisters()
{
    TMethodTrace trace(Traced("UpdateRegisters"));
    // Without a selected bot the boxes are empty and no bar has a card to act on.
    for (QLineEdit* box : edtRegisters)
        box->clear();
    for (QToolBar* bar : barRegisters)
        SetRegisterToolBarToDefault(bar);
    lstRegisterOther->clear();
    SetRegisterToolBarToDefault(barRegisterOther);
}

void TfrmMain::SetRegisterToolBarToDefault(QToolBar* bar)
{
    TMethodTrace trace(Traced("SetRegisterToolBarToDefault"), TMethodTrace::AlsoOnError);
    bar->setEnabled(false);
    const QList<QToolButton*> buttons = bar->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    for (QToolButton* button : buttons) {
        if (button->objectName().startsWith("btnLock")) {
            button->setIcon(ToolImage(tiLock));
            button->setProperty("ImageIndex", static_cast<int>(tiLock));
        }
        button->setToolTip(QString::fromUtf8(ToolHints[button->property("ImageIndex").toInt()]));
        button->setEnabled(false);
    }
}

void TfrmMain::UpdateOptionButtons(TGame* game)
{
    TMethodTrace trace(Traced("UpdateOptionButtons"));
    bool lineSelected = lstOptionCards->count() > 0 && lstOptionCards->currentItem() && lstOptionCards->currentItem()->isSelected();
    SetCommandControlEnabled(btnDeleteOption, lineSelected);
}

void TfrmMain::UpdateOptionData(TGame* game)
{
    TMethodTrace trace(Traced("UpdateOptionData"), TMethodTrace::AlsoOnError);
    edtOptionType->clear();
    edtOptionKind->clear();
    edtOptionSource->clear();
    edtOptionDamage->clear();
    mmoOptionDescription->clear();
    edtOptionQuantity->setRange(-1, -1);
    edtOptionQuantity->setValue(-1);
    cbxOptionFacing->setCurrentIndex(-1);
    SetBotOptionFieldsEnabled(false);
}

void TfrmMain::UpdateMenuItems(TGame* game)
{
    TMethodTrace trace(Traced("UpdateMenuItems"));
    TMainMenuState state = MainMenuState(game, lstBotsInPlay->count());
    EnableCommand(mniOpenGame, state.OpenGame);
    EnableCommand(mniSaveGame, state.SaveGame);
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
    TMainMenuState state = MainMenuState(FGame.get(), lstBotsInPlay->count());
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
    EnableCommand(mniMakePMs, MakePMsAllowed(FGame.get(), lstBotsInPlay->count()));
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
    TBotFieldsEnabling e = BotFieldsEnabling(enable, GetSelectedBot(), FGame.get());
    SetControlEnabled(edtPlayerName, e.PlayerName);
    for (QWidget* field : std::initializer_list<QWidget*>{edtLives, edtMaxCards, edtDamage, cbxState, cbxActivityLevel, cbxFlag})
        SetControlEnabled(field, e.BotValues);
    for (QLineEdit* box : edtRegisters)
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
    SetControlEnabled(cbxOptionFacing, enable && cbxOptionFacing->currentIndex() >= 0);
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
    BuildProgramDeckFile(ExecutableFolder());
}

void TfrmMain::BuildBaseOptionCards()
{
    TMethodTrace trace(Traced("BuildBaseOptionCards"));
    BuildBaseOptionDeckFile(ExecutableFolder());
}

void TfrmMain::BuildBoltsAndBlastersOptionCards()
{
    TMethodTrace trace(Traced("BuildBoltsAndBlastersOptionCards"));
    BuildBoltsAndBlastersOptionDeckFile(ExecutableFolder());
}

void TfrmMain::BuildBoardList()
{
    TMethodTrace trace(Traced("BuildBoardList"));
    BuildBoardListFile(ExecutableFolder());
}

void TfrmMain::BuildChitList()
{
    TMethodTrace trace(Traced("BuildChitList"));
    BuildChitListFile(ExecutableFolder());
}
