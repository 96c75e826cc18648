#include "windows/frmEditBoardUnt.h"

#include "model/BoardUnt.h"
#include "windows/ApplicationUnt.h"
#include "windows/ModalDialogUnt.h"
#include "windows/StandardDialogsUnt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

THook<void(TBoardList&)> EditBoards([](TBoardList& boards) {
    // After the window has gone, whatever way it goes.
    struct TRelease {
        TBoardList& Boards;
        ~TRelease() { Boards.ReleasePictures(); }
    } release {boards};
    TfrmEditBoard window(boards, DialogParent());
    ShowModalDialog(window);
});

// =============================================================================================
// The picture

TBoardEditorImage::TBoardEditorImage(const TBoardEditor& editor, QWidget* parent)
    : QWidget(parent)
    , FEditor(editor)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QRect TBoardEditorImage::PictureRect() const { return FittedPictureRect(FEditor.Picture().size(), size()); }

void TBoardEditorImage::ShowPicturePart(const QRect& part)
{
    const QRect shown = PictureRect();
    const QSize picture = FEditor.Picture().size();
    if (part.isEmpty() || shown.isEmpty() || picture.isEmpty())
        return;
    const double sx = static_cast<double>(shown.width()) / picture.width();
    const double sy = static_cast<double>(shown.height()) / picture.height();
    // Outward to whole pixels, and one more for smoothing across the edge.
    const QRect mapped(QPoint(shown.left() + static_cast<int>(std::floor(part.left() * sx)) - 1,
                           shown.top() + static_cast<int>(std::floor(part.top() * sy)) - 1),
        QPoint(shown.left() + static_cast<int>(std::ceil((part.right() + 1) * sx)) + 1,
            shown.top() + static_cast<int>(std::ceil((part.bottom() + 1) * sy)) + 1));
    update(mapped);
}

void TBoardEditorImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    const QImage& picture = FEditor.Picture();
    const QRect shown = PictureRect();
    if (picture.isNull() || shown.isEmpty())
        return;
    // Shrunk smoothly; enlarged, every pixel stays a sharp block to calibrate against.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, shown.width() < picture.width());
    painter.drawImage(shown, picture);
}

// =============================================================================================
// The window

namespace {

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter must not press a button: it would save or move by accident.
    button->setAutoDefault(false);
    return button;
}

// The four direction buttons of a group, as a compass: N above, W and E beside, S below.
struct TDirectionButtons {
    QPushButton* N;
    QPushButton* S;
    QPushButton* W;
    QPushButton* E;
};

TDirectionButtons NewDirectionButtons(QWidget* parent, const char* prefix)
{
    auto name = [prefix](const char* direction) { return QByteArray(prefix) + direction; };
    return {NewButton(parent, name("N").constData(), "N"), NewButton(parent, name("S").constData(), "S"),
        NewButton(parent, name("W").constData(), "W"), NewButton(parent, name("E").constData(), "E")};
}

QGridLayout* CompassLayout(const TDirectionButtons& buttons)
{
    auto* grid = new QGridLayout;
    grid->addWidget(buttons.N, 0, 1);
    grid->addWidget(buttons.W, 1, 0);
    grid->addWidget(buttons.E, 1, 2);
    grid->addWidget(buttons.S, 2, 1);
    for (QPushButton* button : {buttons.N, buttons.S, buttons.W, buttons.E})
        button->setFixedWidth(36);
    return grid;
}

} // namespace

TfrmEditBoard::TfrmEditBoard(TBoardList& boards, QWidget* parent)
    : QDialog(parent)
    , FEditor(std::make_unique<TBoardEditor>(boards))
{
    setObjectName("frmEditBoard");
    CreateControls();
    UpdateCaption();
    FillBoards();
    ApplyZoom();
    resize(900, 720);
}

TfrmEditBoard::~TfrmEditBoard()
{
    // The picture control shows the editor's picture: it goes first.
    delete scrImage;
}

void TfrmEditBoard::CreateControls()
{
    cbxBoards = new QComboBox(this);
    cbxBoards->setObjectName("cbxBoards");
    cbxBoards->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbxBoards->setMinimumContentsLength(18);
    cbxControls = new QComboBox(this);
    cbxControls->setObjectName("cbxControls");
    for (std::string_view scheme : BoardEditorSchemes)
        cbxControls->addItem(QString::fromLatin1(scheme.data(), static_cast<qsizetype>(scheme.size())));
    lblUnedited = new QLabel("(UnEdited)", this);
    lblUnedited->setObjectName("lblUnedited");
    // Its place stays when it hides, so the buttons below never move under the mouse.
    QSizePolicy keepPlace = lblUnedited->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    lblUnedited->setSizePolicy(keepPlace);

    btnZoomIn = NewButton(this, "btnZoomIn", "+");
    btnZoomOut = NewButton(this, "btnZoomOut", "-");

    auto* grpMove = new QGroupBox("Move", this);
    grpMove->setObjectName("grpMove");
    const TDirectionButtons move = NewDirectionButtons(grpMove, "btnMove");
    QPushButton* btnTurnRight = NewButton(grpMove, "btnTurnRight", "Rt");
    QPushButton* btnTurnLeft = NewButton(grpMove, "btnTurnLeft", "Lt");
    QGridLayout* moveGrid = CompassLayout(move);
    moveGrid->addWidget(btnTurnLeft, 0, 0);
    moveGrid->addWidget(btnTurnRight, 0, 2);
    btnTurnLeft->setFixedWidth(36);
    btnTurnRight->setFixedWidth(36);
    grpMove->setLayout(moveGrid);

    auto* grpAdjust = new QGroupBox("Adjust", this);
    grpAdjust->setObjectName("grpAdjust");
    const TDirectionButtons node = NewDirectionButtons(grpAdjust, "btnNode");
    const TDirectionButtons line = NewDirectionButtons(grpAdjust, "btnRowCol");
    btnSaveBoardList = NewButton(grpAdjust, "btnSaveBoardList", "&Save");
    auto* adjust = new QVBoxLayout(grpAdjust);
    adjust->addWidget(new QLabel("Node (Ctrl)", grpAdjust));
    adjust->addLayout(CompassLayout(node));
    adjust->addWidget(new QLabel("Row/Col (Shift)", grpAdjust));
    adjust->addLayout(CompassLayout(line));
    adjust->addSpacing(8);
    adjust->addWidget(btnSaveBoardList);

    scrImage = new QScrollArea(this);
    scrImage->setObjectName("scrImage");
    // The picture control fills the view, and grows past it by the zoom's extent.
    scrImage->setWidgetResizable(true);
    Image1 = new TBoardEditorImage(*FEditor, scrImage);
    Image1->setObjectName("Image1");
    scrImage->setWidget(Image1);

    auto* boardLabel = new QLabel("&Board", this);
    boardLabel->setBuddy(cbxBoards);
    auto* controlsLabel = new QLabel("&Controls", this);
    controlsLabel->setBuddy(cbxControls);
    auto* zoom = new QHBoxLayout;
    zoom->addWidget(new QLabel("Zoom", this));
    zoom->addWidget(btnZoomIn);
    zoom->addWidget(btnZoomOut);
    zoom->addStretch();

    auto* controls = new QVBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->addWidget(boardLabel);
    controls->addWidget(cbxBoards);
    controls->addWidget(lblUnedited);
    controls->addSpacing(6);
    controls->addWidget(controlsLabel);
    controls->addWidget(cbxControls);
    controls->addSpacing(6);
    controls->addLayout(zoom);
    controls->addWidget(grpMove);
    controls->addWidget(grpAdjust);
    controls->addStretch();
    auto* panel = new QWidget(this);
    panel->setLayout(controls);
    panel->setFixedWidth(200);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(scrImage, 1);

    auto onClick = [this](QPushButton* button, std::function<QRect()> edit) {
        connect(button, &QPushButton::clicked, this, [this, edit] { Edit(edit); });
    };
    auto onDirections = [&](const TDirectionButtons& buttons, QRect (TBoardEditor::*edit)(TEditDirection)) {
        const std::pair<QPushButton*, TEditDirection> pairs[] = {
            {buttons.N, edUp}, {buttons.S, edDown}, {buttons.W, edLeft}, {buttons.E, edRight}};
        for (const auto& [button, direction] : pairs)
            onClick(button, [this, edit, direction = direction] { return (FEditor.get()->*edit)(direction); });
    };
    onDirections(move, &TBoardEditor::Move);
    onDirections(node, &TBoardEditor::NudgeNode);
    onDirections(line, &TBoardEditor::NudgeLine);
    onClick(btnTurnRight, [this] { return FEditor->Turn(true); });
    onClick(btnTurnLeft, [this] { return FEditor->Turn(false); });

    connect(cbxBoards, &QComboBox::currentIndexChanged, this, &TfrmEditBoard::cbxBoardsChange);
    connect(cbxControls, &QComboBox::currentIndexChanged, this, &TfrmEditBoard::cbxControlsChange);
    connect(btnSaveBoardList, &QPushButton::clicked, this, &TfrmEditBoard::btnSaveBoardListClick);
    connect(btnZoomIn, &QPushButton::clicked, this, [this] {
        FEditor->ZoomIn();
        ApplyZoom();
    });
    connect(btnZoomOut, &QPushButton::clicked, this, [this] {
        FEditor->ZoomOut();
        ApplyZoom();
    });

    // The scheme's keys work wherever the focus is; other keys go on to the control.
    for (QWidget* child : findChildren<QWidget*>())
        if (child->focusPolicy() != Qt::NoFocus)
            child->installEventFilter(this);
}

void TfrmEditBoard::FillBoards()
{
    FUpdating = true;
    cbxBoards->clear();
    FEditor->Boards().FillBoardPicker([this](const std::string& text, TBoard& board) {
        cbxBoards->addItem(QString::fromStdString(text), QString::fromStdString(board.ID()));
    });
    cbxBoards->setCurrentIndex(cbxBoards->count() > 0 ? 0 : -1);
    FUpdating = false;
    // The first board, as if the game master had picked it.
    cbxBoardsChange();
}

void TfrmEditBoard::cbxBoardsChange()
{
    if (FUpdating)
        return;
    TApplication::RunCommand(this, [this] {
        const std::string id = cbxBoards->currentData().toString().toStdString();
        TBoard* board = id.empty() ? nullptr : FEditor->Boards().FindByID(id);
        // Shown also when the picture cannot be read: the board is chosen all the same.
        try {
            FEditor->ChooseBoard(board);
        } catch (...) {
            UpdateUneditedLabel();
            Image1->update();
            throw;
        }
        UpdateUneditedLabel();
        Image1->update();
    });
}

void TfrmEditBoard::cbxControlsChange() { FEditor->SetSchemeIndex(cbxControls->currentIndex()); }

void TfrmEditBoard::Edit(const std::function<QRect()>& edit)
{
    TApplication::RunCommand(this, [this, &edit] {
        Image1->ShowPicturePart(edit());
        UpdateUneditedLabel();
    });
}

bool TfrmEditBoard::HandleKey(const QKeyEvent& event)
{
    const TEditKey key = TranslateEditKey(FEditor->Scheme(), event.key(), event.modifiers());
    if (key.Target == etNone)
        return false;
    Edit([this, key] { return FEditor->Apply(key); });
    return true;
}

void TfrmEditBoard::keyPressEvent(QKeyEvent* event)
{
    if (!HandleKey(*event))
        QDialog::keyPressEvent(event);
}

bool TfrmEditBoard::eventFilter(QObject* watched, QEvent* event)
{
    // Taken before the control sees it, so a letter never also searches a list.
    if (event->type() == QEvent::KeyPress && HandleKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TfrmEditBoard::UpdateUneditedLabel() { lblUnedited->setVisible(FEditor->BoardIsUnedited()); }

void TfrmEditBoard::UpdateCaption() { setWindowTitle(QString::fromStdString(BoardEditorCaption(FEditor->Boards()))); }

void TfrmEditBoard::ApplyZoom()
{
    btnZoomIn->setText(QString::fromStdString(ZoomInCaption(FEditor->ZoomLevel())));
    const int extent = std::min(FEditor->ScrollExtent(), QWIDGETSIZE_MAX);
    Image1->setMinimumSize(extent, extent);
}

void TfrmEditBoard::btnSaveBoardListClick()
{
    TApplication::RunCommand(this, [this] {
        FEditor->Save();
        UpdateCaption();
    });
}

bool TfrmEditBoard::ConfirmClose()
{
    if (!FEditor->HasUnsavedChanges())
        return true;
    switch (AskSaveChanges("The board squares have changed since they were last saved. Save the changes?")) {
    case saSave:
        FEditor->Save();
        return true;
    case saDiscard:
        FEditor->DiscardChanges();
        return true;
    case saCancel:
        break;
    }
    return false;
}

void TfrmEditBoard::reject()
{
    // A save that fails keeps the window open, with the changes.
    bool close = false;
    TApplication::RunCommand(this, [this, &close] { close = ConfirmClose(); });
    if (close)
        QDialog::reject();
}
