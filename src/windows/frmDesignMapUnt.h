#pragma once
#include "render/MapPictureUnt.h"
#include "support/HookUnt.h"

#include <QDialog>
#include <QImage>
#include <QListWidget>
#include <QPoint>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <utility>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;

class TBoardList;
class TChitList;
class TDragChit;
class TMapDesign;
struct TNewGameSettings;

// The "Design Map" window: true when confirmed, and then the settings hold copies of the
// designed layout and of every chit of the list with its place. The chit list is changed in
// place either way (positions, sizes, shifts).
extern THook<bool(TNewGameSettings& settings, TChitList& chits, TBoardList& boards)> DesignMap;

// The designer's map grid: each cell shows its placed board, turned, with the flags on it,
// stretched into the cell. A press selects the cell; a drag from a square carries the chit
// standing there; a chit dropped on a square is placed there, anywhere else it leaves the map.
class TDesignMapGrid : public QWidget {
    Q_OBJECT
public:
    TDesignMapGrid(TMapDesign& design, TMapRenderer& renderer, QWidget* parent);

    // Sizes the grid to the design's extent and drops every drawn cell.
    void Refresh();
    // The payload a drag from the last press point carries; none when no chit stands there.
    std::unique_ptr<TDragChit> DragPayload();

signals:
    void CellPressed();
    void ChitDropped();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The cell's board with its chits at the cell's size; null for an empty cell.
    const QImage& CellPicture(int col, int row);
    bool Accepts(const QMimeData* payload) const;

    TMapDesign& FDesign;
    TMapRenderer& FRenderer;
    std::map<std::pair<int, int>, QImage> FCellPictures;
    bool FLeftDown = false;
};

// The designer's "Place these flags" list: a line per chit, dragged as the chit.
class TDesignFlagList : public QListWidget {
    Q_OBJECT
public:
    using QListWidget::QListWidget;

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    // Copy only: a line dropped on the map must not be removed from the list.
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
};

class TfrmDesignMap : public QDialog {
    Q_OBJECT
public:
    // EChitNotFound when the chit list lacks the start or one of the flags.
    TfrmDesignMap(int flagCount, TChitList& chits, TBoardList& boards, QWidget* parent = nullptr);
    ~TfrmDesignMap() override;

    TMapDesign& Design() const { return *FDesign; }

private:
    void CreateControls();
    void FillBoards();
    void FillFlags();
    // Everything that follows the selected cell and chit, and the OK button.
    void UpdateControls();
    void ShowSelectedChit();
    void MapChanged();

    void GridSizeChanged();
    void BoardChosen();
    void Rotate(int step);
    void FlagSelected();
    void ChitSizeChanged();
    void ChitShiftChanged();
    void Zoom(bool in);

    std::unique_ptr<TMapDesign> FDesign;
    TMapRenderer FRenderer;
    bool FUpdating = false;

    QSpinBox* edtRows = nullptr;
    QSpinBox* edtCols = nullptr;
    QComboBox* cbxBoards = nullptr;
    QPushButton* btnRotateLeft = nullptr;
    QPushButton* btnRotateRight = nullptr;
    QLabel* lblExplanation = nullptr;
    TDesignFlagList* lstFlags = nullptr;
    QSpinBox* edtChitImagePercent = nullptr;
    QSpinBox* edtShiftX = nullptr;
    QSpinBox* edtShiftY = nullptr;
    QPushButton* btnZoomIn = nullptr;
    QPushButton* btnZoomOut = nullptr;
    QScrollArea* scrMap = nullptr;
    TDesignMapGrid* grdMap = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
};
