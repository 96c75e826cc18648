#include "windows/frmProcessTurnUnt.h"

#include "model/BotArchiveUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/PhaseUnt.h"
#include "render/MapViewUnt.h"
#include "windows/ApplicationUnt.h"
#include "windows/DragObjectsUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/frmScoreBoardUnt.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A caption with the access key marked at the first letter key (either case).
QString WithAccessKey(const std::string& caption, QChar key)
{
    QString text = Text(caption);
    const qsizetype at = text.indexOf(key, 0, Qt::CaseInsensitive);
    if (at >= 0)
        text.insert(at, QLatin1Char('&'));
    return text;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& caption = QString())
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

// A picture for a menu item or a drag: the chit's own, or none when it cannot be read.
QImage ChitPicture(const TChit& chit)
{
    try {
        return chit.Picture();
    } catch (const std::exception&) {
        return QImage();
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The map picture control: it paints the shown picture and hands its events to the window.

class TMapImage : public QWidget {
public:
    TMapImage(TfrmProcessTurn& owner, QWidget* parent)
        : QWidget(parent)
        , FOwner(owner)
    {
        setObjectName("imgMap");
        setMouseTracking(true);
        setAcceptDrops(true);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        FOwner.MapPaint(painter, event->rect());
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        FOwner.Run(this, [this, event] { FOwner.MapMousePress(event); });
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        FOwner.Run(this, [this, event] { FOwner.MapMouseMove(event); });
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        FOwner.Run(this, [this, event] { FOwner.MapMouseRelease(event); });
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (FOwner.MapAcceptsDrag(event->mimeData()))
            event->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        if (FOwner.MapAcceptsDrag(event->mimeData()))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent* event) override
    {
        if (!FOwner.MapAcceptsDrag(event->mimeData()))
            return;
        event->acceptProposedAction();
        const QPoint at = event->position().toPoint();
        FOwner.Run(this, [this, event, at] { FOwner.MapDrop(event->mimeData(), at); });
    }

private:
    TfrmProcessTurn& FOwner;
};

// ---------------------------------------------------------------------------------------------
// The window as the edits of its phases see it.

class TfrmProcessTurn::TEditTarget : public TPhaseEditTarget {
public:
    explicit TEditTarget(TfrmProcessTurn& window)
        : TPhaseEditTarget(window.FSession)
        , FWindow(window)
    {
    }

    QImage* BeginChitEdit(int turnIndex, int phaseNumber, TChit&) override
    {
        FWindow.ShowPhase(turnIndex, phaseNumber);
        TGame* game = FWindow.Game();
        if (!game || FWindow.FMapPicture.isNull() || turnIndex != game->LastTurnIndex()
            || FWindow.FDrawnPhase != phaseNumber)
            return nullptr;
        return &FWindow.FMapPicture;
    }

    void EndChitEdit(TChit&, const QRect& redrawn) override
    {
        if (!redrawn.isEmpty())
            FWindow.RescaleShown(redrawn);
        FWindow.UpdateChitControls();
        FWindow.MarkChanged(gcChits);
    }

    void PhaseEdited(int turnIndex, int phaseNumber, bool redraw) override
    {
        if (!FWindow.ShowPhase(turnIndex, phaseNumber) && redraw)
            FWindow.RedrawMap();
        FWindow.UpdateChitControls();
        FWindow.MarkChanged(gcChits);
    }

    void MarkerAdded(const std::string& chitID) override
    {
        if (TGame* game = FWindow.Game()) {
            FWindow.FOtherEntries.push_back(std::make_unique<TChitListInfo>(chitID, *game));
            FWindow.FillOtherList();
        }
    }

    void MarkerRemoved(const std::string& chitID) override
    {
        auto& entries = FWindow.FOtherEntries;
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                          [&chitID](const auto& entry) { return entry->ChitID() == chitID; }),
            entries.end());
        FWindow.FillOtherList();
    }

private:
    TfrmProcessTurn& FWindow;
};

// ---------------------------------------------------------------------------------------------
// Opening

void ShowProcessTurn(TfrmProcessTurn*& slot, TGameSession& session, QWidget* mainWindow,
    TSetfrmProcessTurn setfrmProcessTurn)
{
    if (!session.Game())
        return;
    TWaitCursor wait;
    if (!slot) {
        TSetfrmProcessTurn clear = setfrmProcessTurn;
        if (!clear)
            clear = [&slot](TfrmProcessTurn* window) { slot = window; };
        slot = new TfrmProcessTurn(session, mainWindow, clear);
        if (setfrmProcessTurn)
            setfrmProcessTurn(slot);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}

// ---------------------------------------------------------------------------------------------
// Making the window

TfrmProcessTurn::TfrmProcessTurn(TGameSession& session, QWidget* mainWindow, TSetfrmProcessTurn setfrmProcessTurn)
    : QWidget(nullptr, Qt::Window)
    , FSession(session)
    , FMainWindow(mainWindow)
    , FSetfrmProcessTurn(std::move(setfrmProcessTurn))
{
    setObjectName("frmProcessTurn");
    setAttribute(Qt::WA_DeleteOnClose);
    CreateControls();
    ConnectControls();
    CreateKeys();
    FEditTarget = new TEditTarget(*this);
    // Fits a screen of 1366 x 768 with a title bar and a panel.
    resize(1100, 660);
    if (TGame* game = Game())
        setWindowTitle(Text(ProcessTurnCaption(*game)));
}

TfrmProcessTurn::~TfrmProcessTurn()
{
    // The edits in the history go on without a window to draw on.
    delete FEditTarget.data();
    if (FSetfrmProcessTurn)
        FSetfrmProcessTurn(nullptr);
}

void TfrmProcessTurn::CreateControls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* layout = new QHBoxLayout;
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    outer->addLayout(layout, 1);

    sbxMap = new QScrollArea(this);
    sbxMap->setObjectName("sbxMap");
    sbxMap->setWidgetResizable(false);
    sbxMap->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    sbxMap->setBackgroundRole(QPalette::Dark);
    imgMap = new TMapImage(*this, sbxMap);
    sbxMap->setWidget(imgMap);
    // A chit dropped beside the map is taken off it, as on an empty cell.
    sbxMap->viewport()->setAcceptDrops(true);
    sbxMap->viewport()->installEventFilter(this);
    layout->addWidget(sbxMap, 1);

    auto* panel = new QWidget(this);
    panel->setObjectName("pnlControls");
    panel->setFixedWidth(250);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(CreatePhasePanel());
    column->addWidget(CreateChitPanel(), 1);
    layout->addWidget(panel);

    // Where the last pictures went, with a link that opens their folder.
    stbProcessTurn = new QStatusBar(this);
    stbProcessTurn->setObjectName("stbProcessTurn");
    stbProcessTurn->setSizeGripEnabled(false);
    stbProcessTurn->setContentsMargins(6, 0, 6, 0);
    lblSavedImages = new QLabel(stbProcessTurn);
    lblSavedImages->setObjectName("lblSavedImages");
    lblSavedImages->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblOpenImageFolder = new QLabel("<a href=\"folder\">Open Folder</a>", stbProcessTurn);
    lblOpenImageFolder->setObjectName("lblOpenImageFolder");
    lblOpenImageFolder->setTextFormat(Qt::RichText);
    lblOpenImageFolder->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblOpenImageFolder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    lblOpenImageFolder->setVisible(false);
    stbProcessTurn->addWidget(lblSavedImages, 1);
    stbProcessTurn->addPermanentWidget(lblOpenImageFolder);
    outer->addWidget(stbProcessTurn);

    pmuOtherChits = new QMenu(this);
    pmuOtherChits->setObjectName("pmuOtherChits");
    mniAddChit = pmuOtherChits->addMenu("Add Chit");
    mniAddChit->setObjectName("mniAddChit");
    pmuSelectChit = new QMenu(this);
    pmuSelectChit->setObjectName("pmuSelectChit");

    actUndo = new QAction("Undo", this);
    actUndo->setObjectName("actUndo");
    actUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    actUndo->setShortcutContext(Qt::WindowShortcut);
    addAction(actUndo);
    actRedo = new QAction("Redo", this);
    actRedo->setObjectName("actRedo");
    actRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    actRedo->setShortcutContext(Qt::WindowShortcut);
    addAction(actRedo);
}

QWidget* TfrmProcessTurn::CreatePhasePanel()
{
    auto* panel = new QWidget(this);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(4);

    btnNextPhase = NewButton(panel, "btnNextPhase", "&Next Phase");
    btnNextPhase->setToolTip("Page Down");
    lblPhase = NewLabel(panel, "lblPhase", "Phase 0");
    grid->addWidget(btnNextPhase, 0, 0);
    grid->addWidget(lblPhase, 0, 1);

    tbrPhases = new QSlider(Qt::Horizontal, panel);
    tbrPhases->setObjectName("tbrPhases");
    tbrPhases->setRange(0, LastPhaseNumber);
    tbrPhases->setPageStep(1);
    tbrPhases->setTickPosition(QSlider::TicksBelow);
    tbrPhases->setTickInterval(1);
    grid->addWidget(tbrPhases, 1, 0, 1, 2);

    lblPhaseDescription = NewLabel(panel, "lblPhaseDescription");
    QFont bold = lblPhaseDescription->font();
    bold.setBold(true);
    lblPhaseDescription->setFont(bold);
    grid->addWidget(lblPhaseDescription, 2, 0, 1, 2);

    btnRedrawMap = NewButton(panel, "btnRedrawMap", "&Redraw Map");
    btnShowHideChits = NewButton(panel, "btnShowHideChits", "&Hide Chits");
    grid->addWidget(btnRedrawMap, 3, 0);
    grid->addWidget(btnShowHideChits, 3, 1);

    auto* zoom = new QHBoxLayout;
    zoom->addWidget(new QLabel("Zoom", panel));
    btnZoomIn = NewButton(panel, "btnZoomIn", "+");
    btnZoomOut = NewButton(panel, "btnZoomOut", "-");
    btnZoomFit = NewButton(panel, "btnZoomFit", "&Fit");
    btnZoomFit->setToolTip("The whole map in the view");
    for (QPushButton* button : {btnZoomIn, btnZoomOut, btnZoomFit}) {
        button->setMinimumWidth(40);
        zoom->addWidget(button);
    }
    grid->addLayout(zoom, 4, 0, 1, 2);
    return panel;
}

QWidget* TfrmProcessTurn::CreateChitPanel()
{
    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    pgeChits = new QTabWidget(panel);
    pgeChits->setObjectName("pgeChits");
    tabBots = new QWidget(pgeChits);
    tabBots->setObjectName("tabBots");
    lstBots = new QListWidget(tabBots);
    lstBots->setObjectName("lstBots");
    tabOther = new QWidget(pgeChits);
    tabOther->setObjectName("tabOther");
    lstOtherChits = new QListWidget(tabOther);
    lstOtherChits->setObjectName("lstOtherChits");
    for (auto [tab, list] : {std::pair {tabBots, lstBots}, std::pair {tabOther, lstOtherChits}}) {
        auto* page = new QVBoxLayout(tab);
        page->setContentsMargins(2, 2, 2, 2);
        page->addWidget(list);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setMinimumHeight(60);
        list->viewport()->installEventFilter(this);
    }
    pgeChits->addTab(tabBots, "&Bots");
    pgeChits->addTab(tabOther, "&Other");
    column->addWidget(pgeChits, 1);

    auto* size = new QHBoxLayout;
    auto* sizeLabel = new QLabel("Chit Si&ze", panel);
    size->addWidget(sizeLabel);
    edtChitImagePercent = new QSpinBox(panel);
    edtChitImagePercent->setObjectName("edtChitImagePercent");
    edtChitImagePercent->setRange(1, 200);
    edtChitImagePercent->setValue(100);
    edtChitImagePercent->setToolTip("Wall = 90, Pit = 50");
    sizeLabel->setBuddy(edtChitImagePercent);
    size->addWidget(edtChitImagePercent);
    column->addLayout(size);
    FChitEditControls.push_back(edtChitImagePercent);

    // The two pads side by side, their buttons small: the keys do the same.
    auto* pads = new QHBoxLayout;
    pads->setSpacing(4);
    auto padLayout = [](QGroupBox* group) {
        auto* grid = new QGridLayout(group);
        grid->setContentsMargins(4, 4, 4, 4);
        grid->setSpacing(2);
        return grid;
    };
    auto padButton = [this](QGroupBox* group, QGridLayout* grid, const char* name, const char* caption, const char* key,
                         int row, int col) {
        QPushButton* button = NewButton(group, name, caption);
        button->setMinimumWidth(30);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        if (*key)
            button->setToolTip(key);
        grid->addWidget(button, row, col);
        FChitEditControls.push_back(button);
        return button;
    };

    grpMoveChit = new QGroupBox("Move / Rotate", panel);
    grpMoveChit->setObjectName("grpMoveChit");
    QGridLayout* move = padLayout(grpMoveChit);
    struct TButtonPlace {
        const char* Name;
        const char* Caption;
        const char* Key;
        int Row;
        int Col;
        TChitEdit Edit;
    };
    const TButtonPlace moves[] = {{"btnRotateLeft", "Lt", "[", 0, 0, ceRotateLeft},
        {"btnMoveNorth", "N", "Up", 0, 1, ceMoveNorth}, {"btnRotateRight", "Rt", "]", 0, 2, ceRotateRight},
        {"btnMoveWest", "W", "Left", 1, 0, ceMoveWest}, {"btnMoveEast", "E", "Right", 1, 2, ceMoveEast},
        {"btnMoveSouth", "S", "Down", 2, 1, ceMoveSouth}};
    for (const TButtonPlace& place : moves) {
        QPushButton* button = padButton(grpMoveChit, move, place.Name, place.Caption, place.Key, place.Row, place.Col);
        const TChitEdit edit = place.Edit;
        connect(button, &QPushButton::clicked, this, [this, button, edit] {
            Run(button, [this, edit] { EditSelectedChit(edit); });
        });
    }
    pads->addWidget(grpMoveChit);

    grpTweakChit = new QGroupBox("Tweak", panel);
    grpTweakChit->setObjectName("grpTweakChit");
    QGridLayout* tweak = padLayout(grpTweakChit);
    struct TTweakPlace {
        const char* Name;
        const char* Caption;
        const char* Key;
        int Row;
        int Col;
        QPoint Delta;
    };
    const TTweakPlace tweaks[] = {{"btnTweakNorth", "N", "Shift+Up", 0, 1, QPoint(0, -1)},
        {"btnTweakWest", "W", "Shift+Left", 1, 0, QPoint(-1, 0)}, {"btnTweakEast", "E", "Shift+Right", 1, 2, QPoint(1, 0)},
        {"btnTweakSouth", "S", "Shift+Down", 2, 1, QPoint(0, 1)}};
    for (const TTweakPlace& place : tweaks) {
        QPushButton* button = padButton(grpTweakChit, tweak, place.Name, place.Caption, place.Key, place.Row, place.Col);
        const QPoint delta = place.Delta;
        connect(button, &QPushButton::clicked, this, [this, button, delta] {
            Run(button, [this, delta] { EditSelectedChit(ceTweak, delta); });
        });
    }
    QPushButton* center = padButton(grpTweakChit, tweak, "btnTweakCenter", "Ctr", "", 1, 1);
    connect(center, &QPushButton::clicked, this, [this, center] { Run(center, [this] { btnTweakCenterClick(); }); });
    pads->addWidget(grpTweakChit);
    column->addLayout(pads);

    grpArchive = new QGroupBox("Archive", panel);
    grpArchive->setObjectName("grpArchive");
    auto* archive = new QGridLayout(grpArchive);
    archive->setContentsMargins(4, 4, 4, 4);
    archive->setVerticalSpacing(2);
    archive->addWidget(new QLabel("Board", grpArchive), 0, 0);
    lblArchiveBoard = NewLabel(grpArchive, "lblArchiveBoard");
    archive->addWidget(lblArchiveBoard, 0, 1);
    archive->addWidget(new QLabel("Coords", grpArchive), 1, 0);
    lblArchiveCoords = NewLabel(grpArchive, "lblArchiveCoords");
    archive->addWidget(lblArchiveCoords, 1, 1);
    btnArchiveSet = NewButton(grpArchive, "btnArchiveSet", "&Set");
    btnArchiveMoveTo = NewButton(grpArchive, "btnArchiveMoveTo", "&Move To");
    archive->addWidget(btnArchiveSet, 2, 0);
    archive->addWidget(btnArchiveMoveTo, 2, 1);
    column->addWidget(grpArchive);

    auto* history = new QHBoxLayout;
    btnUndo = NewButton(panel, "btnUndo", "&Undo");
    btnRedo = NewButton(panel, "btnRedo", "Re&do");
    btnMain = NewButton(panel, "btnMain", "Ma&in");
    for (QPushButton* button : {btnUndo, btnRedo, btnMain}) {
        button->setMinimumWidth(40);
        history->addWidget(button);
    }
    column->addLayout(history);

    btnSaveImages = NewButton(panel, "btnSaveImages", "Save Images for Turn 0 Phase 0");
    column->addWidget(btnSaveImages);
    auto* reports = new QHBoxLayout;
    btnPhaseReport = NewButton(panel, "btnPhaseReport", "&Phase Report");
    btnTurnReport = NewButton(panel, "btnTurnReport", "&Turn Report");
    reports->addWidget(btnPhaseReport);
    reports->addWidget(btnTurnReport);
    column->addLayout(reports);
    return panel;
}

void TfrmProcessTurn::ConnectControls()
{
    connect(&FSession, &TGameSession::Changed, this, [this](TGameChanges what) { SessionChanged(what); });
    auto click = [this](QPushButton* button, void (TfrmProcessTurn::*command)()) {
        connect(button, &QPushButton::clicked, this, [this, button, command] { Run(button, [this, command] { (this->*command)(); }); });
    };
    click(btnNextPhase, &TfrmProcessTurn::btnNextPhaseClick);
    click(btnRedrawMap, &TfrmProcessTurn::btnRedrawMapClick);
    click(btnShowHideChits, &TfrmProcessTurn::btnShowHideChitsClick);
    click(btnZoomIn, &TfrmProcessTurn::btnZoomInClick);
    click(btnZoomOut, &TfrmProcessTurn::btnZoomOutClick);
    click(btnZoomFit, &TfrmProcessTurn::btnZoomFitClick);
    click(btnArchiveSet, &TfrmProcessTurn::btnArchiveSetClick);
    click(btnArchiveMoveTo, &TfrmProcessTurn::btnArchiveMoveToClick);
    click(btnSaveImages, &TfrmProcessTurn::btnSaveImagesClick);
    connect(lblOpenImageFolder, &QLabel::linkActivated, this,
        [this] { Run(lblOpenImageFolder, [this] { lblOpenImageFolderClick(); }); });
    click(btnMain, &TfrmProcessTurn::btnMainClick);
    connect(btnPhaseReport, &QPushButton::clicked, this, [this] {
        Run(btnPhaseReport, [this] { if (TGame* game = Game()) PhaseReportClick(*game); });
    });
    connect(btnTurnReport, &QPushButton::clicked, this, [this] {
        Run(btnTurnReport, [this] { if (TGame* game = Game()) TurnReportClick(*game, this); });
    });

    connect(tbrPhases, &QSlider::valueChanged, this, [this] {
        if (!FUpdating)
            Run(tbrPhases, [this] { SliderMoved(); });
    });
    connect(edtChitImagePercent, &QSpinBox::valueChanged, this, [this](int percent) {
        if (!FUpdating)
            Run(edtChitImagePercent, [this, percent] { edtChitImagePercentChange(percent); });
    });
    for (QListWidget* list : {lstBots, lstOtherChits}) {
        connect(list, &QListWidget::itemClicked, this, [this, list] { Run(list, [this, list] { ListClicked(list); }); });
        connect(list, &QListWidget::currentRowChanged, this, [this, list] {
            if (!FUpdating)
                Run(list, [this, list] { ListClicked(list); });
        });
    }
    connect(pgeChits, &QTabWidget::currentChanged, this, [this] {
        if (!FUpdating)
            Run(pgeChits, [this] { UpdateChitControls(); });
    });

    QUndoStack& history = FSession.UndoStack();
    auto undo = [this] { Run(btnUndo, [this] { FSession.UndoStack().undo(); }); };
    auto redo = [this] { Run(btnRedo, [this] { FSession.UndoStack().redo(); }); };
    connect(btnUndo, &QPushButton::clicked, this, undo);
    connect(actUndo, &QAction::triggered, this, undo);
    connect(btnRedo, &QPushButton::clicked, this, redo);
    connect(actRedo, &QAction::triggered, this, redo);
    connect(&history, &QUndoStack::canUndoChanged, this, [this] { UpdateUndoButtons(); });
    connect(&history, &QUndoStack::canRedoChanged, this, [this] { UpdateUndoButtons(); });
    UpdateUndoButtons();
}

void TfrmProcessTurn::CreateKeys()
{
    // The map's keys act where they land, while the map or the robot list has the focus: each
    // press is acted on once, and a key in a text field stays the field's.
    struct TMapKey {
        QKeyCombination Key;
        TChitEdit Edit;
        QPoint Delta;
    };
    const TMapKey keys[] = {{Qt::Key_Up, ceMoveNorth, {}}, {Qt::Key_Down, ceMoveSouth, {}},
        {Qt::Key_Left, ceMoveWest, {}}, {Qt::Key_Right, ceMoveEast, {}}, {Qt::Key_BracketLeft, ceRotateLeft, {}},
        {Qt::Key_BracketRight, ceRotateRight, {}}, {Qt::SHIFT | Qt::Key_Up, ceTweak, {0, -1}},
        {Qt::SHIFT | Qt::Key_Down, ceTweak, {0, 1}}, {Qt::SHIFT | Qt::Key_Left, ceTweak, {-1, 0}},
        {Qt::SHIFT | Qt::Key_Right, ceTweak, {1, 0}}};
    for (const TMapKey& key : keys) {
        auto* action = new QAction(this);
        action->setShortcut(QKeySequence(key.Key));
        action->setShortcutContext(Qt::WidgetShortcut);
        for (QWidget* target : std::initializer_list<QWidget*> {imgMap, sbxMap, lstBots})
            target->addAction(action);
        const TChitEdit edit = key.Edit;
        const QPoint delta = key.Delta;
        connect(action, &QAction::triggered, this, [this, action, edit, delta] {
            Run(action, [this, edit, delta] { EditSelectedChit(edit, delta); });
        });
    }
    imgMap->setFocusPolicy(Qt::ClickFocus);

    actNextPhase = new QAction("Next Phase", this);
    actNextPhase->setObjectName("actNextPhase");
    actNextPhase->setShortcut(QKeySequence(Qt::Key_PageDown));
    actNextPhase->setShortcutContext(Qt::WindowShortcut);
    addAction(actNextPhase);
    connect(actNextPhase, &QAction::triggered, this, [this] { Run(actNextPhase, [this] { btnNextPhaseClick(); }); });
    // The slider and the size box keep Page Down for themselves.
    tbrPhases->installEventFilter(this);
    edtChitImagePercent->installEventFilter(this);
    for (QWidget* child : edtChitImagePercent->findChildren<QWidget*>())
        child->installEventFilter(this);
}

void TfrmProcessTurn::Run(QObject* sender, const std::function<void()>& command)
{
    TApplication::RunCommand(sender, command);
}

void TfrmProcessTurn::MarkChanged(TGameChanges what)
{
    ++FOwnChange;
    try {
        FSession.MarkChanged(what);
    } catch (...) {
        --FOwnChange;
        throw;
    }
    --FOwnChange;
}

// ---------------------------------------------------------------------------------------------
// Showing, activation, closing and the session's changes

void TfrmProcessTurn::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        Run(this, [this] { FormShow(); });
}

void TfrmProcessTurn::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !FClosing)
        Run(this, [this] { FormActivate(); });
}

void TfrmProcessTurn::closeEvent(QCloseEvent* event)
{
    FClosing = true;
    QWidget::closeEvent(event);
}

void TfrmProcessTurn::FormShow()
{
    TGame* game = Game();
    if (!game)
        return;
    UpdateMapSize();
    RebuildBotList();
    SetSlider(game->ViewingPhaseNumber());
    UpdatePhaseDisplay();
    UpdateChitControls();
}

void TfrmProcessTurn::FormActivate()
{
    TGame* game = Game();
    if (!game)
        return;
    setWindowTitle(Text(ProcessTurnCaption(*game)));
    SetSlider(game->ViewingPhaseNumber());
    UpdatePhaseDisplay();
    UpdateShowHideCaption();
    RedrawMap();
}

void TfrmProcessTurn::SessionChanged(TGameChanges what)
{
    if (FOwnChange > 0 || FClosing)
        return;
    TGame* game = Game();
    // Another game (or none): the window belongs to the one that went.
    if ((what & gcGame) || !game || !game->CurrentTurn()) {
        FClosing = true;
        close();
        return;
    }
    if (what & (gcTurn | gcInPlay)) {
        setWindowTitle(Text(ProcessTurnCaption(*game)));
        RebuildBotList();
        SetSlider(game->ViewingPhaseNumber());
        UpdatePhaseDisplay();
        if (what & gcMap)
            UpdateMapSize();
        else
            RedrawMap();
    } else {
        if (what & gcBots)
            FillBotList(true);
        if (what & gcMap)
            UpdateMapSize();
        else if (what & (gcPhase | gcChits))
            RedrawMap();
        if (what & gcPhase) {
            SetSlider(game->ViewingPhaseNumber());
            UpdatePhaseDisplay();
        }
    }
    UpdateShowHideCaption();
    UpdateChitControls();
}

// ---------------------------------------------------------------------------------------------
// Phases and lists

void TfrmProcessTurn::SetSlider(int position)
{
    const bool updating = FUpdating;
    FUpdating = true;
    tbrPhases->setValue(position);
    FUpdating = updating;
}

void TfrmProcessTurn::SliderMoved()
{
    UpdatePhaseDisplay();
    RedrawMap();
    MarkChanged(gcPhase);
}

void TfrmProcessTurn::UpdatePhaseDisplay()
{
    TGame* game = Game();
    if (!game)
        return;
    SetViewingPhase(*game, tbrPhases->value());
    lblPhase->setText(Text(PhaseCaption(game->CurrentPhaseNumber())));
    lblPhaseDescription->setText(Text(PhaseDescription(game->CurrentPhaseNumber(), game->ViewingPhaseNumber())));
    FillBotList(false);
    FillOtherList();
    ListClicked(lstBots);
}

void TfrmProcessTurn::RebuildBotList()
{
    TGame* game = Game();
    {
        const bool updating = FUpdating;
        FUpdating = true;
        lstBots->clear();
        FUpdating = updating;
    }
    FBotEntries = game ? BotItems(*game) : TBotItems();
}

void TfrmProcessTurn::FillBotList(bool keepSelection)
{
    const TChitListInfo* selected = keepSelection ? GetSelectedListInfo() : nullptr;
    SortBotItems(FBotEntries);
    const bool updating = FUpdating;
    FUpdating = true;
    lstBots->clear();
    for (std::size_t i = 0; i < FBotEntries.size(); ++i) {
        lstBots->addItem(Text(BotItemText(*FBotEntries[i])));
        if (FBotEntries[i].get() == selected)
            lstBots->setCurrentRow(static_cast<int>(i));
    }
    FUpdating = updating;
}

void TfrmProcessTurn::FillOtherList()
{
    const TChitListInfo* selected = GetSelectedListInfo();
    const bool updating = FUpdating;
    FUpdating = true;
    lstOtherChits->clear();
    for (std::size_t i = 0; i < FOtherEntries.size(); ++i) {
        lstOtherChits->addItem(Text(OtherItemText(*FOtherEntries[i])));
        // The list follows the viewed phase: a marker placed in another phase is not listed.
        const bool found = FOtherEntries[i]->GetChit() != nullptr;
        lstOtherChits->item(static_cast<int>(i))->setHidden(!found);
        if (found && FOtherEntries[i].get() == selected)
            lstOtherChits->setCurrentRow(static_cast<int>(i));
    }
    FUpdating = updating;
    UpdateChitControls();
}

std::vector<TChitListInfo*> TfrmProcessTurn::BotEntries() const
{
    std::vector<TChitListInfo*> entries;
    for (const auto& entry : FBotEntries)
        entries.push_back(entry.get());
    return entries;
}

std::vector<TChitListInfo*> TfrmProcessTurn::OtherEntries() const
{
    std::vector<TChitListInfo*> entries;
    for (const auto& entry : FOtherEntries)
        entries.push_back(entry.get());
    return entries;
}

void TfrmProcessTurn::ListClicked(QListWidget* list)
{
    QListWidgetItem* item = list->currentItem();
    if (item && item->isSelected()) {
        const bool updating = FUpdating;
        FUpdating = true;
        pgeChits->setCurrentWidget(list == lstBots ? tabBots : tabOther);
        FUpdating = updating;
    }
    UpdateChitControls();
}

TChitListInfo* TfrmProcessTurn::GetSelectedListInfo() const
{
    auto selectedRow = [](const QListWidget* list) {
        const QListWidgetItem* item = list->currentItem();
        return item && item->isSelected() ? list->row(item) : -1;
    };
    if (pgeChits->currentWidget() == tabBots) {
        const int row = selectedRow(lstBots);
        if (row >= 0 && static_cast<std::size_t>(row) < FBotEntries.size())
            return FBotEntries[static_cast<std::size_t>(row)].get();
    } else if (pgeChits->currentWidget() == tabOther) {
        const int row = selectedRow(lstOtherChits);
        if (row >= 0 && static_cast<std::size_t>(row) < FOtherEntries.size())
            return FOtherEntries[static_cast<std::size_t>(row)].get();
    }
    return nullptr;
}

TChit* TfrmProcessTurn::GetSelectedChit() const
{
    TChitListInfo* entry = GetSelectedListInfo();
    return entry ? entry->GetChit() : nullptr;
}

void TfrmProcessTurn::UpdateChitControls()
{
    const TChitControls controls = ChitControls(Game(), GetSelectedListInfo());
    for (QWidget* control : FChitEditControls)
        control->setEnabled(controls.ChitEditing);
    {
        const bool updating = FUpdating;
        FUpdating = true;
        edtChitImagePercent->setValue(controls.SizePercent);
        FUpdating = updating;
    }
    btnArchiveSet->setEnabled(controls.Archive);
    btnArchiveMoveTo->setEnabled(controls.Archive);
    lblArchiveBoard->setText(Text(controls.ArchiveBoard));
    lblArchiveCoords->setText(Text(controls.ArchiveCoords));
    btnSaveImages->setText(WithAccessKey(controls.SaveImagesCaption, QLatin1Char('a')));
    btnSaveImages->setEnabled(controls.SaveImages);
    btnNextPhase->setEnabled(controls.NextPhase);
    btnZoomOut->setEnabled(FZoomLevel > 0 || FZoomFit);
}

void TfrmProcessTurn::UpdateShowHideCaption()
{
    if (TGame* game = Game())
        btnShowHideChits->setText(WithAccessKey(ShowHideCaption(*game), QLatin1Char('h')));
}

void TfrmProcessTurn::UpdateUndoButtons()
{
    const QUndoStack& history = FSession.UndoStack();
    btnUndo->setEnabled(history.canUndo());
    actUndo->setEnabled(history.canUndo());
    btnRedo->setEnabled(history.canRedo());
    actRedo->setEnabled(history.canRedo());
}

void TfrmProcessTurn::Push(QUndoCommand* command)
{
    FSession.UndoStack().push(command);
}

bool TfrmProcessTurn::ShowPhase(int turnIndex, int phaseNumber)
{
    TGame* game = Game();
    if (!game || turnIndex != game->LastTurnIndex())
        return false;
    if (game->ViewingPhaseNumber() == phaseNumber && FDrawnPhase == phaseNumber)
        return false;
    SetSlider(phaseNumber);
    SliderMoved();
    return true;
}

// ---------------------------------------------------------------------------------------------
// The map picture

void TfrmProcessTurn::RedrawMap()
{
    TGame* game = Game();
    if (!game || !game->CurrentTurn()) {
        FMapPicture = QImage();
        FDrawnPhase = -1;
    } else {
        const int phase = ShownPhaseNumber(*game);
        // Drawn over the picture of the last redraw: no new memory of a map's size each time.
        FSession.Renderer().BuildMapPicture(*game, game->LastTurnIndex(), phase, FMapPicture);
        FDrawnPhase = phase;
    }
    RescaleShown();
}

void TfrmProcessTurn::UpdateMapSize()
{
    UpdateMapArea();
    RedrawMap();
}

int TfrmProcessTurn::FittedCell() const
{
    TGame* game = Game();
    if (!game)
        return ShownCellPixels(0);
    // The view without scroll bars, which the fitted map does not need.
    const int frame = 2 * sbxMap->frameWidth();
    const TUsedBoardList& layout = *game->UsedBoardList();
    return FittedCellPixels(layout.ColCount(), layout.RowCount(), sbxMap->size() - QSize(frame, frame));
}

void TfrmProcessTurn::UpdateMapArea()
{
    TGame* game = Game();
    if (!game)
        return;
    const TUsedBoardList& layout = *game->UsedBoardList();
    imgMap->setFixedSize(FZoomFit ? CellsArea(layout.ColCount(), layout.RowCount(), FittedCell())
                                  : ShownMapArea(layout.ColCount(), layout.RowCount(), FZoomLevel));
}

QSize TfrmProcessTurn::ShownSize() const
{
    TGame* game = Game();
    if (!game)
        return QSize();
    const TUsedBoardList& layout = *game->UsedBoardList();
    return ShownMapSize(imgMap->size(), sbxMap->viewport()->size(), layout.ColCount(), layout.RowCount());
}

const QImage& TfrmProcessTurn::ShownPicture()
{
    if (FShownPicture.size() != ShownSize())
        RescaleShown();
    return FShownPicture;
}

void TfrmProcessTurn::RescaleShown()
{
    const QSize shown = ShownSize();
    if (FMapPicture.isNull() || shown.isEmpty())
        FShownPicture = QImage();
    else
        FShownPicture = FMapPicture.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    imgMap->update();
}

void TfrmProcessTurn::RescaleShown(const QRect& fullRect)
{
    const QSize shown = ShownSize();
    if (FMapPicture.isNull() || FShownPicture.size() != shown || shown.isEmpty()) {
        RescaleShown();
        return;
    }
    const QRect full = fullRect.intersected(FMapPicture.rect());
    if (full.isEmpty())
        return;
    // The part of the shown picture that shows the rectangle, a pixel more each way, and the
    // part of the full picture that it shows.
    const double sx = static_cast<double>(shown.width()) / FMapPicture.width();
    const double sy = static_cast<double>(shown.height()) / FMapPicture.height();
    const QRect target = QRect(QPoint(static_cast<int>(std::floor(full.left() * sx)) - 1,
                                   static_cast<int>(std::floor(full.top() * sy)) - 1),
        QPoint(static_cast<int>(std::ceil((full.right() + 1) * sx)) + 1,
            static_cast<int>(std::ceil((full.bottom() + 1) * sy)) + 1))
                             .intersected(FShownPicture.rect());
    const QRect source = QRect(QPoint(static_cast<int>(std::floor(target.left() / sx)),
                                   static_cast<int>(std::floor(target.top() / sy))),
        QPoint(static_cast<int>(std::ceil((target.right() + 1) / sx)) - 1,
            static_cast<int>(std::ceil((target.bottom() + 1) / sy)) - 1))
                             .intersected(FMapPicture.rect());
    if (target.isEmpty() || source.isEmpty())
        return;
    const QImage part = FMapPicture.copy(source).scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&FShownPicture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(target.topLeft(), part);
    painter.end();
    imgMap->update(target);
}

void TfrmProcessTurn::MapPaint(QPainter& painter, const QRect& area)
{
    painter.fillRect(area, palette().color(QPalette::Dark));
    const QImage& shown = ShownPicture();
    if (!shown.isNull())
        painter.drawImage(area.topLeft(), shown, area);
}

TUsedBoard* TfrmProcessTurn::UsedBoardAtPoint(QPoint point) const
{
    TGame* game = Game();
    return game ? ::UsedBoardAtPoint(*game, point, ShownSize()) : nullptr;
}

TMapSquare TfrmProcessTurn::SquareAtPoint(QPoint point) const
{
    TGame* game = Game();
    return game ? ::SquareAtPoint(*game, point, ShownSize()) : TMapSquare {};
}

std::vector<TChitListInfo*> TfrmProcessTurn::ChitsAtPoint(QPoint point) const
{
    TGame* game = Game();
    if (!game)
        return {};
    std::vector<TChitListInfo*> entries = BotEntries();
    for (TChitListInfo* entry : OtherEntries())
        entries.push_back(entry);
    return ::ChitsAtPoint(*game, entries, point, ShownSize());
}

TChitListInfo* TfrmProcessTurn::ChitAtPoint(QPoint point) const
{
    std::vector<TChitListInfo*> found = ChitsAtPoint(point);
    return found.empty() ? nullptr : found.front();
}

void TfrmProcessTurn::MapMousePress(QMouseEvent* event)
{
    FLastMousePos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        FMapPressed = true;
        FMapDragged = false;
    } else if (event->button() == Qt::RightButton) {
        MapShowOtherChitsMenu(event->globalPosition().toPoint());
    }
}

void TfrmProcessTurn::MapMouseMove(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    TGame* game = Game();
    if (!game)
        return;
    if ((event->buttons() & Qt::LeftButton) && FMapPressed && !FMapDragged) {
        if (IsPreview(*game) || (at - FLastMousePos).manhattanLength() < QApplication::startDragDistance())
            return;
        const std::vector<TChitListInfo*> found = ChitsAtPoint(FLastMousePos);
        if (found.size() != 1)
            return;
        if (const TChit* chit = found.front()->GetChit()) {
            FMapDragged = true;
            DragChit(*chit, imgMap);
            FMapPressed = false;
        }
    } else if (event->buttons() == Qt::NoButton && event->modifiers() == Qt::NoModifier) {
        MapHintAt(at);
    }
}

void TfrmProcessTurn::MapMouseRelease(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = FMapPressed && !FMapDragged;
    FMapPressed = false;
    if (click)
        MapClick();
}

void TfrmProcessTurn::MapClick()
{
    const std::vector<TChitListInfo*> found = ChitsAtPoint(FLastMousePos);
    if (found.empty())
        return;
    pmuSelectChit->clear();
    std::vector<std::string> ids;
    for (TChitListInfo* entry : found) {
        const TChit* chit = entry->GetChit();
        QAction* item = pmuSelectChit->addAction(Text(chit->Description()));
        const std::string id = chit->ID();
        item->setData(Text(id));
        ids.push_back(id);
        connect(item, &QAction::triggered, this, [this, item, id] { Run(item, [this, id] { SelectChit(id); }); });
    }
    if (ids.size() == 1)
        SelectChit(ids.front());
    else
        pmuSelectChit->popup(imgMap->mapToGlobal(FLastMousePos));
}

void TfrmProcessTurn::SelectChit(const std::string& chitID)
{
    auto select = [this, &chitID](QListWidget* list, const auto& entries) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const TChit* chit = entries[i]->GetChit();
            if (!chit || chit->ID() != chitID)
                continue;
            const bool updating = FUpdating;
            FUpdating = true;
            list->setCurrentRow(static_cast<int>(i));
            FUpdating = updating;
            ListClicked(list);
            return;
        }
    };
    select(lstBots, FBotEntries);
    select(lstOtherChits, FOtherEntries);
}

void TfrmProcessTurn::MapShowOtherChitsMenu(QPoint at)
{
    TGame* game = Game();
    if (!game)
        return;
    mniAddChit->clear();
    const std::vector<TAddChitItem> items = AddChitItems(*game);
    TChitList* chits = game->ViewingPhase() ? game->ViewingPhase()->ChitList() : nullptr;
    for (const TAddChitItem& entry : items) {
        QAction* item = mniAddChit->addAction(Text(entry.Caption));
        item->setData(entry.Index);
        if (const TChit* templateChit = chits ? chits->FindByID(entry.TemplateID) : nullptr) {
            const QImage picture = ChitPicture(*templateChit);
            if (!picture.isNull())
                item->setIcon(QIcon(QPixmap::fromImage(picture.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation))));
        }
        const std::string templateID = entry.TemplateID;
        connect(item, &QAction::triggered, this,
            [this, item, templateID] { Run(item, [this, templateID] { AddChitClick(templateID); }); });
    }
    // Nothing can be placed in a previewed phase or beside the boards.
    mniAddChit->menuAction()->setEnabled(!items.empty() && !IsPreview(*game) && SquareAtPoint(FLastMousePos));
    pmuOtherChits->popup(at);
}

void TfrmProcessTurn::AddChitClick(const std::string& templateID)
{
    TGame* game = Game();
    if (!game || IsPreview(*game))
        return;
    const TMapPlace place = DropPlace(*game, FLastMousePos, ShownSize());
    if (!place.OnMap())
        return;
    Push(new TAddMarkerCommand(FSession, templateID, place.UsedBoardID, place.X, place.Y));
}

void TfrmProcessTurn::MapHintAt(QPoint point)
{
    TGame* game = Game();
    const std::string hint = game ? MapHint(*game, point, ShownSize()) : std::string();
    if (hint == FHint)
        return;
    FHint = hint;
    imgMap->setToolTip(Text(hint).replace("\r\n", "\n"));
}

bool TfrmProcessTurn::MapAcceptsDrag(const QMimeData* mime) const
{
    TGame* game = Game();
    return DraggedChit(mime) && game && !IsPreview(*game);
}

void TfrmProcessTurn::MapDrop(const QMimeData* mime, QPoint point)
{
    TGame* game = Game();
    const TDragChit* dragged = DraggedChit(mime);
    if (!game || !dragged || IsPreview(*game) || !game->ViewingPhase() || !game->ViewingPhase()->ChitList()
        || !game->ViewingPhase()->ChitList()->FindByID(dragged->ChitID()))
        return;
    const TMapPlace place = DropPlace(*game, point, ShownSize());
    Push(TPlaceChitCommand::Drop(FSession, dragged->ChitID(), place.UsedBoardID, place.X, place.Y));
}

void TfrmProcessTurn::DragChit(const TChit& chit, QWidget* source)
{
    auto* drag = new QDrag(source);
    drag->setMimeData(new TDragChit(chit.ID(), source));
    const QImage picture = ChitPicture(chit);
    TGame* game = Game();
    if (!picture.isNull() && game && !FMapPicture.isNull()) {
        // The chit at the size it is shown on the map.
        const double scale = static_cast<double>(ShownSize().width()) / FMapPicture.width();
        const QSize size(std::max(8, static_cast<int>(picture.width() * scale)), std::max(8, static_cast<int>(picture.height() * scale)));
        drag->setPixmap(QPixmap::fromImage(picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        drag->setHotSpot(QPoint(size.width() / 2, size.height() / 2));
    }
    drag->exec(Qt::MoveAction);
}

bool TfrmProcessTurn::ListDragEvent(QListWidget* list, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            FListPressed = list;
            FListPressPos = mouse->position().toPoint();
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        FListPressed = nullptr;
        return false;
    }
    if (event->type() != QEvent::MouseMove || FListPressed != list)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    TGame* game = Game();
    if (!(mouse->buttons() & Qt::LeftButton) || !game || IsPreview(*game)
        || (mouse->position().toPoint() - FListPressPos).manhattanLength() < QApplication::startDragDistance())
        return false;
    QListWidgetItem* item = list->currentItem();
    const int row = item && item->isSelected() ? list->row(item) : -1;
    const TChitListInfo* entry = nullptr;
    if (list == lstBots && row >= 0 && static_cast<std::size_t>(row) < FBotEntries.size())
        entry = FBotEntries[static_cast<std::size_t>(row)].get();
    else if (list == lstOtherChits && row >= 0 && static_cast<std::size_t>(row) < FOtherEntries.size())
        entry = FOtherEntries[static_cast<std::size_t>(row)].get();
    const TChit* chit = entry ? MovedChit(*entry) : nullptr;
    if (!chit)
        return false;
    FListPressed = nullptr;
    DragChit(*chit, list);
    return true;
}

bool TfrmProcessTurn::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride
        && (watched == tbrPhases || watched == edtChitImagePercent || watched->parent() == edtChitImagePercent)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_PageDown || key == Qt::Key_PageUp) {
            event->accept();
            return true;
        }
    }
    bool handled = false;
    const bool mouse = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove
        || event->type() == QEvent::MouseButtonRelease;
    if (mouse && (watched == lstBots->viewport() || watched == lstOtherChits->viewport())) {
        QListWidget* list = watched == lstBots->viewport() ? lstBots : lstOtherChits;
        Run(list, [this, list, event, &handled] { handled = ListDragEvent(list, event); });
        return handled;
    }
    if (watched == sbxMap->viewport()) {
        switch (event->type()) {
        case QEvent::Resize:
            if (FZoomFit)
                Run(sbxMap, [this] { UpdateMapArea(); });
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (MapAcceptsDrag(drag->mimeData()))
                drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (MapAcceptsDrag(drop->mimeData())) {
                drop->acceptProposedAction();
                Run(sbxMap, [this, drop] { MapDrop(drop->mimeData(), QPoint(-1, -1)); });
            }
            return true;
        }
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Commands

void TfrmProcessTurn::btnNextPhaseClick()
{
    TGame* game = Game();
    if (!game)
        return;
    const TNextPhaseResult result = NextPhase(*game, tbrPhases->value());
    if (!result.Stepped)
        return;
    // The edits of the phase before are history now.
    FSession.UndoStack().clear();
    if (result.Slider != tbrPhases->value()) {
        SetSlider(result.Slider);
        UpdatePhaseDisplay();
        RedrawMap();
    } else if (FDrawnPhase != ShownPhaseNumber(*game)) {
        // A previewed phase shows the current one, which has just moved on.
        RedrawMap();
    }
    UpdateChitControls();
    UpdatePhaseDisplay();
    MarkChanged(gcPhase | gcChits);
    FSession.Autosave();
}

void TfrmProcessTurn::btnRedrawMapClick() { RedrawMap(); }

void TfrmProcessTurn::btnShowHideChitsClick()
{
    TGame* game = Game();
    if (!game)
        return;
    ToggleChitLayerLimit(*game);
    UpdateShowHideCaption();
    RedrawMap();
    MarkChanged(gcChits);
}

void TfrmProcessTurn::btnZoomInClick()
{
    FZoomLevel = FZoomFit ? ZoomLevelAbove(FittedCell()) : ZoomedIn(FZoomLevel);
    FZoomFit = false;
    UpdateMapSize();
    UpdateChitControls();
}

void TfrmProcessTurn::btnZoomOutClick()
{
    if (!FZoomFit && FZoomLevel <= 0)
        return;
    FZoomLevel = FZoomFit ? ZoomLevelBelow(FittedCell()) : ZoomedOut(FZoomLevel);
    FZoomFit = false;
    UpdateMapSize();
    UpdateChitControls();
}

void TfrmProcessTurn::btnZoomFitClick()
{
    FZoomFit = true;
    UpdateMapSize();
    UpdateChitControls();
}

void TfrmProcessTurn::EditSelectedChit(TChitEdit edit, QPoint delta)
{
    TGame* game = Game();
    const TChit* chit = GetSelectedChit();
    if (!game || !chit || IsPreview(*game))
        return;
    Push(new TChitEditCommand(FSession, chit->ID(), edit, delta));
}

void TfrmProcessTurn::edtChitImagePercentChange(int percent) { EditSelectedChit(ceSize, QPoint(percent, 0)); }

void TfrmProcessTurn::btnTweakCenterClick()
{
    if (const TChit* chit = GetSelectedChit())
        EditSelectedChit(ceTweak, CenterTweak(*chit));
}

void TfrmProcessTurn::btnArchiveSetClick()
{
    TGame* game = Game();
    const TChit* chit = GetSelectedChit();
    if (!game || !chit || IsPreview(*game) || ArchiveBotType(*game, *chit) == btUnknown)
        return;
    Push(new TSetArchiveCommand(FSession, chit->ID()));
}

void TfrmProcessTurn::btnArchiveMoveToClick()
{
    TGame* game = Game();
    const TChitListInfo* entry = GetSelectedListInfo();
    const TChit* chit = entry ? MovedChit(*entry) : nullptr;
    TPhase* phase = game ? game->ViewingPhase() : nullptr;
    if (!chit || !phase || !phase->ArchiveList() || IsPreview(*game))
        return;
    const TBotArchive* archive = phase->ArchiveList()->FindByBotType(ArchiveBotType(*game, *chit));
    if (!archive || !archive->IsSet())
        return;
    Push(TPlaceChitCommand::MoveToArchive(FSession, chit->ID()));
}

void TfrmProcessTurn::btnSaveImagesClick()
{
    TGame* game = Game();
    if (!game)
        return;
    std::vector<std::string> files;
    {
        TWaitCursor wait;
        // Writing the files leaves each chit keeping what it covers on the map, as a redraw of the
        // shown map would: the picture needs no redraw.
        files = SaveViewedPhaseImages(FSession.Renderer(), *game);
    }
    const TSavedImagesNote note = SavedImagesNote(files, game->TurnCount(), game->ViewingPhaseNumber());
    lblSavedImages->setText(QString::fromStdString(note.Text));
    FSavedImagesFolder = note.Folder;
    lblOpenImageFolder->setVisible(!note.Folder.empty());
}

void TfrmProcessTurn::lblOpenImageFolderClick()
{
    if (!FSavedImagesFolder.empty() && !OpenWithDesktop(FSavedImagesFolder))
        lblSavedImages->setText(QString("The folder could not be opened: %1").arg(QString::fromStdString(FSavedImagesFolder)));
}

void TfrmProcessTurn::btnMainClick()
{
    if (!FMainWindow)
        return;
    if (FMainWindow->isMinimized())
        FMainWindow->showNormal();
    FMainWindow->show();
    FMainWindow->raise();
    FMainWindow->activateWindow();
}
