#include "datamodule.h"

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>
#include <wardlock/security.h>

#include <algorithm>
#include <iterator>

namespace Security {

namespace {

const char* const kDatabaseName = "SecurityDB";
const char* const kDefaultAlias = "WardDemo";

// The query texts, line by line, as the form holds them.
const char* const kFormsSql[] = { "select FormID, Name", "from Forms;", nullptr };
const char* const kParamsSql[] = { "select ParamID, Name", "from Params;", nullptr };
const char* const kGroupRightsSql[] = { "select  FormID, [FView], [FInsert], [FModify], [FDelete]",
    "from GroupRights", "where GroupRights.GroupID=:GroupID;", nullptr };
const char* const kUserRightsSql[] = { "select FormID, [FView], [FInsert], [FModify], [FDelete]",
    "from UserRights", "where UserRights.UserID=:UserID;", nullptr };
const char* const kGroupParamsSql[] = { "select ParamID, FValue", "from GroupParams",
    "where GroupParams.GroupID=:GroupID; ", nullptr };
const char* const kUserParamsSql[]
    = { "select ParamID, FValue", "from UserParams", "where UserParams.UserID=:UserID;", nullptr };
const char* const kSecurityParamsSql[]
    = { "select Name, [FValue]", "from SecurityParams", nullptr };

const char* const kUsersSql
    = "select Users.*, Groups.AllowChangePswd as GroupAllowChangePswd,Groups.AllowNullPasswd as "
      "GroupAllowNullPasswd,Groups.NoChPswdAtLogin as GroupNoChPswdAtLogin,Groups.AccountEnabled "
      "as GroupAccountEnabled,Groups.PasswdControl as GroupPasswdControl from Users inner join "
      "Groups on Users.GroupID = Groups.GroupID where Users.Name = :Name";

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

    SetDataSets(NewQuery("Forms", kFormsSql, false), NewQuery("Params", kParamsSql, true),
        NewQuery("GroupRights", kGroupRightsSql, true),
        NewQuery("UserRights", kUserRightsSql, true),
        NewQuery("GroupParams", kGroupParamsSql, true),
        NewQuery("UserParams", kUserParamsSql, true),
        NewQuery("SecurityParams", kSecurityParamsSql, true));
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
    try {
        if (SecurityDB && SecurityDB->Connected())
            SecurityDB->Close();
    } catch (...) {
        // Closing a connection that already broke changes nothing.
    }
}

bool TSecDModBDEFrm::PrepareLogin(const char* dbPassword)
{
    try {
        if (Logged())
            Logout();
        // The password is only taken while disconnected: a connection stays
        // with the password it was made with.
        if (!SecurityDB->Connected())
            SecurityDB->Params().SetValues("PASSWORD", dbPassword ? dbPassword : "");
        SecurityDB->Open();
        if (!users_)
            users_ = new vcl::TQuery(this);
        vcl::TQuery* users = UsersQuery();
        users->Close();
        users->SetDatabaseName(kDatabaseName);
        users->SetSessionName(SecuritySession->SessionName());
        users->SQL().Clear();
        users->SQL().Add(kUsersSql);
        users->SetReadOnly(true);
        users->OnFilterRecord
            = [this](vcl::TDataSet* dataSet, bool& accept) { UsersFilterRecord(dataSet, accept); };
        users->SetFiltered(true);
        users->Prepare();
        if (TSecDModFrm::PrepareLogin(dbPassword))
            return true;
        throw vcl::Exception("Prepare failed.");
    } catch (...) {
        Disconnect();
        SecurityDB->Params().SetValues("PASSWORD", "");
        delete users_;
        users_ = nullptr;
        return false;
    }
}

void TSecDModBDEFrm::PostLogin()
{
    if (users_)
        users_->OnFilterRecord = nullptr;
    TSecDModFrm::PostLogin();
    if (users_) {
        UsersQuery()->Unprepare();
        delete users_;
        users_ = nullptr;
    }
    if (!Logged())
        Disconnect();
}

void TSecDModBDEFrm::Logout()
{
    TSecDModFrm::Logout();
    Disconnect();
}

void TSecDModBDEFrm::DSSetParam(vcl::TComponent* dataSet, const char* paramName, const char* value)
{
    const std::string name = paramName ? paramName : "";
    const std::string text = value ? value : "";
    if (auto* query = dynamic_cast<vcl::TQuery*>(dataSet))
        query->ParamByName(name).SetAsString(text);
    else if (auto* procedure = dynamic_cast<vcl::TStoredProc*>(dataSet))
        procedure->ParamByName(name).SetAsString(text);
}

void TSecDModBDEFrm::DSSetParam(vcl::TComponent* dataSet, const char* paramName, int value)
{
    const std::string name = paramName ? paramName : "";
    if (auto* query = dynamic_cast<vcl::TQuery*>(dataSet))
        query->ParamByName(name).SetAsInteger(value);
    else if (auto* procedure = dynamic_cast<vcl::TStoredProc*>(dataSet))
        procedure->ParamByName(name).SetAsInteger(value);
}

void TSecDModBDEFrm::UsersFilterRecord(vcl::TDataSet* dataSet, bool& accept)
{
    auto* query = dynamic_cast<vcl::TCustomQuery*>(dataSet);
    accept
        = query && query->FieldByName("Name")->AsString() == query->ParamByName("Name").AsString();
}

std::string TSecDModBDEFrm::GetAlias()
{
    return SecurityDB->AliasName();
}

} // namespace Security
