// The saved queries: the parameterised ones against the statements the
// administration sends itself in the old layout, and the orderings of the
// views that the administration's value walk relies on.

#include "schema_fixture.h"

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
        const PositionalSql sql = Positional(QLatin1String(statement), values);
        return Ints(Select(Db(), sql.text, sql.values), QStringLiteral("GroupID"));
    }

    int admin = 0, sales = 0, stock = 0, audit = 0, temps = 0, outsiders = 0;

private:
    struct PositionalSql {
        QString text;
        QVariantList values;
    };
    PositionalSql Positional(const QString& statement, const QList<NamedValue>& values);
};

HierarchyTest::PositionalSql HierarchyTest::Positional(
    const QString& statement, const QList<NamedValue>& values)
{
    PositionalSql result;
    QString text = statement;
    if (text.endsWith(u';'))
        text.chop(1);
    // Replace each :Name in order of appearance.
    qsizetype i = 0;
    while ((i = text.indexOf(u':', i)) >= 0) {
        qsizetype end = i + 1;
        while (end < text.size() && text[end].isLetterOrNumber())
            ++end;
        const QString name = text.mid(i + 1, end - i - 1);
        QVariant value;
        for (const NamedValue& v : values)
            if (v.name == name)
                value = v.value;
        EXPECT_TRUE(value.isValid()) << "no value for :" << name.toStdString();
        if (value.typeId() == QMetaType::Bool && engine() == Engine::SQLite)
            value = value.toBool() ? 1 : 0;
        result.values << value;
        text.replace(i, end - i, QStringLiteral("?"));
        i += 1;
    }
    result.text = text;
    return result;
}

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
    const Rows rows = Select(Db(), QStringLiteral("select QModGroups.* from QModGroups ;"));
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
        const Rows rows = Select(Db(), QLatin1String(c.statement));
        EXPECT_EQ(Ints(rows, QLatin1String(c.owner)), expand(c.owners, c.keys, true));
        EXPECT_EQ(Ints(rows, QLatin1String(c.key)), expand(c.owners, c.keys, false));
    }
    EXPECT_EQ(Ints(Select(Db(), QStringLiteral("select QParams.*, 1 as RecNo  from Qparams;")),
                  QStringLiteral("ParamID")),
        params);
    EXPECT_EQ(Ints(Select(Db(), QStringLiteral("select QForms.*, 1 as RecNo from QForms;")),
                  QStringLiteral("FormID")),
        forms);
    // The administration restricted to one user or group appends a WHERE.
    const QString restricted = QStringLiteral(
        "select QGroupRights.* from QGroupRights WHERE QGroupRights.GroupID = %1; ")
                                   .arg(g2);
    EXPECT_EQ(Ints(Select(Db(), restricted), QStringLiteral("FormID")), forms);
}

WARDSCHEMA_BOTH_ENGINES(SavedQueryTest);
WARDSCHEMA_BOTH_ENGINES(HierarchyTest);
WARDSCHEMA_BOTH_ENGINES(ViewOrderTest);

} // namespace
} // namespace Security::Schema::Testing
