#pragma once
// The canvas of the hierarchy editor: a scrollable space that holds the group
// boxes of a hierarchy model, draws the relation arrows under them, and turns
// mouse and keys into the model's changes (selecting, dragging boxes, drawing
// relations and dragging their ends, the Delete key). Everything is kept in
// canvas coordinates; the scroll offsets only matter between the canvas and
// the window.

#include "hierarchy/hierarchymodel.h"

#include <QAbstractScrollArea>

#include <memory>

namespace Security {

// Which pop-up menu a right click asks for.
enum class TGroupSpaceMenu { Relation, Group, Space };

class TGroupSpace : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TGroupSpace(QWidget* parent = nullptr);
    ~TGroupSpace() override;

    // Takes over the diagram (the space owns the boxes).
    void SetModel(std::unique_ptr<THierarchyModel> model);
    THierarchyModel* Model() const noexcept { return model_.get(); }

    // The size of a box for these texts in the canvas's font.
    QSize MeasureBox(const TGroupProperties& properties) const;

    QPoint ToCanvas(QPoint viewportPoint) const;
    QPoint ToViewport(QPoint canvasPoint) const;
    // The visible box (the topmost) or attached relation at a canvas point.
    TGroupFrame* BoxAt(QPoint canvasPoint) const;
    TGroupRelation* RelationAt(QPoint canvasPoint) const;
    // The canvas point of the last pop-up menu.
    QPoint MenuPoint() const noexcept { return menuPoint_; }
    // The canvas area (every visible box, and room around them).
    QSize CanvasSize() const noexcept { return canvasSize_; }

    // "Add ... relation": a relation of `type` from the box follows the mouse
    // until a click drops it on a box (or elsewhere, which cancels it).
    bool BeginRelationFrom(TGroupFrame& box, TModGroupType type);
    // "Remove group" and "Remove relation" (also the Delete key): only when
    // the command is enabled for the current box or relation.
    bool RemoveCurrentGroup();
    bool RemoveCurrentRelation();
    // Scrolls so that the canvas rectangle is in view.
    void EnsureVisible(const QRect& canvasRect);
    // Scrolls so that the canvas rectangle is in the middle of the view (as
    // far as the canvas reaches).
    void CentreOn(const QRect& canvasRect);
    // Recomputes the scrollable area after boxes were added, moved or resized.
    void UpdateCanvasSize();
    // Paints the part `canvasRect` of the diagram (canvas coordinates).
    void PaintCanvas(QPainter& painter, const QRect& canvasRect) const;

signals:
    // The current box or relation changed (the command states follow).
    void CurrentChanged();
    // The tool mode or its lock changed.
    void ToolChanged();
    // Boxes or relations changed.
    void DiagramChanged();
    void MenuRequested(Security::TGroupSpaceMenu menu, QPoint globalPosition);
    // A double click on a box whose "Edit" command is enabled.
    void EditRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class DragKind {
        None,
        BoxPending, // pressed on a box, not moved far enough yet
        Box,
        RelationPending, // pressed near a relation end, not moved far enough
        RelationEnd, // moving an end (or the start) of a relation
        NewRelation, // a relation being drawn from a box
    };
    struct Drag {
        DragKind kind = DragKind::None;
        TGroupFrame* box = nullptr; // dragged box, or the start of a new relation
        TGroupRelation* relation = nullptr;
        TRelationEnd end = TRelationEnd::End;
        TModGroupType type = mgStrong;
        QPoint press; // canvas point of the press
        QPoint grabOffset; // press point minus the box's top left
        QPoint mouse; // canvas point of the mouse now
        // The end follows the mouse without a held button until a click.
        bool following = false;
    };

    void PressLeft(QPoint canvasPoint);
    void FinishRelationDrag(QPoint canvasPoint);
    void CancelDrag();
    // Whether the dragged relation end may be dropped on `box`.
    bool DropAllowed(const TGroupFrame& box) const;
    void PaintDrag(QPainter& painter) const;
    void UpdateScrollBars();
    void UpdateDragCursor();

    std::unique_ptr<THierarchyModel> model_;
    Drag drag_;
    QPoint menuPoint_;
    QSize canvasSize_;
};

} // namespace Security
