#pragma once
// tor::TTorDBGrid: the data-aware grid of the administration dialogs. A table
// view over a TDataSource: one row per record, the columns the owner lists
// (by field name, with titles and read-only flags), check boxes for boolean
// fields, colours per cell chosen by the owner, pick lists and ellipsis
// buttons per column, sorting by a click on a column title, column widths and
// order kept in the user's settings, and a popup menu.
//
// The grid follows the dataset's current record and moves it when the user
// selects another row. It never inserts or deletes records itself: the Insert
// key and Ctrl+Delete only tell the owner (insertRequested, deleteRequested),
// as the popup menu's "Refresh" does (refreshRequested). An edit the dataset
// refuses is shown in an error box and cancelled.

#include <QColor>
#include <QStringList>
#include <QTableView>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QMenu;

namespace vcl {
class TDataSet;
class TDataSource;
class TField;
} // namespace vcl

namespace tor {

// How the cells of a column are edited.
enum class TColumnButtonStyle {
    // A drop-down list of the column's pick list when it has one, else text.
    Auto,
    // The text cannot be typed; a "..." button asks the owner
    // (editButtonClicked), who changes the value his own way.
    Ellipsis,
    // Plain text, even when the column has a pick list.
    None,
};

// One column the grid shows: the field it shows and how its cells are edited.
struct TGridColumn {
    // A column of `fieldName` (matched without regard to case).
    TGridColumn(std::string fieldName = {}, std::string title = {}, bool readOnly = false,
        TColumnButtonStyle buttonStyle = TColumnButtonStyle::Auto, QStringList pickList = {})
        : FieldName(std::move(fieldName))
        , Title(std::move(title))
        , ReadOnly(readOnly)
        , ButtonStyle(buttonStyle)
        , PickList(std::move(pickList))
    {
    }

    // The dataset field shown.
    std::string FieldName;
    // Empty: the field's display name.
    std::string Title;
    bool ReadOnly = false;
    TColumnButtonStyle ButtonStyle = TColumnButtonStyle::Auto;
    QStringList PickList;
};

// Colours of one cell; an invalid colour leaves the grid's own.
struct TCellColors {
    // The text colour while the cell is not selected.
    QColor Text;
    // The text colour while the cell is selected.
    QColor SelectedText;
    QColor Background;
};

class TGridColumnsModel;
class TGridCellDelegate;

// The data-aware grid (see the top of this file). The owner keeps the data
// source and the dataset; the grid never owns them.
class TTorDBGrid : public QTableView {
    Q_OBJECT

public:
    // An empty grid, bound to nothing.
    explicit TTorDBGrid(QWidget* parent = nullptr);
    ~TTorDBGrid() override;

    // The data source shown (null when none).
    vcl::TDataSource* DataSource() const;
    // Shows `source` (null: nothing); the grid follows its dataset from now on.
    void SetDataSource(vcl::TDataSource* source);
    // The dataset of the data source (null when none).
    vcl::TDataSet* DataSet() const;

    // The columns shown, in this order. Empty (the default): every visible
    // field of the dataset, in its order. Fields are matched by name without
    // regard to case; a listed field the dataset lacks is not shown.
    void SetColumns(std::vector<TGridColumn> columns);
    const std::vector<TGridColumn>& Columns() const;
    // Change one listed column (by field name); an unlisted name is ignored.
    // An editor open in that column is closed, so the next one follows.
    void SetColumnReadOnly(const std::string& fieldName, bool readOnly);
    void SetColumnButtonStyle(const std::string& fieldName, TColumnButtonStyle style);
    void SetColumnPickList(const std::string& fieldName, const QStringList& items);

    // No cell can be edited (check boxes included).
    bool ReadOnly() const;
    void SetReadOnly(bool readOnly);
    // Whole rows are selected, as in a list.
    void SetRowSelect(bool rowSelect);
    // Tab and Shift+Tab move between cells (and out of the grid after the
    // last and before the first cell); otherwise they move to the next
    // control. Off by default.
    void SetTabMovesBetweenCells(bool on);
    // Enter moves on as Tab does (committing an open editor). Off by default:
    // then Enter opens the current cell's editor, or asks the owner to edit
    // the record (editRequested) on a cell that cannot be edited; only when
    // nobody listens for that does Enter go on to the dialog's default button.
    void SetEnterActsAsTab(bool on);

    // Asked while a cell is painted, with the dataset reading that cell's row
    // (fields give its values).
    using TCellColorsProvider = std::function<TCellColors(vcl::TField* field, bool selected)>;
    void SetCellColors(TCellColorsProvider provider);

    // The field of the current cell, and of a view column (null when none).
    vcl::TField* SelectedField() const;
    vcl::TField* FieldAt(int column) const;
    // The view column showing `fieldName` (-1 when none).
    int ColumnOf(const std::string& fieldName) const;

    // Column widths and order, by field name, in the user-scope settings
    // under the given key and section. Saving returns false when the settings could not be
    // written; loading ignores what is missing or unreadable.
    bool SaveLayout(const std::string& key, const std::string& section) const;
    void LoadLayout(const std::string& key, const std::string& section);

    // The grid's popup menu, owned by the grid; the owner may add items.
    QMenu* PopupMenu() const;

signals:
    // "Refresh" was chosen in the popup menu.
    void refreshRequested();
    // The Insert key was pressed: the owner inserts a record if he wants.
    void insertRequested();
    // Ctrl+Delete was pressed: the owner deletes the record if he wants.
    void deleteRequested();
    // Enter was pressed on a cell that cannot be edited: the owner edits the
    // record his own way if he wants.
    void editRequested();
    // The "..." button of an ellipsis column was clicked on `field`'s cell.
    void editButtonClicked(vcl::TField* field);
    // The dataset's current record changed (or was re-read).
    void currentRecordChanged();

protected:
    // Moves the dataset to the selected row.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // Insert, Ctrl+Delete, Tab and Enter as described above.
    void keyPressEvent(QKeyEvent* event) override;
    // Pops up the popup menu.
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Posts or cancels the record edited in the closed editor.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class TGridCellDelegate;

    struct Layout;

    void BuildPopupMenu();
    void FollowDataSet();
    void RememberCurrentColumn();
    void ApplyLayout();
    void CaptureWidth(int logical, int newSize);
    void CaptureOrder();
    int DefaultWidth(int column) const;
    void MoveCell(bool forward);
    void LeaveGrid(bool forward);
    void SortBy(int column, Qt::SortOrder order);
    void CopyCurrentCell();
    void ShowEditError(const QString& message);
    void RunEditButton(const QModelIndex& index);
    QWidget* OpenEditor() const;
    void CloseEditorIn(const std::string& fieldName);
    TCellColors CellColors(const QModelIndex& index, bool selected) const;
    const TGridColumn* ColumnConfig(const QModelIndex& index) const;

    TGridColumnsModel* columns_ = nullptr;
    TGridCellDelegate* delegate_ = nullptr;
    QMenu* popup_ = nullptr;
    TCellColorsProvider cellColors_;
    std::unique_ptr<Layout> layout_;
    bool following_ = false;
    bool enterActsAsTab_ = false;
    bool tabMovesBetweenCells_ = false;
};

// Gives the popup menu the captions of a string table: entry i (0-based)
// that is present and not empty captions item i for i 0-12, sub-item i - 13
// of item 12 for i 13-17, and item i - 5 for i 18-22. Entries the table lacks
// and items the menu lacks change nothing.
void ApplyMenuCaptions(QMenu& menu, const std::function<std::string(int entry)>& table);

} // namespace tor

Q_DECLARE_OPAQUE_POINTER(vcl::TField*)
Q_DECLARE_METATYPE(vcl::TField*)
