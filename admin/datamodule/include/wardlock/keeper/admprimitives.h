#pragma once
// The database primitives of the administration data modules, as every
// provider over the dataset layer implements them: a command is a query or a
// stored procedure of the dataset layer, datasets are its datasets, and the
// transactions are those of one connection. A provider's module is
// TSecDModConnected (admconnected.h) over TSecDModDBPrimitives<TSecDModSmpDlgFrm>
// (or the full module's TSecDModDlgDBPrimitives<TSecDModDlgFrm>,
// dlgprimitives.h): the provider adds only its connection.

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/keeper/secdmodsmp.h>
#include <wardlock/runtimesteps.h>

namespace Security {

// The database primitives of an administration data module (`Module`) on the dataset layer:
// parameters, cached updates and transactions over the provider's connection, so that every
// engine's module is this template over the neutral one plus its connection.
template<class Module> class TSecDModDBPrimitives : public Module {
public:
    using Module::Module;

    // Sets a parameter of a query or stored procedure of the module; a parameter the command lacks
    // is skipped.
    void SetQueryParamAsString(
        vcl::TComponent* command, const char* name, const char* value) override
    {
        if (vcl::TParam* param = ParamOf(command, name))
            param->SetAsString(value ? value : "");
    }
    void SetQueryParamAsInteger(vcl::TComponent* command, const char* name, int value) override
    {
        if (vcl::TParam* param = ParamOf(command, name))
            param->SetAsInteger(value);
    }
    void SetQueryParamAsRaw(
        vcl::TComponent* command, const char* name, const QByteArray& bytes) override
    {
        if (vcl::TParam* param = ParamOf(command, name))
            param->SetRaw(bytes);
    }
    void SetQueryParamAsBoolean(vcl::TComponent* command, const char* name, bool value) override
    {
        if (vcl::TParam* param = ParamOf(command, name))
            param->SetAsBoolean(value);
    }

    // Cached updates of a dataset of the module; datasets without a cache have none pending and do
    // nothing.
    bool DataSetUpdatesPending(vcl::TDataSet* dataSet) override
    {
        return Cached(dataSet) && dataSet->UpdatesPending();
    }
    void DataSetCommitUpdates(vcl::TDataSet* dataSet) override
    {
        if (Cached(dataSet))
            dataSet->CommitUpdates();
    }
    void DataSetApplyUpdates(vcl::TDataSet* dataSet) override
    {
        if (Cached(dataSet))
            dataSet->ApplyUpdates();
    }
    void DataSetCancelUpdates(vcl::TDataSet* dataSet) override
    {
        if (Cached(dataSet))
            dataSet->CancelUpdates();
    }
    void DataSetReopen(vcl::TDataSet* dataSet) override
    {
        dataSet->Close();
        dataSet->Open();
    }

    // The transaction of the module's connection.
    void StartTransaction() override { Connection().StartTransaction(); }
    void Commit() override { Connection().Commit(); }
    void Rollback() override { Connection().Rollback(); }
    bool InTransaction() override { return Connection().InTransaction(); }

protected:
    // The connection every dataset and command of the module uses.
    virtual vcl::TCustomConnection& Connection() = 0;

    // The named parameter of a query or stored procedure; null for any other
    // component.
    static vcl::TParam* ParamOf(vcl::TComponent* command, const char* name)
    {
        return RuntimeSteps::ParamOf<vcl::TCustomQuery, vcl::TStoredProc>(command, name);
    }

private:
    static bool Cached(const vcl::TDataSet* dataSet)
    {
        return dynamic_cast<const vcl::TDBDataSet*>(dataSet) && dataSet->Active()
            && dataSet->CachedUpdates();
    }
};

} // namespace Security
