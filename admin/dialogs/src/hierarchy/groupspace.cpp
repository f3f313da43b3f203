#include "hierarchy/groupspace.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>

namespace Security {

namespace {

constexpr int kDragThreshold = 10; // pixels of movement before a drag starts
constexpr int kCanvasRoom = 200; // beyond the outermost box
// Shown around the canvas, so that loops above boxes at the top and arrow
// heads at the left edge are not cut off.
constexpr int kBorder = 32;
const QColor kDropTarget(0x00, 0x66, 0xCC);

} // namespace

TGroupSpace::TGroupSpace(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("GroupSpace"));
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

TGroupSpace::~TGroupSpace() = default;

void TGroupSpace::SetModel(std::unique_ptr<THierarchyModel> model)
{
    drag_ = Drag {};
    model_ = std::move(model);
    UpdateCanvasSize();
    viewport()->update();
}

QSize TGroupSpace::MeasureBox(const TGroupProperties& properties) const
{
    return TGroupFrame::MeasureSize(fontMetrics(), properties.Name, properties.FullName);
}

QPoint TGroupSpace::ToCanvas(QPoint viewportPoint) const
{
    return viewportPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value())
        - QPoint(kBorder, kBorder);
}

QPoint TGroupSpace::ToViewport(QPoint canvasPoint) const
{
    return canvasPoint - QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value())
        + QPoint(kBorder, kBorder);
}

TGroupFrame* TGroupSpace::BoxAt(QPoint canvasPoint) const
{
    if (!model_)
        return nullptr;
    // Later boxes are painted over earlier ones.
    for (int row = model_->BoxCount() - 1; row >= 0; --row) {
        TGroupFrame& box = model_->Box(row);
        if (!box.Hidden() && box.Bounds().contains(canvasPoint))
            return &box;
    }
    return nullptr;
}

TGroupRelation* TGroupSpace::RelationAt(QPoint canvasPoint) const
{
    if (!model_)
        return nullptr;
    // The current relation is painted on top, so it is hit first.
    TGroupRelation* current = model_->CurrentRelation();
    if (current && current->Shape().Contains(canvasPoint))
        return current;
    for (const auto& relation : model_->Relations())
        if (THierarchyModel::Attached(*relation) && relation->Shape().Contains(canvasPoint))
            return relation.get();
    return nullptr;
}

bool TGroupSpace::BeginRelationFrom(TGroupFrame& box, TModGroupType type)
{
    if (!model_ || !model_->CanStartRelation(box, type))
        return false;
    drag_ = Drag {};
    drag_.kind = DragKind::NewRelation;
    drag_.box = &box;
    drag_.type = type;
    drag_.mouse = ToCanvas(viewport()->mapFromGlobal(QCursor::pos()));
    drag_.following = true;
    setFocus();
    viewport()->update();
    return true;
}

bool TGroupSpace::RemoveCurrentGroup()
{
    TGroupFrame* box = model_ ? model_->CurrentBox() : nullptr;
    if (!box || !model_->RemoveGroup(*box))
        return false;
    UpdateCanvasSize();
    viewport()->update();
    emit DiagramChanged();
    emit CurrentChanged();
    return true;
}

bool TGroupSpace::RemoveCurrentRelation()
{
    TGroupRelation* relation = model_ ? model_->CurrentRelation() : nullptr;
    if (!relation || !model_->RemoveRelation(*relation))
        return false;
    viewport()->update();
    emit DiagramChanged();
    emit CurrentChanged();
    return true;
}

void TGroupSpace::EnsureVisible(const QRect& canvasRect)
{
    auto scrollInto = [](QScrollBar* bar, int low, int high, int viewSize) {
        int value = bar->value();
        if (high >= value + viewSize)
            value = high - viewSize + 1;
        if (low < value)
            value = low;
        bar->setValue(value);
    };
    const QSize view = viewport()->size();
    const QRect scrolled = canvasRect.translated(kBorder, kBorder);
    scrollInto(horizontalScrollBar(), scrolled.left(), scrolled.right(), view.width());
    scrollInto(verticalScrollBar(), scrolled.top(), scrolled.bottom(), view.height());
}

void TGroupSpace::CentreOn(const QRect& canvasRect)
{
    const QPoint centre = canvasRect.center() + QPoint(kBorder, kBorder);
    const QSize view = viewport()->size();
    horizontalScrollBar()->setValue(centre.x() - view.width() / 2);
    verticalScrollBar()->setValue(centre.y() - view.height() / 2);
}

void TGroupSpace::UpdateCanvasSize()
{
    QRect extent(0, 0, 1, 1);
    if (model_)
        for (int row = 0; row < model_->BoxCount(); ++row)
            if (!model_->Box(row).Hidden())
                extent = extent.united(model_->Box(row).Bounds());
    canvasSize_ = QSize(extent.right() + kCanvasRoom, extent.bottom() + kCanvasRoom);
    UpdateScrollBars();
}

void TGroupSpace::UpdateScrollBars()
{
    const QSize view = viewport()->size();
    const QSize scrolled = canvasSize_ + QSize(kBorder, kBorder);
    horizontalScrollBar()->setRange(0, std::max(0, scrolled.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, std::max(0, scrolled.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
}

// --- painting ---

void TGroupSpace::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().color(QPalette::Base));
    const QPoint offset = ToCanvas(QPoint(0, 0));
    painter.translate(-offset);
    PaintCanvas(painter, dirty.translated(offset));
}

void TGroupSpace::PaintCanvas(QPainter& painter, const QRect& canvasRect) const
{
    if (!model_)
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(font());
    const QRectF area(canvasRect);
    const TGroupRelation* dragged = drag_.kind == DragKind::RelationEnd ? drag_.relation : nullptr;
    const TGroupRelation* current = model_->CurrentRelation();
    for (const auto& relation : model_->Relations()) {
        if (relation.get() == dragged || relation.get() == current
            || !THierarchyModel::Attached(*relation) || !relation->Shape().Bounds.intersects(area))
            continue;
        relation->Shape().Paint(painter, relation->Type(), false, area);
    }
    if (current && current != dragged && current->Shape().Bounds.intersects(area))
        current->Shape().Paint(painter, current->Type(), true, area);

    for (int row = 0; row < model_->BoxCount(); ++row) {
        const TGroupFrame& box = model_->Box(row);
        if (!box.Hidden() && box.Bounds().intersects(canvasRect))
            box.Paint(painter, &box == model_->CurrentBox());
    }
    PaintDrag(painter);
}

void TGroupSpace::PaintDrag(QPainter& painter) const
{
    const bool endDrag = drag_.kind == DragKind::RelationEnd || drag_.kind == DragKind::NewRelation;
    if (!endDrag)
        return;
    const QRectF mouse(QPointF(drag_.mouse), QSizeF(0, 0));
    TArrowShape arrow;
    if (drag_.kind == DragKind::NewRelation)
        arrow = StraightArrow(QRectF(drag_.box->Bounds()), mouse, drag_.type);
    else if (drag_.end == TRelationEnd::End)
        arrow = StraightArrow(QRectF(drag_.relation->Start()->Bounds()), mouse, drag_.type);
    else
        arrow = StraightArrow(mouse, QRectF(drag_.relation->End()->Bounds()), drag_.type);
    arrow.Paint(painter, drag_.type, true, QRectF());

    const TGroupFrame* target = BoxAt(drag_.mouse);
    if (target && DropAllowed(*target)) {
        painter.setPen(QPen(kDropTarget, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(target->Bounds()).adjusted(-3, -3, 3, 3),
            TGroupFrame::kCornerRadius, TGroupFrame::kCornerRadius);
    }
}

// --- events ---

void TGroupSpace::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TGroupSpace::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
}

bool TGroupSpace::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const TGroupFrame* box = BoxAt(ToCanvas(help->pos()));
        if (box && !box->Description().empty())
            QToolTip::showText(help->globalPos(), QString::fromStdString(box->Description()),
                viewport(), box->Bounds().translated(-ToCanvas(QPoint(0, 0))));
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TGroupSpace::mousePressEvent(QMouseEvent* event)
{
    if (!model_)
        return;
    const QPoint point = ToCanvas(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        PressLeft(point);
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (drag_.kind != DragKind::None) {
            CancelDrag();
            return;
        }
        // The item under the mouse becomes current, so that its menu acts on it.
        if (TGroupFrame* box = BoxAt(point))
            model_->SetCurrentBox(box);
        else if (TGroupRelation* relation = RelationAt(point))
            model_->SetCurrentRelation(relation);
        else
            model_->SetCurrentBox(nullptr);
        viewport()->update();
        emit CurrentChanged();
    }
}

void TGroupSpace::PressLeft(QPoint point)
{
    if (drag_.kind == DragKind::NewRelation && drag_.following) {
        FinishRelationDrag(point);
        return;
    }
    drag_ = Drag {};
    drag_.press = point;
    drag_.mouse = point;
    if (TGroupFrame* box = BoxAt(point)) {
        model_->SetCurrentBox(box);
        if (model_->Tool() == THierarchyTool::Select) {
            if (model_->CanDragBox(*box)) {
                drag_.kind = DragKind::BoxPending;
                drag_.box = box;
                drag_.grabOffset = point - box->Bounds().topLeft();
            }
        } else {
            const TModGroupType type = ToolRelationType(model_->Tool());
            if (model_->CanStartRelation(*box, type)) {
                drag_.kind = DragKind::NewRelation;
                drag_.box = box;
                drag_.type = type;
            }
        }
    } else if (TGroupRelation* relation = RelationAt(point)) {
        model_->SetCurrentRelation(relation);
        if (model_->CanGrabRelation(*relation)) {
            if (const auto end = model_->GrabbedEnd(*relation, point)) {
                drag_.kind = DragKind::RelationPending;
                drag_.relation = relation;
                drag_.end = *end;
                drag_.type = relation->Type();
            }
        }
    } else {
        model_->ClickEmptyCanvas();
        emit ToolChanged();
    }
    viewport()->update();
    emit CurrentChanged();
}

void TGroupSpace::mouseMoveEvent(QMouseEvent* event)
{
    if (!model_ || drag_.kind == DragKind::None)
        return;
    const QPoint point = ToCanvas(event->position().toPoint());
    drag_.mouse = point;
    const bool farEnough = (point - drag_.press).manhattanLength() >= kDragThreshold;
    switch (drag_.kind) {
    case DragKind::BoxPending:
        if (!farEnough)
            return;
        drag_.kind = DragKind::Box;
        [[fallthrough]];
    case DragKind::Box: {
        const QSize size = drag_.box->Bounds().size();
        const QPoint topLeft(
            std::clamp(point.x() - drag_.grabOffset.x(), 0, kMaxPositionCoordinate - size.width()),
            std::clamp(
                point.y() - drag_.grabOffset.y(), 0, kMaxPositionCoordinate - size.height()));
        model_->PlaceBox(*drag_.box, QRect(topLeft, size));
        UpdateCanvasSize();
        EnsureVisible(drag_.box->Bounds());
        break;
    }
    case DragKind::RelationPending:
        if (!farEnough)
            return;
        drag_.kind = DragKind::RelationEnd;
        break;
    default:
        break;
    }
    UpdateDragCursor();
    viewport()->update();
}

void TGroupSpace::mouseReleaseEvent(QMouseEvent* event)
{
    if (!model_ || event->button() != Qt::LeftButton)
        return;
    const QPoint point = ToCanvas(event->position().toPoint());
    switch (drag_.kind) {
    case DragKind::Box: {
        // The box followed the mouse; the move itself is the model's, which
        // marks the box moved.
        const QPoint topLeft = drag_.box->Bounds().topLeft();
        TGroupFrame* box = drag_.box;
        drag_ = Drag {};
        model_->MoveBox(*box, topLeft);
        UpdateCanvasSize();
        emit DiagramChanged();
        break;
    }
    case DragKind::NewRelation:
        // Released where it was pressed: the end keeps following the mouse
        // until the next click.
        if ((point - drag_.press).manhattanLength() < kDragThreshold && !drag_.following)
            drag_.following = true;
        else if (!drag_.following)
            FinishRelationDrag(point);
        break;
    case DragKind::RelationEnd:
        FinishRelationDrag(point);
        break;
    default:
        drag_ = Drag {};
        break;
    }
    UpdateDragCursor();
    viewport()->update();
}

void TGroupSpace::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!model_ || event->button() != Qt::LeftButton)
        return;
    TGroupFrame* box = BoxAt(ToCanvas(event->position().toPoint()));
    if (!box || drag_.kind == DragKind::NewRelation)
        return;
    drag_ = Drag {};
    model_->SetCurrentBox(box);
    emit CurrentChanged();
    if (model_->BoxActions(box).Edit)
        emit EditRequested();
}

void TGroupSpace::contextMenuEvent(QContextMenuEvent* event)
{
    if (!model_)
        return;
    menuPoint_ = ToCanvas(event->pos());
    TGroupSpaceMenu menu = TGroupSpaceMenu::Space;
    if (model_->CurrentBox())
        menu = TGroupSpaceMenu::Group;
    else if (model_->CurrentRelation())
        menu = TGroupSpaceMenu::Relation;
    emit MenuRequested(menu, event->globalPos());
}

void TGroupSpace::keyPressEvent(QKeyEvent* event)
{
    if (!model_) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Escape && drag_.kind != DragKind::None) {
        CancelDrag();
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        if (model_->CurrentBox())
            RemoveCurrentGroup();
        else if (model_->CurrentRelation())
            RemoveCurrentRelation();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// --- dragging relation ends ---

bool TGroupSpace::DropAllowed(const TGroupFrame& box) const
{
    switch (drag_.kind) {
    case DragKind::NewRelation:
        return model_->CanAttachEnd(*drag_.box, drag_.type, box);
    case DragKind::RelationEnd:
        return drag_.end == TRelationEnd::End ? model_->CanMoveEndTo(*drag_.relation, box)
                                              : model_->CanMoveStartTo(*drag_.relation, box);
    default:
        return false;
    }
}

void TGroupSpace::FinishRelationDrag(QPoint point)
{
    const Drag drag = drag_;
    drag_ = Drag {};
    TGroupFrame* target = BoxAt(point);
    TGroupRelation* changed = nullptr;
    if (target) {
        if (drag.kind == DragKind::NewRelation)
            changed = model_->DrawRelation(*drag.box, *target, drag.type);
        else if (drag.end == TRelationEnd::End && model_->MoveEnd(*drag.relation, *target))
            changed = drag.relation;
        else if (drag.end == TRelationEnd::Start && model_->MoveStart(*drag.relation, *target))
            changed = drag.relation;
    }
    if (changed) {
        model_->RelationDropped();
        model_->SetCurrentRelation(changed);
        emit DiagramChanged();
        emit ToolChanged();
        emit CurrentChanged();
    }
    UpdateDragCursor();
    viewport()->update();
}

void TGroupSpace::CancelDrag()
{
    if (drag_.kind == DragKind::Box)
        model_->PlaceBox(
            *drag_.box, QRect(drag_.press - drag_.grabOffset, drag_.box->Bounds().size()));
    drag_ = Drag {};
    UpdateCanvasSize();
    UpdateDragCursor();
    viewport()->update();
}

void TGroupSpace::UpdateDragCursor()
{
    const bool endDrag = drag_.kind == DragKind::RelationEnd || drag_.kind == DragKind::NewRelation;
    const TGroupFrame* target = endDrag ? BoxAt(drag_.mouse) : nullptr;
    if (target && !DropAllowed(*target))
        viewport()->setCursor(Qt::ForbiddenCursor);
    else if (drag_.kind == DragKind::Box)
        viewport()->setCursor(Qt::ClosedHandCursor);
    else if (endDrag)
        viewport()->setCursor(Qt::CrossCursor);
    else
        viewport()->unsetCursor();
}

} // namespace Security
