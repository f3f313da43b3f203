#include "datamodule.h"

#include "connection_template.h"

#include <wardlock/data/ado.h>
#include <wardlock/platform/exception.h>
#include <wardlock/security.h>

namespace Security {

namespace {

// The query texts, line by line, as the BDE provider's form holds them.
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

const char* const kPasswordPlaceholder = "%s";

} // namespace

TSecDModADOFrm::TSecDModADOFrm(vcl::TComponent* owner)
    : TSecDModFrm(owner)
{
    BuildForm();
}

TSecDModADOFrm::TSecDModADOFrm(
    TSecurity* owner, const char* name, const char* connectionTemplate, const char* dbUser)
    : TSecDModFrm(owner)
{
    BuildForm();
    SetName(name ? name : "");
    // The user name goes into the first placeholder; a fresh "%s" into the
    // second keeps the password's place open.
    const ado::FilledTemplate built = ado::FillTemplate(ado::TemplateText(connectionTemplate),
        { { QString::fromUtf8(dbUser ? dbUser : "") }, { kPasswordPlaceholder, true } });
    badUser_ = !built.valid;
    passwordOffset_ = built.offsets.size() > 1 ? built.offsets[1] : -1;
    builtConnection_ = built.text.toStdString();
    SecurityDB->SetConnectionString(builtConnection_);
}

TSecDModADOFrm::~TSecDModADOFrm()
{
    Disconnect();
    delete users_;
    users_ = nullptr;
}

void TSecDModADOFrm::BuildForm()
{
    SecurityDB = new vcl::TADOConnection(this);
    SecurityDB->SetName("SecurityDB");
    SecurityDB->SetLoginPrompt(false);
    SecurityDB->SetMode(vcl::cmRead);

    SetDataSets(NewQuery("Forms", kFormsSql, false), NewQuery("Params", kParamsSql, false),
        NewQuery("GroupRights", kGroupRightsSql, true),
        NewQuery("UserRights", kUserRightsSql, false),
        NewQuery("GroupParams", kGroupParamsSql, false),
        NewQuery("UserParams", kUserParamsSql, false),
        NewQuery("SecurityParams", kSecurityParamsSql, true));
    for (vcl::TDataSet* dataSet : { GroupRights, GroupParams })
        static_cast<vcl::TADOQuery*>(dataSet)->ParamByName("GroupID").SetDataType(vcl::ftInteger);
    for (vcl::TDataSet* dataSet : { UserRights, UserParams })
        static_cast<vcl::TADOQuery*>(dataSet)->ParamByName("UserID").SetDataType(vcl::ftInteger);
}

// The connection is read-only, so the results are too: no live analysis.
vcl::TADOQuery* TSecDModADOFrm::NewQuery(
    const char* name, const char* const* lines, bool staticCursor)
{
    auto* query = new vcl::TADOQuery(this);
    query->SetName(name);
    query->SetConnection(SecurityDB);
    query->SetCursorType(staticCursor ? vcl::ctStatic : vcl::ctOpenForwardOnly);
    query->SetLockType(vcl::ltReadOnly);
    for (; *lines; ++lines)
        query->SQL().Add(*lines);
    // Prepared as soon as the connection is open (the flag is kept until then).
    query->SetPrepared(true);
    return query;
}

vcl::TADOQuery* TSecDModADOFrm::UsersQuery() const
{
    return static_cast<vcl::TADOQuery*>(users_);
}

void TSecDModADOFrm::Disconnect() noexcept
{
    try {
        if (SecurityDB && SecurityDB->Connected())
            SecurityDB->Close();
    } catch (...) {
        // Closing a connection that already broke changes nothing.
    }
}

void TSecDModADOFrm::FillPassword(const char* dbPassword)
{
    const QString password = QString::fromUtf8(dbPassword ? dbPassword : "");
    const std::string& current = SecurityDB->ConnectionString();
    // Filled once already: a "%s" inside the password or a spare placeholder
    // of the template is text now, not a place for another password.
    if (!filledConnection_.empty() && current == filledConnection_)
        return;
    if (current == builtConnection_) {
        if (badUser_)
            throw vcl::Exception(
                "The database user name cannot be written into the connection string");
        if (passwordOffset_ < 0)
            return;
        // Fill the placeholder construction left, never one that came in with
        // the user name.
        const std::optional<QString> value = ado::ConnectionValue(password);
        if (!value)
            throw vcl::Exception(
                "The database password cannot be written into the connection string");
        QString text = QString::fromStdString(builtConnection_);
        text.replace(passwordOffset_, 2, *value);
        filledConnection_ = text.toStdString();
        SecurityDB->SetConnectionString(filledConnection_);
        return;
    }
    // A string set from outside: its first placeholder takes the password.
    const ado::FilledTemplate filled
        = ado::FillTemplate(QString::fromStdString(current), { { password } });
    if (!filled.valid)
        throw vcl::Exception("The database password cannot be written into the connection string");
    filledConnection_ = filled.text.toStdString();
    SecurityDB->SetConnectionString(filledConnection_);
}

bool TSecDModADOFrm::PrepareLogin(const char* dbPassword)
{
    try {
        if (Logged())
            Logout();
        // The password is only filled in while disconnected; once filled the
        // string has no placeholder left, so later connections reuse it.
        if (!SecurityDB->Connected())
            FillPassword(dbPassword);
        SecurityDB->Open();
        if (!users_)
            users_ = new vcl::TADOQuery(this);
        vcl::TADOQuery* users = UsersQuery();
        users->Close();
        users->SetConnection(SecurityDB);
        users->SQL().Clear();
        users->SQL().Add(kUsersSql);
        users->SetLockType(vcl::ltReadOnly);
        users->OnFilterRecord
            = [this](vcl::TDataSet* dataSet, bool& accept) { UsersFilterRecord(dataSet, accept); };
        users->SetFiltered(true);
        users->SetPrepared(true);
        if (TSecDModFrm::PrepareLogin(dbPassword))
            return true;
        throw vcl::Exception("Prepare failed.");
    } catch (...) {
        Disconnect();
        // Back to the string construction built: the next preparation fills
        // in its password again, so the module can still connect.
        SecurityDB->SetConnectionString(builtConnection_);
        delete users_;
        users_ = nullptr;
        return false;
    }
}

void TSecDModADOFrm::PostLogin()
{
    if (users_)
        users_->OnFilterRecord = nullptr;
    TSecDModFrm::PostLogin();
    if (users_) {
        UsersQuery()->SetPrepared(false);
        delete users_;
        users_ = nullptr;
    }
    if (!Logged())
        Disconnect();
}

void TSecDModADOFrm::Logout()
{
    TSecDModFrm::Logout();
    Disconnect();
}

void TSecDModADOFrm::DSSetParam(vcl::TComponent* dataSet, const char* paramName, const char* value)
{
    if (auto* query = dynamic_cast<vcl::TADOQuery*>(dataSet))
        query->Parameters()
            .ParamByName(paramName ? paramName : "")
            .SetValue(QVariant(QString::fromUtf8(value ? value : "")));
}

void TSecDModADOFrm::DSSetParam(vcl::TComponent* dataSet, const char* paramName, int value)
{
    if (auto* query = dynamic_cast<vcl::TADOQuery*>(dataSet))
        query->Parameters().ParamByName(paramName ? paramName : "").SetValue(QVariant(value));
}

void TSecDModADOFrm::UsersFilterRecord(vcl::TDataSet* dataSet, bool& accept)
{
    auto* query = dynamic_cast<vcl::TADOQuery*>(dataSet);
    accept = query
        && query->FieldByName("Name")->AsString()
            == query->Parameters().ParamByName("Name").AsString();
}

} // namespace Security
