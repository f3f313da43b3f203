#include "admin_fixture.h"
#include "admin_key_texts.h"

#include <wardlock/data/dataset.h>
#include <wardlock/encoding.h>
#include <wardlock/provider.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace Security;

namespace wardlock_test {

namespace {
int counter = 0;
} // namespace

std::string AdminEngineName(const ::testing::TestParamInfo<Engine>& info)
{
    return EngineName(info.param);
}

void ModuleReturn::operator()(TSecDModSmpDlgBaseFrm* module) const
{
    if (module && security && security->Provider())
        security->Provider()->DestroyObject({ security, module });
}

void AdminTest::SetUp()
{
    if (!EngineAvailable(GetParam()))
        GTEST_SKIP() << "PostgreSQL is not configured (WARDLOCK_PG_HOST etc.)";
    const AdminTarget& target = TestedAdminTarget();
    alias_ = target.aliasPrefix + std::to_string(++counter);
    db_ = std::make_unique<SecurityDb>(GetParam(), alias_);
    database_ = target.database(*db_, alias_);
}

void AdminTest::TearDown()
{
    bound_.clear();
    while (!TSecurity::SecList.Empty())
        delete TSecurity::SecList.First()->Security;
    db_.reset();
}

std::string AdminTest::NewName()
{
    return "Adm" + std::to_string(++counter);
}

char* AdminTest::KeepOptions(const std::string& options)
{
    return options_.emplace_back(options).data();
}

int AdminTest::AddGroup(const std::string& name, const GroupPolicy& policy)
{
    const int group = db_->AddGroup(name, policy);
    db_->Exec("insert into GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete) "
              "select FormID, :p1, DefView, DefInsert, DefModify, DefDelete from Forms",
        { group });
    db_->Exec("insert into GroupParams (ParamID, GroupID, FValue) "
              "select ParamID, :p1, DefaultValue from Params",
        { group });
    return group;
}

int AdminTest::AddForm(const std::string& name, int defaultMask, bool hidden)
{
    const bool view = (defaultMask & 1) != 0, insert = (defaultMask & 2) != 0,
               modify = (defaultMask & 4) != 0, remove = (defaultMask & 8) != 0;
    db_->Exec("insert into Forms (Name, FullName, Description, DefView, DefInsert, DefModify, "
              "DefDelete, Hidden) values (:p1, :p2, :p3, :p4, :p5, :p6, :p7, :p8)",
        { QString::fromStdString(name), QString::fromStdString(name + " form"),
            QString::fromStdString("About " + name), view, insert, modify, remove, hidden });
    const int form = FormID(name);
    db_->Exec("insert into GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete) "
              "select :p1, GroupID, :p2, :p3, :p4, :p5 from Groups",
        { form, view, insert, modify, remove });
    return form;
}

int AdminTest::AddParam(const std::string& name, const ParamSetup& setup)
{
    db_->Exec("insert into Params (Name, FullName, ParamTypeID, Description, UserCanModify, "
              "DefaultValue, Hidden, FProtected) values (:p1, :p2, (select ParamTypeID from "
              "ParamTypes where Name = :p3), :p4, :p5, :p6, :p7, :p8)",
        { QString::fromStdString(name), QString::fromStdString(name + " parameter"),
            QString::fromStdString(setup.type), QString::fromStdString("About " + name),
            setup.userCanModify, QString::fromStdString(setup.defaultValue), setup.hidden,
            setup.isProtected });
    const int param = ParamID(name);
    db_->Exec("insert into GroupParams (ParamID, GroupID, FValue) select :p1, GroupID, :p2 "
              "from Groups",
        { param, QString::fromStdString(setup.defaultValue) });
    return param;
}

int AdminTest::AddUser(const std::string& name, int groupID, const UserPolicy& policy)
{
    return db_->AddUser(name, groupID, std::string(kPassword), policy);
}

void AdminTest::Relate(int groupID, int modGroupID, int type)
{
    db_->Exec("insert into ModGroups (GroupID, ModGroupID, Type) values (:p1, :p2, :p3)",
        { groupID, modGroupID, type });
}

int AdminTest::GroupID(const std::string& name)
{
    const QVariant id = db_->Scalar(
        "select GroupID from Groups where Name = :p1", { QString::fromStdString(name) });
    return id.isNull() ? -1 : id.toInt();
}

int AdminTest::UserID(const std::string& name)
{
    const QVariant id = db_->Scalar(
        "select UserID from Users where Name = :p1", { QString::fromStdString(name) });
    return id.isNull() ? -1 : id.toInt();
}

int AdminTest::FormID(const std::string& name)
{
    const QVariant id = db_->Scalar(
        "select FormID from Forms where Name = :p1", { QString::fromStdString(name) });
    return id.isNull() ? -1 : id.toInt();
}

int AdminTest::ParamID(const std::string& name)
{
    const QVariant id = db_->Scalar(
        "select ParamID from Params where Name = :p1", { QString::fromStdString(name) });
    return id.isNull() ? -1 : id.toInt();
}

int AdminTest::Count(const std::string& sql, const std::vector<QVariant>& params)
{
    return db_->Scalar(sql, params).toInt();
}

QVariant AdminTest::OwnValue(int userID, int paramID)
{
    if (Count("select count(*) from UserParams where UserID = :p1 and ParamID = :p2",
            { userID, paramID })
        == 0)
        return {};
    const QVariant value = db_->Scalar(
        "select FValue from UserParams where UserID = :p1 and ParamID = :p2", { userID, paramID });
    return value.isNull() ? QVariant(QString()) : value;
}

namespace {
int MaskOf(
    SecurityDb& db, const std::string& table, const std::string& owner, int ownerID, int formID)
{
    const std::string where = " from " + table + " where " + owner + " = :p1 and FormID = :p2";
    if (db.Scalar("select count(*)" + where, { ownerID, formID }).toInt() == 0)
        return -1;
    int mask = 0;
    const char* columns[] = { "FView", "FInsert", "FModify", "FDelete" };
    for (int bit = 0; bit < 4; ++bit)
        if (db.Scalar(std::string("select ") + columns[bit] + where, { ownerID, formID }).toBool())
            mask |= 1 << bit;
    return mask;
}
} // namespace

int AdminTest::OwnRights(int userID, int formID)
{
    return MaskOf(*db_, "UserRights", "UserID", userID, formID);
}

int AdminTest::GroupRights(int groupID, int formID)
{
    return MaskOf(*db_, "GroupRights", "GroupID", groupID, formID);
}

QVariant AdminTest::GroupValue(int groupID, int paramID)
{
    return db_->Scalar("select FValue from GroupParams where GroupID = :p1 and ParamID = :p2",
        { groupID, paramID });
}

void AdminTest::StoreAccount(const std::string& user, const std::string& password)
{
    const tor::pswdsstr<16> encoded
        = Encode(tor::pswdsstr<16>(password.c_str()), keytexts::AdminAccountKey());
    ASSERT_EQ(encoded.length(), 16u) << "choose a password whose encoding holds no zero";
    db_->Exec("update SecurityParams set FValue = :p1 where Name = :p2",
        { QString::fromStdString(user), QString(kAccountUserSetting) });
    db_->Exec("update SecurityParams set FValue = :p1 where Name = :p2",
        { RawBytes(encoded), QString(kAccountPasswordSetting) });
}

TSecurity* AdminTest::LoginAs(
    const std::string& user, const std::string& password, const ModuleOptions& options)
{
    const AdminTarget& target = TestedAdminTarget();
    TSecurity* security
        = TSecRights::AddSecurity(NewName().c_str(), database_.c_str(), target.providerKey,
            target.providerName, KeepOptions(target.options(options.newLayout, options.cachedMode)),
            kDbUser, kDbPassword, user.c_str(), password.c_str(), nullptr, true);
    bound_.push_back(std::make_unique<TSecRights>(security));
    EXPECT_TRUE(security->Logged()) << user << " could not log in";
    return security;
}

TSecurity* AdminTest::LoginAdmin(const ModuleOptions& options)
{
    return LoginAs("admin", kAdminPassword, options);
}

TSecurity* AdminTest::AddUnprepared(const ModuleOptions& options)
{
    const AdminTarget& target = TestedAdminTarget();
    TSecurity* security
        = TSecRights::AddSecurity(NewName().c_str(), database_.c_str(), target.providerKey,
            target.providerName, KeepOptions(target.options(options.newLayout, options.cachedMode)),
            kDbUser, kDbPassword, "admin", kAdminPassword, nullptr, false);
    EXPECT_TRUE(security->GetDBProvider(
        target.providerKey, target.providerName, security->ProviderOptions()));
    return security;
}

ModulePtr<TSecDModDlgBaseFrm> AdminTest::FullModule(TSecurity* security, int userID, int groupID)
{
    TSecDModDlgBaseFrm* module = nullptr;
    if (security && security->Provider())
        module = security->Provider()->CreateDlgModule({ security, userID, groupID });
    EXPECT_NE(module, nullptr);
    return ModulePtr<TSecDModDlgBaseFrm>(module, ModuleReturn { security });
}

ModulePtr<TSecDModSmpDlgBaseFrm> AdminTest::SimpleModule(
    TSecurity* security, int userID, int groupID)
{
    TSecDModSmpDlgBaseFrm* module = nullptr;
    if (security && security->Provider())
        module = security->Provider()->CreateSmpDlgModule({ security, userID, groupID });
    EXPECT_NE(module, nullptr);
    return ModulePtr<TSecDModSmpDlgBaseFrm>(module, ModuleReturn { security });
}

namespace {
const char* const kWrittenTables[] = { "users", "groups", "forms", "params", "userrights",
    "userparams", "grouprights", "groupparams", "modgroups" };
} // namespace

// Runs a statement as it is (PostgreSQL cannot prepare definitions).
void ExecDefinition(SecurityDb& db, const std::string& sql)
{
    if (db.engine() == Engine::SQLite) {
        db.Exec(sql);
        return;
    }
    const QString name = QStringLiteral("fault-definitions");
    {
        QSqlDatabase connection = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        connection.setHostName(qEnvironmentVariable("WARDLOCK_PG_HOST"));
        connection.setPort(qEnvironmentVariableIntValue("WARDLOCK_PG_PORT"));
        connection.setUserName(qEnvironmentVariable("WARDLOCK_PG_USER"));
        connection.setDatabaseName(QString::fromStdString(db.database()));
        ASSERT_TRUE(connection.open()) << connection.lastError().text().toStdString();
        QSqlQuery query(connection);
        ASSERT_TRUE(query.exec(QString::fromStdString(sql)))
            << sql << ": " << query.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase(name);
}

void InstallFaultTriggers(SecurityDb& db)
{
    ExecDefinition(db,
        "create table InjectedFault (Target varchar(32) primary key, FailAt integer not "
        "null, Seen integer not null)");
    if (db.engine() == Engine::PostgreSQL) {
        ExecDefinition(db, "grant all on InjectedFault to public");
        ExecDefinition(db,
            "create function InjectFault() returns trigger language plpgsql as 'begin "
            "update InjectedFault set Seen = Seen + 1 where Target = TG_TABLE_NAME; "
            "if exists (select 1 from InjectedFault where Target = TG_TABLE_NAME and Seen "
            ">= FailAt) then raise exception ''injected fault''; end if; return null; end'");
        for (const char* table : kWrittenTables)
            ExecDefinition(db,
                std::string("create trigger Fault_") + table + " after insert or update or "
                    + "delete on " + table + " for each row execute function InjectFault()");
        return;
    }
    for (const char* table : kWrittenTables)
        for (const char* operation : { "insert", "update", "delete" })
            db.Exec(std::string("create trigger Fault_") + table + "_" + operation + " after "
                + operation + " on " + table
                + " when exists (select 1 from InjectedFault where Target = '" + table
                + "') begin update InjectedFault set Seen = Seen + 1 where Target = '" + table
                + "'; select raise(abort, 'injected fault') where (select Seen >= FailAt from "
                + "InjectedFault where Target = '" + table + "'); end");
}

void InjectFault(SecurityDb& db, const char* table, int failAt)
{
    db.Exec("delete from InjectedFault");
    db.Exec("insert into InjectedFault (Target, FailAt, Seen) values (:p1, :p2, 0)",
        { QString(table), failAt });
}

void HealFault(SecurityDb& db)
{
    db.Exec("delete from InjectedFault");
}

ModGroupIterator EdgesOf(const std::vector<ModGroup>& edges)
{
    return [&edges](ModGroup& edge, int cursor) {
        if (static_cast<size_t>(cursor) >= edges.size())
            return 0;
        edge = edges[static_cast<size_t>(cursor)];
        return cursor + 1;
    };
}

std::string Text(vcl::TDataSet* dataSet, const char* field)
{
    return dataSet->FieldByName(field)->AsString();
}

int Number(vcl::TDataSet* dataSet, const char* field)
{
    return dataSet->FieldByName(field)->AsInteger();
}

bool Flag(vcl::TDataSet* dataSet, const char* field)
{
    return dataSet->FieldByName(field)->AsBoolean();
}

} // namespace wardlock_test
