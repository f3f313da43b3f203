#pragma once
// The full module's primitives over the dataset layer (see admprimitives.h):
// preparing and running its commands, and finding a group by name.

#include <wardlock/keeper/admprimitives.h>
#include <wardlock/keeper/secdmoddlg.h>

namespace Security {

// The full module's primitives on the dataset layer, over TSecDModDBPrimitives.
template<class Module> class TSecDModDlgDBPrimitives : public TSecDModDBPrimitives<Module> {
public:
    using TSecDModDBPrimitives<Module>::TSecDModDBPrimitives;

    // Prepares, unprepares and runs a query or stored procedure of the module (the database's
    // errors are thrown); other components are skipped.
    void PrepareQuery(vcl::TComponent* command) override
    {
        if (auto* query = dynamic_cast<vcl::TCustomQuery*>(command))
            query->Prepare();
        else if (auto* procedure = dynamic_cast<vcl::TStoredProc*>(command))
            procedure->Prepare();
    }
    void UnprepareQuery(vcl::TComponent* command) override
    {
        if (auto* query = dynamic_cast<vcl::TCustomQuery*>(command))
            query->Unprepare();
        else if (auto* procedure = dynamic_cast<vcl::TStoredProc*>(command))
            procedure->Unprepare();
    }
    void ExecQuery(vcl::TComponent* command) override
    {
        if (auto* query = dynamic_cast<vcl::TCustomQuery*>(command))
            query->ExecSQL();
        else if (auto* procedure = dynamic_cast<vcl::TStoredProc*>(command))
            procedure->ExecProc();
    }
    // The name is bound, never pasted into the statement.
    int GetGroupIDByName(const char* name) override
    {
        vcl::TQuery query;
        this->UseConnection(query);
        query.SQL().Add("select Groups.GroupID from Groups where Groups.Name = :Name");
        query.ParamByName("Name").SetAsString(name ? name : "");
        query.Open();
        return query.IsEmpty() ? -1 : query.Fields(0)->AsInteger();
    }
};

} // namespace Security
