// Qt SQL loads its drivers as plug-ins, which wants an application object.

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

// A statement that failed inside a PostgreSQL transaction cannot be released
// until the rollback; Qt warns about it, which only clutters the output of the
// cases that fail on purpose.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith(QStringLiteral("Unable to free statement")))
        return;
    fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(QuietMessages);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
