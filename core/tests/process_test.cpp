// Built programs run as processes: none of them takes a library from the
// folder it runs in, and a program that ends while a user is logged in ends
// cleanly.

#include "sandbox.h"
#include "secdb.h"

#include <wardlock/platform/library.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

using wardlock_test::Engine;
using wardlock_test::SecurityDb;

struct ProgramRun {
    int exitCode = -1;
    QString output;
    QString errors;
};

ProgramRun RunProgram(const QString& program, const QStringList& arguments, const QString& folder,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ProgramRun run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        run.errors = QStringLiteral("did not end");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// ------------------------------------------------ libraries from the folder

// A folder holding copies of the decoy library under the names a program or
// a provider table could make the loader look for, in the folder itself and
// in a folder below it.
class DecoyFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("decoys")));
        for (const char* name : { "libgcc_s.so.1", "libQt6Core.so.6", "libwardtestdecoy.so",
                 "decoys/libwardtestdecoy.so" })
            ASSERT_TRUE(QFile::copy(QStringLiteral(WARDLOCK_TEST_DECOY), Path(name))) << name;
    }

    QString Folder() const { return folder_.path(); }
    QString Path(const char* name) const { return folder_.filePath(QString::fromLatin1(name)); }
    QString Marker() const { return Path("decoy-marker"); }

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WARDLOCK_DECOY_MARKER"), Marker());
        return environment;
    }

    void ExpectNoDecoyLoaded(const ProgramRun& run) const
    {
        EXPECT_FALSE(QFile::exists(Marker())) << "a decoy library was loaded";
        EXPECT_FALSE(run.errors.contains(QStringLiteral("decoy library loaded")));
        EXPECT_FALSE(run.errors.contains(QStringLiteral("error while loading shared libraries")))
            << run.errors.toStdString();
        EXPECT_FALSE(run.errors.contains(QStringLiteral("version information")))
            << run.errors.toStdString();
    }

private:
    QTemporaryDir folder_;
};

// The provider table names a library the folder holds: by bare name, by a
// path relative to the folder and by one into the folder below. None loads.
TEST_F(DecoyFolder, ProviderTableNeverReachesTheCurrentDirectory)
{
    for (const char* key : { "Test:Decoy", "Test:DecoyHere", "Test:DecoyBelow" }) {
        SCOPED_TRACE(key);
        const ProgramRun run = RunProgram(QStringLiteral(WARDLOCK_TEST_PROBE),
            { "provider", key, "Decoy" }, Folder(), Environment());
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_EQ(run.output, "refused");
        ExpectNoDecoyLoaded(run);
    }
}

// An empty entry of LD_LIBRARY_PATH means the current directory to the
// loader; the bare-name search of the library skips it and does not fall
// through to the loader either, since the loader would read that entry first.
TEST_F(DecoyFolder, EmptySearchPathEntryDoesNotReachTheCurrentDirectory)
{
    // The program's own dependencies follow LD_LIBRARY_PATH too; that is the
    // loader's business, so only the provider's decoys stay.
    for (const char* name : { "libgcc_s.so.1", "libQt6Core.so.6" })
        ASSERT_TRUE(QFile::remove(Path(name)));
    QProcessEnvironment environment = Environment();
    environment.insert(QStringLiteral("LD_LIBRARY_PATH"),
        environment.value(QStringLiteral("LD_LIBRARY_PATH")) + QStringLiteral("::decoys"));
    const ProgramRun run = RunProgram(QStringLiteral(WARDLOCK_TEST_PROBE),
        { "provider", "Test:Decoy", "Decoy" }, Folder(), environment);
    EXPECT_EQ(run.output, "refused");
    EXPECT_FALSE(QFile::exists(Marker())) << "a decoy library was loaded";
}

// The control: the same provider is loaded when the table gives the decoy's
// absolute path, so the refusals above are about where it lies.
TEST_F(DecoyFolder, AbsolutePathInTheProviderTableLoads)
{
    const ProgramRun run = RunProgram(QStringLiteral(WARDLOCK_TEST_PROBE),
        { "provider", "Test:DecoyAbsolute", "Decoy" }, Folder(), Environment());
    EXPECT_EQ(run.output, "refused") << "the decoy has no factory";
    EXPECT_TRUE(QFile::exists(Marker())) << "the decoy was not loaded by its absolute path";
}

// A real program of the build, run in the folder: its own dependencies come
// from its RUNPATH and the system, not from the decoy "libgcc_s.so.1".
TEST_F(DecoyFolder, ProgramStartsWithItsOwnRuntimeLibraries)
{
    const ProgramRun run = RunProgram(QStringLiteral(WARDLOCK_TEST_WARDSETTINGS),
        { "read", "Software\\Torvane\\Wardlock\\DBProviders", "Test:Decoy" }, Folder(),
        Environment());
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(run.output, "wardtestdecoy.dll");
    ExpectNoDecoyLoaded(run);
}

// Every RUNPATH entry of every program and library of the build is absolute
// or relative to the file's own folder ($ORIGIN): an empty entry would be the
// current directory.
TEST(Runpath, EveryEntryIsAbsoluteOrBesideTheFile)
{
    const QString readelf = QStandardPaths::findExecutable(QStringLiteral("readelf"));
    if (readelf.isEmpty())
        GTEST_SKIP() << "readelf is not available";
    const QString folders[] = { QFileInfo(QStringLiteral(WARDLOCK_TEST_PROBE)).absolutePath(),
        QString::fromStdString(vcl::LibraryFolder()) };
    const QRegularExpression runpath(QStringLiteral(R"(Library (?:runpath|rpath): \[(.*)\])"));
    int checked = 0;
    for (const QString& folder : folders) {
        QDirIterator files(folder, QDir::Files | QDir::NoSymLinks);
        while (files.hasNext()) {
            const QString file = files.next();
            QFile elf(file);
            if (!elf.open(QIODevice::ReadOnly)
                || elf.read(4)
                    != QByteArrayLiteral("\x7F"
                                         "ELF"))
                continue;
            const ProgramRun run = RunProgram(readelf, { "-d", file }, folder);
            ASSERT_EQ(run.exitCode, 0) << file.toStdString() << run.errors.toStdString();
            ++checked;
            const auto match = runpath.match(run.output);
            if (!match.hasMatch())
                continue;
            for (const QString& entry : match.captured(1).split(u':'))
                EXPECT_TRUE(entry.startsWith(u'/') || entry.startsWith(QStringLiteral("$ORIGIN")))
                    << file.toStdString() << ": entry \"" << entry.toStdString() << "\" in "
                    << match.captured(1).toStdString();
        }
    }
    EXPECT_GT(checked, 5) << "no programs or libraries found";
}

// --------------------------------------------- ending while logged in

// A program logs a user in through the BDE provider and returns from main
// without logging out, with each kind of application object (or none) alive
// while it ran. It must end with status 0: the connection goes while the
// database layer still exists.
TEST(EndingWhileLoggedIn, ProgramEndsCleanly)
{
    SecurityDb db(Engine::SQLite, "ExitProbe");
    const int group = db.AddGroup("Probers");
    db.AddUser("prober", group, "Pr0beIt");
    for (const char* application : { "widgets", "core", "none" }) {
        SCOPED_TRACE(application);
        const ProgramRun run = RunProgram(QStringLiteral(WARDLOCK_TEST_PROBE),
            { "login", application, "ExitProbe", "prober", "Pr0beIt" }, QDir::tempPath());
        EXPECT_EQ(run.output, "logged in") << run.errors.toStdString();
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    }
}

} // namespace
