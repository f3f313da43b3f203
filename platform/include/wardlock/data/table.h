#pragma once
// TTable: every row of one table of the database, as the BDE's table
// component gives them. Unless read-only, the rows are editable and posted
// with statements keyed by the table's primary key (as a live query's).

#include "wardlock/data/dbdataset.h"

#include <memory>
#include <string>

class QSqlQuery;

namespace vcl {

// A whole table by its plain name, as a dataset: rows ordered by its index fields, written back
// with generated statements.
class TTable : public TDBDataSet {
public:
    // A closed table owned by `owner`.
    explicit TTable(TComponent* owner = nullptr);
    ~TTable() override;

    // The table's name.
    const std::string& TableName() const noexcept { return tableName_; }
    // A plain name (letters, digits, '_'); anything else is refused with
    // EDatabaseError, so that no text reaches the statement but a name.
    void SetTableName(const std::string& name);
    // The columns the rows are ordered by, ';'-separated (plain names); empty
    // leaves the order to the database.
    const std::string& IndexFieldNames() const noexcept { return indexFieldNames_; }
    void SetIndexFieldNames(const std::string& names);

protected:
    QSqlQuery* ExecuteForOpen() override;
    void ReleaseStatements() override;
    bool WantsLive() const override { return !ReadOnly(); }
    std::string SelectText() const override;
    // Columns selected after the table's own (", expression as Name"
    // without the comma); empty for none. For subclasses that number rows.
    virtual std::string ExtraColumns() const { return {}; }

private:
    std::string tableName_;
    std::string indexFieldNames_;
    std::unique_ptr<QSqlQuery> query_;
};

} // namespace vcl
