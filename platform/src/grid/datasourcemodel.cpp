#include "wardlock/grid/datasourcemodel.h"

#include <exception>

namespace vcl {

class TDataSourceModel::Link : public TDataLink {
public:
    explicit Link(TDataSourceModel* model)
        : model_(model)
    {
    }
    void DataEvent(TDataEvent event, TField* field) override { model_->OnDataEvent(event, field); }

private:
    TDataSourceModel* model_;
};

TDataSourceModel::TDataSourceModel(TDataSource* source, QObject* parent)
    : QAbstractTableModel(parent)
    , link_(std::make_unique<Link>(this))
{
    link_->SetDataSource(source);
    Rebuild();
    reportedRow_ = CurrentRow();
}

TDataSourceModel::~TDataSourceModel() = default;

TDataSource* TDataSourceModel::DataSource() const
{
    return link_->DataSource();
}

TDataSet* TDataSourceModel::DataSet() const
{
    return link_->DataSet();
}

void TDataSourceModel::SetDataSource(TDataSource* source)
{
    beginResetModel();
    link_->SetDataSource(source);
    Rebuild();
    endResetModel();
    ReportCurrentRow();
}

TField* TDataSourceModel::FieldAt(int column) const
{
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return nullptr;
    TField* field = columns_[static_cast<size_t>(column)];
    // Default fields die when their dataset closes; until the model hears
    // of it (controls may be disabled), a stale column shows nothing.
    const TDataSet* ds = DataSet();
    if (!ds)
        return nullptr;
    for (int i = 0; i < ds->FieldCount(); ++i)
        if (ds->Fields(i) == field)
            return field;
    return nullptr;
}

int TDataSourceModel::ColumnOf(const TField* field) const
{
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i] == field)
            return static_cast<int>(i);
    return -1;
}

int TDataSourceModel::CurrentRow() const
{
    const TDataSet* ds = DataSet();
    if (!ds || !ds->Active() || ds->State() == dsInsert)
        return -1;
    // The position in the rows shown, whatever numbering a subclass reports
    // as its RecNo.
    return ds->TDataSet::GetRecNo() - 1;
}

bool TDataSourceModel::SetCurrentRow(int row)
{
    if (row < 0 || row >= rows_)
        return false;
    try {
        return MoveTo(row);
    } catch (const std::exception& error) {
        Fail(QString::fromStdString(error.what()));
        return false;
    }
}

bool TDataSourceModel::MoveTo(int row)
{
    TDataSet* ds = DataSet();
    if (!ds || !ds->Active())
        return false;
    ds->CheckBrowseMode();
    const int current = CurrentRow();
    if (current < 0 || row >= ds->RecordCount())
        return false;
    if (row != current)
        ds->MoveBy(row - current);
    return CurrentRow() == row;
}

void TDataSourceModel::Fail(const QString& message)
{
    TDataSet* ds = DataSet();
    try {
        if (ds && (ds->State() == dsEdit || ds->State() == dsInsert))
            ds->Cancel();
    } catch (const std::exception&) {
        // The edit's own message is the one to report.
    }
    lastError_ = message;
    emit editFailed(message);
}

bool TDataSourceModel::IsBoolean(const TField* field) const
{
    return field && field->DataType() == ftBoolean;
}

void TDataSourceModel::Rebuild()
{
    columns_.clear();
    rows_ = 0;
    cachedRow_ = -1;
    const TDataSet* ds = DataSet();
    if (!ds)
        return;
    for (int i = 0; i < ds->FieldCount(); ++i)
        if (ds->Fields(i)->Visible())
            columns_.push_back(ds->Fields(i));
    if (ds->Active())
        rows_ = ds->RecordCount();
}

void TDataSourceModel::Reset()
{
    beginResetModel();
    Rebuild();
    endResetModel();
    ReportCurrentRow();
}

void TDataSourceModel::RowChanged(int row)
{
    if (row < 0 || row >= rows_ || columns_.empty())
        return;
    emit dataChanged(index(row, 0), index(row, static_cast<int>(columns_.size()) - 1));
}

void TDataSourceModel::ReportCurrentRow()
{
    const int row = CurrentRow();
    if (row == reportedRow_)
        return;
    reportedRow_ = row;
    emit currentRowChanged(row);
}

void TDataSourceModel::OnDataEvent(TDataEvent event, TField*)
{
    cachedRow_ = -1;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        // Calculated columns may follow the changed field: the whole row.
        RowChanged(CurrentRow());
        break;
    case deDataSetScroll:
        ReportCurrentRow();
        break;
    case deUpdateState:
        RowChanged(CurrentRow());
        emit stateChanged();
        break;
    case deDataSetChange:
    case deLayoutChange:
        Reset();
        break;
    default:
        break;
    }
}

const std::vector<TDataSourceModel::Cell>& TDataSourceModel::RowCells(int row) const
{
    if (cachedRow_ == row)
        return cache_;
    cache_.assign(columns_.size(), Cell {});
    cachedRow_ = -1;
    auto readAll = [this] {
        for (size_t i = 0; i < columns_.size(); ++i) {
            TField* field = FieldAt(static_cast<int>(i));
            if (!field)
                continue;
            try {
                cache_[i].value = field->Value();
                cache_[i].text = QString::fromStdString(field->AsString());
            } catch (const std::exception&) {
                // A value that cannot be shown leaves its cell empty.
            }
        }
    };
    TDataSet* ds = DataSet();
    try {
        if (row == CurrentRow())
            readAll(); // the current row, with the values being edited
        else
            ds->ReadRecord(row, readAll);
        cachedRow_ = row;
    } catch (const std::exception&) {
        // A calculation that fails for this row leaves its cells empty.
    }
    return cache_;
}

int TDataSourceModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int TDataSourceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TDataSourceModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_)
        return {};
    const TField* field = FieldAt(index.column());
    const TDataSet* ds = DataSet();
    if (!field || !ds || !ds->Active() || index.row() >= ds->RecordCount())
        return {};
    const bool boolean = IsBoolean(field);
    switch (role) {
    case Qt::DisplayRole:
        if (boolean)
            return {}; // shown as a check box
        return RowCells(index.row())[static_cast<size_t>(index.column())].text;
    case Qt::EditRole: {
        const QVariant& value = RowCells(index.row())[static_cast<size_t>(index.column())].value;
        return value.isNull() && !boolean ? QVariant(QString()) : value;
    }
    case Qt::CheckStateRole: {
        if (!boolean)
            return {};
        const QVariant& value = RowCells(index.row())[static_cast<size_t>(index.column())].value;
        return !value.isNull() && value.toBool() ? Qt::Checked : Qt::Unchecked;
    }
    case Qt::TextAlignmentRole:
        switch (field->DataType()) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftLargeint:
        case ftFloat:
        case ftCurrency:
        case ftBCD:
        case ftAutoInc:
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        default:
            return {};
        }
    default:
        return {};
    }
}

QVariant TDataSourceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const TField* field = FieldAt(section);
        return field ? QVariant(QString::fromStdString(field->DisplayName())) : QVariant();
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TDataSourceModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const TField* field = FieldAt(index.column());
    if (field && field->CanModify())
        result |= IsBoolean(field) ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
    return result;
}

bool TDataSourceModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= rows_)
        return false;
    TField* field = FieldAt(index.column());
    TDataSet* ds = DataSet();
    if (!field || !ds || !ds->Active())
        return false;
    const bool boolean = IsBoolean(field);
    if (role != Qt::EditRole && !(boolean && role == Qt::CheckStateRole))
        return false;
    if (!field->CanModify())
        return false;
    try {
        if (!MoveTo(index.row()))
            return false;
        ds->Edit();
        if (boolean && role == Qt::CheckStateRole)
            field->SetAsBoolean(value.toInt() == Qt::Checked);
        else
            field->SetValue(value);
        ds->Post();
    } catch (const std::exception& error) {
        Fail(QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

} // namespace vcl
