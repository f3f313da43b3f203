#include "dialogs_support.h"

#include <wardlock/data/connection.h>
#include <wardlock/data/dbdataset.h>

#include <stdexcept>

namespace wardlock_test {

using Security::spoOn;

PasswordModule::PasswordModule()
    : TSecDModBaseFrm(nullptr)
{
}

namespace {
[[noreturn]] void NotHere()
{
    throw std::logic_error("not part of the dialogs' tests");
}
} // namespace

bool PasswordModule::PrepareLogin(const char*)
{
    NotHere();
}
void PasswordModule::PostLogin()
{
    NotHere();
}
bool PasswordModule::Login(const char*, const char*)
{
    NotHere();
}
void PasswordModule::Logout()
{
    NotHere();
}
int PasswordModule::GetRight(const char*, int&)
{
    NotHere();
}
int PasswordModule::GetRight(int)
{
    NotHere();
}
tor::pswdsstr<16> PasswordModule::GetParam(const char*, int&)
{
    NotHere();
}
tor::pswdsstr<16> PasswordModule::GetParam(int)
{
    NotHere();
}
tor::pswdsstr<16> PasswordModule::GetPswdParam(const char*, int&)
{
    NotHere();
}
tor::pswdsstr<16> PasswordModule::GetPswdParam(int)
{
    NotHere();
}
tor::pswdsstr<16> PasswordModule::GetDBParam(const char*)
{
    NotHere();
}
tor::pswdsstr<16> PasswordModule::GetPswdDBParam(const char*)
{
    NotHere();
}
void PasswordModule::FillUser(Security::TSecUser&)
{
    NotHere();
}

Administrator::Administrator()
{
    user.Name = "admin";
    user.FullName = "Administrator";
    user.UserID = 1;
    user.GroupID = 1;
    user.Passwd = passwords.IntEncode("Adm1nPass");
    GrantAll();
}

void Administrator::GrantAll()
{
    user.AllowChangePswd = user.AllowNullPasswd = user.NoChPswdAtLogin = user.AccountEnabled
        = user.PasswdControl = spoOn;
}

GroupsTable::GroupsTable(const std::vector<GroupRow>& rows)
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    db_ = new vcl::TDatabase(&owner_);
    db_->SetDriverName("QSQLITE");
    db_->SetLoginPrompt(false);
    db_->Params().SetValues("DATABASE NAME", dir_.filePath("groups.db").toStdString());
    db_->Params().SetValues("CREATE", "TRUE");
    db_->Execute("CREATE TABLE Groups (GroupID INTEGER PRIMARY KEY, Name TEXT, FullName TEXT, "
                 "Description TEXT, AllowChangePswd BOOLEAN, AllowNullPasswd BOOLEAN, "
                 "NoChPswdAtLogin BOOLEAN, AccountEnabled BOOLEAN, PasswdControl BOOLEAN)");
    query_ = new vcl::TQuery(&owner_);
    query_->SetDatabase(db_);
    query_->SQL().SetText("insert into Groups values (:GroupID, :Name, :FullName, :Description, "
                          ":A, :B, :C, :D, :E)");
    for (const GroupRow& row : rows) {
        query_->ParamByName("GroupID").SetAsInteger(row.id);
        query_->ParamByName("Name").SetAsString(row.name);
        query_->ParamByName("FullName").SetAsString(row.fullName);
        query_->ParamByName("Description").SetAsString(row.description);
        const char* flags[] = { "A", "B", "C", "D", "E" };
        for (size_t i = 0; i < 5; ++i)
            query_->ParamByName(flags[i]).SetAsBoolean(row.options[i]);
        query_->ExecSQL();
    }
    query_->SQL().SetText("select GroupID, Name, FullName, Description, AllowChangePswd, "
                          "AllowNullPasswd, NoChPswdAtLogin, AccountEnabled, PasswdControl "
                          "from Groups order by FullName");
    const char* booleans[] = { "AllowChangePswd", "AllowNullPasswd", "NoChPswdAtLogin",
        "AccountEnabled", "PasswdControl" };
    auto* id = new vcl::TIntegerField(&owner_);
    id->SetFieldName("GroupID");
    id->SetDataSet(query_);
    for (const char* name : { "Name", "FullName", "Description" }) {
        auto* field = new vcl::TStringField(&owner_, 255);
        field->SetFieldName(name);
        field->SetDataSet(query_);
    }
    for (const char* name : booleans) {
        auto* field = new vcl::TBooleanField(&owner_);
        field->SetFieldName(name);
        field->SetDataSet(query_);
    }
    query_->Open();
    source_ = new vcl::TDataSource(&owner_);
    source_->SetDataSet(query_);
}

GroupsTable::~GroupsTable()
{
    query_->Close();
}

vcl::TDataSet* GroupsTable::DataSet() const
{
    return query_;
}

std::vector<GroupRow> StandardGroups()
{
    return {
        { 1, "Clerks", "Clerks of the office", "People at the counter",
            { false, false, false, false, false } },
        { 2, "Guests", "Guest accounts", "Visitors without a password",
            { false, true, true, false, false } },
        { 3, "Managers", "Managers", "They may do anything", { true, true, true, true, true } },
    };
}

} // namespace wardlock_test
