// What modern password storage and failed-login throttling cost at login, next
// to the legacy form in the same run: a whole silent login (connect,
// signature check, users query, password check, rights and parameter
// datasets) of a user stored in the legacy form and of one stored as an
// Argon2id string at the library's limits, on databases with and without the
// settings switched on.
//
// Run: build/bin/password_bench (add --benchmark_repetitions=5 for medians).

#include "bench_support.h"

#include <wardlock/encoding.h>
#include <wardlock/passwordhash.h>
#include <wardlock/rights.h>
#include <wardlock/security.h>

#include <QSqlDatabase>
#include <QSqlQuery>

#include <benchmark/benchmark.h>

#include <map>
#include <stdexcept>
#include <string>

using namespace Security;

namespace {

const char* const kPassword = "BenchPass1";

struct Settings {
    bool argon2id = false; // "PasswordStorage" = "argon2id"
    bool throttled = false; // "LockAfterFails" = 5
};

// A security database with one user stored each way, and the settings.
std::string MakeDatabase(const std::string& name, const Settings& settings)
{
    const std::string file = bench::SandboxFolder() + "/" + name + ".sqlite";
    bench::CreateSecurityDb(file);
    const QString connection = QStringLiteral("bench_passwords");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(QString::fromStdString(file));
        if (!db.open())
            throw std::runtime_error("cannot open " + file);
        QSqlQuery q(db);
        bench::Exec(q, "insert into Groups (Name, FullName, NoChPswdAtLogin) values ('G', 'G', 1)");
        const QVariant group = q.lastInsertId();
        const auto raw = [](const tor::pswdsstr<16>& value) {
            return QString::fromLatin1(QByteArray(value.data(), 16));
        };
        bench::Exec(q,
            "insert into Users (Name, FullName, GroupID, Passwd) values ('legacy', 'L', ?, ?)",
            { group, raw(IntEncode(kPassword)) });
        bench::Exec(q,
            "insert into Users (Name, FullName, GroupID, Passwd, PasswordHash) "
            "values ('modern', 'M', ?, ?, ?)",
            { group, raw(ModernFormMarker()),
                QString::fromStdString(PasswordHash::Make(kPassword)) });
        const auto set = [&q](const char* setting, const char* value) {
            bench::Exec(q, "update SecurityParams set FValue = ? where Name = ?",
                { QString::fromLatin1(value), QString::fromLatin1(setting) });
        };
        if (settings.argon2id)
            set(kPasswordStorageSetting, kPasswordStorageArgon2id);
        if (settings.throttled)
            set("LockAfterFails", "5");
    }
    QSqlDatabase::removeDatabase(connection);
    return file;
}

TSecurity* LoggedSecurity(const std::string& name, const Settings& settings, const char* user)
{
    static std::map<std::string, std::string> files;
    static int count = 0;
    auto file = files.find(name);
    if (file == files.end()) {
        file = files.emplace(name, MakeDatabase(name, settings)).first;
        bench::AddSqliteAlias(name, file->second);
    }
    static char options[] = "RecordsetStoredProcs=0, CachedUpdates=1, BDESQLParams=0";
    TSecurity* security
        = TSecRights::AddSecurity(("Sec" + std::to_string(++count)).c_str(), name.c_str(),
            "Torvane:BDE", "BDE", options, "SecurityCheck", "", user, kPassword, nullptr, false);
    if (!security->Login(saltSilent))
        throw std::runtime_error("bench login failed for " + std::string(user) + " on " + name);
    return security;
}

void BM_Login(benchmark::State& state, const char* database, Settings settings, const char* user)
{
    TSecurity* security = LoggedSecurity(database, settings, user);
    for (auto _ : state) {
        security->Logout();
        if (!security->Login(saltSilent))
            state.SkipWithError("login failed");
    }
}

// The cost of one Argon2id string at the library's limits, alone.
void BM_Argon2idVerify(benchmark::State& state)
{
    const std::string hash = PasswordHash::Make(kPassword);
    for (auto _ : state)
        benchmark::DoNotOptimize(PasswordHash::Verify(hash, kPassword));
}

BENCHMARK_CAPTURE(BM_Login, legacy_db_legacy_user, "PlainDb", Settings {}, "legacy")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(
    BM_Login, argon2id_db_argon2id_user, "Argon2idDb", Settings { true, false }, "modern")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(
    BM_Login, argon2id_db_legacy_user, "Argon2idDb", Settings { true, false }, "legacy")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(
    BM_Login, throttled_argon2id_db_argon2id_user, "ThrottledDb", Settings { true, true }, "modern")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Argon2idVerify)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
