// The main of the administration module's widget tests: an offscreen widget
// application, settings in a folder of the run's own, and message boxes and
// modal runs that fail the test unless the test scripts them.

#include <wardlock/platform/dialogs.h>
#include <wardlock/platform/settings.h>

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
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
