#include "login_guard.h"
#include "passwords.h"
#include "security_db.h"
#include "valuepad_key_texts.h"

namespace Security::Schema {

namespace {

int IdByName(Connection& connection, const char* table, const char* key, const QString& name)
{
    const QVariant id = connection.Scalar(QStringLiteral("SELECT %1 FROM %2 WHERE Name = ?")
                                              .arg(QLatin1String(key), QLatin1String(table)),
        { name });
    if (!id.isValid())
        throw SchemaError(QStringLiteral("%1 has no row named %2").arg(QLatin1String(table), name));
    return id.toInt();
}

int GroupId(Connection& connection, const QString& name)
{
    return IdByName(connection, "Groups", "GroupID", name);
}

struct GroupPolicy {
    bool passwdControl = false;
    bool allowNullPasswd = false;
    bool allowChangePswd = true;
    // The demo accounts keep the passwords the README gives: no change is
    // forced at login.
    bool noChPswdAtLogin = true;
    bool accountEnabled = true;
};

// Position as the hierarchy editor keeps it: (top << 16) | left.
int BoxPosition(int top, int left)
{
    return (top << 16) | left;
}

void InsertGroup(Connection& connection, const QString& name, const QString& fullName,
    const QString& description, const GroupPolicy& policy, int position)
{
    connection.Exec(
        QStringLiteral("INSERT INTO Groups (Name, FullName, Description, PasswdControl, "
                       "AllowNullPasswd, AllowChangePswd, NoChPswdAtLogin, "
                       "AccountEnabled, Position) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        { name, fullName, description, policy.passwdControl, policy.allowNullPasswd,
            policy.allowChangePswd, policy.noChPswdAtLogin, policy.accountEnabled, position });
}

// A user whose five options follow his group (2 = as the group).
void InsertUser(Connection& connection, const QString& name, const QString& fullName,
    const QString& group, const QByteArray& password)
{
    // In the form the database's setting asks for.
    const StoredPasswordValues stored = PasswordValues(connection, password);
    connection.Exec(QStringLiteral("INSERT INTO Users (Name, FullName, GroupID, Passwd, "
                                   "PasswdControl, AllowNullPasswd, AllowChangePswd, "
                                   "NoChPswdAtLogin, AccountEnabled) "
                                   "VALUES (?, ?, ?, ?, 2, 2, 2, 2, 2)"),
        { name, fullName, GroupId(connection, group), stored.passwd });
    if (!stored.hash.isNull())
        connection.Exec(QStringLiteral("UPDATE Users SET PasswordHash = ? WHERE Name = ?"),
            { stored.hash, name });
}

// A form every existing group gets a row for; the administrators' group
// (the creator) gets every right.
void InsertForm(Connection& connection, const QString& name, const QString& fullName,
    const QString& description, bool defView)
{
    connection.Exec(QStringLiteral("INSERT INTO Forms (Name, FullName, Description, DefView, "
                                   "DefInsert, DefModify, DefDelete, Hidden) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        { name, fullName, description, defView, false, false, false, false });
    CallProcedure(connection, QStringLiteral("InsertGroupRights"),
        { { QStringLiteral("GroupID"), GroupId(connection, QLatin1String(kAdminGroupName)) },
            { QStringLiteral("FView"), true }, { QStringLiteral("FInsert"), true },
            { QStringLiteral("FModify"), true }, { QStringLiteral("FDelete"), true },
            { QStringLiteral("FormName"), name } });
}

void SetSetting(Connection& connection, const QString& name, const QString& fullName,
    const QVariant& value, bool hidden)
{
    connection.Exec(QStringLiteral("INSERT INTO SecurityParams (Name, FullName, FValue, Hidden) "
                                   "VALUES (?, ?, ?, ?)"),
        { name, fullName, value, hidden });
}

} // namespace

void Seed(Connection& connection, const SeedOptions& options)
{
    // Built-in parameter types: no editor library; "Database" is served by the
    // administration module's own connection editor.
    const std::pair<const char*, const char*> types[] = {
        { "Default", "Text" },
        { "Boolean", "Yes or no" },
        { "Integer", "Whole number" },
        { "Database", "Database connection" },
    };
    for (const auto& [name, fullName] : types)
        connection.Exec(QStringLiteral("INSERT INTO ParamTypes (Name, FullName) VALUES (?, ?)"),
            { QLatin1String(name), QLatin1String(fullName) });

    GroupPolicy admins;
    admins.passwdControl = true;
    admins.noChPswdAtLogin = true; // the password was just chosen on the command line
    InsertGroup(connection, QLatin1String(kAdminGroupName), QStringLiteral("Administrators"),
        QStringLiteral("Administer users, groups, rights and parameters"), admins,
        BoxPosition(20, 20));
    const int adminGroup = GroupId(connection, QLatin1String(kAdminGroupName));
    // A group that may administer itself is unrestricted.
    connection.Exec(
        QStringLiteral("INSERT INTO ModGroups (GroupID, ModGroupID, Type) VALUES (?, ?, 2)"),
        { adminGroup, adminGroup });
    InsertUser(connection, QLatin1String(kAdminUserName), QStringLiteral("Administrator"),
        QLatin1String(kAdminGroupName), options.adminPassword);

    InsertForm(connection, QStringLiteral("Security"), QStringLiteral("Security administration"),
        QStringLiteral("Users, groups, rights and parameter values"), false);
    InsertForm(connection, QStringLiteral("SecProjecting"), QStringLiteral("Security design"),
        QStringLiteral("Rights, parameters, parameter types and database settings"), false);

    SetSetting(connection, QLatin1String(kSignatureName), QStringLiteral("Security database mark"),
        QLatin1String(kSignatureValue), true);
    SetSetting(connection, QStringLiteral("YesString"), QStringLiteral("Text meaning yes"),
        QStringLiteral("Yes"), false);
    SetSetting(connection, QStringLiteral("NoString"), QStringLiteral("Text meaning no"),
        QStringLiteral("No"), false);
    SetSetting(connection, QStringLiteral("ProgID"), QStringLiteral("Program identifier"),
        options.progId, true);
    SetSetting(connection, QLatin1String(kAccountUserSetting),
        QStringLiteral("Administration account"), options.accountUser, true);
    SetSetting(connection, QLatin1String(kAccountPasswordSetting),
        QStringLiteral("Administration password"), EncodeAccountPassword(options.accountPassword),
        true);
}

// The user-data editor plug-in's type, as its autodetection stores it: the
// library by its bare name (looked up in the library folder), its five entry
// points and its key.
void InsertValuepadType(Connection& connection)
{
    const tor::pswdsstr<16> key = valuepadkey::Key();
    connection.Exec(
        QStringLiteral("INSERT INTO ParamTypes (Name, FullName, DllName, InsFncName, ItrFncName, "
                       "RenFncName, ShowFncName, KeyFncName, FKey) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        { QStringLiteral("PersonalData"), QStringLiteral("User personal data (valuepad)"),
            QStringLiteral("valuepad.dll"), QStringLiteral("ShowUserEditorIns"),
            QStringLiteral("ShowUserEditorItr"), QStringLiteral("ShowUserEditorRen"),
            QStringLiteral("ShowUserEditor"), QStringLiteral("ShowUserEditorKey"),
            // Encoded values travel as one character per byte.
            QString::fromLatin1(key.data(), static_cast<qsizetype>(key.length())) });
}

void AddDemoData(Connection& connection)
{
    const QString yes = QStringLiteral("Yes");
    auto call = [&](const char* procedure, const QList<NamedValue>& arguments) {
        CallProcedure(connection, QLatin1String(procedure), arguments);
    };
    auto newGroupDefaults = [&](const QString& name) {
        // Check boxes left grayed: every right from the form's defaults.
        call("InsertGroupGroupRights",
            { { QStringLiteral("DefView"), 2 }, { QStringLiteral("DefInsert"), 2 },
                { QStringLiteral("DefModify"), 2 }, { QStringLiteral("DefDelete"), 2 },
                { QStringLiteral("GroupName"), name } });
    };
    const int admins = GroupId(connection, QLatin1String(kAdminGroupName));

    GroupPolicy managers;
    managers.passwdControl = true;
    InsertGroup(connection, QStringLiteral("Managers"), QStringLiteral("Managers"),
        QStringLiteral("Run the office; look after the clerks"), managers, BoxPosition(120, 20));
    newGroupDefaults(QStringLiteral("Managers"));
    call("InsertGroupGroupParams", { { QStringLiteral("GroupName"), QStringLiteral("Managers") } });

    // Forms of the demo program; every group sees the main window by default.
    const struct {
        const char* name;
        const char* fullName;
        const char* description;
        bool defView;
    } forms[] = {
        { "MainFrm", "Main window", "The demo program's main window", true },
        { "CustomersFrm", "Customers", "Customer list and details", true },
        { "OrdersFrm", "Orders", "Orders and their items", false },
        { "ReportsFrm", "Reports", "Printed reports", false },
    };
    for (const auto& form : forms)
        InsertForm(connection, QLatin1String(form.name), QLatin1String(form.fullName),
            QLatin1String(form.description), form.defView);

    InsertValuepadType(connection);
    const struct {
        const char* name;
        const char* fullName;
        const char* type;
        const char* defaultValue;
        bool userCanModify;
        bool isProtected;
        const char* description;
        bool hidden;
    } params[] = {
        { "Language", "User interface language", "Default", "en", true, false,
            "Two-letter language code", false },
        { "MaxDiscount", "Highest discount (%)", "Integer", "5", false, true,
            "Largest discount the user may grant", false },
        { "CanExport", "May export data", "Boolean", "No", false, true,
            "Whether the user may export lists", false },
        { "Greeting", "Greeting", "Default", "Hello", true, false, "Shown on the main window",
            false },
        // A parameter of the valuepad type: the alias is its value, the rest
        // lives in its hidden sub-parameters (as valuepad inserts them).
        { "Person", "Personal data", "PersonalData", "", true, false,
            "Alias, name and address, edited with valuepad", false },
        { "PersonSurnm", "Personal data - Surname", "Default", "", true, false,
            "Internal[Valuepad] - Surname", true },
        { "PersonName", "Personal data - Name", "Default", "", true, false,
            "Internal[Valuepad] - Name", true },
        { "PersonStrt", "Personal data - Street", "Default", "", true, false,
            "Internal[Valuepad] - Street", true },
        { "PersonHouse", "Personal data - House", "Default", "", true, false,
            "Internal[Valuepad] - House", true },
        { "PersonPlace", "Personal data - Place", "Default", "", true, false,
            "Internal[Valuepad] - Place", true },
    };
    for (const auto& param : params) {
        connection.Exec(
            QStringLiteral("INSERT INTO Params (Name, FullName, ParamTypeID, Description, "
                           "UserCanModify, DefaultValue, Hidden, FProtected) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            { QLatin1String(param.name), QLatin1String(param.fullName),
                IdByName(connection, "ParamTypes", "ParamTypeID", QLatin1String(param.type)),
                QLatin1String(param.description), param.userCanModify,
                QLatin1String(param.defaultValue), param.hidden, param.isProtected });
        call("InsertGroupParams",
            { { QStringLiteral("GroupID"), admins }, { QStringLiteral("YesString"), yes },
                { QStringLiteral("ParamName"), QLatin1String(param.name) } });
    }

    // Clerks start as a copy of the managers' values, with default rights;
    // guests get no right beyond the forms' defaults and default values.
    InsertGroup(connection, QStringLiteral("Clerks"), QStringLiteral("Clerks"),
        QStringLiteral("Enter customers and orders"), GroupPolicy {}, BoxPosition(220, 20));
    newGroupDefaults(QStringLiteral("Clerks"));
    call("InsertCopyGroupParams",
        { { QStringLiteral("GroupName"), QStringLiteral("Clerks") },
            { QStringLiteral("CopyGroupID"), GroupId(connection, QStringLiteral("Managers")) } });
    GroupPolicy guests;
    guests.allowNullPasswd = true;
    guests.allowChangePswd = false;
    guests.noChPswdAtLogin = true;
    InsertGroup(connection, QStringLiteral("Guests"), QStringLiteral("Guests"),
        QStringLiteral("Look around, change nothing"), guests, BoxPosition(220, 200));
    newGroupDefaults(QStringLiteral("Guests"));
    call("InsertGroupGroupParams", { { QStringLiteral("GroupName"), QStringLiteral("Guests") } });

    // Group rights beyond the defaults: View 1, Insert 2, Modify 4, Delete 8.
    const struct {
        const char* group;
        const char* form;
        int mask;
    } rights[] = {
        { "Managers", "CustomersFrm", 15 },
        { "Managers", "OrdersFrm", 15 },
        { "Managers", "ReportsFrm", 1 },
        { "Clerks", "CustomersFrm", 7 },
        { "Clerks", "OrdersFrm", 7 },
    };
    for (const auto& right : rights)
        connection.Exec(QStringLiteral("UPDATE GroupRights SET FView = ?, FInsert = ?, "
                                       "FModify = ?, FDelete = ? WHERE GroupID = ? AND FormID = ?"),
            { (right.mask & 1) != 0, (right.mask & 2) != 0, (right.mask & 4) != 0,
                (right.mask & 8) != 0, GroupId(connection, QLatin1String(right.group)),
                IdByName(connection, "Forms", "FormID", QLatin1String(right.form)) });

    const struct {
        const char* group;
        const char* param;
        const char* value;
    } values[] = {
        { "Admins", "MaxDiscount", "100" },
        { "Managers", "MaxDiscount", "20" },
        { "Managers", "CanExport", "Yes" },
        { "Clerks", "MaxDiscount", "10" },
        { "Clerks", "CanExport", "No" },
        { "Guests", "Greeting", "Welcome, guest" },
    };
    for (const auto& value : values)
        connection.Exec(
            QStringLiteral("UPDATE GroupParams SET FValue = ? WHERE GroupID = ? AND ParamID = ?"),
            { QLatin1String(value.value), GroupId(connection, QLatin1String(value.group)),
                IdByName(connection, "Params", "ParamID", QLatin1String(value.param)) });

    // Hierarchy: administrators manage managers, managers their clerks, clerks
    // the guests; managers are kept away from guests by a negative relation.
    const struct {
        const char* group;
        const char* modGroup;
        int type;
    } relations[] = {
        { "Admins", "Managers", 2 },
        { "Managers", "Clerks", 2 },
        { "Clerks", "Guests", 2 },
        { "Managers", "Guests", 0 },
    };
    for (const auto& relation : relations)
        connection.Exec(
            QStringLiteral("INSERT INTO ModGroups (GroupID, ModGroupID, Type) VALUES (?, ?, ?)"),
            { GroupId(connection, QLatin1String(relation.group)),
                GroupId(connection, QLatin1String(relation.modGroup)), relation.type });

    InsertUser(connection, QStringLiteral("manager"), QStringLiteral("Mary Manager"),
        QStringLiteral("Managers"), "manager");
    InsertUser(connection, QStringLiteral("demo"), QStringLiteral("Demo User"),
        QStringLiteral("Clerks"), "demo");
    InsertUser(connection, QStringLiteral("guest"), QStringLiteral("Guest"),
        QStringLiteral("Guests"), QByteArray());
    // A restricted administrator: a manager who may view, add and change the
    // users of the groups below his own, within his own rights.
    InsertUser(connection, QStringLiteral("deputy"), QStringLiteral("Deputy Manager"),
        QStringLiteral("Managers"), "deputy");

    // Rights a user holds on a form apart from his group (mask as above).
    auto ownRights = [&](const char* user, const char* form, int mask) {
        connection.Exec(QStringLiteral("INSERT INTO UserRights (FormID, UserID, FView, FInsert, "
                                       "FModify, FDelete) VALUES (?, ?, ?, ?, ?, ?)"),
            { IdByName(connection, "Forms", "FormID", QLatin1String(form)),
                IdByName(connection, "Users", "UserID", QLatin1String(user)), (mask & 1) != 0,
                (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0 });
    };
    // The demo user's own values: German texts, his personal data, and the
    // reports he may view.
    const int demo = IdByName(connection, "Users", "UserID", QStringLiteral("demo"));
    const std::pair<const char*, const char*> demoValues[] = {
        { "Language", "de" },
        { "Person", "Dee" },
        { "PersonSurnm", "User" },
        { "PersonName", "Demo" },
        { "PersonStrt", "Market Street" },
        { "PersonHouse", "7" },
        { "PersonPlace", "Springfield" },
    };
    for (const auto& [param, value] : demoValues)
        connection.Exec(
            QStringLiteral("INSERT INTO UserParams (ParamID, UserID, FValue) VALUES (?, ?, ?)"),
            { IdByName(connection, "Params", "ParamID", QLatin1String(param)), demo,
                QString::fromUtf8(value) });
    ownRights("demo", "ReportsFrm", 1);
    // The deputy may view, add and change users (Security), but not remove them.
    ownRights("deputy", "Security", 7);
}

} // namespace Security::Schema
