// Keys, cascades, name rules, value rules and raw bytes of the tables, and
// the database check.

#include "schema_fixture.h"

namespace Security::Schema::Testing {
namespace {

class PhysicalTest : public SchemaTest {
protected:
    // Two groups, each with a user; two forms and two parameters with every
    // group and user row; a hierarchy naming both groups on both sides.
    void MakeFixture()
    {
        groupA = AddGroup(QStringLiteral("a"), QStringLiteral("A"));
        groupB = AddGroup(QStringLiteral("b"), QStringLiteral("B"));
        userA = AddUser(QStringLiteral("ua"), QStringLiteral("UA"), groupA);
        userB = AddUser(QStringLiteral("ub"), QStringLiteral("UB"), groupB);
        form1 = AddForm(QStringLiteral("f1"));
        form2 = AddForm(QStringLiteral("f2"));
        param1 = AddParam(QStringLiteral("p1"), QStringLiteral("Default"), "x");
        param2 = AddParam(QStringLiteral("p2"), QStringLiteral("Default"), "y");
        for (int form : { form1, form2 }) {
            SetGroupRight(groupA, form, 1);
            SetGroupRight(groupB, form, 1);
            SetUserRight(userA, form, 3);
            SetUserRight(userB, form, 3);
        }
        for (int param : { param1, param2 }) {
            SetGroupValue(groupA, param, QStringLiteral("g"));
            SetGroupValue(groupB, param, QStringLiteral("g"));
            SetUserValue(userA, param, QStringLiteral("u"));
            SetUserValue(userB, param, QStringLiteral("u"));
        }
        AddRelation(groupA, groupA, 2);
        AddRelation(groupA, groupB, 2);
        AddRelation(groupB, groupA, 1);
        AddRelation(groupB, groupB, 0);
    }

public: // the cases below name them by member pointer
    int groupA = 0, groupB = 0, userA = 0, userB = 0;
    int form1 = 0, form2 = 0, param1 = 0, param2 = 0;
};

TEST_P(PhysicalTest, DeletingARowRemovesItsDependentRowsAndNothingElse)
{
    const QStringList tables = { "Groups", "Users", "Forms", "Params", "GroupRights", "GroupParams",
        "UserRights", "UserParams", "ModGroups" };
    struct Case {
        const char* name;
        const char* table;
        const char* key;
        int PhysicalTest::*id;
        QList<int> counts; // in the order of `tables`
        // Rows that must be gone: table and condition on the deleted id.
        QList<std::pair<const char*, const char*>> gone;
    };
    const Case cases[] = {
        { "group: its users and their rows, its rows, hierarchy on both sides", "Groups", "GroupID",
            &PhysicalTest::groupA, { 1, 1, 2, 2, 2, 2, 2, 2, 1 },
            { { "Users", "GroupID = ?" }, { "GroupRights", "GroupID = ?" },
                { "GroupParams", "GroupID = ?" },
                { "ModGroups", "GroupID = ? OR ModGroupID = ?" } } },
        { "user: his rows", "Users", "UserID", &PhysicalTest::userA, { 2, 1, 2, 2, 4, 4, 2, 2, 4 },
            { { "UserRights", "UserID = ?" }, { "UserParams", "UserID = ?" } } },
        { "form: its rights rows", "Forms", "FormID", &PhysicalTest::form1,
            { 2, 2, 1, 2, 2, 4, 2, 4, 4 },
            { { "GroupRights", "FormID = ?" }, { "UserRights", "FormID = ?" } } },
        { "parameter: its values", "Params", "ParamID", &PhysicalTest::param1,
            { 2, 2, 2, 1, 4, 2, 4, 2, 4 },
            { { "GroupParams", "ParamID = ?" }, { "UserParams", "ParamID = ?" } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        MakeFixture();
        const int id = this->*c.id;
        Db().Exec(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                      .arg(QLatin1String(c.table), QLatin1String(c.key)),
            { id });
        QList<int> counts;
        for (const QString& table : tables)
            counts << Count(table);
        EXPECT_EQ(counts, c.counts);
        for (const auto& [table, condition] : c.gone) {
            const QString where = QLatin1String(condition);
            const QVariantList values
                = where.count(u'?') == 2 ? QVariantList { id, id } : QVariantList { id };
            EXPECT_EQ(Count(QLatin1String(table), where, values), 0) << table;
        }
    }
}

TEST_P(PhysicalTest, AParameterTypeInUseCannotBeDeleted)
{
    MakeFixture();
    ExpectFails(QStringLiteral("DELETE FROM ParamTypes WHERE Name = 'Default'"));
    EXPECT_EQ(Count(QStringLiteral("Params")), 2);
    EXPECT_EQ(Count(QStringLiteral("ParamTypes")), 1);
}

// The runtime's users statement: an inner join on the user's group.
const char kLoginStatement[]
    = "select Users.*, Groups.AllowChangePswd as GroupAllowChangePswd,Groups.AllowNullPasswd as "
      "GroupAllowNullPasswd,Groups.NoChPswdAtLogin as GroupNoChPswdAtLogin,Groups.AccountEnabled "
      "as "
      "GroupAccountEnabled,Groups.PasswdControl as GroupPasswdControl from Users inner join Groups "
      "on Users.GroupID = Groups.GroupID where Users.Name = :Name";

TEST_P(PhysicalTest, AUserWithoutGroupCannotBeStoredNorFound)
{
    const int missingGroup = 424242;
    ExpectFails(QStringLiteral("INSERT INTO Users (Name, FullName, GroupID) VALUES (?, ?, ?)"),
        { QStringLiteral("orphan"), QStringLiteral("Orphan"), missingGroup });

    // Written past the foreign keys, the login still does not find him.
    DisableForeignKeys();
    const int group = AddGroup(QStringLiteral("g"), QStringLiteral("G"));
    AddUser(QStringLiteral("member"), QStringLiteral("Member"), group);
    AddUser(QStringLiteral("orphan"), QStringLiteral("Orphan"), missingGroup);
    auto login = [&](const char* name) {
        return Query(
            QLatin1String(kLoginStatement), { { QStringLiteral("Name"), QLatin1String(name) } })
            .rows.size();
    };
    EXPECT_EQ(login("orphan"), 0);
    EXPECT_EQ(login("member"), 1);
}

TEST_P(PhysicalTest, NamesAreUniqueByteForByte)
{
    const int group = AddGroup(QStringLiteral("g"), QStringLiteral("G"));
    AddParam(QStringLiteral("seed"), QStringLiteral("Default"), QString());
    const int type = Db().Scalar(QStringLiteral("SELECT ParamTypeID FROM ParamTypes")).toInt();
    // Each insert binds the case's name to every marker.
    const QString users
        = QStringLiteral("INSERT INTO Users (Name, FullName, GroupID) VALUES (?, 'X', %1)")
              .arg(group);
    const QString usersByFullName = QStringLiteral(
        "INSERT INTO Users (Name, FullName, GroupID) VALUES ('n' || ?, 'Same', %1)")
                                        .arg(group);
    const QString params
        = QStringLiteral("INSERT INTO Params (Name, FullName, ParamTypeID) VALUES (?, 'X', %1)")
              .arg(type);
    const struct {
        const char* name;
        QString insert;
        const char* first;
        const char* second;
        bool secondAllowed;
    } cases[] = {
        { "users differing in case", users, "Admin", "admin", true },
        { "users with the same name", users, "admin", "admin", false },
        { "users with the same full name", usersByFullName, "1", "2", true },
        { "groups differing in case",
            QStringLiteral("INSERT INTO Groups (Name, FullName) VALUES (?, ? || 'x')"), "Staff",
            "staff", true },
        { "groups with the same name",
            QStringLiteral("INSERT INTO Groups (Name, FullName) VALUES (?, ? || 'x')"), "Staff",
            "Staff", false },
        { "groups with the same full name",
            QStringLiteral("INSERT INTO Groups (Name, FullName) VALUES (?, 'Same full name')"),
            "g1", "g2", false },
        { "forms with the same name",
            QStringLiteral("INSERT INTO Forms (Name, FullName) VALUES (?, 'X' || ?)"), "Main",
            "Main", false },
        { "forms differing in case",
            QStringLiteral("INSERT INTO Forms (Name, FullName) VALUES (?, 'X' || ?)"), "Main",
            "MAIN", true },
        { "parameters with the same name", params, "Lang", "Lang", false },
        { "parameter types with the same name",
            QStringLiteral("INSERT INTO ParamTypes (Name, FullName) VALUES (?, 'X' || ?)"), "Kind",
            "Kind", false },
        { "an empty user name", users, "someone", "", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        const int markers = c.insert.count(u'?');
        auto values = [&](const char* name) {
            QVariantList list;
            for (int i = 0; i < markers; ++i)
                list << QString::fromLatin1(name);
            return list;
        };
        Db().Exec(c.insert, values(c.first));
        if (c.secondAllowed)
            EXPECT_NO_THROW(Db().Exec(c.insert, values(c.second)));
        else
            ExpectFails(c.insert, values(c.second));
    }
}

TEST_P(PhysicalTest, CodedValuesOutsideTheirRangeAreRefused)
{
    MakeFixture();
    const struct {
        const char* name;
        QString sql;
    } cases[] = {
        { "user option 3", QStringLiteral("UPDATE Users SET PasswdControl = 3") },
        { "negative user option", QStringLiteral("UPDATE Users SET AccountEnabled = -1") },
        { "relation type 3", QStringLiteral("UPDATE ModGroups SET Type = 3") },
        { "a second relation for one pair",
            QStringLiteral("INSERT INTO ModGroups (GroupID, ModGroupID, Type) VALUES (%1, %1, 1)")
                .arg(groupA) },
        { "a second rights row",
            QStringLiteral("INSERT INTO GroupRights (FormID, GroupID) VALUES "
                           "(%1, %2)")
                .arg(form1)
                .arg(groupA) },
        { "a second user value",
            QStringLiteral("INSERT INTO UserParams (ParamID, UserID) VALUES "
                           "(%1, %2)")
                .arg(param1)
                .arg(userA) },
        { "a null right", QStringLiteral("UPDATE GroupRights SET FView = NULL") },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFails(c.sql);
    }
}

// Encoded values are 16 arbitrary non-zero bytes, kept as one character per
// byte; they must come back unchanged.
TEST_P(PhysicalTest, RawBytesComeBackUnchanged)
{
    MakeFixture();
    QByteArray bytes;
    for (int i = 0; i < 16; ++i)
        bytes.append(char(i < 8 ? 0x80 + i * 15 : i));
    const QString raw = QString::fromLatin1(bytes);
    Db().Exec(QStringLiteral("UPDATE Users SET Passwd = ? WHERE UserID = ?"), { raw, userA });
    Db().Exec(
        QStringLiteral("UPDATE GroupParams SET FValue = ? WHERE GroupID = ?"), { raw, groupA });
    Db().Exec(QStringLiteral("INSERT INTO SecurityParams (Name, FValue) VALUES ('coded', ?)"),
        { raw + raw });
    const struct {
        const char* name;
        QString sql;
        QString expected;
    } reads[] = {
        { "password", QStringLiteral("SELECT Passwd FROM Users WHERE UserID = %1").arg(userA),
            raw },
        { "group value",
            QStringLiteral("SELECT FValue FROM GroupParams WHERE GroupID = %1").arg(groupA), raw },
        { "32-character setting", QStringLiteral("SELECT FValue FROM SecurityParams"), raw + raw },
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(read.name);
        const QString back = Db().Scalar(read.sql).toString();
        EXPECT_EQ(back, read.expected);
        EXPECT_EQ(back.toLatin1(), read.expected.toLatin1());
    }
}

TEST_P(PhysicalTest, CheckNamesWhatIsMissing)
{
    AddSignature();
    EXPECT_EQ(CheckDatabase(Db()), QStringList {});

    MakeFixture(); // complete rows for both groups
    EXPECT_EQ(CheckDatabase(Db()), QStringList {});

    struct Case {
        const char* name;
        QString change;
        QString problem;
    };
    const Case cases[] = {
        { "missing view", QStringLiteral("DROP VIEW QForms"),
            QStringLiteral("missing view QForms") },
        { "missing rights row",
            QStringLiteral("DELETE FROM GroupRights WHERE GroupID = %1 AND FormID = %2")
                .arg(groupB)
                .arg(form2),
            QStringLiteral("group b has no rights row for form f2") },
        { "missing value row",
            QStringLiteral("DELETE FROM GroupParams WHERE GroupID = %1 AND ParamID = %2")
                .arg(groupA)
                .arg(param1),
            QStringLiteral("group a has no value row for parameter p1") },
        { "wrong signature", QStringLiteral("UPDATE SecurityParams SET FValue = 'x'"),
            QStringLiteral(
                "the signature row SecurityAutoLog of SecurityParams holds a wrong value") },
        { "missing signature", QStringLiteral("DELETE FROM SecurityParams"),
            QStringLiteral("missing the signature row SecurityAutoLog of SecurityParams") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        Db().Exec(c.change);
        EXPECT_EQ(CheckDatabase(Db()), QStringList { c.problem });
    }
}

TEST_P(PhysicalTest, CheckNamesAMissingProcedure)
{
    AddSignature();
    if (engine() == Engine::SQLite)
        Db().Exec(QStringLiteral("DELETE FROM SecProcedures WHERE Name = 'InsertUserParams'"));
    else
        Db().Exec(QStringLiteral("DROP FUNCTION InsertUserParams"));
    EXPECT_EQ(
        CheckDatabase(Db()), QStringList { QStringLiteral("missing procedure InsertUserParams") });
}

WARDSCHEMA_BOTH_ENGINES(PhysicalTest);

} // namespace
} // namespace Security::Schema::Testing
