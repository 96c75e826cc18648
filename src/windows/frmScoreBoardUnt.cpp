#include "windows/frmScoreBoardUnt.h"

#include "model/GameUnt.h"
#include "render/GameFolderUnt.h"
#include "render/PictureFileUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/ApplicationUnt.h"
#include "session/ReportUnt.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

// What the grid adds to each text: a cell's text lies 2 pixels inside it on every side.
constexpr int CellPadding = 8;
constexpr int MaxOptionsWidth = 250;
constexpr int WindowMargin = 8;
// No cell grows beyond this, so that a damaged file's megabyte of text still gives a picture
// that can be written and posted; such text is cut off at the cell's edge.
constexpr int MaxCellSide = 2000;

QString Text(const std::string& text) { return QString::fromStdString(text); }

int WrappedHeight(const QFontMetrics& metrics, const QString& text, int width)
{
    return metrics.boundingRect(QRect(0, 0, std::max(width, 1), INT_MAX / 2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text)
        .height();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Cells

void TScoreBoardDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const int row = index.row();
    const int column = index.column();
    const bool header = row == 0;
    const bool flag = column >= ScoreBoardFlagColumn;
    QColor background = option.palette.color(QPalette::Base);
    if (header)
        background = option.palette.color(QPalette::Button);
    else if (flag)
        background = index.data(TouchedRole).toBool() ? QColor(Qt::green) : QColor(Qt::red);
    painter->save();
    painter->fillRect(option.rect, background);
    int alignment = Qt::AlignCenter | Qt::TextSingleLine;
    if (!header && column == ScoreBoardOptionsColumn)
        alignment = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    else if (!header && column < 2)
        alignment = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter->setFont(option.font);
    painter->setPen(option.palette.color(header ? QPalette::ButtonText : QPalette::Text));
    painter->drawText(option.rect.adjusted(2, 2, -2, -2), alignment, index.data(Qt::DisplayRole).toString());
    painter->restore();
}

// ---------------------------------------------------------------------------------------------
// The window

TfrmScoreBoard::TfrmScoreBoard(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("frmScoreBoard");
    setWindowTitle("Score Board - %s");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(WindowMargin, WindowMargin, WindowMargin, WindowMargin);

    lblTurn = new QLabel("Turn %d - %s", this);
    lblTurn->setObjectName("lblTurn");
    lblTurn->installEventFilter(this);
    layout->addWidget(lblTurn);

    grdScoreBoard = new QTableWidget(this);
    grdScoreBoard->setObjectName("grdScoreBoard");
    grdScoreBoard->horizontalHeader()->hide();
    grdScoreBoard->verticalHeader()->hide();
    grdScoreBoard->setShowGrid(true);
    grdScoreBoard->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdScoreBoard->setSelectionMode(QAbstractItemView::NoSelection);
    grdScoreBoard->setFocusPolicy(Qt::NoFocus);
    // The window is made to fit the grid: its picture shows every cell and no scroll bar.
    grdScoreBoard->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdScoreBoard->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grdScoreBoard->setItemDelegate(new TScoreBoardDelegate(grdScoreBoard));
    layout->addWidget(grdScoreBoard, 1);

    tmrSaveAndExit = new QTimer(this);
    tmrSaveAndExit->setObjectName("tmrSaveAndExit");
    tmrSaveAndExit->setSingleShot(true);
    tmrSaveAndExit->setInterval(1000);
    connect(tmrSaveAndExit, &QTimer::timeout, this, [this] { TApplication::RunCommand(tmrSaveAndExit, [this] { tmrSaveAndExitTimer(); }); });
}

void TfrmScoreBoard::Load(TGame& game)
{
    FGame = &game;
    // Kept, so that the picture can still be written when the game is gone meanwhile.
    FGameName = game.GameName();
    FTurnCount = game.TurnCount();
    setWindowTitle(Text(ScoreBoardCaption(game)));
    lblTurn->setText(Text(ScoreBoardTurnCaption(game)));

    const auto cells = ScoreBoardCells(game);
    const std::vector<TBot*> bots = ScoreBoardBots(game);
    grdScoreBoard->clear();
    grdScoreBoard->setRowCount(static_cast<int>(cells.size()));
    grdScoreBoard->setColumnCount(static_cast<int>(cells.front().size()));
    for (int r = 0; r < grdScoreBoard->rowCount(); ++r)
        for (int c = 0; c < grdScoreBoard->columnCount(); ++c) {
            auto* item = new QTableWidgetItem(Text(cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]));
            if (r > 0 && c >= ScoreBoardFlagColumn)
                item->setData(TScoreBoardDelegate::TouchedRole, ScoreBoardFlagTouched(*bots[static_cast<std::size_t>(r - 1)], c));
            grdScoreBoard->setItem(r, c, item);
        }
    SizeToCells();
}

void TfrmScoreBoard::SizeToCells()
{
    // A grid line closes each cell at its right and bottom; Qt counts it in the section.
    constexpr int GridLine = 1;
    const QFontMetrics metrics(grdScoreBoard->font());
    const int columns = grdScoreBoard->columnCount();
    const int rows = grdScoreBoard->rowCount();
    int gridWidth = 0;
    for (int c = 0; c < columns; ++c) {
        int width = 0;
        for (int r = 0; r < rows; ++r)
            width = std::max(width, metrics.horizontalAdvance(grdScoreBoard->item(r, c)->text()));
        width += CellPadding;
        width = std::min(width, c == ScoreBoardOptionsColumn ? MaxOptionsWidth : MaxCellSide);
        grdScoreBoard->setColumnWidth(c, width + GridLine);
        gridWidth += width + GridLine;
    }
    const int defaultHeight = metrics.height() + CellPadding;
    const int optionsWidth = columns > ScoreBoardOptionsColumn ? ColumnWidth(ScoreBoardOptionsColumn) : 0;
    int gridHeight = 0;
    for (int r = 0; r < rows; ++r) {
        int height = defaultHeight;
        if (r > 0 && columns > ScoreBoardOptionsColumn)
            height = std::clamp(
                WrappedHeight(metrics, grdScoreBoard->item(r, ScoreBoardOptionsColumn)->text(), optionsWidth - 4) + 4, height,
                MaxCellSide);
        grdScoreBoard->setRowHeight(r, height + GridLine);
        gridHeight += height + GridLine;
    }
    const int frame = 2 * grdScoreBoard->frameWidth();
    const int top = WindowMargin + lblTurn->sizeHint().height() + layout()->spacing();
    resize(2 * WindowMargin + gridWidth + frame, top + WindowMargin + gridHeight + frame);
}

int TfrmScoreBoard::ColumnWidth(int column) const { return grdScoreBoard->columnWidth(column) - 1; }

int TfrmScoreBoard::RowHeight(int row) const { return grdScoreBoard->rowHeight(row) - 1; }

std::string TfrmScoreBoard::ShowAndSave()
{
    show();
    std::string fileName = SavePicture(FTurnCount);
    tmrSaveAndExit->start();
    return fileName;
}

std::string TfrmScoreBoard::SavePicture(int turn)
{
    const std::string fileName = ScoreBoardImagePath(FGameName, turn);
    // The picture is the window as laid out, also when it has not been on a screen yet.
    layout()->activate();
    SaveJpegPicture(grab().toImage(), fileName);
    return fileName;
}

void TfrmScoreBoard::tmrSaveAndExitTimer()
{
    tmrSaveAndExit->stop();
    SavePicture(FTurnCount);
    close();
}

void TfrmScoreBoard::lblTurnClick() { SavePicture(FTurnCount); }

bool TfrmScoreBoard::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblTurn && event->type() == QEvent::MouseButtonRelease)
        TApplication::RunCommand(lblTurn, [this] { lblTurnClick(); });
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Commands

void ShowScoreBoard(TGame& game)
{
    TfrmScoreBoard window(DialogParent());
    window.Load(game);
    ShowModalDialog(window);
}

void PhaseReportClick(TGame& game)
{
    TWaitCursor wait;
    OpenWithDesktop(WritePhaseReport(game));
}

TTurnReportFiles WriteTurnReportFiles(TGame& game, QWidget* owner)
{
    TTurnReportFiles files;
    auto* scoreBoard = new TfrmScoreBoard(owner);
    scoreBoard->setAttribute(Qt::WA_DeleteOnClose);
    try {
        scoreBoard->Load(game);
        files.ScoreBoardPicture = scoreBoard->ShowAndSave();
    } catch (...) {
        delete scoreBoard;
        throw;
    }
    files.ScoreBoard = scoreBoard;
    files.Report = WriteTurnReport(game);
    return files;
}

void TurnReportClick(TGame& game, QWidget* owner)
{
    TWaitCursor wait;
    OpenWithDesktop(WriteTurnReportFiles(game, owner).Report);
}
