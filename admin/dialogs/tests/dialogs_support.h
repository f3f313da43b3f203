#pragma once
// What the user, group and password dialogs need around them in tests and in
// the real-window viewer: a logged user whose record a test sets, a data
// module that encodes and checks passwords as the core does, and a groups
// table (SQLite file) with the fields the dialogs read.

#include "loggeduser.h"

#include <wardlock/data/dataset.h>
#include <wardlock/datamodule.h>
#include <wardlock/platform/component.h>

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TDatabase;
class TQuery;
} // namespace vcl

namespace wardlock_test {

// Only the password half of a runtime data module; everything else refuses.
class PasswordModule : public Security::TSecDModBaseFrm {
public:
    PasswordModule();
    bool PrepareLogin(const char*) override;
    void PostLogin() override;
    bool Login(const char*, const char*) override;
    void Logout() override;
    int GetRight(const char*, int&) override;
    int GetRight(int) override;
    tor::pswdsstr<16> GetParam(const char*, int&) override;
    tor::pswdsstr<16> GetParam(int) override;
    tor::pswdsstr<16> GetPswdParam(const char*, int&) override;
    tor::pswdsstr<16> GetPswdParam(int) override;
    tor::pswdsstr<16> GetDBParam(const char*) override;
    tor::pswdsstr<16> GetPswdDBParam(const char*) override;
    void FillUser(Security::TSecUser&) override;
};

// The logged administrator: a record the test shapes, and the module.
struct Administrator {
    Administrator();
    Security::TLoggedUser Logged() const { return { user, passwords }; }
    // Every option on, explicitly.
    void GrantAll();

    Security::TSecUser user;
    PasswordModule passwords;
};

struct GroupRow {
    int id;
    std::string name;
    std::string fullName;
    std::string description;
    // AllowChangePswd, AllowNullPasswd, NoChPswdAtLogin, AccountEnabled, PasswdControl.
    std::array<bool, 5> options;
};

// A Groups table with the given rows, open in a query with a data source.
class GroupsTable {
public:
    explicit GroupsTable(const std::vector<GroupRow>& rows);
    ~GroupsTable();
    vcl::TDataSource* Source() const { return source_; }
    vcl::TDataSet* DataSet() const;

private:
    QTemporaryDir dir_;
    vcl::TComponent owner_;
    vcl::TDatabase* db_ = nullptr;
    vcl::TQuery* query_ = nullptr;
    vcl::TDataSource* source_ = nullptr;
};

// Three groups: Clerks grants nothing, Managers everything, Guests only an
// empty password and no forced change.
std::vector<GroupRow> StandardGroups();

} // namespace wardlock_test
