#pragma once
// Paints and edits the grid's cells: the owner's colours, a drop-down list
// for columns with a pick list, a read-only text with a "..." button for
// ellipsis columns, and Enter moving on like Tab when the grid asks for it.

#include <QStyledItemDelegate>

namespace tor {

class TTorDBGrid;

class TGridCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit TGridCellDelegate(TTorDBGrid* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(
        QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    // The "..." button of the editor at `index` was pressed (or Ctrl+Enter).
    void editButtonClicked(const QModelIndex& index);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TTorDBGrid* grid_;
};

} // namespace tor
