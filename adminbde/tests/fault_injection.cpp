#include "fault_injection.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace wardlock_test {

namespace {

const char* const kWrittenTables[] = { "users", "groups", "forms", "params", "userrights",
    "userparams", "grouprights", "groupparams", "modgroups" };

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

} // namespace

// Every write to the tables above passes a trigger that fails the Nth write
// to the table named in InjectedFault.
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

std::string Snapshot(SecurityDb& db)
{
    const char* rows[] = {
        "UserID || ',' || Name || ',' || FullName || ',' || GroupID || ',' || AllowNullPasswd "
        "from Users order by UserID",
        "GroupID || ',' || Name || ',' || FullName from Groups order by GroupID",
        "FormID || ',' || Name from Forms order by FormID",
        "ParamID || ',' || Name from Params order by ParamID",
        "UserID || ',' || FormID || ',' || FView || FInsert || FModify || FDelete from "
        "UserRights order by UserID, FormID",
        "UserID || ',' || ParamID || ',' || coalesce(FValue, '~') from UserParams order by "
        "UserID, ParamID",
        "GroupID || ',' || FormID || ',' || FView || FInsert || FModify || FDelete from "
        "GroupRights order by GroupID, FormID",
        "GroupID || ',' || ParamID || ',' || coalesce(FValue, '~') from GroupParams order by "
        "GroupID, ParamID",
        "GroupID || ',' || ModGroupID || ',' || Type from ModGroups order by GroupID, ModGroupID",
    };
    const char* aggregate = db.engine() == Engine::PostgreSQL ? "string_agg" : "group_concat";
    std::string all;
    for (std::string row : rows) {
        row.insert(row.find(" from "), " as r");
        all += db.Scalar(
                     std::string("select ") + aggregate + "(r, '|') from (select " + row + ") t")
                   .toString()
                   .toStdString()
            + "\n";
    }
    return all;
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

} // namespace wardlock_test
