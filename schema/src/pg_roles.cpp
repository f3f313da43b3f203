#include "pg_roles.h"

#include "pg_sql.h"

namespace Security::Schema {

namespace {

// What the role may do beyond its use, as "is a superuser", "may create roles", ...
QStringList ExcessRights(
    Connection& server, const QVariantList& attributes, const QString& role, RoleUse use)
{
    QStringList reasons;
    const char* const kAttributeReasons[] = { "is a superuser", "may create roles",
        "may create databases", "bypasses row-level security", "has replication rights" };
    for (int i = 0; i < 5; ++i)
        if (attributes[i + 1].toBool())
            reasons << QLatin1String(kAttributeReasons[i]);
    if (use != RoleUse::Runtime)
        return reasons;
    // Rights inherited from other roles, or held as an owner, are not read-only.
    QStringList groups;
    const Rows memberships = Select(server,
        QStringLiteral("SELECT g.rolname FROM pg_auth_members m JOIN pg_roles g ON g.oid = "
                       "m.roleid JOIN pg_roles r ON r.oid = m.member WHERE r.rolname = ? "
                       "ORDER BY 1"),
        { role });
    for (const QVariantList& row : memberships.rows)
        groups << row[0].toString();
    if (!groups.isEmpty())
        reasons << QStringLiteral("is a member of %1").arg(groups.join(QStringLiteral(", ")));
    // Owned objects of every database (the catalog of dependencies is shared).
    const int owned = server
                          .Scalar(QStringLiteral("SELECT count(*) FROM pg_shdepend d JOIN pg_roles "
                                                 "r ON r.oid = d.refobjid WHERE d.refclassid = "
                                                 "'pg_authid'::regclass AND d.deptype = 'o' AND "
                                                 "r.rolname = ?"),
                              { role })
                          .toInt();
    if (owned > 0)
        reasons << QStringLiteral("owns %1 object%2").arg(owned).arg(owned == 1 ? "" : "s");
    return reasons;
}

} // namespace

bool CheckExistingRole(Connection& server, const QString& role, RoleUse use)
{
    const Rows found = Select(server,
        QStringLiteral("SELECT rolcanlogin, rolsuper, rolcreaterole, rolcreatedb, rolbypassrls, "
                       "rolreplication FROM pg_roles WHERE rolname = ?"),
        { role });
    if (found.rows.isEmpty())
        return false;
    const QVariantList& attributes = found.rows.first();
    const QStringList reasons = ExcessRights(server, attributes, role, use);
    const QString another = QStringLiteral("Name another role (a new name makes one).");
    if (!reasons.isEmpty() && use == RoleUse::Runtime)
        throw SchemaError(QStringLiteral("role \"%1\" cannot be the runtime role, which may only "
                                         "read: it %2. %3")
                              .arg(role, reasons.join(QStringLiteral("; ")), another));
    if (!reasons.isEmpty())
        throw SchemaError(QStringLiteral("role \"%1\" cannot be the administration role: it %2, "
                                         "and its password is stored in the security database, "
                                         "where every program's login can read it. %3")
                              .arg(role, reasons.join(QStringLiteral("; ")), another));
    if (!attributes[0].toBool())
        throw SchemaError(
            QStringLiteral("role \"%1\" exists but may not log in. %2").arg(role, another));
    return true;
}

void CreateLoginRole(Connection& server, const QString& role, const QByteArray& password)
{
    ExecFormatted(server, QStringLiteral("CREATE ROLE %I LOGIN PASSWORD %L"),
        { role, QString::fromUtf8(password) });
}

void SetRolePassword(Connection& server, const QString& role, const QByteArray& password)
{
    ExecFormatted(
        server, QStringLiteral("ALTER ROLE %I PASSWORD %L"), { role, QString::fromUtf8(password) });
}

void DropRoleQuietly(Connection& server, const QString& role) noexcept
{
    try {
        ExecFormatted(server, QStringLiteral("DROP ROLE IF EXISTS %I"), { role });
    } catch (...) {
    }
}

} // namespace Security::Schema
