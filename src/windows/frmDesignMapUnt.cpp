#include "windows/frmDesignMapUnt.h"

#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "session/DesignMapRulesUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/ApplicationUnt.h"
#include "windows/DragObjectsUnt.h"
#include "session/SettingsUnt.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

THook<bool(TNewGameSettings&, TChitList&, TBoardList&)> DesignMap(
    [](TNewGameSettings& settings, TChitList& chits, TBoardList& boards) {
        TfrmDesignMap window(settings.FlagCount, chits, boards, DialogParent());
        if (!ShowModalDialog(window) || !window.Design().CanAccept())
            return false;
        window.Design().ApplyTo(settings);
        return true;
    });

namespace {

// The drawn cells kept for repainting take at most about this much memory; beyond it they are
// drawn again when they next show, so that scrolling over a large map keeps no picture of every
// cell.
constexpr long long CellCacheBytes = 256LL << 20;

QSpinBox* NewSpinBox(QWidget* parent, const char* name, int minimum, int maximum)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(minimum, maximum);
    return box;
}

QLabel* NewLabel(QWidget* parent, const char* text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

// =============================================================================================
// The grid

TDesignMapGrid::TDesignMapGrid(TMapDesign& design, TMapRenderer& renderer, QWidget* parent)
    : QWidget(parent)
    , FDesign(design)
    , FRenderer(renderer)
{
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Refresh();
}

void TDesignMapGrid::Refresh()
{
    FCellPictures.clear();
    const QSize extent = FDesign.GridExtent();
    setFixedSize(std::min(extent.width(), QWIDGETSIZE_MAX), std::min(extent.height(), QWIDGETSIZE_MAX));
    update();
}

const QImage& TDesignMapGrid::CellPicture(int col, int row)
{
    auto key = std::make_pair(col, row);
    auto found = FCellPictures.find(key);
    if (found != FCellPictures.end())
        return found->second;
    QImage picture;
    if (const TUsedBoard* usedBoard = FDesign.CellBoard(col, row)) {
        picture = FRenderer.BoardPictureWithChits(*usedBoard, FDesign.FlagChits());
        // Shrunk once here rather than at every paint; a larger cell is stretched when painted.
        const int cell = FDesign.CellPixels();
        if (!picture.isNull() && (picture.width() > cell || picture.height() > cell))
            picture = picture.scaled(cell, cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const long long bytes = std::max<long long>(picture.sizeInBytes(), 1);
    if (static_cast<long long>(FCellPictures.size() + 1) * bytes > CellCacheBytes)
        FCellPictures.clear();
    return FCellPictures.emplace(key, std::move(picture)).first->second;
}

void TDesignMapGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    painter.fillRect(exposed, palette().base());
    const int cell = FDesign.CellPixels();
    const long long pitch = static_cast<long long>(cell) + TMapDesign::GridLineWidth;
    const int firstCol = static_cast<int>(exposed.left() / pitch);
    const int lastCol = std::min(FDesign.ColCount() - 1, static_cast<int>(exposed.right() / pitch));
    const int firstRow = static_cast<int>(exposed.top() / pitch);
    const int lastRow = std::min(FDesign.RowCount() - 1, static_cast<int>(exposed.bottom() / pitch));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int col = firstCol; col <= lastCol; ++col) {
        for (int row = firstRow; row <= lastRow; ++row) {
            const QRect target(static_cast<int>(col * pitch), static_cast<int>(row * pitch), cell, cell);
            const QImage& picture = CellPicture(col, row);
            if (!picture.isNull())
                painter.drawImage(target, picture);
            // The grid lines right of and below each cell.
            painter.fillRect(QRect(target.right() + 1, target.top(), TMapDesign::GridLineWidth, cell + TMapDesign::GridLineWidth),
                palette().mid());
            painter.fillRect(QRect(target.left(), target.bottom() + 1, cell, TMapDesign::GridLineWidth), palette().mid());
            if (col == FDesign.SelectedCol() && row == FDesign.SelectedRow()) {
                painter.setPen(QPen(palette().highlight(), 3));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(target.adjusted(1, 1, -2, -2));
            }
        }
    }
}

void TDesignMapGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    FLeftDown = true;
    TApplication::RunCommand(this, [&] {
        FDesign.PressAt(event->position().toPoint());
        update();
        emit CellPressed();
    });
}

void TDesignMapGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        FLeftDown = false;
    QWidget::mouseReleaseEvent(event);
}

std::unique_ptr<TDragChit> TDesignMapGrid::DragPayload()
{
    TChit* chit = FDesign.ChitAt(FDesign.MouseDownPoint());
    return chit ? std::make_unique<TDragChit>(chit->ID(), this) : nullptr;
}

void TDesignMapGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (!FLeftDown || !(event->buttons() & Qt::LeftButton)
        || (event->position().toPoint() - FDesign.MouseDownPoint()).manhattanLength() < QApplication::startDragDistance())
        return QWidget::mouseMoveEvent(event);
    FLeftDown = false;
    std::unique_ptr<TDragChit> payload;
    TApplication::RunCommand(this, [&] { payload = DragPayload(); });
    if (!payload)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(payload.release());
    drag->exec(Qt::MoveAction);
}

bool TDesignMapGrid::Accepts(const QMimeData* payload) const
{
    const TDragChit* dragged = DraggedChit(payload);
    return dragged && FDesign.FlagChit(dragged->ChitID());
}

void TDesignMapGrid::dragEnterEvent(QDragEnterEvent* event)
{
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDesignMapGrid::dragMoveEvent(QDragMoveEvent* event)
{
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDesignMapGrid::dropEvent(QDropEvent* event)
{
    if (!Accepts(event->mimeData()))
        return event->ignore();
    event->acceptProposedAction();
    TApplication::RunCommand(this, [&] {
        FDesign.DropChit(*FDesign.FlagChit(DraggedChit(event->mimeData())->ChitID()), event->position().toPoint());
        emit ChitDropped();
    });
}

// =============================================================================================
// The flag list

QStringList TDesignFlagList::mimeTypes() const { return {TDragChit::MimeType}; }

QMimeData* TDesignFlagList::mimeData(const QList<QListWidgetItem*>& items) const
{
    if (items.isEmpty())
        return nullptr;
    return new TDragChit(items.front()->data(Qt::UserRole).toString().toStdString(), const_cast<TDesignFlagList*>(this));
}

// =============================================================================================
// The window

TfrmDesignMap::TfrmDesignMap(int flagCount, TChitList& chits, TBoardList& boards, QWidget* parent)
    : QDialog(parent)
    , FDesign(std::make_unique<TMapDesign>(boards, chits, flagCount))
{
    setObjectName("frmDesignMap");
    setWindowTitle("Design Map");
    CreateControls();
    FillBoards();
    FillFlags();
    UpdateControls();
    resize(980, 660);
}

TfrmDesignMap::~TfrmDesignMap()
{
    // The grid refers to the design: it goes first.
    delete scrMap;
}

void TfrmDesignMap::CreateControls()
{
    edtRows = NewSpinBox(this, "edtRows", TMapDesign::MinGridSize, TMapDesign::MaxGridSize);
    edtCols = NewSpinBox(this, "edtCols", TMapDesign::MinGridSize, TMapDesign::MaxGridSize);
    // Typing "12" must not pass through a grid of 1, which would drop the boards beyond it.
    edtRows->setKeyboardTracking(false);
    edtCols->setKeyboardTracking(false);
    cbxBoards = new QComboBox(this);
    cbxBoards->setObjectName("cbxBoards");
    cbxBoards->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbxBoards->setMinimumContentsLength(16);
    btnRotateLeft = new QPushButton("Lt", this);
    btnRotateLeft->setObjectName("btnRotateLeft");
    btnRotateRight = new QPushButton("Rt", this);
    btnRotateRight->setObjectName("btnRotateRight");
    lblExplanation = new QLabel("Choose the size of the map grid and add a board for each grid item you need to fill.", this);
    lblExplanation->setObjectName("lblExplanation");
    lblExplanation->setWordWrap(true);
    lstFlags = new TDesignFlagList(this);
    lstFlags->setObjectName("lstFlags");
    lstFlags->setSelectionMode(QAbstractItemView::SingleSelection);
    lstFlags->setDragEnabled(true);
    lstFlags->setDragDropMode(QAbstractItemView::DragOnly);
    edtChitImagePercent = NewSpinBox(this, "edtChitImagePercent", 1, 200);
    edtChitImagePercent->setToolTip("Wall = 90, Pit = 50");
    edtChitImagePercent->setValue(100);
    edtShiftX = NewSpinBox(this, "edtShiftX", std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    edtShiftY = NewSpinBox(this, "edtShiftY", std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    for (QSpinBox* shift : {edtShiftX, edtShiftY}) {
        shift->setToolTip("Wall = 7");
        // The unlimited range would size the boxes for ten digits.
        shift->setMaximumWidth(edtChitImagePercent->sizeHint().width() + 10);
    }
    btnZoomIn = new QPushButton("+", this);
    btnZoomIn->setObjectName("btnZoomIn");
    btnZoomOut = new QPushButton("-", this);
    btnZoomOut->setObjectName("btnZoomOut");

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnOk = buttons->button(QDialogButtonBox::Ok);
    btnOk->setObjectName("btnOk");
    btnCancel = buttons->button(QDialogButtonBox::Cancel);
    btnCancel->setObjectName("btnCancel");

    scrMap = new QScrollArea(this);
    scrMap->setObjectName("scrMap");
    scrMap->setWidgetResizable(false);
    scrMap->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grdMap = new TDesignMapGrid(*FDesign, FRenderer, scrMap);
    grdMap->setObjectName("grdMap");
    scrMap->setWidget(grdMap);

    // Controls on the left, the map filling the rest.
    auto* size = new QHBoxLayout;
    size->addWidget(NewLabel(this, "&Rows", edtRows));
    size->addWidget(edtRows);
    size->addSpacing(8);
    size->addWidget(NewLabel(this, "&Cols", edtCols));
    size->addWidget(edtCols);
    size->addStretch();
    auto* rotate = new QHBoxLayout;
    rotate->addWidget(new QLabel("Rotate", this));
    rotate->addWidget(btnRotateLeft);
    rotate->addWidget(btnRotateRight);
    rotate->addStretch();
    auto* chitSize = new QGridLayout;
    chitSize->addWidget(NewLabel(this, "Chit &Size", edtChitImagePercent), 0, 0);
    chitSize->addWidget(edtChitImagePercent, 0, 1);
    chitSize->setColumnStretch(2, 1);
    chitSize->addWidget(new QLabel("Pixel Shift", this), 1, 0, 1, 3);
    auto* shifts = new QHBoxLayout;
    shifts->addWidget(NewLabel(this, "&X", edtShiftX));
    shifts->addWidget(edtShiftX);
    shifts->addSpacing(8);
    shifts->addWidget(NewLabel(this, "&Y", edtShiftY));
    shifts->addWidget(edtShiftY);
    shifts->addStretch();
    auto* zoom = new QHBoxLayout;
    zoom->addWidget(new QLabel("Zoom", this));
    zoom->addWidget(btnZoomIn);
    zoom->addWidget(btnZoomOut);
    zoom->addStretch();

    auto* controls = new QVBoxLayout;
    controls->addLayout(size);
    controls->addSpacing(6);
    controls->addWidget(NewLabel(this, "&Board", cbxBoards));
    controls->addWidget(cbxBoards);
    controls->addLayout(rotate);
    controls->addSpacing(6);
    controls->addWidget(lblExplanation);
    controls->addSpacing(6);
    controls->addWidget(NewLabel(this, "&Place these flags", lstFlags));
    controls->addWidget(lstFlags, 1);
    controls->addLayout(chitSize);
    controls->addLayout(shifts);
    controls->addSpacing(6);
    controls->addLayout(zoom);
    controls->addSpacing(12);
    controls->addWidget(buttons);
    auto* panel = new QWidget(this);
    panel->setLayout(controls);
    panel->setFixedWidth(250);
    controls->setContentsMargins(0, 0, 0, 0);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(scrMap, 1);

    edtRows->setValue(FDesign->RowCount());
    edtCols->setValue(FDesign->ColCount());
    connect(edtRows, &QSpinBox::valueChanged, this, &TfrmDesignMap::GridSizeChanged);
    connect(edtCols, &QSpinBox::valueChanged, this, &TfrmDesignMap::GridSizeChanged);
    connect(cbxBoards, &QComboBox::currentIndexChanged, this, &TfrmDesignMap::BoardChosen);
    connect(btnRotateLeft, &QPushButton::clicked, this, [this] { Rotate(-1); });
    connect(btnRotateRight, &QPushButton::clicked, this, [this] { Rotate(+1); });
    connect(lstFlags, &QListWidget::itemSelectionChanged, this, &TfrmDesignMap::FlagSelected);
    connect(edtChitImagePercent, &QSpinBox::valueChanged, this, &TfrmDesignMap::ChitSizeChanged);
    connect(edtShiftX, &QSpinBox::valueChanged, this, &TfrmDesignMap::ChitShiftChanged);
    connect(edtShiftY, &QSpinBox::valueChanged, this, &TfrmDesignMap::ChitShiftChanged);
    connect(btnZoomIn, &QPushButton::clicked, this, [this] { Zoom(true); });
    connect(btnZoomOut, &QPushButton::clicked, this, [this] { Zoom(false); });
    connect(grdMap, &TDesignMapGrid::CellPressed, this, &TfrmDesignMap::UpdateControls);
    connect(grdMap, &TDesignMapGrid::ChitDropped, this, &TfrmDesignMap::MapChanged);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TfrmDesignMap::FillBoards()
{
    FUpdating = true;
    cbxBoards->clear();
    cbxBoards->addItem("Select Board", QString());
    FDesign->Boards().FillBoardPicker([this](const std::string& text, TBoard& board) {
        cbxBoards->addItem(QString::fromStdString(text), QString::fromStdString(board.ID()));
    });
    cbxBoards->setCurrentIndex(0);
    FUpdating = false;
}

void TfrmDesignMap::FillFlags()
{
    FUpdating = true;
    lstFlags->clear();
    for (const TChit* chit : FDesign->FlagChits()) {
        auto* item = new QListWidgetItem(QString::fromStdString(chit->Description()), lstFlags);
        item->setData(Qt::UserRole, QString::fromStdString(chit->ID()));
    }
    FUpdating = false;
}

void TfrmDesignMap::UpdateControls()
{
    FUpdating = true;
    const TBoard* board = FDesign->SelectedBoard();
    const int index = board ? cbxBoards->findData(QString::fromStdString(board->ID())) : 0;
    cbxBoards->setCurrentIndex(std::max(index, 0));
    const bool hasBoard = FDesign->SelectedCellHasBoard();
    btnRotateLeft->setEnabled(hasBoard);
    btnRotateRight->setEnabled(hasBoard);
    lstFlags->setEnabled(hasBoard);
    FUpdating = false;
    ShowSelectedChit();
    btnOk->setEnabled(FDesign->CanAccept());
}

void TfrmDesignMap::ShowSelectedChit()
{
    FUpdating = true;
    const TChit* chit = FDesign->SelectedChit();
    for (int i = 0; i < lstFlags->count(); ++i) {
        QListWidgetItem* item = lstFlags->item(i);
        const bool selected = chit && item->data(Qt::UserRole).toString().toStdString() == chit->ID();
        item->setSelected(selected);
        if (selected)
            lstFlags->setCurrentItem(item);
    }
    if (chit) {
        edtChitImagePercent->setValue(chit->ImageSizePercent());
        edtShiftX->setValue(chit->ImagePixelShiftX());
        edtShiftY->setValue(chit->ImagePixelShiftY());
    }
    // Size and shift belong to a chit: without one there is nothing to change.
    for (QSpinBox* box : {edtChitImagePercent, edtShiftX, edtShiftY})
        box->setEnabled(chit != nullptr);
    FUpdating = false;
}

void TfrmDesignMap::MapChanged()
{
    grdMap->Refresh();
    UpdateControls();
}

void TfrmDesignMap::GridSizeChanged()
{
    if (FUpdating)
        return;
    TApplication::RunCommand(this, [this] {
        FDesign->SetGridSize(edtCols->value(), edtRows->value());
        MapChanged();
    });
}

void TfrmDesignMap::BoardChosen()
{
    if (FUpdating)
        return;
    TApplication::RunCommand(this, [this] {
        const std::string id = cbxBoards->currentData().toString().toStdString();
        FDesign->ChooseBoard(id.empty() ? nullptr : FDesign->Boards().FindByID(id));
        MapChanged();
    });
}

void TfrmDesignMap::Rotate(int step)
{
    TApplication::RunCommand(this, [this, step] {
        TWaitCursor wait;
        FDesign->RotateSelected(step);
        MapChanged();
    });
}

void TfrmDesignMap::FlagSelected()
{
    if (FUpdating)
        return;
    TApplication::RunCommand(this, [this] {
        const QList<QListWidgetItem*> selected = lstFlags->selectedItems();
        if (selected.isEmpty())
            return;
        FDesign->SelectChit(selected.front()->data(Qt::UserRole).toString().toStdString());
        ShowSelectedChit();
    });
}

void TfrmDesignMap::ChitSizeChanged()
{
    if (FUpdating)
        return;
    TApplication::RunCommand(this, [this] {
        if (FDesign->SetSelectedChitSize(edtChitImagePercent->value()))
            grdMap->Refresh();
    });
}

void TfrmDesignMap::ChitShiftChanged()
{
    if (FUpdating)
        return;
    TApplication::RunCommand(this, [this] {
        if (FDesign->SetSelectedChitShift(edtShiftX->value(), edtShiftY->value()))
            grdMap->Refresh();
    });
}

void TfrmDesignMap::Zoom(bool in)
{
    TApplication::RunCommand(this, [this, in] {
        if (in)
            FDesign->ZoomIn();
        else
            FDesign->ZoomOut();
        grdMap->Refresh();
    });
}
