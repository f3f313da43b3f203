// Administration module benchmarks on SQLite, through the BDE administration
// provider loaded by name, on a security database of 10,000 users, 500
// groups, 2,000 forms and 1,000 parameters (1M group-rights rows and 500k
// group values, every group holding a row of each) with 5,000 hierarchy rows:
//  - BM_OpenFullModule: opening the full module against a bare QSqlQuery
//    read of the rows its datasets hold, in the same run (time ratio), and
//    the heap the open module keeps per row beyond the raw data;
//  - BM_SwitchUser / BM_SwitchGroup: moving to another user or group, which
//    refills the values of every form and parameter;
//  - BM_RefreshModificable: which groups the administrator may modify;
//  - BM_ApplyCachedEdits: applying 1,000 cached value edits (500 parameter
//    values and 500 rights of a user), the refill after it included.
//
// Run: build/bin/admin_bench (the database is built once per run, in about
// ten seconds). Like core_bench, the program writes the provider table into
// settings folders of its own and starts itself again inside them.

#include "bench_support.h"

#include <wardlock/encoding.h>
#include <wardlock/keeper/secdmoddlg.h>
#include <wardlock/provider.h>
#include <wardlock/rights.h>
#include <wardlock/security.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Security;
using bench::Exec;

namespace {

constexpr int kUsers = 10000;
constexpr int kGroups = 500;
constexpr int kForms = 2000;
constexpr int kParams = 1000;
constexpr size_t kEdgesPerGroup = 10; // 5,000 hierarchy rows
constexpr size_t kOwnRowsEvery = 10; // every tenth user holds values of his own
constexpr size_t kOwnRights = 20;
constexpr size_t kOwnParams = 10;

int Scalar(QSqlQuery& query, const QString& sql)
{
    Exec(query, sql);
    query.next();
    return query.value(0).toInt();
}

std::vector<int> Ids(QSqlQuery& query, const QString& sql)
{
    Exec(query, sql);
    std::vector<int> ids;
    while (query.next())
        ids.push_back(query.value(0).toInt());
    return ids;
}

// Runs a prepared statement with `values`; throws with the database's reason.
void Run(QSqlQuery& prepared, const QVariantList& values)
{
    for (int i = 0; i < values.size(); ++i)
        prepared.bindValue(i, values[i]);
    if (!prepared.exec())
        throw std::runtime_error(
            prepared.lastQuery().toStdString() + ": " + prepared.lastError().text().toStdString());
}

QSqlQuery Prepared(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.prepare(sql))
        throw std::runtime_error(sql.toStdString() + ": " + query.lastError().text().toStdString());
    return query;
}

// Rows are added with prepared statements in one transaction; the rights and
// values every group holds come from one statement each.
void Fill(QSqlDatabase& db)
{
    QSqlQuery q(db);
    Exec(q, "PRAGMA synchronous = OFF");
    Exec(q, "begin");
    const int seededGroups = Scalar(q, "select count(*) from Groups");
    const int seededUsers = Scalar(q, "select count(*) from Users");
    const int seededForms = Scalar(q, "select count(*) from Forms");
    const int seededParams = Scalar(q, "select count(*) from Params");
    const int paramType = Scalar(q, "select min(ParamTypeID) from ParamTypes");

    QSqlQuery insertGroup
        = Prepared(db, "insert into Groups (Name, FullName, NoChPswdAtLogin) values (?, ?, 1)");
    for (int g = seededGroups; g < kGroups; ++g)
        Run(insertGroup, { QString("G%1").arg(g), QString("Group %1").arg(g) });
    const std::vector<int> groups = Ids(q, "select GroupID from Groups order by GroupID");

    const QString stored = QString::fromLatin1(QByteArray(IntEncode("UserPass1").c_str(), 16));
    QSqlQuery insertUser
        = Prepared(db, "insert into Users (Name, FullName, GroupID, Passwd) values (?, ?, ?, ?)");
    for (int u = seededUsers; u < kUsers; ++u)
        Run(insertUser,
            { QString("user%1").arg(u), QString("User %1").arg(u),
                groups[static_cast<size_t>(u) % groups.size()], stored });
    QSqlQuery insertForm
        = Prepared(db, "insert into Forms (Name, FullName, Description) values (?, ?, ?)");
    for (int f = seededForms; f < kForms; ++f)
        Run(insertForm,
            { QString("Form%1").arg(f), QString("Form %1").arg(f), QString("The form %1").arg(f) });
    QSqlQuery insertParam = Prepared(db,
        "insert into Params (Name, FullName, ParamTypeID, Description, DefaultValue) "
        "values (?, ?, ?, ?, 'v')");
    for (int p = seededParams; p < kParams; ++p)
        Run(insertParam,
            { QString("Param%1").arg(p), QString("Param %1").arg(p), paramType,
                QString("The parameter %1").arg(p) });
    Exec(q, "delete from GroupRights");
    Exec(q,
        "insert into GroupRights (FormID, GroupID, FView, FInsert, FModify, FDelete) "
        "select FormID, GroupID, 1, (FormID + GroupID) % 2, (FormID + GroupID) % 3 = 0, 0 "
        "from Groups cross join Forms");
    Exec(q, "delete from GroupParams");
    Exec(q,
        "insert into GroupParams (ParamID, GroupID, FValue) "
        "select ParamID, GroupID, 'g' || ((ParamID + GroupID) % 7) from Groups cross join "
        "Params");

    const std::vector<int> users = Ids(q, "select UserID from Users order by UserID");
    const std::vector<int> forms = Ids(q, "select FormID from Forms order by FormID");
    const std::vector<int> params = Ids(q, "select ParamID from Params order by ParamID");
    QSqlQuery ownRight = Prepared(db,
        "insert or ignore into UserRights (FormID, UserID, FView, FModify) values (?, ?, 1, 1)");
    QSqlQuery ownValue = Prepared(
        db, "insert or ignore into UserParams (ParamID, UserID, FValue) values (?, ?, ?)");
    for (size_t u = kOwnRowsEvery; u < users.size(); u += kOwnRowsEvery) {
        for (size_t i = 0; i < kOwnRights; ++i)
            Run(ownRight, { forms[(u * 7 + i * 97) % forms.size()], users[u] });
        for (size_t i = 0; i < kOwnParams; ++i)
            Run(ownValue,
                { params[(u * 3 + i * 89) % params.size()], users[u], QString("own%1").arg(i) });
    }

    // Group i administers the next eight groups through Type 2 (so the
    // administrator reaches every group transitively), is refused the ninth
    // (Type 0) and given the tenth directly (Type 1).
    QSqlQuery edge = Prepared(
        db, "insert or ignore into ModGroups (GroupID, ModGroupID, Type) values (?, ?, ?)");
    for (size_t i = 0; i < groups.size(); ++i)
        for (size_t j = 1; j <= kEdgesPerGroup; ++j)
            Run(edge, { groups[i], groups[(i + j) % groups.size()], j <= 8 ? 2 : j == 9 ? 0 : 1 });
    Exec(q, "commit");
    Exec(q, "analyze");
}

std::string MakeDatabase()
{
    const std::string file = bench::SandboxFolder() + "/admin_bench.sqlite";
    bench::CreateSecurityDb(file);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "admin_fill");
        db.setDatabaseName(QString::fromStdString(file));
        if (!db.open())
            throw std::runtime_error("cannot open " + file);
        Fill(db);
    }
    QSqlDatabase::removeDatabase("admin_fill");
    return file;
}

const std::string& DatabaseFile()
{
    static const std::string file = MakeDatabase();
    return file;
}

// The administrator logged in through a security on the BDE provider.
TSecurity* LoggedAdmin()
{
    static TSecurity* security = [] {
        bench::AddSqliteAlias("AdminBench", DatabaseFile());
        static char options[] = "RecordsetStoredProcs=0, CachedUpdates=1, BDESQLParams=0";
        TSecurity* made = TSecRights::AddSecurity("AdminBench", "AdminBench", "Torvane:BDE", "BDE",
            options, "SecurityCheck", "", "admin", bench::kAdminPassword, nullptr, false);
        if (!made->Login(saltSilent))
            throw std::runtime_error("the administrator could not log in");
        return made;
    }();
    return security;
}

struct ModuleReturn {
    void operator()(TSecDModDlgBaseFrm* module) const
    {
        LoggedAdmin()->Provider()->DestroyObject({ LoggedAdmin(), module });
    }
};
using ModulePtr = std::unique_ptr<TSecDModDlgBaseFrm, ModuleReturn>;

ModulePtr OpenModule()
{
    TSecurity* security = LoggedAdmin();
    return ModulePtr(security->Provider()->CreateDlgModule({ security, -1, -1 }));
}

// One open module for the benchmarks that work on it, given back before the
// securities go.
ModulePtr& SharedModuleSlot()
{
    static ModulePtr module;
    return module;
}

TSecDModDlgFrm& SharedModule()
{
    ModulePtr& module = SharedModuleSlot();
    if (!module)
        module = OpenModule();
    return dynamic_cast<TSecDModDlgFrm&>(*module);
}

size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The statements of the datasets the full module opens, as it sends them.
const char* const kModuleStatements[] = {
    "select QGroupRights.* from QGroupRights",
    "select QGroupParams.* from QGroupParams",
    "select QUserRights.* from QUserRights",
    "select * from QUserParams",
    "select QParams.*, 1 as RecNo from QParams",
    "select QForms.*, 1 as RecNo from QForms",
    "select * from QParamTypes",
    "select * from QSecurityParams",
    "select Users.* from Users order by FullName",
    "select Groups.*, 1 as RecNo from Groups order by Groups.FullName",
    "select QModGroups.* from QModGroups",
};

struct BareRead {
    double seconds = 0;
    size_t rows = 0;
    size_t rawBytes = 0; // text as UTF-8, every other value 4 bytes
};

// Every value of every row of the module's statements through QSqlQuery. The
// raw size is counted in a pass of its own, so that the timed pass does no
// more than read.
BareRead ReadBare(const QSqlDatabase& db, bool countBytes)
{
    BareRead read;
    const auto start = std::chrono::steady_clock::now();
    for (const char* statement : kModuleStatements) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(statement))
            throw std::runtime_error(std::string("bare read failed: ") + statement);
        const int columns = query.record().count();
        while (query.next()) {
            ++read.rows;
            for (int c = 0; c < columns; ++c) {
                const QVariant value = query.value(c);
                benchmark::DoNotOptimize(value);
                if (countBytes)
                    read.rawBytes += value.typeId() == QMetaType::QString
                        ? static_cast<size_t>(value.toString().toUtf8().size())
                        : 4;
            }
        }
    }
    read.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return read;
}

void BM_OpenFullModule(benchmark::State& state)
{
    LoggedAdmin();
    QSqlDatabase bare = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "admin_bare");
    bare.setDatabaseName(QString::fromStdString(DatabaseFile()));
    if (!bare.open()) {
        state.SkipWithError("cannot open the database");
        return;
    }
    const BareRead counted = ReadBare(bare, true);
    double openSeconds = 0, bareSeconds = 0, keptPerRow = 0;
    for (auto _ : state) {
        const BareRead read = ReadBare(bare, false);
        bareSeconds += read.seconds;
        malloc_trim(0);
        const size_t heapBefore = HeapInUse();
        const auto start = std::chrono::steady_clock::now();
        ModulePtr module = OpenModule();
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        openSeconds += seconds;
        keptPerRow = (static_cast<double>(HeapInUse()) - static_cast<double>(heapBefore))
            / static_cast<double>(counted.rows);
        if (module->Current.Users->RecordCount() != kUsers) {
            state.SkipWithError("the module shows another number of users");
            break;
        }
        state.SetIterationTime(seconds);
    }
    const double rawPerRow
        = static_cast<double>(counted.rawBytes) / static_cast<double>(counted.rows);
    state.counters["rows"] = static_cast<double>(counted.rows);
    // Means over the iterations (each opens the module afresh).
    state.counters["bare_s"] = benchmark::Counter(bareSeconds, benchmark::Counter::kAvgIterations);
    state.counters["open_s"] = benchmark::Counter(openSeconds, benchmark::Counter::kAvgIterations);
    state.counters["ratio_to_bare"] = openSeconds / bareSeconds;
    state.counters["raw_B_per_row"] = rawPerRow;
    state.counters["heap_B_per_row"] = keptPerRow;
    state.counters["overhead_B_per_row"] = keptPerRow - rawPerRow;
    bare.close();
    bare = QSqlDatabase();
    QSqlDatabase::removeDatabase("admin_bare");
}
BENCHMARK(BM_OpenFullModule)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Two users of different groups, each holding values of his own.
std::pair<int, int> TwoUsers()
{
    TSecDModDlgFrm& module = SharedModule();
    auto* users = module.Current.Users;
    std::vector<int> picked;
    int firstGroup = -1;
    for (users->First(); !users->Eof() && picked.size() < 2; users->Next()) {
        const std::string name = users->FieldByName("Name")->AsString();
        const int index = name.rfind("user", 0) == 0 ? std::stoi(name.substr(4)) : 0;
        const int group = users->FieldByName("GroupID")->AsInteger();
        if (index % static_cast<int>(kOwnRowsEvery) != 0 || index == 0 || group == firstGroup)
            continue;
        firstGroup = group;
        picked.push_back(users->FieldByName("UserID")->AsInteger());
    }
    return { picked.at(0), picked.at(1) };
}

void BM_SwitchUser(benchmark::State& state)
{
    TSecDModDlgFrm& module = SharedModule();
    const auto [first, second] = TwoUsers();
    bool toFirst = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(module.FindUser(toFirst ? first : second));
        toFirst = !toFirst;
    }
    state.counters["forms"] = kForms;
    state.counters["params"] = kParams;
}
BENCHMARK(BM_SwitchUser)->Unit(benchmark::kMicrosecond);

void BM_SwitchGroup(benchmark::State& state)
{
    TSecDModDlgFrm& module = SharedModule();
    module.SetViewMode(vmGroups);
    const int first = module.Current.Groups->FieldByName("GroupID")->AsInteger();
    module.Current.Groups->Next();
    const int second = module.Current.Groups->FieldByName("GroupID")->AsInteger();
    bool toFirst = true;
    for (auto _ : state) {
        benchmark::DoNotOptimize(module.FindGroup(toFirst ? first : second));
        toFirst = !toFirst;
    }
    module.SetViewMode(vmUsers);
    module.ApplyUserFilter();
    state.counters["forms"] = kForms;
    state.counters["params"] = kParams;
}
BENCHMARK(BM_SwitchGroup)->Unit(benchmark::kMicrosecond);

void BM_RefreshModificable(benchmark::State& state)
{
    TSecDModDlgFrm& module = SharedModule();
    const auto row = static_cast<std::uint16_t>(module.AdministratorRow());
    for (auto _ : state)
        module.RefreshModificable(row);
    state.counters["groups"] = module.Current.Groups->RecordCount();
    state.counters["edges"] = static_cast<double>(kGroups * kEdgesPerGroup);
}
BENCHMARK(BM_RefreshModificable)->Unit(benchmark::kMicrosecond);

std::vector<std::string> Names(vcl::TDataSet* dataSet)
{
    std::vector<std::string> names;
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
        names.push_back(dataSet->FieldByName("Name")->AsString());
    return names;
}

// How many values of his own `userID` holds with `value`, read from the
// database.
size_t OwnValues(int userID, const std::string& value)
{
    QSqlDatabase db = QSqlDatabase::database("admin_check", false);
    if (!db.isValid()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "admin_check");
        db.setDatabaseName(QString::fromStdString(DatabaseFile()));
    }
    if (!db.isOpen() && !db.open())
        return 0;
    QSqlQuery query(db);
    Exec(query, "select count(*) from UserParams where UserID = ? and FValue = ?",
        { userID, QString::fromStdString(value) });
    query.next();
    return static_cast<size_t>(query.value(0).toInt());
}

void BM_ApplyCachedEdits(benchmark::State& state)
{
    TSecDModDlgFrm& module = SharedModule();
    const size_t edits = static_cast<size_t>(state.range(0));
    const std::vector<std::string> params = Names(module.Current.Params);
    const std::vector<std::string> forms = Names(module.Current.Forms);
    size_t round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // A user not edited before: most of his values become rows of his own.
        ++round;
        module.Current.Users->First();
        module.Current.Users->MoveBy(static_cast<int>(round * 37));
        const int user = module.CUserID();
        const std::string value = "r" + std::to_string(round);
        for (size_t i = 0; i < edits / 2; ++i) {
            module.SetParam(params[(i * 7 + round) % params.size()].c_str(), value.c_str());
            module.SetRight(forms[(i * 11 + round) % forms.size()].c_str(),
                static_cast<SecRightsMask>((round + i) % 16));
        }
        state.ResumeTiming();
        module.ApplyUpdates();
        state.PauseTiming();
        if (module.Modified() || OwnValues(user, value) != edits / 2) {
            state.SkipWithError("the edits were not written");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["edits"] = static_cast<double>(edits);
}
BENCHMARK(BM_ApplyCachedEdits)->Arg(1000)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return bench::Main(argc, argv, [] {
        SharedModuleSlot().reset();
        QSqlDatabase::removeDatabase("admin_check");
    });
}
