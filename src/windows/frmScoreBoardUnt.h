#pragma once
#include <QDialog>
#include <QPointer>
#include <QStyledItemDelegate>

#include <string>

class QLabel;
class QTableWidget;
class QTimer;
class TGame;

// Paints the score board's cells: the header row on the button face, the flag columns green
// where the robot has touched the flag and red where not, the rest on the window colour; the
// options wrapped from the top left, the robot and player on one line at the left, every other
// text centred.
class TScoreBoardDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The role holding, on a flag cell, whether the flag is touched.
    static constexpr int TouchedRole = Qt::UserRole;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The score board: the robots in play with their player, damage, lives, options and flags. Shown
// modally for viewing, or for a moment by the turn report, which keeps its picture.
class TfrmScoreBoard : public QDialog {
    Q_OBJECT
public:
    explicit TfrmScoreBoard(QWidget* parent = nullptr);

    TGame* Game() const { return FGame; }
    // Fills the window from the game as it is now; it does not follow later changes.
    void Load(TGame& game);
    // Shows the window without waiting, writes its picture for the game's current turn at once
    // (so that a report naming it never names a missing file), and starts the timer that writes
    // it again and closes the window. Returns the picture's file name.
    std::string ShowAndSave();
    // Writes the window's picture as "Turn <turn>/Score Board Turn <turn>.jpg" in the game
    // folder, making the folders; returns the file name.
    std::string SavePicture(int turn);

    // The grid's column widths and row heights as Load set them, without the grid lines.
    int ColumnWidth(int column) const;
    int RowHeight(int row) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tmrSaveAndExitTimer();
    void lblTurnClick();
    // Sets the column widths, the row heights and the window's size from the cells' texts.
    void SizeToCells();

    TGame* FGame = nullptr;
    std::string FGameName;
    int FTurnCount = 0;
    QLabel* lblTurn = nullptr;
    QTableWidget* grdScoreBoard = nullptr;
    QTimer* tmrSaveAndExit = nullptr;
};

// The Game menu's "Score Board": the board of the game in a modal window, released on closing.
void ShowScoreBoard(TGame& game);

// The files of the turn report, and the score board that wrote its picture: it shows for a moment
// over the owner, writes the picture again and closes itself (the pointer is cleared then).
struct TTurnReportFiles {
    std::string ScoreBoardPicture;
    std::string Report;
    QPointer<TfrmScoreBoard> ScoreBoard;
};
// Shows the score board over the owner and writes its picture, which the report names, then
// writes the turn report into the game folder. Opens nothing.
TTurnReportFiles WriteTurnReportFiles(TGame& game, QWidget* owner);

// The report buttons of the process-turn window. Each writes its report into the game folder
// (the turn report with WriteTurnReportFiles) and opens it with the desktop's application.
void PhaseReportClick(TGame& game);
void TurnReportClick(TGame& game, QWidget* owner);
