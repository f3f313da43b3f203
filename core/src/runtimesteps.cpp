#include <wardlock/runtimesteps.h>

#include <wardlock/data/dbdataset.h>
#include <wardlock/data/fields.h>
#include <wardlock/runtimestatements.h>

namespace Security::RuntimeSteps {

void CloseQuietly(vcl::TCustomConnection* connection) noexcept
{
    try {
        if (connection && connection->Connected())
            connection->Close();
    } catch (...) {
        // Closing a connection that already broke changes nothing.
    }
}

bool IsAskedUser(vcl::TCustomQuery* users)
{
    return users && users->FieldByName("Name")->AsString() == users->ParamByName("Name").AsString();
}

void AskForUser(vcl::TCustomQuery& users)
{
    users.SQL().Clear();
    users.SQL().Add(RuntimeStatements::Users);
    users.OnFilterRecord = [](vcl::TDataSet* dataSet, bool& accept) {
        accept = IsAskedUser(dynamic_cast<vcl::TCustomQuery*>(dataSet));
    };
    users.SetFiltered(true);
}

void FinishLogin(TSecDModFrm& module, vcl::TDataSet*& users, vcl::TCustomConnection* connection)
{
    if (users)
        users->OnFilterRecord = nullptr;
    module.TSecDModFrm::PostLogin();
    if (users) {
        static_cast<vcl::TCustomQuery*>(users)->Unprepare();
        delete users;
        users = nullptr;
    }
    if (!module.Logged())
        CloseQuietly(connection);
}

} // namespace Security::RuntimeSteps
