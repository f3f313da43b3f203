#include "gridcelldelegate.h"

#include "wardlock/keeper/tordbgrid.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QToolButton>

namespace tor {

namespace {

// The editor of an ellipsis column: the value, read-only, and the button.
class EllipsisEditor : public QWidget {
public:
    explicit EllipsisEditor(QWidget* parent)
        : QWidget(parent)
        , text_(new QLineEdit(this))
        , button_(new QToolButton(this))
    {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        text_->setReadOnly(true);
        text_->setFrame(false);
        button_->setObjectName(QStringLiteral("EllipsisButton"));
        button_->setText(QStringLiteral("..."));
        button_->setToolTip(QObject::tr("Edit the value (Ctrl+Enter)"));
        button_->setFocusPolicy(Qt::NoFocus);
        row->addWidget(text_, 1);
        row->addWidget(button_);
        setFocusProxy(text_);
    }
    QLineEdit* Text() const { return text_; }
    QToolButton* Button() const { return button_; }

private:
    QLineEdit* text_;
    QToolButton* button_;
};

bool IsEnter(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

} // namespace

TGridCellDelegate::TGridCellDelegate(TTorDBGrid* grid)
    : QStyledItemDelegate(grid)
    , grid_(grid)
{
}

QWidget* TGridCellDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const TGridColumn* column = grid_->ColumnConfig(index);
    if (column && column->ButtonStyle == TColumnButtonStyle::Ellipsis) {
        auto* editor = new EllipsisEditor(parent);
        const QPersistentModelIndex cell(index);
        auto* self = const_cast<TGridCellDelegate*>(this);
        connect(editor->Button(), &QToolButton::clicked, self, [self, editor, cell] {
            emit self->closeEditor(editor, NoHint);
            emit self->editButtonClicked(cell);
        });
        editor->Text()->installEventFilter(self);
        return editor;
    }
    if (column && column->ButtonStyle == TColumnButtonStyle::Auto && !column->PickList.isEmpty()) {
        auto* editor = new QComboBox(parent);
        editor->addItems(column->PickList);
        return editor;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void TGridCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    if (auto* ellipsis = dynamic_cast<EllipsisEditor*>(editor)) {
        ellipsis->Text()->setText(text);
        return;
    }
    if (auto* list = qobject_cast<QComboBox*>(editor)) {
        // A stored value outside the list stays choosable, so opening the
        // list never changes it by itself.
        int found = list->findText(text);
        if (found < 0) {
            list->insertItem(0, text);
            found = 0;
        }
        list->setCurrentIndex(found);
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void TGridCellDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (dynamic_cast<EllipsisEditor*>(editor))
        return; // only the owner changes these values
    if (auto* list = qobject_cast<QComboBox*>(editor)) {
        if (list->currentText() != index.data(Qt::DisplayRole).toString())
            model->setData(index, list->currentText(), Qt::EditRole);
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void TGridCellDelegate::initStyleOption(
    QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool selected = option->state & QStyle::State_Selected;
    const TCellColors colors = grid_->CellColors(index, selected);
    if (colors.Text.isValid())
        option->palette.setColor(QPalette::Text, colors.Text);
    if (colors.SelectedText.isValid())
        option->palette.setColor(QPalette::HighlightedText, colors.SelectedText);
    if (colors.Background.isValid())
        option->backgroundBrush = colors.Background;
}

bool TGridCellDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(object);
    // The ellipsis editor's text gets the keys; they count for its editor.
    EllipsisEditor* ellipsis = widget ? dynamic_cast<EllipsisEditor*>(widget) : nullptr;
    if (!ellipsis && widget)
        ellipsis = dynamic_cast<EllipsisEditor*>(widget->parentWidget());
    QWidget* editor = ellipsis ? ellipsis : widget;

    if (event->type() == QEvent::KeyPress && editor) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (ellipsis && IsEnter(key) && (key.modifiers() & Qt::ControlModifier)) {
            ellipsis->Button()->click();
            return true;
        }
        if (IsEnter(key) && grid_->enterActsAsTab_ && key.modifiers() == Qt::NoModifier) {
            emit commitData(editor);
            emit closeEditor(editor, EditNextItem);
            return true;
        }
        return QStyledItemDelegate::eventFilter(editor, event);
    }
    if (ellipsis && object != ellipsis)
        return false; // focus changes inside the ellipsis editor are its own
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace tor
