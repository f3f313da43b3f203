#pragma once
// Small helpers that build the administration form's components: fields
// bound to a column, numbering and memory fields, statement rewrites, and a
// walk over a dataset's unfiltered rows.

#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/intnofield.h>
#include <wardlock/keeper/mutfields.h>

#include <algorithm>
#include <string>

namespace Security::FormBuild {

// A persistent field of `dataSet` named `component`, bound to `column`.
template<class Field>
Field* MakeField(vcl::TComponent* owner, vcl::TDataSet* dataSet, const char* component,
    const char* column, int size = 0)
{
    auto* field = new Field(owner);
    field->SetName(component);
    field->SetFieldName(column);
    if (size > 0)
        field->SetSize(size);
    field->SetDataSet(dataSet);
    return field;
}

// The numbering field of a numbered dataset, on its "RecNo" column.
inline tor::TIntNoField* MakeNumbering(
    vcl::TComponent* owner, vcl::TDataSet* dataSet, const char* component)
{
    auto* numbering = MakeField<tor::TIntNoField>(owner, dataSet, component, "RecNo");
    if (auto* numbered = dynamic_cast<tor::TNoDataSet<vcl::TQuery>*>(dataSet))
        numbered->SetNoField(numbering);
    else if (auto* procedure = dynamic_cast<tor::TNoDataSet<vcl::TStoredProc>*>(dataSet))
        procedure->SetNoField(numbering);
    return numbering;
}

// A memory field of the numbering field's dataset (a calculated column).
template<class Field>
Field* MakeMemField(vcl::TComponent* owner, tor::TNoField* numbering, const char* component,
    const char* column, int size = 0)
{
    auto* field = new Field(owner);
    field->SetName(component);
    field->SetFieldName(column);
    if (size > 0)
        field->SetSize(size);
    field->SetFieldKind(vcl::fkCalculated);
    field->SetDataSet(numbering->DataSet());
    field->SetNoField(numbering);
    return field;
}

// The four right columns of a rights table, named prefix + View, ... .
inline void MakeRightFields(vcl::TComponent* owner, vcl::TDataSet* dataSet,
    const std::string& prefix, vcl::TBooleanField*& view, vcl::TBooleanField*& modify,
    vcl::TBooleanField*& insert, vcl::TBooleanField*& remove)
{
    view = MakeField<vcl::TBooleanField>(owner, dataSet, (prefix + "View").c_str(), "FView");
    modify = MakeField<vcl::TBooleanField>(owner, dataSet, (prefix + "Modify").c_str(), "FModify");
    insert = MakeField<vcl::TBooleanField>(owner, dataSet, (prefix + "Insert").c_str(), "FInsert");
    remove = MakeField<vcl::TBooleanField>(owner, dataSet, (prefix + "Delete").c_str(), "FDelete");
}

// Gives a query's parameter its declared type, so that a value of another
// type (an integer for a boolean) is converted when the statement runs.
inline void DeclareParam(vcl::TDBDataSet& dataSet, const char* name, vcl::TFieldType type)
{
    if (auto* query = dynamic_cast<vcl::TCustomQuery*>(&dataSet))
        if (vcl::TParam* param = query->Params().FindParam(name))
            param->SetDataType(type);
}

// The statement loses its ":Name" markers ("pName"), keeping its parameter
// list: the database binds them by position under the same names.
inline void BindByPosition(vcl::TQuery& query)
{
    const vcl::TParams saved = query.Params();
    std::string text = query.SQL().Text();
    std::replace(text.begin(), text.end(), ':', 'p');
    query.SQL().SetText(text);
    query.Params() = saved;
}

// Restricts a query over a whole view to the rows whose `column` equals
// `value`: the statement is cut before its ";" and gets a WHERE with the
// value bound as parameter `param`.
inline void RestrictStatement(
    vcl::TDBDataSet& dataSet, const char* column, const char* param, int value)
{
    auto* query = dynamic_cast<vcl::TQuery*>(&dataSet);
    if (!query)
        return;
    std::string text = query->SQL().Text();
    text = text.substr(0, text.find(';'));
    query->SQL().SetText(text + " WHERE " + column + " = :" + param + "; ");
    vcl::TParam& bound = query->ParamByName(param);
    bound.SetDataType(vcl::ftInteger);
    bound.SetAsInteger(value);
}

// Runs `body` on the unfiltered rows of `dataSet` with its controls
// disabled; the filter is put back however `body` ends.
template<class Body> void WithAllRows(vcl::TDataSet& dataSet, Body&& body)
{
    dataSet.DisableControls();
    const bool filtered = dataSet.Filtered();
    struct Restore {
        vcl::TDataSet& dataSet;
        bool filtered;
        ~Restore()
        {
            try {
                if (dataSet.Active() && dataSet.Filtered() != filtered)
                    dataSet.SetFiltered(filtered);
            } catch (...) {
                // Leaving the rows unfiltered is all that can go wrong here.
            }
            dataSet.EnableControls();
        }
    } restore { dataSet, filtered };
    if (filtered)
        dataSet.SetFiltered(false);
    body();
}

} // namespace Security::FormBuild
