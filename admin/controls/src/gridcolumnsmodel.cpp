#include "gridcolumnsmodel.h"

#include <wardlock/data/dataset.h>
#include <wardlock/grid/datasourcemodel.h>

#include <QCollator>
#include <QString>

#include <algorithm>
#include <cctype>

namespace tor {

bool SameFieldName(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(),
            [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

TGridColumnsModel::TGridColumnsModel(QObject* parent)
    : QSortFilterProxyModel(parent)
    , records_(new vcl::TDataSourceModel(nullptr, this))
{
    setSourceModel(records_);
}

TGridColumnsModel::~TGridColumnsModel() = default;

void TGridColumnsModel::SetColumns(std::vector<TGridColumn> columns)
{
    columns_ = std::move(columns);
    invalidateColumnsFilter();
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

TGridColumn* TGridColumnsModel::FindColumn(const std::string& fieldName)
{
    for (TGridColumn& column : columns_)
        if (SameFieldName(column.FieldName, fieldName))
            return &column;
    return nullptr;
}

vcl::TField* TGridColumnsModel::FieldAt(int column) const
{
    const QModelIndex source = mapToSource(index(0, column));
    if (source.isValid())
        return records_->FieldAt(source.column());
    // No rows: map the column through the header.
    if (column < 0 || column >= columnCount())
        return nullptr;
    int seen = -1;
    for (int c = 0; c < records_->columnCount(); ++c)
        if (filterAcceptsColumn(c, {}) && ++seen == column)
            return records_->FieldAt(c);
    return nullptr;
}

const TGridColumn* TGridColumnsModel::ColumnAt(int column) const
{
    const vcl::TField* field = FieldAt(column);
    if (!field)
        return nullptr;
    for (const TGridColumn& listed : columns_)
        if (SameFieldName(listed.FieldName, field->FieldName()))
            return &listed;
    return nullptr;
}

int TGridColumnsModel::ColumnOf(const std::string& fieldName) const
{
    for (int c = 0; c < columnCount(); ++c)
        if (const vcl::TField* field = FieldAt(c);
            field && SameFieldName(field->FieldName(), fieldName))
            return c;
    return -1;
}

int TGridColumnsModel::ListPosition(const vcl::TField* field) const
{
    if (field)
        for (size_t i = 0; i < columns_.size(); ++i)
            if (SameFieldName(columns_[i].FieldName, field->FieldName()))
                return static_cast<int>(i);
    return static_cast<int>(columns_.size());
}

int TGridColumnsModel::RowOf(int recordRow) const
{
    if (rowCount() == 0 || columnCount() == 0)
        return -1;
    // Any column shown will do; the first record column may be left out.
    const int recordColumn = mapToSource(index(0, 0)).column();
    return mapFromSource(records_->index(recordRow, recordColumn)).row();
}

int TGridColumnsModel::RecordRow(int row) const
{
    return columnCount() > 0 ? mapToSource(index(row, 0)).row() : -1;
}

void TGridColumnsModel::SetReadOnly(bool readOnly)
{
    if (readOnly_ == readOnly)
        return;
    readOnly_ = readOnly;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

bool TGridColumnsModel::filterAcceptsColumn(int sourceColumn, const QModelIndex&) const
{
    if (columns_.empty())
        return true;
    const vcl::TField* field = records_->FieldAt(sourceColumn);
    return field && ListPosition(field) < static_cast<int>(columns_.size());
}

QVariant TGridColumnsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        if (const TGridColumn* column = ColumnAt(section); column && !column->Title.empty())
            return QString::fromStdString(column->Title);
    return QSortFilterProxyModel::headerData(section, orientation, role);
}

Qt::ItemFlags TGridColumnsModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QSortFilterProxyModel::flags(index);
    const TGridColumn* column = ColumnAt(index.column());
    if (readOnly_ || (column && column->ReadOnly))
        result &= ~(Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
    return result;
}

namespace {

bool IsNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// <0, 0, >0: empty values first; numbers and booleans by value; text as the
// user's language orders it, without regard to case.
int CompareValues(const QVariant& a, const QVariant& b)
{
    const bool aEmpty = a.isNull() || (a.typeId() == QMetaType::QString && a.toString().isEmpty());
    const bool bEmpty = b.isNull() || (b.typeId() == QMetaType::QString && b.toString().isEmpty());
    if (aEmpty || bEmpty)
        return int(bEmpty) - int(aEmpty);
    if (IsNumber(a) && IsNumber(b)) {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const QString x = a.toString(), y = b.toString();
    if (const int byCollator = collator.compare(x, y))
        return byCollator;
    return x.compare(y, Qt::CaseInsensitive);
}

} // namespace

// Equal values keep the dataset's order.
bool TGridColumnsModel::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int order
        = CompareValues(records_->data(left, Qt::EditRole), records_->data(right, Qt::EditRole));
    return order != 0 ? order < 0 : left.row() < right.row();
}

} // namespace tor
