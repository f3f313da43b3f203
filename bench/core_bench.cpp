// Core runtime benchmarks: GetRight and GetParam by name on a logged-in
// security with 200, 2,000 and 20,000 forms/parameters (warm: the lookups run
// on the datasets opened at login, no SQL per call), and the time of a whole
// silent login on a database of 10,000 users, 500 groups and 2,000 forms,
// and the time a refused login takes for an unknown user and for a wrong
// password.
//
// Run: build/bin/core_bench (add --benchmark_repetitions=5 for medians).
// The program writes the provider table and an alias into settings folders of
// its own and starts itself again with the settings pointed there, because
// the core reads the provider table when it is loaded.

#include "bench_support.h"

#include <wardlock/encoding.h>
#include <wardlock/rights.h>
#include <wardlock/security.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Security;

namespace {

const char* const kUser = "benchuser";
const char* const kPassword = "BenchPass1";

using bench::Exec;

// A security database with `forms` forms and `params` parameters that the
// bench user's group holds rows for (the user his own rows for every tenth),
// and `groups` groups with `users` users in all.
std::string MakeDatabase(int forms, int params, int groups, int users)
{
    const std::string file = bench::SandboxFolder() + "/bench_" + std::to_string(forms) + "_"
        + std::to_string(params) + "_" + std::to_string(users) + ".sqlite";
    bench::CreateSecurityDb(file);

    const QString connection = QStringLiteral("bench_fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(QString::fromStdString(file));
        if (!db.open())
            throw std::runtime_error("cannot open " + file);
        QSqlQuery q(db);
        Exec(q, "begin");
        for (int g = 0; g < groups; ++g)
            Exec(q, "insert into Groups (Name, FullName, NoChPswdAtLogin) values (?, ?, 1)",
                { QString("G%1").arg(g), QString("Group %1").arg(g) });
        Exec(q, "select min(GroupID) from Groups where Name like 'G%'");
        q.next();
        const int firstGroup = q.value(0).toInt();
        const QByteArray stored = QByteArray(IntEncode(kPassword).c_str(), 16);
        const QString storedText = QString::fromLatin1(stored);
        for (int u = 0; u < users; ++u)
            Exec(q, "insert into Users (Name, FullName, GroupID, Passwd) values (?, ?, ?, ?)",
                { u == users / 2 ? QString(kUser) : QString("user%1").arg(u),
                    QString("User %1").arg(u), firstGroup + u % groups, storedText });
        Exec(q, "select UserID, GroupID from Users where Name = ?", { QString(kUser) });
        q.next();
        const int user = q.value(0).toInt();
        const int group = q.value(1).toInt();
        for (int f = 0; f < forms; ++f) {
            Exec(q, "insert into Forms (Name, FullName) values (?, ?)",
                { QString("Form%1").arg(f), QString("Form %1").arg(f) });
            const QVariant form = q.lastInsertId();
            Exec(q, "insert into GroupRights (FormID, GroupID, FView, FInsert) values (?, ?, 1, ?)",
                { form, group, f % 2 });
            if (f % 10 == 0)
                Exec(q, "insert into UserRights (FormID, UserID, FModify) values (?, ?, 1)",
                    { form, user });
        }
        for (int p = 0; p < params; ++p) {
            Exec(q, "insert into Params (Name, FullName, ParamTypeID) values (?, ?, 1)",
                { QString("Param%1").arg(p), QString("Param %1").arg(p) });
            const QVariant param = q.lastInsertId();
            Exec(q, "insert into GroupParams (ParamID, GroupID, FValue) values (?, ?, ?)",
                { param, group, QString::number(p) });
            if (p % 10 == 0)
                Exec(q, "insert into UserParams (ParamID, UserID, FValue) values (?, ?, 'mine')",
                    { param, user });
        }
        Exec(q, "commit");
    }
    QSqlDatabase::removeDatabase(connection);
    return file;
}

// One logged-in security per database shape, made on first use.
TSecurity* LoggedSecurity(int forms, int params, int groups, int users)
{
    static std::map<std::string, TSecurity*> made;
    const std::string key = std::to_string(forms) + "_" + std::to_string(params) + "_"
        + std::to_string(groups) + "_" + std::to_string(users);
    if (auto found = made.find(key); found != made.end())
        return found->second;
    const std::string file = MakeDatabase(forms, params, groups, users);
    const std::string alias = "Bench" + key;
    bench::AddSqliteAlias(alias, file);
    static char options[] = "RecordsetStoredProcs=0, CachedUpdates=1, BDESQLParams=0";
    TSecurity* security = TSecRights::AddSecurity(("Sec" + key).c_str(), alias.c_str(),
        "Torvane:BDE", "BDE", options, "SecurityCheck", "", kUser, kPassword, nullptr, false);
    if (!security->Login(saltSilent))
        throw std::runtime_error("bench login failed");
    made.emplace(key, security);
    return security;
}

std::vector<std::string> Names(const char* prefix, int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(i));
    return names;
}

void BM_GetRightByName(benchmark::State& state)
{
    const int forms = static_cast<int>(state.range(0));
    TSecRights rights(LoggedSecurity(forms, 10, 1, 1));
    // A fixed pseudo-random walk over the names, so no call repeats the last one.
    const std::vector<std::string> names = Names("Form", forms);
    std::size_t i = 0;
    int masks = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rights.GetRight(names[i].c_str()));
        masks += rights.Mask;
        i = (i + 7919) % names.size();
    }
    benchmark::DoNotOptimize(masks);
    state.SetItemsProcessed(state.iterations());
}

void BM_GetRightById(benchmark::State& state)
{
    const int forms = static_cast<int>(state.range(0));
    TSecRights rights(LoggedSecurity(forms, 10, 1, 1));
    const int first = rights.GetRight("Form0");
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rights.GetRight(first + static_cast<int>(i)));
        i = (i + 7919) % static_cast<std::size_t>(forms);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GetParamByName(benchmark::State& state)
{
    const int params = static_cast<int>(state.range(0));
    TSecRights rights(LoggedSecurity(10, params, 1, 1));
    const std::vector<std::string> names = Names("Param", params);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rights.GetParam(names[i].c_str()));
        i = (i + 7919) % names.size();
    }
    state.SetItemsProcessed(state.iterations());
}

// A whole silent login: connect, signature check, users query, the rights
// and parameter datasets, the yes/no texts; then logout.
void BM_Login(benchmark::State& state)
{
    TSecurity* security = LoggedSecurity(2000, 200, 500, 10000);
    for (auto _ : state) {
        security->Logout();
        if (!security->Login(saltSilent))
            state.SkipWithError("login failed");
    }
}

// Refused logins, interleaved in one run: an unknown user name against a
// known name with a wrong password. Reports the median of 1,000 attempts of
// each and how far apart they are; equal times mean the time of a refusal
// does not tell which user names exist.
void BM_LoginRefusal(benchmark::State& state)
{
    constexpr int kAttempts = 1000;
    TSecurity* security = LoggedSecurity(2000, 200, 500, 10000);
    std::vector<double> unknown;
    std::vector<double> wrong;
    const auto attempt = [security](const char* user, const char* password) {
        const auto start = std::chrono::steady_clock::now();
        const bool accepted = security->Login(user, password);
        const std::chrono::duration<double, std::micro> took
            = std::chrono::steady_clock::now() - start;
        if (accepted)
            throw std::runtime_error("a refused login was accepted");
        return took.count();
    };
    const auto median = [](std::vector<double> times) {
        std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
        return times[times.size() / 2];
    };
    for (auto _ : state) {
        // A fresh preparation: the users query of the provider exists only
        // between the preparation and the end of a login.
        if (!security->PrepareLogin()) {
            state.SkipWithError("preparation failed");
            break;
        }
        for (int i = 0; i < kAttempts; ++i) {
            unknown.push_back(attempt("nosuchuser", kPassword));
            wrong.push_back(attempt(kUser, "WrongPass1"));
        }
    }
    security->PostLogin();
    if (!security->Login(saltSilent))
        state.SkipWithError("login after the refusals failed");
    if (unknown.empty())
        return;
    const double unknownMedian = median(unknown);
    const double wrongMedian = median(wrong);
    state.counters["unknown_user_us"] = unknownMedian;
    state.counters["wrong_password_us"] = wrongMedian;
    state.counters["difference_pct"]
        = 100.0 * std::abs(unknownMedian - wrongMedian) / std::min(unknownMedian, wrongMedian);
}

BENCHMARK(BM_GetRightByName)->Arg(200)->Arg(2000)->Arg(20000);
BENCHMARK(BM_GetRightById)->Arg(200)->Arg(2000)->Arg(20000);
BENCHMARK(BM_GetParamByName)->Arg(200)->Arg(2000)->Arg(20000);
BENCHMARK(BM_Login)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoginRefusal)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv);
}
