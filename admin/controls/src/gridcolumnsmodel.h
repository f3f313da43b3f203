#pragma once
// The grid's model between the view and the dataset's model: picks and titles
// the listed columns, takes editing away from read-only ones, and sorts rows
// by the values of a column without moving the dataset.

#include "wardlock/keeper/tordbgrid.h"

#include <QSortFilterProxyModel>

namespace vcl {
class TDataSourceModel;
}

namespace tor {

class TGridColumnsModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit TGridColumnsModel(QObject* parent = nullptr);
    ~TGridColumnsModel() override;

    vcl::TDataSourceModel& Records() const { return *records_; }

    const std::vector<TGridColumn>& Columns() const noexcept { return columns_; }
    void SetColumns(std::vector<TGridColumn> columns);
    // The listed column of `fieldName` (null when not listed).
    TGridColumn* FindColumn(const std::string& fieldName);
    // The listed column shown in view column `column` (null when every field
    // is shown or none is there).
    const TGridColumn* ColumnAt(int column) const;
    vcl::TField* FieldAt(int column) const;
    int ColumnOf(const std::string& fieldName) const;
    // Position of a field in the list (the list's length when not listed).
    int ListPosition(const vcl::TField* field) const;

    // The row showing record row `recordRow` of the dataset's model, and the
    // record row shown in `row` (-1 when none).
    int RowOf(int recordRow) const;
    int RecordRow(int row) const;

    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool readOnly);

    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

protected:
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    vcl::TDataSourceModel* records_;
    std::vector<TGridColumn> columns_;
    bool readOnly_ = false;
};

// Whether two field names are the same (without regard to case, as datasets
// match them).
bool SameFieldName(const std::string& a, const std::string& b);

} // namespace tor
