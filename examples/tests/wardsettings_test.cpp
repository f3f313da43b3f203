// wardsettings run as a process, as scripts run it: values written from the
// command line, an environment variable or standard input read back
// unchanged; a missing key or value and a wrong command line give their exit
// statuses.

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class WardSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert(QStringLiteral("WARDLOCK_SYSTEM_CONFIG"), folder_.filePath("system"));
        environment_.insert(QStringLiteral("WARDLOCK_USER_CONFIG"), folder_.filePath("user"));
        environment_.insert(QStringLiteral("WARD_TEST_SECRET"), QStringLiteral("from env; x=1"));
        environment_.remove(QStringLiteral("WARD_TEST_UNSET"));
    }

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };

    Run Settings(const QStringList& arguments, const QByteArray& input = {}) const
    {
        QProcess process;
        process.setProcessEnvironment(environment_);
        process.start(QStringLiteral(WARDLOCK_TEST_WARDSETTINGS), arguments);
        Run run;
        if (!process.waitForStarted()) {
            ADD_FAILURE() << process.errorString().toStdString();
            return run;
        }
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished()) {
            ADD_FAILURE() << "wardsettings did not finish";
            process.kill();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QTemporaryDir folder_;
    QProcessEnvironment environment_;
};

const QString kKey = QStringLiteral("Software\\Torvane\\Wardlock\\Aliases\\Test");

TEST_F(WardSettingsTest, ValuesFromEverySourceReadBackUnchanged)
{
    const struct {
        const char* name;
        QStringList writeTail; // after "write KEY NAME"
        QByteArray input;
        const char* stored;
    } cases[] = {
        { "argument", { "a value; with=signs" }, {}, "a value; with=signs" },
        { "environment", { "--value-env", "WARD_TEST_SECRET" }, {}, "from env; x=1" },
        { "standard input", { "--value-stdin" }, "se cret;'\"\r\nsecond line\n", "se cret;'\"" },
        { "standard input without a line end", { "--value-stdin" }, "last", "last" },
        { "an empty line", { "--value-stdin" }, "\n", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Run written
            = Settings(QStringList { "write", kKey, "Password" } + c.writeTail, c.input);
        ASSERT_EQ(written.exitCode, 0) << written.err.toStdString();
        const Run read = Settings({ "read", kKey, "Password" });
        EXPECT_EQ(read.exitCode, 0);
        EXPECT_EQ(read.out, QString::fromUtf8(c.stored) + u'\n');
    }
}

TEST_F(WardSettingsTest, MissingThingsAndWrongCommandLinesGiveTheirExitStatus)
{
    ASSERT_EQ(Settings({ "write", kKey, "Password", "kept" }).exitCode, 0);
    const struct {
        const char* name;
        QStringList arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        { "unset variable", { "write", kKey, "Password", "--value-env", "WARD_TEST_UNSET" }, 1,
            "WARD_TEST_UNSET is not set" },
        { "empty standard input", { "write", kKey, "Password", "--value-stdin" }, 1,
            "no line for --value-stdin" },
        { "missing key", { "delete-key", kKey + QStringLiteral("\\Missing") }, 1, "no key" },
        { "missing value", { "read", kKey, "Missing" }, 1, "" },
        { "no variable named", { "write", kKey, "Password", "--value-env" }, 2, "Usage" },
        { "too many arguments", { "write", kKey, "Password", "a", "b" }, 2, "Usage" },
        { "unknown command", { "erase", kKey }, 2, "Usage" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Run run = Settings(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.err.contains(QLatin1String(c.message))) << run.err.toStdString();
    }
    EXPECT_EQ(Settings({ "read", kKey, "Password" }).out, QStringLiteral("kept\n"))
        << "nothing failed changed the value";

    EXPECT_EQ(Settings({ "delete-key", kKey }).exitCode, 0);
    EXPECT_EQ(Settings({ "read", kKey, "Password" }).exitCode, 1);
    EXPECT_EQ(Settings({ "delete-key", kKey }).exitCode, 1) << "already gone";
}

} // namespace
