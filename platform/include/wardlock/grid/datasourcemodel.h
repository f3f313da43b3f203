#pragma once
// TDataSourceModel: a Qt table model over a TDataSource, the model half of the
// data-aware grid. One column per visible field (header: the field's display
// name), one row per record the dataset shows (the filter applies), check
// boxes for boolean fields. An edited cell moves the dataset to its row and
// goes through Edit, the field's setter and Post; a refused edit is cancelled
// and its message reported through editFailed() and lastError().
//
// The model follows the dataset through its data events: a field or record
// change repaints the current row, a scroll reports the new current row, and
// any change of the whole dataset (open, close, refresh, filter, post, insert,
// delete, layout) resets the model. While the dataset's controls are disabled
// it sends no events, so the model emits nothing; re-enabling them sends one
// dataset change, i.e. one reset. A record being inserted is not a row of the
// model until it is posted (CurrentRow() is -1 meanwhile).

#include "wardlock/data/dataset.h"

#include <QAbstractTableModel>
#include <QString>

#include <memory>
#include <vector>

namespace vcl {

// The Qt table model over a data source (see the file comment). It does not own the data source or
// its dataset.
class TDataSourceModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // A model over `source` (may be null), owned by `parent` as any QObject.
    explicit TDataSourceModel(TDataSource* source = nullptr, QObject* parent = nullptr);
    ~TDataSourceModel() override;

    // The data source shown (not owned; null when none); changing it resets the model.
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    // The data source's dataset, or null.
    TDataSet* DataSet() const;

    // The field shown in `column` (null when none), and the column of a field
    // (-1 when it is not shown).
    TField* FieldAt(int column) const;
    int ColumnOf(const TField* field) const;

    // The dataset's current row in the model's rows; -1 when there is none
    // (closed, empty, or a new record being inserted).
    int CurrentRow() const;
    // Moves the dataset to `row` (posting a pending edit first, as any move
    // does). Returns false and reports the message when that fails.
    bool SetCurrentRow(int row);

    // Message of the last refused edit or move (empty when none).
    const QString& LastError() const noexcept { return lastError_; }

    // QAbstractTableModel: rows and columns as described above; booleans as check states; edits go
    // through the dataset and answer false when refused.
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The dataset's current row moved (-1: none).
    void currentRowChanged(int row);
    // The dataset's state changed (browse, edit, insert, closed).
    void stateChanged();
    // An edit or move was refused; the dataset is back in browse state.
    void editFailed(const QString& message);

private:
    class Link;
    friend class Link;

    void OnDataEvent(TDataEvent event, TField* field);
    void Rebuild();
    void Reset();
    void RowChanged(int row);
    void ReportCurrentRow();
    bool IsBoolean(const TField* field) const;
    bool MoveTo(int row);
    void Fail(const QString& message);

    // One cell as read from the dataset: its value and its display text.
    struct Cell {
        QVariant value;
        QString text;
    };
    // The cells of `row`, read together: reading a row other than the
    // current one computes its calculated fields once for all columns.
    const std::vector<Cell>& RowCells(int row) const;

    std::unique_ptr<Link> link_;
    std::vector<TField*> columns_;
    int rows_ = 0;
    int reportedRow_ = -1;
    QString lastError_;
    mutable int cachedRow_ = -1;
    mutable std::vector<Cell> cache_;
};

} // namespace vcl
