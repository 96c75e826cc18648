#include "windows/ProgramWidgetsUnt.h"

#include "model/ProgramUnt.h"
#include "windows/DragObjectsUnt.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QToolButton>

namespace {

// A drag that carries a card is claimed by the first card control under the mouse, so that it
// never falls through to the control around it; whether the card may be dropped there is then
// the answer to every move. Anything else passes on to the controls around.
void Enter(QDragEnterEvent* event)
{
    if (DraggedCard(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

// Accepts the move or drop when it carries a card that the target takes; the payload then.
const TDragCard* AcceptedPayload(QDropEvent* event, const TCardAccepts& accepts)
{
    const TDragCard* payload = DraggedCard(event->mimeData());
    if (payload && accepts && accepts(*payload)) {
        event->acceptProposedAction();
        return payload;
    }
    event->ignore();
    return nullptr;
}

void Drop(QDropEvent* event, const TCardAccepts& accepts, const TCardDropped& dropped)
{
    if (const TDragCard* payload = AcceptedPayload(event, accepts); payload && dropped)
        dropped(*payload);
}

// Runs a drag with the payload; the targets change the model and the window refreshes from it,
// so the source does nothing afterwards.
void RunDrag(QWidget* source, std::unique_ptr<TDragCard> payload)
{
    if (!payload)
        return;
    auto* drag = new QDrag(source);
    drag->setMimeData(payload.release());
    drag->exec(Qt::MoveAction);
}

} // namespace

int DragSourceRegister(const TDragCard& payload)
{
    const auto* box = qobject_cast<const TRegisterBox*>(payload.Source());
    return box ? box->RegisterNumber() : -1;
}

// ---------------------------------------------------------------------------------------------

TCardDropTarget::TCardDropTarget(QWidget* widget, TCardAccepts accepts, TCardDropped dropped)
    : QObject(widget)
    , FAccepts(std::move(accepts))
    , FDropped(std::move(dropped))
{
}

TCardDropTarget* TCardDropTarget::Install(QWidget* widget, TCardAccepts accepts, TCardDropped dropped)
{
    auto* target = new TCardDropTarget(widget, std::move(accepts), std::move(dropped));
    widget->setAcceptDrops(true);
    widget->installEventFilter(target);
    return target;
}

bool TCardDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
        Enter(static_cast<QDragEnterEvent*>(event));
        return true;
    case QEvent::DragMove:
        AcceptedPayload(static_cast<QDropEvent*>(event), FAccepts);
        return true;
    case QEvent::Drop:
        Drop(static_cast<QDropEvent*>(event), FAccepts, FDropped);
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

// ---------------------------------------------------------------------------------------------

TRegisterBox::TRegisterBox(QWidget* parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setAcceptDrops(true);
}

int TRegisterBox::RegisterNumber() const { return RegisterNbr(objectName().toStdString()); }

void TRegisterBox::ShowRegister(const std::string& text, bool locked)
{
    setText(QString::fromStdString(text));
    if (locked == FLocked)
        return;
    FLocked = locked;
    // Only the lock has colours of its own; otherwise the box keeps the window's field colours
    // (which also show whether it is enabled).
    if (locked) {
        TTextColours colours = RegisterBoxColours(true, palette());
        setStyleSheet(QString("QLineEdit { background-color: %1; color: %2; }").arg(colours.Background.name(), colours.Text.name()));
    } else {
        setStyleSheet(QString());
    }
}

void TRegisterBox::SetDropHandlers(TCardAccepts accepts, TCardDropped dropped)
{
    FAccepts = std::move(accepts);
    FDropped = std::move(dropped);
}

std::unique_ptr<TDragCard> TRegisterBox::DragPayload()
{
    std::string cardID = FDragCardID ? FDragCardID() : std::string();
    if (cardID.empty())
        return nullptr;
    return std::make_unique<TDragCard>(cardID, this);
}

void TRegisterBox::mousePressEvent(QMouseEvent* event)
{
    FPressed = event->button() == Qt::LeftButton;
    FPressPosition = event->position().toPoint();
    QLineEdit::mousePressEvent(event);
}

void TRegisterBox::mouseMoveEvent(QMouseEvent* event)
{
    if (FMouseMoved)
        FMouseMoved();
    if (FPressed && (event->buttons() & Qt::LeftButton)
        && (event->position().toPoint() - FPressPosition).manhattanLength() >= QApplication::startDragDistance()) {
        FPressed = false;
        if (std::unique_ptr<TDragCard> payload = DragPayload()) {
            RunDrag(this, std::move(payload));
            return;
        }
    }
    QLineEdit::mouseMoveEvent(event);
}

void TRegisterBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    FPressed = false;
    if (event->button() == Qt::LeftButton && FDoubleClicked)
        FDoubleClicked();
    else
        QLineEdit::mouseDoubleClickEvent(event);
}

void TRegisterBox::dragEnterEvent(QDragEnterEvent* event) { Enter(event); }

void TRegisterBox::dragMoveEvent(QDragMoveEvent* event) { AcceptedPayload(event, FAccepts); }

void TRegisterBox::dropEvent(QDropEvent* event) { Drop(event, FAccepts, FDropped); }

// ---------------------------------------------------------------------------------------------

TCardListWidget::TCardListWidget(QWidget* parent)
    : QListWidget(parent)
{
    setItemDelegate(new TCardLineDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void TCardListWidget::SetLines(const std::vector<TCardLine>& lines)
{
    clear();
    for (const TCardLine& line : lines) {
        auto* item = new QListWidgetItem(QString::fromStdString(line.Text), this);
        item->setData(CardIDRole, QString::fromStdString(line.CardID));
        item->setData(LockedRole, line.Locked);
        item->setData(EntryIndexRole, line.EntryIndex);
    }
}

void TCardListWidget::SetHandCards(const std::vector<TProgramCard*>& cards)
{
    std::vector<TCardLine> lines;
    for (const TProgramCard* card : cards)
        lines.push_back({card->ID(), card->DisplayName(), false, -1});
    SetLines(lines);
}

void TCardListWidget::SetOtherEntries(const std::vector<TOtherEntry>& entries)
{
    std::vector<TCardLine> lines;
    for (const TOtherEntry& entry : entries)
        lines.push_back({entry.CardID, entry.Text, entry.Locked, entry.EntryIndex});
    SetLines(lines);
}

std::string TCardListWidget::SelectedCardID() const
{
    const QListWidgetItem* line = currentItem();
    return line && line->isSelected() ? line->data(CardIDRole).toString().toStdString() : std::string();
}

int TCardListWidget::SelectedEntryIndex() const
{
    const QListWidgetItem* line = currentItem();
    return line && line->isSelected() ? line->data(EntryIndexRole).toInt() : -1;
}

void TCardListWidget::SetDragSource(bool dragSource)
{
    FDragSource = dragSource;
    setDragEnabled(dragSource);
}

void TCardListWidget::SetDropHandlers(TCardAccepts accepts, TCardDropped dropped)
{
    FAccepts = std::move(accepts);
    FDropped = std::move(dropped);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

std::unique_ptr<TDragCard> TCardListWidget::DragPayload()
{
    std::string cardID = SelectedCardID();
    if (!FDragSource || cardID.empty())
        return nullptr;
    return std::make_unique<TDragCard>(cardID, this);
}

void TCardListWidget::startDrag(Qt::DropActions) { RunDrag(this, DragPayload()); }

void TCardListWidget::dragEnterEvent(QDragEnterEvent* event) { Enter(event); }

void TCardListWidget::dragMoveEvent(QDragMoveEvent* event) { AcceptedPayload(event, FAccepts); }

void TCardListWidget::dropEvent(QDropEvent* event) { Drop(event, FAccepts, FDropped); }

// ---------------------------------------------------------------------------------------------

void TCardLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const bool focused = option.widget && option.widget->hasFocus();
    const TTextColours colours = OtherLineColours(index.data(TCardListWidget::LockedRole).toBool(), selected && focused, option.palette);
    painter->save();
    painter->fillRect(option.rect, colours.Background);
    painter->setPen(colours.Text);
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
    painter->restore();
}

// ---------------------------------------------------------------------------------------------

QIcon RegisterToolImage(TRegisterToolImage image)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
    case tiLock:
    case tiUnlock: {
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.setBrush(Qt::NoBrush);
        QPainterPath shackle;
        shackle.moveTo(5, 8);
        shackle.lineTo(5, 5);
        shackle.arcTo(5, 1, 6, 7, 180, -180);
        if (image == tiLock)
            shackle.lineTo(11, 8);
        p.drawPath(shackle);
        p.setPen(Qt::NoPen);
        p.setBrush(image == tiLock ? QColor(200, 150, 20) : QColor(120, 170, 60));
        p.drawRoundedRect(QRectF(3, 7.5, 10, 7.5), 1.5, 1.5);
        break;
    }
    case tiClear:
        p.setPen(QPen(QColor(200, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    case tiRandom:
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

void ApplyRegisterBarState(QToolBar* bar, const TRegisterBarState& state)
{
    std::vector<QToolButton*> buttons;
    for (QAction* action : bar->actions())
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action)))
            buttons.push_back(button);
    const TRegisterToolImage images[] = {state.LockImage, tiClear, tiRandom};
    const bool enabled[] = {state.LockEnabled, state.ClearEnabled, state.RandomEnabled};
    for (std::size_t i = 0; i < buttons.size() && i < 3; ++i) {
        if (i == 0) {
            buttons[i]->setIcon(RegisterToolImage(images[i]));
            buttons[i]->setProperty("ImageIndex", static_cast<int>(images[i]));
        }
        buttons[i]->setToolTip(QString::fromUtf8(RegisterToolHint(images[i])));
        buttons[i]->setEnabled(enabled[i]);
    }
    bar->setEnabled(state.Enabled);
}
