#include "datamodule.h"

#include <wardlock/connectiontemplate.h>

#include <wardlock/data/ado.h>
#include <wardlock/platform/exception.h>
#include <wardlock/runtimestatements.h>
#include <wardlock/runtimesteps.h>
#include <wardlock/security.h>

namespace Security {

namespace {

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

    namespace Sql = RuntimeStatements;
    SetDataSets(NewQuery("Forms", Sql::Forms, false), NewQuery("Params", Sql::Params, false),
        NewQuery("GroupRights", Sql::GroupRights, true),
        NewQuery("UserRights", Sql::UserRights, false),
        NewQuery("GroupParams", Sql::GroupParams, false),
        NewQuery("UserParams", Sql::UserParams, false),
        NewQuery("SecurityParams", Sql::SecurityParams, true));
    for (vcl::TDataSet* dataSet : { GroupRights, GroupParams })
        static_cast<vcl::TADOQuery*>(dataSet)->ParamByName("GroupID").SetDataType(vcl::ftInteger);
    for (vcl::TDataSet* dataSet : { UserRights, UserParams })
        static_cast<vcl::TADOQuery*>(dataSet)->ParamByName("UserID").SetDataType(vcl::ftInteger);
    SetLoginGuard(NewProcedure("LoginLocked"), NewProcedure("RecordLoginFailure"));
}

vcl::TADOStoredProc* TSecDModADOFrm::NewProcedure(const char* name)
{
    auto* procedure = new vcl::TADOStoredProc(this);
    procedure->SetName(name);
    procedure->SetConnection(SecurityDB);
    return procedure;
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
    RuntimeSteps::CloseQuietly(SecurityDB);
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

// The password is only filled in while disconnected; once filled the string
// has no placeholder left, so later connections reuse it.
bool TSecDModADOFrm::PrepareLogin(const char* dbPassword)
{
    return RuntimeSteps::GuardedPreparation(
        *this, *SecurityDB, dbPassword, [&] { FillPassword(dbPassword); },
        [&] {
            if (!users_)
                users_ = new vcl::TADOQuery(this);
            vcl::TADOQuery* users = UsersQuery();
            users->Close();
            users->SetConnection(SecurityDB);
            users->SetLockType(vcl::ltReadOnly);
            RuntimeSteps::AskForUser(*users);
            users->SetPrepared(true);
        },
        [&] {
            Disconnect();
            // Back to the string construction built: the next preparation
            // fills in its password again, so the module can still connect.
            SecurityDB->SetConnectionString(builtConnection_);
            delete users_;
            users_ = nullptr;
        });
}

void TSecDModADOFrm::PostLogin()
{
    RuntimeSteps::FinishLogin(*this, users_, SecurityDB);
}

void TSecDModADOFrm::Logout()
{
    TSecDModFrm::Logout();
    Disconnect();
}

void TSecDModADOFrm::DSSetParam(vcl::TComponent* dataSet, const char* paramName, const char* value)
{
    if (vcl::TParam* param
        = RuntimeSteps::ParamOf<vcl::TADOQuery, vcl::TADOStoredProc>(dataSet, paramName))
        param->SetValue(QVariant(QString::fromUtf8(value ? value : "")));
}

void TSecDModADOFrm::DSSetParam(vcl::TComponent* dataSet, const char* paramName, int value)
{
    if (vcl::TParam* param
        = RuntimeSteps::ParamOf<vcl::TADOQuery, vcl::TADOStoredProc>(dataSet, paramName))
        param->SetValue(QVariant(value));
}

void TSecDModADOFrm::UsersFilterRecord(vcl::TDataSet* dataSet, bool& accept)
{
    accept = RuntimeSteps::IsAskedUser(dynamic_cast<vcl::TADOQuery*>(dataSet));
}

} // namespace Security
