#pragma once
#include "model/UsedBoardUnt.h"
#include "session/ProcessTurnCommandsUnt.h"
#include "session/ProcessTurnRulesUnt.h"
#include "session/GameSessionUnt.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QMouseEvent;
class QPainter;
class QUndoCommand;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QStatusBar;
class QTabWidget;

class TfrmProcessTurn;
class TMapImage;

// How the window tells its holder (the main window's slot) that it is there or gone: called
// with the new window, and with none when the window closes.
using TSetfrmProcessTurn = std::function<void(TfrmProcessTurn*)>;

// Opens the process-turn window on the session's game, or brings the open one to the front;
// nothing without a game. There is one window at a time: slot holds it while it is open. The
// window clears slot when it closes, through setfrmProcessTurn when one is given, else by
// writing the slot itself (which must then outlive the window). "Main" brings mainWindow to the
// front.
void ShowProcessTurn(TfrmProcessTurn*& slot, TGameSession& session, QWidget* mainWindow,
    TSetfrmProcessTurn setfrmProcessTurn = {});

// The process-turn window: the map of the current turn in a chosen phase, the robots in the
// order their cards act, and the commands that move, turn, size and nudge the chits, set and use
// archives, place markers and save the phase's pictures. It forwards its events to the rules of
// ProcessTurnRulesUnt, pushes every edit of a phase on the session's undo history, and refreshes
// from the session's change signal. It owns the picture it shows.
class TfrmProcessTurn : public QWidget {
    Q_OBJECT
public:
    TfrmProcessTurn(TGameSession& session, QWidget* mainWindow, TSetfrmProcessTurn setfrmProcessTurn);
    ~TfrmProcessTurn() override;

    TGameSession& Session() const { return FSession; }
    TGame* Game() const { return FSession.Game(); }

    // The full-scale map picture shown, and the size it is shown at.
    const QImage& MapPicture() const { return FMapPicture; }
    QSize ShownSize() const;
    // The map picture as shown: the full-scale picture scaled to ShownSize.
    const QImage& ShownPicture();
    int ZoomLevel() const { return FZoomLevel; }
    // The zoom that shows the whole map in the view ("Fit") is on.
    bool ZoomFits() const { return FZoomFit; }
    QPoint LastMousePos() const { return FLastMousePos; }
    // The phase the map picture was drawn of.
    int DrawnPhaseNumber() const { return FDrawnPhase; }
    // The entries of the robot list in the order shown, and those of the "Other" list.
    std::vector<TChitListInfo*> BotEntries() const;
    std::vector<TChitListInfo*> OtherEntries() const;

    // Refreshing parts of the window.
    void UpdatePhaseDisplay();
    void UpdateChitControls();
    void RedrawMap();
    void UpdateMapSize();
    void UpdateShowHideCaption();

    TChitListInfo* GetSelectedListInfo() const;
    TChit* GetSelectedChit() const;
    TUsedBoard* UsedBoardAtPoint(QPoint point) const;
    TMapSquare SquareAtPoint(QPoint point) const;
    TChitListInfo* ChitAtPoint(QPoint point) const;
    std::vector<TChitListInfo*> ChitsAtPoint(QPoint point) const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TMapImage;
    class TEditTarget;

    void CreateControls();
    QWidget* CreatePhasePanel();
    QWidget* CreateChitPanel();
    void ConnectControls();
    void CreateKeys();
    // Runs a command of a control; an error reaches the application's handler.
    void Run(QObject* sender, const std::function<void()>& command);
    // Tells the session; the window shows the change already.
    void MarkChanged(TGameChanges what);
    void SessionChanged(TGameChanges what);

    void FormShow();
    void FormActivate();
    void RebuildBotList();
    void FillBotList(bool keepSelection);
    void FillOtherList();
    void SetSlider(int position);
    void SliderMoved();
    // The map picture scaled to the shown size, wholly or in the part that a chit edit touched.
    void RescaleShown();
    void RescaleShown(const QRect& fullRect);
    // The undo history: one step per edit of a phase.
    void Push(QUndoCommand* command);
    void UpdateUndoButtons();
    // Shows that phase when another one is shown (for an undo or redo); true when it had to,
    // which draws the map anew.
    bool ShowPhase(int turnIndex, int phaseNumber);

    // Commands
    void btnNextPhaseClick();
    void btnRedrawMapClick();
    void btnShowHideChitsClick();
    void btnZoomInClick();
    void btnZoomOutClick();
    void btnZoomFitClick();
    // The map control's size for the zoom; the shown picture follows when it is painted.
    void UpdateMapArea();
    // Pixels of a shown cell under "Fit".
    int FittedCell() const;
    void ListClicked(QListWidget* list);
    void EditSelectedChit(TChitEdit edit, QPoint delta = QPoint());
    void edtChitImagePercentChange(int percent);
    void btnTweakCenterClick();
    void btnArchiveSetClick();
    void btnArchiveMoveToClick();
    void btnSaveImagesClick();
    void lblOpenImageFolderClick();
    void btnMainClick();
    void SelectChit(const std::string& chitID);
    void AddChitClick(const std::string& templateID);

    // The map picture's events
    void MapPaint(QPainter& painter, const QRect& area);
    void MapMousePress(QMouseEvent* event);
    void MapMouseMove(QMouseEvent* event);
    void MapMouseRelease(QMouseEvent* event);
    void MapClick();
    void MapShowOtherChitsMenu(QPoint at);
    void MapHintAt(QPoint point);
    bool MapAcceptsDrag(const QMimeData* mime) const;
    void MapDrop(const QMimeData* mime, QPoint point);
    // Starts a drag of the chit from a control; the drop does the rest.
    void DragChit(const TChit& chit, QWidget* source);
    // The drag from a list: pressed with the left button, moved far enough.
    bool ListDragEvent(QListWidget* list, QEvent* event);

    TGameSession& FSession;
    QPointer<QWidget> FMainWindow;
    TSetfrmProcessTurn FSetfrmProcessTurn;
    // A child of the session while the window lives (see TPhaseEditTarget).
    QPointer<QObject> FEditTarget;
    bool FUpdating = false;
    int FOwnChange = 0;
    bool FClosing = false;
    int FZoomLevel = 0;
    bool FZoomFit = false;
    QPoint FLastMousePos;
    bool FMapPressed = false;
    bool FMapDragged = false;
    QPoint FListPressPos;
    QListWidget* FListPressed = nullptr;
    std::string FHint;

    TBotItems FBotEntries;
    std::vector<std::unique_ptr<TChitListInfo>> FOtherEntries;

    // The full-scale map picture of the phase shown, and the same scaled as shown.
    QImage FMapPicture;
    QImage FShownPicture;
    int FDrawnPhase = -1;

    // Controls, named as the game master's guide names them
    QPushButton* btnNextPhase = nullptr;
    QSlider* tbrPhases = nullptr;
    QLabel* lblPhase = nullptr;
    QLabel* lblPhaseDescription = nullptr;
    QPushButton* btnRedrawMap = nullptr;
    QPushButton* btnShowHideChits = nullptr;
    QPushButton* btnZoomIn = nullptr;
    QPushButton* btnZoomOut = nullptr;
    QPushButton* btnZoomFit = nullptr;
    QScrollArea* sbxMap = nullptr;
    TMapImage* imgMap = nullptr;
    QTabWidget* pgeChits = nullptr;
    QWidget* tabBots = nullptr;
    QListWidget* lstBots = nullptr;
    QWidget* tabOther = nullptr;
    QListWidget* lstOtherChits = nullptr;
    QSpinBox* edtChitImagePercent = nullptr;
    QGroupBox* grpMoveChit = nullptr;
    QGroupBox* grpTweakChit = nullptr;
    QGroupBox* grpArchive = nullptr;
    QLabel* lblArchiveBoard = nullptr;
    QLabel* lblArchiveCoords = nullptr;
    QPushButton* btnArchiveSet = nullptr;
    QPushButton* btnArchiveMoveTo = nullptr;
    QPushButton* btnUndo = nullptr;
    QPushButton* btnRedo = nullptr;
    QPushButton* btnSaveImages = nullptr;
    QPushButton* btnPhaseReport = nullptr;
    QPushButton* btnTurnReport = nullptr;
    QPushButton* btnMain = nullptr;
    QStatusBar* stbProcessTurn = nullptr;
    QLabel* lblSavedImages = nullptr;
    QLabel* lblOpenImageFolder = nullptr;
    // The folder of the pictures saved last, which the status bar's link opens.
    std::string FSavedImagesFolder;
    QMenu* pmuOtherChits = nullptr;
    QMenu* mniAddChit = nullptr;
    QMenu* pmuSelectChit = nullptr;
    QAction* actUndo = nullptr;
    QAction* actRedo = nullptr;
    QAction* actNextPhase = nullptr;
    // The editing buttons, enabled together.
    std::vector<QWidget*> FChitEditControls;
};
