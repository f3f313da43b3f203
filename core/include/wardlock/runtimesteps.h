#pragma once
// The steps every runtime provider's data module takes the same way, whatever
// engine it reaches: closing its connection quietly, the byte-exact users
// filter, the guarded preparation of a login, the end of a login and finding
// a dataset's parameter. What is a provider's own (connection text and
// password, sessions, query classes, parameter values) stays in the provider.

#include <wardlock/data/connection.h>
#include <wardlock/datamodule.h>

namespace vcl {
class TCustomQuery;
class TParam;
} // namespace vcl

namespace Security::RuntimeSteps {

// Closes the connection when it is open; closing one that already broke has
// nothing left to report.
void CloseQuietly(vcl::TCustomConnection* connection) noexcept;

// Whether the users query's current row is the account asked for: its Name
// equals the query's Name parameter byte for byte (a database may compare
// names without regard to case). False without a query.
bool IsAskedUser(vcl::TCustomQuery* users);

// Gives the users query its statement and the filter above, switched on. The
// provider has closed it and set its connection; it prepares it afterwards.
void AskForUser(vcl::TCustomQuery& users);

// A login's preparation: a logged module logs out first; `takePassword` runs
// only while disconnected (a connection keeps the password it was made with);
// then the connection opens, `prepareUsers` readies the users query and the
// core checks the database signature. Any failure on the way runs `recover`
// (which disconnects and forgets what this attempt changed): false.
template<class TakePassword, class PrepareUsers, class Recover>
bool GuardedPreparation(TSecDModFrm& module, vcl::TCustomConnection& connection,
    const char* dbPassword, TakePassword&& takePassword, PrepareUsers&& prepareUsers,
    Recover&& recover)
{
    try {
        if (module.Logged())
            module.Logout();
        if (!connection.Connected())
            takePassword();
        connection.Open();
        prepareUsers();
        if (module.TSecDModFrm::PrepareLogin(dbPassword))
            return true;
    } catch (...) {
        // Reported as false below, after recovering.
    }
    recover();
    return false;
}

// After the core has read the account: the users query loses its filter, the
// core closes it, then it is unprepared and freed (`users` ends null). A
// module that is not logged in disconnects.
void FinishLogin(TSecDModFrm& module, vcl::TDataSet*& users, vcl::TCustomConnection* connection);

// The parameter `name` (null: "") of `dataSet` when it is a `DataSet` or one
// of `Others`; null for any other component.
template<class DataSet, class... Others>
vcl::TParam* ParamOf(vcl::TComponent* dataSet, const char* name)
{
    if (auto* typed = dynamic_cast<DataSet*>(dataSet))
        return &typed->ParamByName(name ? name : "");
    if constexpr (sizeof...(Others) > 0)
        return ParamOf<Others...>(dataSet, name);
    else
        return nullptr;
}

} // namespace Security::RuntimeSteps
