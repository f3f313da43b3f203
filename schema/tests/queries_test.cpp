// The saved queries: the parameterised ones against the statements the
// administration sends itself in the old layout, and the orderings of the
// views that the administration's value walk relies on.

#include "schema_fixture.h"

#include <wardlock/data/params.h>

#include <QMap>

namespace Security::Schema::Testing {
namespace {

class SavedQueryTest : public SchemaTest {
protected:
    // Users and groups whose full names sort differently from their ids.
    void AddPeople()
    {
        zeta = AddGroup(QStringLiteral("zeta"), QStringLiteral("Zeta group"));
        alpha = AddGroup(QStringLiteral("alpha"), QStringLiteral("Alpha group"));
        carol = AddUser(QStringLiteral("carol"), QStringLiteral("Carol"), zeta);
        adam = AddUser(QStringLiteral("adam"), QStringLiteral("Adam"), alpha);
        bert = AddUser(QStringLiteral("bert"), QStringLiteral("Bert"), alpha);
    }
    int zeta = 0, alpha = 0, carol = 0, adam = 0, bert = 0;
};

TEST_P(SavedQueryTest, QUsersAndQGroupsFilter)
{
    AddPeople();
    const int unknown = 999999;
    struct Case {
        const char* name;
        const char* query;
        const char* idParam;
        bool filter;
        int id;
        QList<int> expected;
        const char* idColumn;
    };
    const Case cases[] = {
        { "users, no filter ignores the id", "QUsers", "UserID", false, carol,
            { adam, bert, carol }, "UserID" },
        { "users, no filter, unknown id", "QUsers", "UserID", false, unknown, { adam, bert, carol },
            "UserID" },
        { "users, filter on one user", "QUsers", "UserID", true, bert, { bert }, "UserID" },
        { "users, filter on unknown id", "QUsers", "UserID", true, unknown, {}, "UserID" },
        { "groups, no filter", "QGroups", "GroupID", false, zeta, { alpha, zeta }, "GroupID" },
        { "groups, filter on one group", "QGroups", "GroupID", true, zeta, { zeta }, "GroupID" },
        { "groups, filter on unknown id", "QGroups", "GroupID", true, unknown, {}, "GroupID" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rows rows = Call(QLatin1String(c.query),
            { { QStringLiteral("Filter"), c.filter }, { QLatin1String(c.idParam), c.id } });
        EXPECT_EQ(Ints(rows, QLatin1String(c.idColumn)), c.expected);
    }
}

TEST_P(SavedQueryTest, QUsersAndQGroupsYieldEveryColumn)
{
    AddPeople();
    const Rows users = Call(QStringLiteral("QUsers"),
        { { QStringLiteral("Filter"), true }, { QStringLiteral("UserID"), adam } });
    for (const char* column : { "UserID", "Name", "FullName", "GroupID", "Passwd", "PasswdControl",
             "AllowNullPasswd", "AllowChangePswd", "NoChPswdAtLogin", "AccountEnabled" })
        EXPECT_GE(users.Column(QLatin1String(column)), 0) << column;
    const Rows groups = Call(QStringLiteral("QGroups"),
        { { QStringLiteral("GroupID"), alpha }, { QStringLiteral("Filter"), true } });
    for (const char* column : { "GroupID", "Name", "FullName", "Description", "Position",
             "ForceAddMod", "AccountEnabled", "RecNo" })
        EXPECT_GE(groups.Column(QLatin1String(column)), 0) << column;
    ASSERT_EQ(groups.rows.size(), 1);
    EXPECT_EQ(groups.rows[0][groups.Column(QStringLiteral("RecNo"))].toInt(), 1);
}

// The statements of the old layout, run as they are.
const char kGroupsAllowedStatement[]
    = "SELECT Groups.* FROM Groups WHERE Groups.GroupID Not In (SELECT DISTINCT ModGroups.GroupID "
      "FROM ModGroups WHERE ModGroups.GroupID = Groups.GroupID and ( ModGroups.ModGroupID Not In "
      "(select ModGroupID from ModGroups where ModGroups.GroupID  = :GroupID ) or "
      "ModGroups.ModGroupID = Groups.GroupID)) And Groups.GroupID In (select ModGroupID from "
      "ModGroups where ModGroups.GroupID = :GroupID) AND ( not :ForceAddMod OR Groups.ForceAddMod "
      ") ORDER BY FullName;";
const char kCheckAllowedGroupStatement[]
    = "SELECT DISTINCT ModGroups.GroupID FROM ModGroups WHERE GroupID = :DestGroupID and "
      "ModGroups.ModGroupID Not In (select ModGroupID from ModGroups where GroupID  = "
      ":SourceGroupID);";

class HierarchyTest : public SchemaTest {
protected:
    // admin administers itself, sales, stock, audit and temps; sales
    // administers stock; stock administers itself; audit administers the
    // outsiders, whom admin does not reach; temps administers sales and is
    // listed by admin only through a negative relation, which the statement
    // counts all the same. stock and temps have ForceAddMod set.
    void SetUp() override
    {
        SchemaTest::SetUp();
        if (IsSkipped())
            return;
        admin = AddGroup(QStringLiteral("admin"), QStringLiteral("Administrators"));
        sales = AddGroup(QStringLiteral("sales"), QStringLiteral("Sales"));
        stock = AddGroup(QStringLiteral("stock"), QStringLiteral("Stock"), true);
        audit = AddGroup(QStringLiteral("audit"), QStringLiteral("Audit"));
        temps = AddGroup(QStringLiteral("temps"), QStringLiteral("Temporary staff"), true);
        outsiders = AddGroup(QStringLiteral("outsiders"), QStringLiteral("Outsiders"));
        for (int g : { admin, sales, stock, audit })
            AddRelation(admin, g, 2);
        AddRelation(admin, temps, 0);
        AddRelation(sales, stock, 2);
        AddRelation(stock, stock, 2);
        AddRelation(audit, outsiders, 1);
        AddRelation(temps, sales, 1);
    }
    QList<int> Groups() const { return { admin, sales, stock, audit, temps, outsiders }; }

    // Runs a statement of the old layout with its named parameters.
    QList<int> Literal(const char* statement, const QList<NamedValue>& values)
    {
        return Ints(Query(QLatin1String(statement), values), QStringLiteral("GroupID"));
    }

    int admin = 0, sales = 0, stock = 0, audit = 0, temps = 0, outsiders = 0;
};

TEST_P(HierarchyTest, GroupsAllowedGivesTheRowsOfTheStatement)
{
    for (int group : Groups()) {
        for (bool force : { false, true }) {
            SCOPED_TRACE(testing::Message() << "GroupID " << group << ", ForceAddMod " << force);
            const QList<NamedValue> arguments = { { QStringLiteral("GroupID"), group },
                { QStringLiteral("ForceAddMod"), force } };
            const QList<int> expected = Literal(kGroupsAllowedStatement, arguments);
            EXPECT_EQ(
                Ints(Call(QStringLiteral("GroupsAllowed"), arguments), QStringLiteral("GroupID")),
                expected);
        }
    }
    // The fixture is rich enough to tell the cases apart: stock lists itself,
    // audit reaches outside, temps is listed only negatively but counts.
    EXPECT_EQ(
        Literal(kGroupsAllowedStatement,
            { { QStringLiteral("GroupID"), admin }, { QStringLiteral("ForceAddMod"), false } }),
        (QList<int> { sales, temps }));
    EXPECT_EQ(
        Literal(kGroupsAllowedStatement,
            { { QStringLiteral("GroupID"), admin }, { QStringLiteral("ForceAddMod"), true } }),
        QList<int> { temps });
    EXPECT_EQ(
        Literal(kGroupsAllowedStatement,
            { { QStringLiteral("GroupID"), sales }, { QStringLiteral("ForceAddMod"), false } }),
        QList<int> {});
}

TEST_P(HierarchyTest, CheckAllowedGroupGivesTheRowsOfTheStatement)
{
    for (int source : Groups()) {
        for (int dest : Groups()) {
            SCOPED_TRACE(testing::Message() << "source " << source << ", dest " << dest);
            const QList<NamedValue> arguments = { { QStringLiteral("SourceGroupID"), source },
                { QStringLiteral("DestGroupID"), dest } };
            EXPECT_EQ(Ints(Call(QStringLiteral("CheckAllowedGroup"), arguments),
                          QStringLiteral("GroupID")),
                Literal(kCheckAllowedGroupStatement, arguments));
        }
    }
    // audit administers outsiders, whom admin does not: a row; sales
    // administers nothing admin lacks: none.
    EXPECT_EQ(Ints(Call(QStringLiteral("CheckAllowedGroup"),
                       { { QStringLiteral("SourceGroupID"), admin },
                           { QStringLiteral("DestGroupID"), audit } }),
                  QStringLiteral("GroupID")),
        QList<int> { audit });
    EXPECT_TRUE(Call(QStringLiteral("CheckAllowedGroup"),
        { { QStringLiteral("SourceGroupID"), admin }, { QStringLiteral("DestGroupID"), sales } })
                    .rows.isEmpty());
}

TEST_P(HierarchyTest, QModGroupsFollowsTheGroupListThenType)
{
    // Groups are listed by full name: Administrators, Audit, Outsiders, Sales,
    // Stock, Temporary staff.
    const Rows rows = Query(QStringLiteral("select QModGroups.*\nfrom QModGroups ;"));
    const QList<int> groupOrder = Ints(rows, QStringLiteral("GroupID"));
    const QList<int> types = Ints(rows, QStringLiteral("Type"));
    EXPECT_EQ(
        groupOrder, (QList<int> { admin, admin, admin, admin, admin, audit, sales, stock, temps }));
    EXPECT_EQ(types, (QList<int> { 0, 2, 2, 2, 2, 1, 2, 2, 1 }));
    const QList<int> listed
        = Ints(Call(QStringLiteral("QGroups"),
                   { { QStringLiteral("GroupID"), 0 }, { QStringLiteral("Filter"), false } }),
            QStringLiteral("GroupID"));
    EXPECT_EQ(listed, (QList<int> { admin, audit, outsiders, sales, stock, temps }));
}

class ViewOrderTest : public SchemaTest { };

TEST_P(ViewOrderTest, ValueViewsAreOrderedForTheWalk)
{
    // Rows inserted against the order the views must give.
    const int g2 = AddGroup(QStringLiteral("g2"), QStringLiteral("A second"));
    const int g1 = AddGroup(QStringLiteral("g1"), QStringLiteral("B first"));
    const int u2 = AddUser(QStringLiteral("u2"), QStringLiteral("U2"), g1);
    const int u1 = AddUser(QStringLiteral("u1"), QStringLiteral("U1"), g1);
    const int f2 = AddForm(QStringLiteral("f2"));
    const int f1 = AddForm(QStringLiteral("f1"));
    const int p2 = AddParam(QStringLiteral("p2"), QStringLiteral("Default"), QString());
    const int p1 = AddParam(QStringLiteral("p1"), QStringLiteral("Default"), QString());
    for (int g : { g2, g1 })
        for (int f : { f1, f2 })
            SetGroupRight(g, f, 1);
    for (int g : { g1, g2 })
        for (int p : { p1, p2 })
            SetGroupValue(g, p, QStringLiteral("v"));
    for (int u : { u2, u1 }) {
        for (int f : { f1, f2 })
            SetUserRight(u, f, 1);
        for (int p : { p1, p2 })
            SetUserValue(u, p, QStringLiteral("w"));
    }
    auto sorted = [](QList<int> ids) {
        std::sort(ids.begin(), ids.end());
        return ids;
    };
    const QList<int> groups = sorted({ g1, g2 }), users = sorted({ u1, u2 });
    const QList<int> forms = sorted({ f1, f2 }), params = sorted({ p1, p2 });
    auto expand = [](const QList<int>& outer, const QList<int>& inner, bool outerColumn) {
        QList<int> result;
        for (int o : outer)
            for (int i : inner)
                result << (outerColumn ? o : i);
        return result;
    };
    struct Case {
        const char* statement;
        const char* owner;
        const char* key;
        QList<int> owners;
        QList<int> keys;
    };
    const Case cases[] = {
        { "select QGroupParams.* from QGroupParams ;", "GroupID", "ParamID", groups, params },
        { "select QGroupRights.* from QGroupRights ;", "GroupID", "FormID", groups, forms },
        { "select  * from QUserParams;", "UserID", "ParamID", users, params },
        { "select QUserRights.* from QUserRights;", "UserID", "FormID", users, forms },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        const Rows rows = Query(QLatin1String(c.statement));
        EXPECT_EQ(Ints(rows, QLatin1String(c.owner)), expand(c.owners, c.keys, true));
        EXPECT_EQ(Ints(rows, QLatin1String(c.key)), expand(c.owners, c.keys, false));
    }
    EXPECT_EQ(Ints(Query(QStringLiteral("select QParams.*, 1 as RecNo  from Qparams;")),
                  QStringLiteral("ParamID")),
        params);
    EXPECT_EQ(Ints(Query(QStringLiteral("select QForms.*, 1 as RecNo from QForms;")),
                  QStringLiteral("FormID")),
        forms);
    // The administration restricted to one user or group appends a WHERE.
    const QString restricted = QStringLiteral(
        "select QGroupRights.* from QGroupRights WHERE QGroupRights.GroupID = %1; ")
                                   .arg(g2);
    EXPECT_EQ(Ints(Query(restricted), QStringLiteral("FormID")), forms);
}

// The statements the runtime and the administration send, as they stand: the
// schema must answer every one of them on both engines.
class SystemStatementTest : public SchemaTest { };

TEST_P(SystemStatementTest, TheSystemsStatementsRun)
{
    const int group = AddGroup(QStringLiteral("g"), QStringLiteral("G"));
    const int user = AddUser(QStringLiteral("u"), QStringLiteral("U"), group);
    const int form = AddForm(QStringLiteral("f"));
    const int param = AddParam(QStringLiteral("p"), QStringLiteral("Default"), "x");
    const int type = Db().Scalar(QStringLiteral("SELECT ParamTypeID FROM ParamTypes")).toInt();
    SetGroupRight(group, form, 1);
    SetUserRight(user, form, 1);
    SetGroupValue(group, param, QStringLiteral("v"));
    SetUserValue(user, param, QStringLiteral("w"));
    AddRelation(group, group, 2);
    AddSignature();
    const int right = Db().Scalar(QStringLiteral("SELECT RightID FROM UserRights")).toInt();
    const int userParam = Db().Scalar(QStringLiteral("SELECT UserParamID FROM UserParams")).toInt();
    const int groupParam
        = Db().Scalar(QStringLiteral("SELECT GroupParamID FROM GroupParams")).toInt();

    // A value for every parameter name the statements use; booleans and
    // policy options given as 0/1 integers, as the administration does.
    const QMap<QString, QVariant> values = {
        { "name", "NewName" },
        { "fullname", "New full name" },
        { "description", "About" },
        { "groupid", group },
        { "userid", user },
        { "formid", form },
        { "paramid", param },
        { "paramtypeid", type },
        { "modgroupid", group },
        { "type", 1 },
        { "passwd",
            QString::fromLatin1(
                "\xC3\x81\x01\xFE\x7F\x80\x90\xA0\xB0\xC0\xD0\xE0\xF0\x11\x22\x33") },
        { "passwdcontrol", 1 },
        { "allownullpasswd", 1 },
        { "allowchangepswd", 1 },
        { "nochpswdatlogin", 1 },
        { "accountenabled", 1 },
        { "position", 65556 },
        { "forceaddmod", 1 },
        { "defview", 1 },
        { "definsert", 0 },
        { "defmodify", 1 },
        { "defdelete", 0 },
        { "hidden", 0 },
        { "fview", 1 },
        { "finsert", 0 },
        { "fmodify", 1 },
        { "fdelete", 0 },
        { "usercanmodify", 1 },
        { "defaultvalue", "dflt" },
        { "fprotected", 1 },
        { "fvalue", "val" },
        { "dllname", "" },
        { "showfncname", "" },
        { "itrfncname", "" },
        { "insfncname", "" },
        { "renfncname", "" },
        { "keyfncname", "" },
        { "fkey", "" },
        { "filter", 1 },
        { "old_userid", user },
        { "old_groupid", group },
        { "old_formid", form },
        { "old_paramid", param },
        { "old_paramtypeid", type },
        { "old_name", "SecurityAutoLog" },
        { "old_rightid", right },
        { "old_userparamid", userParam },
        { "old_groupparamid", groupParam },
        { "old_modgroupid", group },
    };
    const char* statements[] = {
        // The runtime's queries.
        "select FormID, Name\nfrom Forms;",
        "select ParamID, Name\nfrom Params;",
        "select  FormID, [FView], [FInsert], [FModify], [FDelete]\nfrom GroupRights\nwhere "
        "GroupRights.GroupID=:GroupID;",
        "select FormID, [FView], [FInsert], [FModify], [FDelete]\nfrom UserRights\nwhere "
        "UserRights.UserID=:UserID;",
        "select ParamID, FValue\nfrom GroupParams\nwhere GroupParams.GroupID=:GroupID; ",
        "select ParamID, FValue\nfrom UserParams\nwhere UserParams.UserID=:UserID;",
        "select Name, [FValue]\nfrom SecurityParams",
        // The administration's datasets.
        "select * from QParamTypes;",
        "select * from QSecurityParams;",
        "select QUserParams.* \nfrom QUserParams \nwhere false;",
        "select QUserRights.* \nfrom QUserRights \nwhere false;",
        "select QUserParams.* \nfrom QUserParams \nwhere 0=1;",
        "SELECT Users.*\nFROM Users\nWHERE not :Filter or Users.UserID = :UserID\nORDER BY "
        "FullName;",
        "SELECT Groups.*, 1 AS RecNo\nFROM Groups\nWHERE not :Filter or "
        "Groups.GroupID=:GroupID\nORDER BY Groups.FullName;",
        "SELECT Groups.*, 1 AS RecNo\nFROM Groups\nWHERE  not :filter or  "
        "[Groups].[GroupID]=:GroupID\nORDER BY Groups.FullName;",
        "select Groups.GroupID from Groups where Groups.Name = 'g';",
        // Its update statements.
        "update Params set Name = :Name, FullName = :FullName, ParamTypeID = :ParamTypeID, "
        "Description = :Description, UserCanModify = :UserCanModify, DefaultValue = "
        ":DefaultValue, Hidden = :Hidden, FProtected = :FProtected where ParamID = :OLD_ParamID",
        "insert into Params (Name, FullName, ParamTypeID, Description, UserCanModify, "
        "DefaultValue, Hidden, FProtected) values (:Name, :FullName, :ParamTypeID, :Description, "
        ":UserCanModify, :DefaultValue, :Hidden, :FProtected)",
        "delete from Params where ParamID = :OLD_ParamID",
        "update forms set Name = :Name, FullName = :FullName, Description = :Description, "
        "DefView = :DefView, DefModify = :DefModify, DefInsert = :DefInsert, DefDelete = "
        ":DefDelete, Hidden = :Hidden where FormID = :OLD_FormID",
        "insert into forms (Name, FullName, Description, DefView, DefModify, DefInsert, "
        "DefDelete, Hidden) values (:Name, :FullName, :Description, :DefView, :DefModify, "
        ":DefInsert, :DefDelete, :Hidden)",
        "delete from forms where FormID = :OLD_FormID",
        "update ParamTypes set Name = :Name, FullName = :FullName, DllName = :DllName, "
        "ShowFncName = :ShowFncName, ItrFncName = :ItrFncName, InsFncName = :InsFncName, "
        "RenFncName = :RenFncName, FKey = :FKey, KeyFncName = :KeyFncName where ParamTypeID = "
        ":OLD_ParamTypeID",
        "insert into ParamTypes (Name, FullName, DllName, ShowFncName, ItrFncName, InsFncName, "
        "RenFncName, FKey, KeyFncName) values (:Name, :FullName, :DllName, :ShowFncName, "
        ":ItrFncName, :InsFncName, :RenFncName, :FKey, :KeyFncName)",
        "update SecurityParams set Name = :Name, FullName = :FullName, FValue = :FValue, Hidden "
        "= :Hidden where Name = :OLD_Name",
        "insert into SecurityParams (Name, FullName, FValue, Hidden) values (:Name, :FullName, "
        ":FValue, :Hidden)",
        "delete from SecurityParams where Name = :OLD_Name",
        "update GroupRights set FView = :FView, FModify = :FModify, FInsert = :FInsert, FDelete "
        "= :FDelete where RightID = :OLD_RightID",
        "update GroupParams set FValue = :FValue where GroupParamID = :OLD_GroupParamID",
        "update UserRights set FView = :FView, FModify = :FModify, FInsert = :FInsert, FDelete = "
        ":FDelete where RightID = :OLD_RightID",
        "delete from UserRights where RightID = :OLD_RightID",
        "update UserParams set FValue = :FValue where UserParamID = :OLD_UserParamID",
        "delete from UserParams where UserParamID = :OLD_UserParamID",
        "update Users set Name = :Name, FullName = :FullName, GroupID = :GroupID, Passwd = "
        ":Passwd, PasswdControl = :PasswdControl, AllowNullPasswd = :AllowNullPasswd, "
        "AllowChangePswd = :AllowChangePswd, NoChPswdAtLogin = :NoChPswdAtLogin, AccountEnabled "
        "= :AccountEnabled where UserID = :OLD_UserID",
        "insert into Users (Name, FullName, GroupID, Passwd, PasswdControl, AllowNullPasswd, "
        "AllowChangePswd, NoChPswdAtLogin, AccountEnabled) values (:Name, :FullName, :GroupID, "
        ":Passwd, :PasswdControl, :AllowNullPasswd, :AllowChangePswd, :NoChPswdAtLogin, "
        ":AccountEnabled)",
        "delete from Users where UserID = :OLD_UserID",
        "update Groups set Name = :Name, FullName = :FullName, Description = :Description, "
        "PasswdControl = :PasswdControl, AllowNullPasswd = :AllowNullPasswd, AllowChangePswd = "
        ":AllowChangePswd, NoChPswdAtLogin = :NoChPswdAtLogin, AccountEnabled = :AccountEnabled, "
        "Position = :Position where GroupID = :OLD_GroupID",
        "insert into Groups (Name, FullName, Description, PasswdControl, AllowNullPasswd, "
        "AllowChangePswd, NoChPswdAtLogin, AccountEnabled, Position) values (:Name, :FullName, "
        ":Description, :PasswdControl, :AllowNullPasswd, :AllowChangePswd, :NoChPswdAtLogin, "
        ":AccountEnabled, :Position)",
        "update Groups set Name = :Name, FullName = :FullName, Description = :Description, "
        "PasswdControl = :PasswdControl, AllowNullPasswd = :AllowNullPasswd, AllowChangePswd = "
        ":AllowChangePswd, NoChPswdAtLogin = :NoChPswdAtLogin, AccountEnabled = :AccountEnabled, "
        "ForceAddMod = :ForceAddMod where GroupID = :OLD_GroupID",
        "insert into Groups (Name, FullName, Description, PasswdControl, AllowNullPasswd, "
        "AllowChangePswd, NoChPswdAtLogin, AccountEnabled, ForceAddMod) values (:Name, "
        ":FullName, :Description, :PasswdControl, :AllowNullPasswd, :AllowChangePswd, "
        ":NoChPswdAtLogin, :AccountEnabled, :ForceAddMod)",
        "delete from Groups where GroupID = :OLD_GroupID",
        "update ModGroups set GroupID = :GroupID, ModGroupID = :ModGroupID, Type  = :Type WHERE "
        "GroupID = :OLD_GroupID and ModGroupID = :OLD_ModGroupID;",
        "delete from ModGroups where GroupID = :GroupID and ModGroupID = :ModGroupID",
    };
    for (const char* statement : statements) {
        SCOPED_TRACE(statement);
        CaseScope scope(Db());
        QList<NamedValue> parameters;
        for (const std::string& name : vcl::TParams::ParseNames(statement)) {
            const QString key = QString::fromStdString(name).toLower();
            ASSERT_TRUE(values.contains(key)) << name;
            parameters.append({ QString::fromStdString(name), values[key] });
        }
        const bool select = QByteArray(statement).trimmed().toLower().startsWith("select");
        EXPECT_NO_THROW(select ? (void)Query(QLatin1String(statement), parameters)
                               : ExecQuery(QLatin1String(statement), parameters));
    }
    // The new-group insert of the full module, then the hierarchy command.
    ExecQuery(QStringLiteral("insert into ModGroups (GroupID, ModGroupID, Type) values "
                             "(:GroupID, :ModGroupID, :Type)"),
        { { QStringLiteral("GroupID"), group },
            { QStringLiteral("ModGroupID"),
                AddGroup(QStringLiteral("second"), QStringLiteral("Second")) },
            { QStringLiteral("Type"), 0 } });
    EXPECT_EQ(Count(QStringLiteral("ModGroups")), 2);
}

WARDSCHEMA_BOTH_ENGINES(SystemStatementTest);
WARDSCHEMA_BOTH_ENGINES(SavedQueryTest);
WARDSCHEMA_BOTH_ENGINES(HierarchyTest);
WARDSCHEMA_BOTH_ENGINES(ViewOrderTest);

} // namespace
} // namespace Security::Schema::Testing
