#include "wardlock/keeper/tordbgrid.h"

#include "gridcelldelegate.h"
#include "gridcolumnsmodel.h"
#include "gridlayout.h"

#include <wardlock/data/dataset.h>
#include <wardlock/grid/datasourcemodel.h>
#include <wardlock/keeper/strings.h>
#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QScopedValueRollback>

namespace tor {

namespace {

// The grid's entries in the module's string table.
constexpr int kFirstMenuCaption = 12410;
constexpr int kMenuCaptionCount = 23;

} // namespace

void ApplyMenuCaptions(QMenu& menu, const std::function<std::string(int entry)>& table)
{
    auto itemAt = [](QMenu& owner, int index) -> QAction* {
        const QList<QAction*> items = owner.actions();
        return index >= 0 && index < items.size() ? items[index] : nullptr;
    };
    for (int entry = 0; entry < kMenuCaptionCount; ++entry) {
        const std::string caption = table(entry);
        if (caption.empty())
            continue;
        QAction* item = nullptr;
        if (entry <= 12) {
            item = itemAt(menu, entry);
        } else if (entry <= 17) {
            QAction* parent = itemAt(menu, 12);
            if (parent && parent->menu())
                item = itemAt(*parent->menu(), entry - 13);
        } else {
            item = itemAt(menu, entry - 5);
        }
        if (item)
            item->setText(QString::fromStdString(caption));
    }
}

TTorDBGrid::TTorDBGrid(QWidget* parent)
    : QTableView(parent)
    , columns_(new TGridColumnsModel(this))
    , delegate_(new TGridCellDelegate(this))
    , layout_(std::make_unique<Layout>())
{
    setModel(columns_);
    setItemDelegate(delegate_);
    // Rows come in the dataset's order until a title is clicked.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(false);
    setWordWrap(false);

    vcl::TDataSourceModel& records = columns_->Records();
    connect(&records, &vcl::TDataSourceModel::currentRowChanged, this, [this] {
        FollowDataSet();
        emit currentRecordChanged();
    });
    connect(&records, &vcl::TDataSourceModel::editFailed, this, &TTorDBGrid::ShowEditError);
    connect(columns_, &QAbstractItemModel::modelAboutToBeReset, this,
        &TTorDBGrid::RememberCurrentColumn);
    connect(columns_, &QAbstractItemModel::layoutAboutToBeChanged, this,
        &TTorDBGrid::RememberCurrentColumn);
    connect(columns_, &QAbstractItemModel::modelReset, this, [this] {
        ApplyLayout();
        FollowDataSet();
        emit currentRecordChanged();
    });
    connect(columns_, &QAbstractItemModel::layoutChanged, this, &TTorDBGrid::FollowDataSet);
    connect(columns_, &QAbstractItemModel::columnsInserted, this, &TTorDBGrid::ApplyLayout);
    connect(columns_, &QAbstractItemModel::columnsRemoved, this, &TTorDBGrid::ApplyLayout);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
        [this](int logical, int, int newSize) { CaptureWidth(logical, newSize); });
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &TTorDBGrid::CaptureOrder);
    connect(delegate_, &TGridCellDelegate::editButtonClicked, this, &TTorDBGrid::RunEditButton);

    BuildPopupMenu();
}

TTorDBGrid::~TTorDBGrid() = default;

vcl::TDataSource* TTorDBGrid::DataSource() const
{
    return columns_->Records().DataSource();
}

void TTorDBGrid::SetDataSource(vcl::TDataSource* source)
{
    columns_->Records().SetDataSource(source);
}

vcl::TDataSet* TTorDBGrid::DataSet() const
{
    return columns_->Records().DataSet();
}

void TTorDBGrid::SetColumns(std::vector<TGridColumn> columns)
{
    RememberCurrentColumn();
    columns_->SetColumns(std::move(columns));
    ApplyLayout();
    FollowDataSet();
}

const std::vector<TGridColumn>& TTorDBGrid::Columns() const
{
    return columns_->Columns();
}

void TTorDBGrid::SetColumnReadOnly(const std::string& fieldName, bool readOnly)
{
    if (TGridColumn* column = columns_->FindColumn(fieldName)) {
        CloseEditorIn(fieldName);
        column->ReadOnly = readOnly;
        viewport()->update();
    }
}

void TTorDBGrid::SetColumnButtonStyle(const std::string& fieldName, TColumnButtonStyle style)
{
    if (TGridColumn* column = columns_->FindColumn(fieldName)) {
        CloseEditorIn(fieldName);
        column->ButtonStyle = style;
    }
}

void TTorDBGrid::SetColumnPickList(const std::string& fieldName, const QStringList& items)
{
    if (TGridColumn* column = columns_->FindColumn(fieldName)) {
        CloseEditorIn(fieldName);
        column->PickList = items;
    }
}

bool TTorDBGrid::ReadOnly() const
{
    return columns_->ReadOnly();
}

void TTorDBGrid::SetReadOnly(bool readOnly)
{
    if (QWidget* editor = readOnly ? OpenEditor() : nullptr)
        QTableView::closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    columns_->SetReadOnly(readOnly);
}

void TTorDBGrid::SetRowSelect(bool rowSelect)
{
    setSelectionBehavior(rowSelect ? SelectRows : SelectItems);
    FollowDataSet();
}

void TTorDBGrid::SetTabMovesBetweenCells(bool on)
{
    tabMovesBetweenCells_ = on;
    // Tab reaches keyPressEvent only with the view's tab navigation on.
    setTabKeyNavigation(on);
}

void TTorDBGrid::SetEnterActsAsTab(bool on)
{
    enterActsAsTab_ = on;
}

void TTorDBGrid::SetCellColors(TCellColorsProvider provider)
{
    cellColors_ = std::move(provider);
    viewport()->update();
}

vcl::TField* TTorDBGrid::FieldAt(int column) const
{
    return columns_->FieldAt(column);
}

vcl::TField* TTorDBGrid::SelectedField() const
{
    return currentIndex().isValid() ? FieldAt(currentIndex().column()) : nullptr;
}

int TTorDBGrid::ColumnOf(const std::string& fieldName) const
{
    return columns_->ColumnOf(fieldName);
}

QMenu* TTorDBGrid::PopupMenu() const
{
    return popup_;
}

const TGridColumn* TTorDBGrid::ColumnConfig(const QModelIndex& index) const
{
    return columns_->ColumnAt(index.column());
}

TCellColors TTorDBGrid::CellColors(const QModelIndex& index, bool selected) const
{
    if (!cellColors_)
        return {};
    vcl::TField* field = FieldAt(index.column());
    vcl::TDataSet* dataSet = DataSet();
    if (!field || !dataSet || !dataSet->Active())
        return {};
    const int row = columns_->RecordRow(index.row());
    vcl::TDataSourceModel& records = columns_->Records();
    TCellColors colors;
    try {
        if (row == records.CurrentRow())
            colors = cellColors_(field, selected); // with the values being edited
        else if (row >= 0 && row < dataSet->RecordCount())
            dataSet->ReadRecord(row, [&] { colors = cellColors_(field, selected); });
    } catch (const std::exception&) {
        // A row that cannot be read is painted in the grid's own colours.
        return {};
    }
    return colors;
}

// ----------------------------------------------------------- current record

void TTorDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (!current.isValid())
        return;
    if (const vcl::TField* field = FieldAt(current.column()))
        layout_->currentField = field->FieldName();
    if (following_)
        return;
    vcl::TDataSourceModel& records = columns_->Records();
    const int row = columns_->RecordRow(current.row());
    if (row == records.CurrentRow())
        return;
    if (!records.SetCurrentRow(row))
        FollowDataSet(); // the dataset stayed: so does the grid
}

void TTorDBGrid::RememberCurrentColumn()
{
    if (const vcl::TField* field = SelectedField())
        layout_->currentField = field->FieldName();
}

// Puts the current cell on the dataset's current record, in the column of the
// field that was current (else the first column shown).
void TTorDBGrid::FollowDataSet()
{
    QScopedValueRollback<bool> guard(following_, true);
    const int row = columns_->Records().CurrentRow();
    if (row < 0 || columns_->columnCount() == 0) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
        return;
    }
    int column = ColumnOf(layout_->currentField);
    if (column < 0)
        column = horizontalHeader()->logicalIndex(0);
    const QModelIndex cell = columns_->index(columns_->RowOf(row), column);
    if (!cell.isValid())
        return;
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (selectionBehavior() == SelectRows)
        flags |= QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(cell, flags);
    scrollTo(cell);
}

// ---------------------------------------------------------------- keyboard

void TTorDBGrid::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        emit insertRequested();
        return;
    }
    if (event->key() == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
        emit deleteRequested();
        return;
    }
    if (enter && modifiers == Qt::ControlModifier) {
        const TGridColumn* column = ColumnConfig(currentIndex());
        if (column && column->ButtonStyle == TColumnButtonStyle::Ellipsis
            && (currentIndex().flags() & Qt::ItemIsEditable)) {
            RunEditButton(currentIndex());
            return;
        }
    }
    if (enter && modifiers == Qt::NoModifier && enterActsAsTab_) {
        MoveCell(true);
        return;
    }
    if (enter && modifiers == Qt::NoModifier) {
        // Enter edits: it opens the cell's editor, or (on a cell that cannot
        // be edited) asks the owner to edit the record. In an open editor it
        // has committed already. Only a grid nothing can be edited in by any
        // of this leaves Enter to the dialog's default button.
        static const QMetaMethod editRequest = QMetaMethod::fromSignal(&TTorDBGrid::editRequested);
        if (state() == EditingState) {
            event->accept();
            return;
        }
        if (currentIndex().isValid() && edit(currentIndex(), AllEditTriggers, event)) {
            event->accept();
            return;
        }
        if (currentIndex().isValid() && isSignalConnected(editRequest)) {
            event->accept();
            emit editRequested();
            return;
        }
        event->ignore();
        return;
    }
    if (tabMovesBetweenCells_ && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && !(modifiers & Qt::ControlModifier)) {
        MoveCell(event->key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier));
        return;
    }
    if (event->key() == Qt::Key_C && modifiers == Qt::ControlModifier) {
        CopyCurrentCell();
        return;
    }
    QTableView::keyPressEvent(event);
}

// Next or previous cell in the columns' visual order, row by row; past the
// last (or before the first) cell the focus leaves the grid.
void TTorDBGrid::MoveCell(bool forward)
{
    QHeaderView* header = horizontalHeader();
    const int columns = columns_->columnCount();
    const int rows = columns_->rowCount();
    const QModelIndex current = currentIndex();
    if (columns == 0 || rows == 0 || !current.isValid()) {
        LeaveGrid(forward);
        return;
    }
    int row = current.row();
    int visual = header->visualIndex(current.column());
    do {
        visual += forward ? 1 : -1;
        if (visual >= columns) {
            visual = 0;
            ++row;
        } else if (visual < 0) {
            visual = columns - 1;
            --row;
        }
    } while (row >= 0 && row < rows && header->isSectionHidden(header->logicalIndex(visual)));
    if (row < 0 || row >= rows) {
        LeaveGrid(forward);
        return;
    }
    setCurrentIndex(columns_->index(row, header->logicalIndex(visual)));
}

// The widget's own focus move: the view's would send Tab back to
// keyPressEvent while tab navigation is on.
void TTorDBGrid::LeaveGrid(bool forward)
{
    QWidget::focusNextPrevChild(forward);
}

// Tab and Enter in an editor end up here: the move happens even when the
// commit re-read the dataset and released the editor already.
void TTorDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const bool move = hint == QAbstractItemDelegate::EditNextItem
        || hint == QAbstractItemDelegate::EditPreviousItem;
    // Enter or Escape in the editor: the focus comes back to the grid, also
    // when the commit re-read the dataset and the editor went with it.
    const bool keyed = hint == QAbstractItemDelegate::SubmitModelCache
        || hint == QAbstractItemDelegate::RevertModelCache;
    if (state() == EditingState)
        QTableView::closeEditor(editor, move ? QAbstractItemDelegate::NoHint : hint);
    if (move) {
        setFocus();
        MoveCell(hint == QAbstractItemDelegate::EditNextItem);
    } else if (keyed && isVisible()) {
        setFocus();
    }
}

// The editor open in the current cell (it has the focus), or null.
QWidget* TTorDBGrid::OpenEditor() const
{
    if (state() != EditingState)
        return nullptr;
    QWidget* editor = QApplication::focusWidget();
    if (!editor || editor == this || !viewport()->isAncestorOf(editor))
        return nullptr;
    while (editor->parentWidget() != viewport())
        editor = editor->parentWidget();
    return editor;
}

void TTorDBGrid::CloseEditorIn(const std::string& fieldName)
{
    const vcl::TField* field = SelectedField();
    if (!field || !SameFieldName(field->FieldName(), fieldName))
        return;
    // The editor was made for the old settings; what it holds is kept.
    if (QWidget* editor = OpenEditor()) {
        commitData(editor);
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TTorDBGrid::RunEditButton(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    if (vcl::TField* field = FieldAt(index.column()))
        emit editButtonClicked(field);
}

void TTorDBGrid::ShowEditError(const QString& message)
{
    vcl::MessageBox(vcl::WindowHandle(window()), message.toStdString(),
        Security::SecString(Security::sCaptionError), vcl::MB_OK | vcl::MB_ICONSTOP);
}

// ------------------------------------------------------------ popup menu

void TTorDBGrid::BuildPopupMenu()
{
    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("PopupMenu"));
    QAction* refresh = popup_->addAction(tr("&Refresh"), this, [this] { emit refreshRequested(); });
    refresh->setObjectName(QStringLiteral("RefreshItem"));
    popup_->addSeparator();
    popup_->addAction(tr("Sort &ascending"), this,
        [this] { SortBy(currentIndex().column(), Qt::AscendingOrder); });
    popup_->addAction(tr("Sort &descending"), this,
        [this] { SortBy(currentIndex().column(), Qt::DescendingOrder); });
    popup_->addAction(tr("&Original order"), this, [this] { SortBy(-1, Qt::AscendingOrder); });
    popup_->addSeparator();
    QAction* copy = popup_->addAction(tr("&Copy"), this, &TTorDBGrid::CopyCurrentCell);
    copy->setShortcut(QKeySequence::Copy);
    ApplyMenuCaptions(*popup_,
        [](int entry) { return std::string(Security::SecString(kFirstMenuCaption + entry)); });
}

void TTorDBGrid::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex cell = indexAt(event->pos());
    if (event->reason() == QContextMenuEvent::Mouse && cell.isValid())
        setCurrentIndex(cell);
    const bool sortable = currentIndex().isValid();
    const QList<QAction*> items = popup_->actions();
    for (int i : { 2, 3 })
        items[i]->setEnabled(sortable);
    QPoint at = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse && currentIndex().isValid())
        at = viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
    popup_->popup(at);
}

void TTorDBGrid::SortBy(int column, Qt::SortOrder order)
{
    RememberCurrentColumn();
    horizontalHeader()->setSortIndicator(column, order);
}

void TTorDBGrid::CopyCurrentCell()
{
    const QModelIndex cell = currentIndex();
    if (!cell.isValid())
        return;
    QString text = cell.data(Qt::DisplayRole).toString();
    if (const QVariant check = cell.data(Qt::CheckStateRole); check.isValid())
        text = check.toInt() == Qt::Checked ? QStringLiteral("1") : QStringLiteral("0");
    QApplication::clipboard()->setText(text);
}

} // namespace tor
