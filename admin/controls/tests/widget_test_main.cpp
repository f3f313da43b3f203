// The main of the administration module's widget tests: an offscreen widget
// application, settings in a folder of the run's own, and message boxes and
// modal runs that fail the test unless the test scripts them.

#include <wardlock/platform/dialogs.h>
#include <wardlock/platform/settings.h>

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The offscreen platform cannot size windows to their layouts and says so
// for every fixed-size dialog; everything else is shown.
QtMessageHandler g_defaultHandler = nullptr;
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    g_defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    g_defaultHandler = qInstallMessageHandler(QuietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir settings;
    if (!settings.isValid())
        return 1;
    vcl::SetSettingsFolders(
        settings.filePath("system").toStdString(), settings.filePath("user").toStdString());
    vcl::SetMessageBoxHook([](const vcl::MessageBoxRequest& request) {
        ADD_FAILURE() << "unexpected message box: " << request.caption << ": " << request.text;
        return vcl::IDCANCEL;
    });
    vcl::SetModalHook([](QDialog& dialog) {
        ADD_FAILURE() << "unexpected modal dialog: " << dialog.windowTitle().toStdString();
        dialog.reject();
    });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
