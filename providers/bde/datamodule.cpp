#include "datamodule.h"

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/runtimestatements.h>
#include <wardlock/runtimesteps.h>
#include <wardlock/security.h>

#include <algorithm>
#include <iterator>

namespace Security {

namespace {

const char* const kDatabaseName = "SecurityDB";
const char* const kDefaultAlias = "WardDemo";

// Keeps the query's parameters while its text loses the parameter markers:
// the database then binds them by position under the same names.
void RewriteParamMarkers(vcl::TQuery& query)
{
    const vcl::TParams saved = query.Params();
    std::string text = query.SQL().Text();
    std::replace(text.begin(), text.end(), ':', 'p');
    query.SQL().SetText(text);
    query.Params() = saved;
}

} // namespace

TSecDModBDEFrm::TSecDModBDEFrm(vcl::TComponent* owner)
    : TSecDModFrm(owner)
{
    BuildForm();
}

TSecDModBDEFrm::TSecDModBDEFrm(
    TSecurity* owner, const char* name, const char* alias, const char* dbUser, bool bdeSqlParams)
    : TSecDModFrm(owner)
{
    BuildForm();
    SetName(name ? name : "");
    SecurityDB->SetAliasName(alias ? alias : "");
    SecurityDB->Params().Add(std::string("USER NAME=") + (dbUser ? dbUser : ""));
    SecurityDB->Params().Add("PASSWORD=");
    if (!bdeSqlParams) {
        for (vcl::TDataSet* dataSet : { GroupParams, UserParams, GroupRights, UserRights })
            RewriteParamMarkers(static_cast<vcl::TQuery&>(*dataSet));
    }
}

TSecDModBDEFrm::~TSecDModBDEFrm()
{
    Disconnect();
    delete users_;
    users_ = nullptr;
}

void TSecDModBDEFrm::BuildForm()
{
    SecuritySession = new vcl::TSession(this);
    SecuritySession->SetName("SecuritySession");
    SecuritySession->SetAutoSessionName(true);

    SecurityDB = new vcl::TDatabase(this);
    SecurityDB->SetName("SecurityDB");
    SecurityDB->SetDatabaseName(kDatabaseName);
    SecurityDB->SetAliasName(kDefaultAlias);
    SecurityDB->SetLoginPrompt(false);
    SecurityDB->SetSessionName(SecuritySession->SessionName());

    namespace Sql = RuntimeStatements;
    SetDataSets(NewQuery("Forms", Sql::Forms, false), NewQuery("Params", Sql::Params, true),
        NewQuery("GroupRights", Sql::GroupRights, true),
        NewQuery("UserRights", Sql::UserRights, true),
        NewQuery("GroupParams", Sql::GroupParams, true),
        NewQuery("UserParams", Sql::UserParams, true),
        NewQuery("SecurityParams", Sql::SecurityParams, true));
    SetLoginGuard(NewProcedure("LoginLocked"), NewProcedure("RecordLoginFailure"));
}

vcl::TStoredProc* TSecDModBDEFrm::NewProcedure(const char* name)
{
    auto* procedure = new vcl::TStoredProc(this);
    procedure->SetName(name);
    procedure->SetDatabaseName(kDatabaseName);
    procedure->SetSessionName(SecuritySession->SessionName());
    return procedure;
}

vcl::TQuery* TSecDModBDEFrm::NewQuery(
    const char* name, const char* const* lines, bool cachedUpdates)
{
    auto* query = new vcl::TQuery(this);
    query->SetName(name);
    query->SetDatabaseName(kDatabaseName);
    query->SetSessionName(SecuritySession->SessionName());
    query->SetCachedUpdates(cachedUpdates);
    for (; *lines; ++lines)
        query->SQL().Add(*lines);
    return query;
}

vcl::TQuery* TSecDModBDEFrm::UsersQuery() const
{
    return static_cast<vcl::TQuery*>(users_);
}

void TSecDModBDEFrm::Disconnect() noexcept
{
    RuntimeSteps::CloseQuietly(SecurityDB);
}

bool TSecDModBDEFrm::PrepareLogin(const char* dbPassword)
{
    return RuntimeSteps::GuardedPreparation(
        *this, *SecurityDB, dbPassword,
        [&] { SecurityDB->Params().SetValues("PASSWORD", dbPassword ? dbPassword : ""); },
        [&] {
            if (!users_)
                users_ = new vcl::TQuery(this);
            vcl::TQuery* users = UsersQuery();
            users->Close();
            users->SetDatabaseName(kDatabaseName);
            users->SetSessionName(SecuritySession->SessionName());
            users->SetReadOnly(true);
            RuntimeSteps::AskForUser(*users);
            users->Prepare();
        },
        [&] {
            Disconnect();
            SecurityDB->Params().SetValues("PASSWORD", "");
            delete users_;
            users_ = nullptr;
        });
}

void TSecDModBDEFrm::PostLogin()
{
    RuntimeSteps::FinishLogin(*this, users_, SecurityDB);
}

void TSecDModBDEFrm::Logout()
{
    TSecDModFrm::Logout();
    Disconnect();
}

void TSecDModBDEFrm::DSSetParam(vcl::TComponent* dataSet, const char* paramName, const char* value)
{
    if (vcl::TParam* param
        = RuntimeSteps::ParamOf<vcl::TQuery, vcl::TStoredProc>(dataSet, paramName))
        param->SetAsString(value ? value : "");
}

void TSecDModBDEFrm::DSSetParam(vcl::TComponent* dataSet, const char* paramName, int value)
{
    if (vcl::TParam* param
        = RuntimeSteps::ParamOf<vcl::TQuery, vcl::TStoredProc>(dataSet, paramName))
        param->SetAsInteger(value);
}

void TSecDModBDEFrm::UsersFilterRecord(vcl::TDataSet* dataSet, bool& accept)
{
    accept = RuntimeSteps::IsAskedUser(dynamic_cast<vcl::TCustomQuery*>(dataSet));
}

std::string TSecDModBDEFrm::GetAlias()
{
    return SecurityDB->AliasName();
}

} // namespace Security
