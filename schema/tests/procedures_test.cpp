// The procedures: the rows each one creates, which the administration relies
// on (one row per group and form/parameter; starting values of new groups and
// users; the ceiling an administrator without unrestricted rights keeps).

#include "schema_fixture.h"

namespace Security::Schema::Testing {
namespace {

const QString kYes = QStringLiteral("Yes");

class ProcedureTest : public SchemaTest { };

TEST_P(ProcedureTest, InsertGroupParamsGivesEveryGroupTheNewParameter)
{
    struct Case {
        const char* name;
        const char* type;
        bool isProtected;
        QVariant defaultValue;
        QVariant creatorValue; // the creating administrator's group
        QVariant otherValue;
    };
    const Case cases[] = {
        // The creator must hold a protected yes/no parameter to grant it.
        { "protected Boolean", "Boolean", true, "No", kYes, "No" },
        { "unprotected Boolean", "Boolean", false, "No", "No", "No" },
        { "protected Integer", "Integer", true, "5", "5", "5" },
        { "text without default", "Default", false, QVariant(), QVariant(), QVariant() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        const int creator = AddGroup(QStringLiteral("admins"), QStringLiteral("Admins"));
        const QList<int> others = { AddGroup(QStringLiteral("g1"), QStringLiteral("G1")),
            AddGroup(QStringLiteral("g2"), QStringLiteral("G2")) };
        const int param = AddParam(
            QStringLiteral("P"), QLatin1String(c.type), c.defaultValue.toString(), c.isProtected);
        if (c.defaultValue.isNull())
            Db().Exec(QStringLiteral("UPDATE Params SET DefaultValue = NULL"));
        Call(QStringLiteral("InsertGroupParams"),
            { { QStringLiteral("GroupID"), creator }, { QStringLiteral("YesString"), kYes },
                { QStringLiteral("ParamName"), QStringLiteral("P") } });
        EXPECT_EQ(Count(QStringLiteral("GroupParams")), 3);
        EXPECT_EQ(GroupValue(creator, param), c.creatorValue.toString());
        for (int group : others) {
            EXPECT_EQ(GroupValue(group, param), c.otherValue.toString());
        }
        if (c.defaultValue.isNull()) {
            EXPECT_EQ(Count(QStringLiteral("GroupParams"), QStringLiteral("FValue IS NULL")), 3);
        }
    }
}

TEST_P(ProcedureTest, InsertGroupRightsGivesTheCreatorTheGivenRights)
{
    const int creator = AddGroup(QStringLiteral("admins"), QStringLiteral("Admins"));
    const int other = AddGroup(QStringLiteral("g1"), QStringLiteral("G1"));
    const int form = AddForm(QStringLiteral("F"), 1 | 8);
    // Booleans given as 0/1, as the administration may set them.
    Call(QStringLiteral("InsertGroupRights"),
        { { QStringLiteral("GroupID"), creator }, { QStringLiteral("FView"), 1 },
            { QStringLiteral("FInsert"), 0 }, { QStringLiteral("FModify"), 1 },
            { QStringLiteral("FDelete"), 0 },
            { QStringLiteral("FormName"), QStringLiteral("F") } });
    EXPECT_EQ(GroupRight(creator, form), 1 | 4);
    EXPECT_EQ(GroupRight(other, form), 1 | 8); // the form's defaults
    EXPECT_EQ(Count(QStringLiteral("GroupRights")), 2);
}

TEST_P(ProcedureTest, NewGroupRightsFollowTheCheckBoxStates)
{
    // States: 0 unchecked, 1 checked, 2 grayed (the form's default or the
    // copied group's right).
    struct Case {
        const char* name;
        int view, insert, modify, remove;
        bool copy;
        int plainForm; // defaults none; the copied group has View+Delete
        int defaultForm; // defaults all; the copied group has no row
    };
    const Case cases[] = {
        { "all grayed take the defaults", 2, 2, 2, 2, false, 0, 15 },
        { "checked and unchecked override", 2, 1, 0, 2, false, 2, 1 | 2 | 8 },
        { "all grayed copy the group", 2, 2, 2, 2, true, 1 | 8, 15 },
        { "states override the copy", 0, 1, 2, 2, true, 2 | 8, 2 | 4 | 8 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        const int plain = AddForm(QStringLiteral("plain"), 0);
        const int defaults = AddForm(QStringLiteral("defaults"), 15);
        const int source = AddGroup(QStringLiteral("source"), QStringLiteral("Source"));
        SetGroupRight(source, plain, 1 | 8);
        const int group = AddGroup(QStringLiteral("new"), QStringLiteral("New group"));
        QList<NamedValue> arguments = { { QStringLiteral("DefView"), c.view },
            { QStringLiteral("DefInsert"), c.insert }, { QStringLiteral("DefModify"), c.modify },
            { QStringLiteral("DefDelete"), c.remove },
            { QStringLiteral("GroupName"), QStringLiteral("new") } };
        if (c.copy)
            arguments.append({ QStringLiteral("CopyGroupID"), source });
        Call(c.copy ? QStringLiteral("InsertCopyGroupRights")
                    : QStringLiteral("InsertGroupGroupRights"),
            arguments);
        EXPECT_EQ(GroupRight(group, plain), c.plainForm);
        EXPECT_EQ(GroupRight(group, defaults), c.defaultForm);
        EXPECT_EQ(
            Count(QStringLiteral("GroupRights"), QStringLiteral("GroupID <> ?"), { group }), 1)
            << "other groups are untouched";
    }
}

TEST_P(ProcedureTest, NewGroupValuesAreDefaultsOrCopies)
{
    const int withDefault = AddParam(QStringLiteral("lang"), QStringLiteral("Default"), "en");
    const int withoutRow = AddParam(QStringLiteral("limit"), QStringLiteral("Integer"), "5");
    const int source = AddGroup(QStringLiteral("source"), QStringLiteral("Source"));
    SetGroupValue(source, withDefault, QStringLiteral("de"));
    // The copied group lacks a row for `limit`: the new group still gets one.
    const int plain = AddGroup(QStringLiteral("plain"), QStringLiteral("Plain"));
    const int copy = AddGroup(QStringLiteral("copy"), QStringLiteral("Copy"));
    Call(QStringLiteral("InsertGroupGroupParams"),
        { { QStringLiteral("GroupName"), QStringLiteral("plain") } });
    Call(QStringLiteral("InsertCopyGroupParams"),
        { { QStringLiteral("GroupName"), QStringLiteral("copy") },
            { QStringLiteral("CopyGroupID"), source } });
    EXPECT_EQ(GroupValue(plain, withDefault), QStringLiteral("en"));
    EXPECT_EQ(GroupValue(plain, withoutRow), QStringLiteral("5"));
    EXPECT_EQ(GroupValue(copy, withDefault), QStringLiteral("de"));
    EXPECT_EQ(GroupValue(copy, withoutRow), QStringLiteral("5"));
}

TEST_P(ProcedureTest, UnknownNamesCreateNothing)
{
    AddGroup(QStringLiteral("g"), QStringLiteral("G"));
    AddForm(QStringLiteral("F"));
    AddParam(QStringLiteral("P"), QStringLiteral("Default"), "x");
    const QString unknown = QStringLiteral("nobody");
    Call(QStringLiteral("InsertGroupParams"),
        { { QStringLiteral("GroupID"), 1 }, { QStringLiteral("YesString"), kYes },
            { QStringLiteral("ParamName"), unknown } });
    Call(QStringLiteral("InsertGroupRights"),
        { { QStringLiteral("GroupID"), 1 }, { QStringLiteral("FView"), true },
            { QStringLiteral("FormName"), unknown } });
    Call(QStringLiteral("InsertGroupGroupParams"), { { QStringLiteral("GroupName"), unknown } });
    Call(QStringLiteral("InsertGroupGroupRights"),
        { { QStringLiteral("DefView"), 1 }, { QStringLiteral("GroupName"), unknown } });
    Call(QStringLiteral("InsertNewUserRights"),
        { { QStringLiteral("UserName"), unknown }, { QStringLiteral("UserID"), 1 },
            { QStringLiteral("GroupID"), 1 }, { QStringLiteral("NewUGroupID"), 1 } });
    EXPECT_EQ(Count(QStringLiteral("GroupParams")), 0);
    EXPECT_EQ(Count(QStringLiteral("GroupRights")), 0);
    EXPECT_EQ(Count(QStringLiteral("UserRights")), 0);
}

TEST_P(ProcedureTest, ASecondRowForAGroupIsRefused)
{
    const int group = AddGroup(QStringLiteral("g"), QStringLiteral("G"));
    const int param = AddParam(QStringLiteral("P"), QStringLiteral("Default"), "x");
    Call(QStringLiteral("InsertGroupGroupParams"),
        { { QStringLiteral("GroupName"), QStringLiteral("g") } });
    Db().Exec(QStringLiteral("UPDATE GroupParams SET FValue = 'kept'"));
    ExpectCallFails(QStringLiteral("InsertGroupGroupParams"),
        { { QStringLiteral("GroupName"), QStringLiteral("g") } });
    EXPECT_EQ(Count(QStringLiteral("GroupParams")), 1);
    EXPECT_EQ(GroupValue(group, param), QStringLiteral("kept"));
}

// Building groups, forms and parameters in any order through the procedures
// keeps one row per group and form/parameter, in the order of the walk.
TEST_P(ProcedureTest, EveryGroupHasOneRowPerFormAndParameter)
{
    auto newGroup = [&](const QString& name) {
        AddGroup(name, name.toUpper());
        Call(QStringLiteral("InsertGroupGroupRights"),
            { { QStringLiteral("DefView"), 2 }, { QStringLiteral("DefInsert"), 2 },
                { QStringLiteral("DefModify"), 2 }, { QStringLiteral("DefDelete"), 2 },
                { QStringLiteral("GroupName"), name } });
        Call(QStringLiteral("InsertGroupGroupParams"), { { QStringLiteral("GroupName"), name } });
    };
    auto newForm = [&](const QString& name) {
        AddForm(name, 1);
        Call(QStringLiteral("InsertGroupRights"),
            { { QStringLiteral("GroupID"), 1 }, { QStringLiteral("FView"), true },
                { QStringLiteral("FInsert"), true }, { QStringLiteral("FModify"), true },
                { QStringLiteral("FDelete"), true }, { QStringLiteral("FormName"), name } });
    };
    auto newParam = [&](const QString& name) {
        AddParam(name, QStringLiteral("Boolean"), QStringLiteral("No"), true);
        Call(QStringLiteral("InsertGroupParams"),
            { { QStringLiteral("GroupID"), 1 }, { QStringLiteral("YesString"), kYes },
                { QStringLiteral("ParamName"), name } });
    };
    newGroup(QStringLiteral("a"));
    newForm(QStringLiteral("f1"));
    newParam(QStringLiteral("p1"));
    newGroup(QStringLiteral("b"));
    newForm(QStringLiteral("f2"));
    newGroup(QStringLiteral("c"));
    newParam(QStringLiteral("p2"));

    const QList<int> forms
        = Ints(Select(Db(), QStringLiteral("SELECT * FROM QForms")), QStringLiteral("FormID"));
    const QList<int> params
        = Ints(Select(Db(), QStringLiteral("SELECT * FROM QParams")), QStringLiteral("ParamID"));
    for (int group : Ints(Select(Db(), QStringLiteral("SELECT GroupID FROM Groups")),
             QStringLiteral("GroupID"))) {
        SCOPED_TRACE(group);
        EXPECT_EQ(
            Ints(Select(Db(),
                     QStringLiteral("SELECT * FROM QGroupRights WHERE QGroupRights.GroupID = ?"),
                     { group }),
                QStringLiteral("FormID")),
            forms);
        EXPECT_EQ(
            Ints(Select(Db(),
                     QStringLiteral("SELECT * FROM QGroupParams WHERE QGroupParams.GroupID = ?"),
                     { group }),
                QStringLiteral("ParamID")),
            params);
    }
}

// A restricted administrator (own user row and group) moves user U from the
// old group to the new one, or creates U in the new group.
struct Ceiling {
    int admin = 0, adminGroup = 0, oldGroup = 0, newGroup = 0, user = 0;
};

class CeilingTest : public SchemaTest {
protected:
    Ceiling MakeGroups(bool withUser)
    {
        Ceiling c;
        c.adminGroup = AddGroup(QStringLiteral("admins"), QStringLiteral("Admins"));
        c.oldGroup = AddGroup(QStringLiteral("old"), QStringLiteral("Old"));
        c.newGroup = AddGroup(QStringLiteral("new"), QStringLiteral("New"));
        c.admin = AddUser(QStringLiteral("boss"), QStringLiteral("Boss"), c.adminGroup);
        if (withUser)
            c.user = AddUser(QStringLiteral("u"), QStringLiteral("U"), c.oldGroup);
        return c;
    }
};

TEST_P(CeilingTest, MovingAUserKeepsRightsTheAdministratorLacksFromHim)
{
    struct Case {
        const char* name;
        int oldMask, newMask, adminGroupMask, adminOwnMask, userOwnMask;
        int expected; // the user's own row after the move; -1 none
    };
    const Case cases[] = {
        { "fewer rights: no row", 15, 3, 0, -1, -1, -1 },
        { "gains what the administrator lacks", 1, 3, 1, -1, -1, 1 },
        { "gains what the administrator holds", 1, 3, 3, -1, -1, -1 },
        { "administrator's own row replaces his group's", 0, 1, 1, 0, -1, 0 },
        { "what he had he keeps", 8, 15, 2, -1, -1, 2 | 8 },
        { "keeps a right the administrator lacks", 1, 3, 0, -1, -1, 1 },
        { "own row is left alone", 0, 15, 0, -1, 4, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        const Ceiling g = MakeGroups(true);
        const int form = AddForm(QStringLiteral("F"));
        SetGroupRight(g.oldGroup, form, c.oldMask);
        SetGroupRight(g.newGroup, form, c.newMask);
        SetGroupRight(g.adminGroup, form, c.adminGroupMask);
        if (c.adminOwnMask >= 0)
            SetUserRight(g.admin, form, c.adminOwnMask);
        if (c.userOwnMask >= 0)
            SetUserRight(g.user, form, c.userOwnMask);
        Call(QStringLiteral("InsertUserRights"),
            { { QStringLiteral("NewGroupID"), g.newGroup },
                { QStringLiteral("ParentUserID"), g.admin }, { QStringLiteral("UserID"), g.user },
                { QStringLiteral("ParentGroupID"), g.adminGroup },
                { QStringLiteral("GroupID"), g.oldGroup } });
        EXPECT_EQ(UserRight(g.user, form), c.expected);
    }
}

TEST_P(CeilingTest, MovingAUserKeepsProtectedValuesTheAdministratorCannotGrant)
{
    struct Case {
        const char* name;
        const char* type;
        bool isProtected;
        const char* oldValue;
        const char* newValue;
        const char* adminGroupValue;
        const char* adminOwnValue; // null: none
        const char* userOwnValue; // null: none
        const char* expected; // the user's own value after the move; null: no row
    };
    const Case cases[] = {
        { "unprotected", "Default", false, "a", "b", "c", nullptr, nullptr, nullptr },
        { "text the administrator lacks", "Default", true, "a", "b", "c", nullptr, nullptr, "a" },
        { "text the administrator holds", "Default", true, "a", "b", "b", nullptr, nullptr,
            nullptr },
        { "empty text", "Default", true, "a", "", "c", nullptr, nullptr, nullptr },
        { "same value as before", "Default", true, "a", "a", "c", nullptr, nullptr, nullptr },
        { "yes the administrator lacks", "Boolean", true, "No", "Yes", "No", nullptr, nullptr,
            "No" },
        { "yes the administrator holds", "Boolean", true, "No", "Yes", "Yes", nullptr, nullptr,
            nullptr },
        { "no is always allowed", "Boolean", true, "Yes", "No", "No", nullptr, nullptr, nullptr },
        { "number above the administrator's", "Integer", true, "3", "20", "10", nullptr, nullptr,
            "3" },
        { "number equal to the administrator's", "Integer", true, "3", "10", "10", nullptr, nullptr,
            nullptr },
        { "not a number counts as the lowest", "Integer", true, "3", "x", "0", nullptr, nullptr,
            nullptr },
        { "administrator's value not a number", "Integer", true, "0", "1", "abc", nullptr, nullptr,
            "0" },
        { "negative numbers", "Integer", true, "0", "-2", "-3", nullptr, nullptr, "0" },
        { "signed numbers within", "Integer", true, "0", "-2", "+1", nullptr, nullptr, nullptr },
        { "administrator's value out of range", "Integer", true, "0", "1", "99999999999", nullptr,
            nullptr, "0" },
        { "administrator's own value replaces his group's", "Integer", true, "3", "20", "0", "50",
            nullptr, nullptr },
        { "own value is left alone", "Default", true, "a", "b", "c", nullptr, "mine", "mine" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        const Ceiling g = MakeGroups(true);
        const int param
            = AddParam(QStringLiteral("P"), QLatin1String(c.type), QString(), c.isProtected);
        SetGroupValue(g.oldGroup, param, QLatin1String(c.oldValue));
        SetGroupValue(g.newGroup, param, QLatin1String(c.newValue));
        SetGroupValue(g.adminGroup, param, QLatin1String(c.adminGroupValue));
        if (c.adminOwnValue)
            SetUserValue(g.admin, param, QLatin1String(c.adminOwnValue));
        if (c.userOwnValue)
            SetUserValue(g.user, param, QLatin1String(c.userOwnValue));
        Call(QStringLiteral("InsertUserParams"),
            { { QStringLiteral("NewGroupID"), g.newGroup },
                { QStringLiteral("ParentUserID"), g.admin }, { QStringLiteral("UserID"), g.user },
                { QStringLiteral("YesString"), kYes }, { QStringLiteral("GroupID"), g.oldGroup },
                { QStringLiteral("ParentGroupID"), g.adminGroup } });
        const std::optional<QString> expected
            = c.expected ? std::optional<QString>(QLatin1String(c.expected)) : std::nullopt;
        EXPECT_EQ(UserValue(g.user, param), expected);
    }
}

TEST_P(CeilingTest, NewUserGetsNoMoreThanTheAdministrator)
{
    struct RightCase {
        const char* name;
        int groupMask, adminGroupMask, adminOwnMask;
        int expected;
    };
    const RightCase rightCases[] = {
        { "group within the administrator's rights", 1, 15, -1, -1 },
        { "group above them", 15, 5, -1, 5 },
        { "administrator's own row counts", 3, 3, 1, 1 },
        { "no rights at all", 0, 0, -1, -1 },
    };
    for (const RightCase& c : rightCases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        const Ceiling g = MakeGroups(false);
        const int form = AddForm(QStringLiteral("F"));
        SetGroupRight(g.newGroup, form, c.groupMask);
        SetGroupRight(g.adminGroup, form, c.adminGroupMask);
        if (c.adminOwnMask >= 0)
            SetUserRight(g.admin, form, c.adminOwnMask);
        const int user = AddUser(QStringLiteral("newbie"), QStringLiteral("Newbie"), g.newGroup);
        Call(QStringLiteral("InsertNewUserRights"),
            { { QStringLiteral("UserName"), QStringLiteral("newbie") },
                { QStringLiteral("UserID"), g.admin }, { QStringLiteral("GroupID"), g.adminGroup },
                { QStringLiteral("NewUGroupID"), g.newGroup } });
        EXPECT_EQ(UserRight(user, form), c.expected);
    }

    struct ValueCase {
        const char* name;
        const char* type;
        bool isProtected;
        const char* groupValue;
        const char* adminValue;
        const char* expected; // null: no row
    };
    const ValueCase valueCases[] = {
        { "yes the administrator lacks", "Boolean", true, "Yes", "No", "No" },
        { "yes the administrator holds", "Boolean", true, "Yes", "Yes", nullptr },
        { "number above the administrator's", "Integer", true, "20", "10", "10" },
        { "number below it", "Integer", true, "5", "10", nullptr },
        { "other text", "Default", true, "x", "y", "y" },
        { "empty text", "Default", true, "", "y", nullptr },
        { "unprotected", "Default", false, "x", "y", nullptr },
    };
    for (const ValueCase& c : valueCases) {
        SCOPED_TRACE(c.name);
        CaseScope scope(Db());
        const Ceiling g = MakeGroups(false);
        const int param
            = AddParam(QStringLiteral("P"), QLatin1String(c.type), QString(), c.isProtected);
        SetGroupValue(g.newGroup, param, QLatin1String(c.groupValue));
        SetGroupValue(g.adminGroup, param, QLatin1String(c.adminValue));
        const int user = AddUser(QStringLiteral("newbie"), QStringLiteral("Newbie"), g.newGroup);
        Call(QStringLiteral("InsertNewUserParams"),
            { { QStringLiteral("UserName"), QStringLiteral("newbie") },
                { QStringLiteral("UserID"), g.admin }, { QStringLiteral("GroupID"), g.adminGroup },
                { QStringLiteral("NewUGroupID"), g.newGroup },
                { QStringLiteral("YesString"), kYes } });
        const std::optional<QString> expected
            = c.expected ? std::optional<QString>(QLatin1String(c.expected)) : std::nullopt;
        EXPECT_EQ(UserValue(user, param), expected);
    }
}

WARDSCHEMA_BOTH_ENGINES(ProcedureTest);
WARDSCHEMA_BOTH_ENGINES(CeilingTest);

} // namespace
} // namespace Security::Schema::Testing
