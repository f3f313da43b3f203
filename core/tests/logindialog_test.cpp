// The login dialog: layout and properties, what every showing does, and which
// keys confirm or cancel. Driven through the platform's modal hook.

#include <wardlock/logindialog.h>
#include <wardlock/platform/dialogs.h>

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using Security::TSecurityPasswordDlgFrm;

namespace {

// Shows the dialog through RunModal and lets `drive` act on it while shown.
int RunDriven(TSecurityPasswordDlgFrm& dialog, const std::function<void(QDialog&)>& drive)
{
    vcl::ScopedModalHook hook([&](QDialog& shown) {
        QApplication::setActiveWindow(&shown);
        drive(shown);
    });
    return dialog.ShowModal();
}

TEST(LoginDialog, ControlsAndProperties)
{
    TSecurityPasswordDlgFrm dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Authorization");
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);

    struct Control {
        const char* name;
        QWidget* widget;
    };
    const Control controls[] = {
        { "User", dialog.User },
        { "Passwd", dialog.Passwd },
        { "OKBtn", dialog.OKBtn },
        { "CancelBtn", dialog.CancelBtn },
        { "DatabaseName", dialog.DatabaseName },
        { "Label1", dialog.Label1 },
        { "Label2", dialog.Label2 },
        { "Label3", dialog.Label3 },
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.widget, nullptr);
        EXPECT_EQ(c.widget->objectName(), c.name);
        EXPECT_EQ(dialog.findChild<QWidget*>(c.name), c.widget);
    }

    EXPECT_EQ(dialog.Label2->text(), "&User:");
    EXPECT_EQ(dialog.Label2->buddy(), dialog.User);
    EXPECT_EQ(dialog.Label1->text(), "&Password:");
    EXPECT_EQ(dialog.Label1->buddy(), dialog.Passwd);
    EXPECT_EQ(dialog.Label3->text(), "App./database:");
    EXPECT_EQ(dialog.OKBtn->text(), "OK");
    EXPECT_TRUE(dialog.OKBtn->isDefault());
    EXPECT_EQ(dialog.CancelBtn->text(), "Cancel");
    EXPECT_EQ(dialog.Passwd->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(dialog.DatabaseName->isReadOnly());
    EXPECT_FALSE(dialog.DatabaseName->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(dialog.DatabaseName->palette().color(QPalette::Base),
        dialog.DatabaseName->palette().color(QPalette::Button));

    // Tab order: User, Passwd, OKBtn, CancelBtn (the database box is skipped).
    QWidget* expected[] = { dialog.Passwd, dialog.OKBtn, dialog.CancelBtn, dialog.User };
    QWidget* current = dialog.User;
    for (QWidget* next : expected) {
        QWidget* step = current->nextInFocusChain();
        while (!(step->focusPolicy() & Qt::TabFocus))
            step = step->nextInFocusChain();
        EXPECT_EQ(step, next) << current->objectName().toStdString();
        current = step;
    }
}

// At any font size every label and box is whole and none covers another:
// the database row on top, the user and password boxes under their labels,
// the two buttons of equal width stacked at the right.
TEST(LoginDialog, LayoutHoldsAtEveryFontSize)
{
    for (const int points : { 7, 9, 12, 16, 24 }) {
        SCOPED_TRACE(std::to_string(points) + " pt");
        TSecurityPasswordDlgFrm dialog(nullptr);
        QFont font = dialog.font();
        font.setPointSize(points);
        dialog.setFont(font);
        dialog.SetDatabaseText("WardDemo");
        dialog.show();
        QApplication::processEvents();

        QWidget* const controls[] = { dialog.Label3, dialog.DatabaseName, dialog.Label2,
            dialog.User, dialog.Label1, dialog.Passwd, dialog.OKBtn, dialog.CancelBtn };
        for (QWidget* control : controls) {
            const std::string name = control->objectName().toStdString();
            const QSize wanted = control->minimumSizeHint().expandedTo(
                qobject_cast<QLabel*>(control) ? control->sizeHint() : QSize());
            EXPECT_GE(control->width(), wanted.width()) << name << " is cut";
            EXPECT_GE(control->height(), wanted.height()) << name << " is cut";
            EXPECT_TRUE(dialog.rect().contains(control->geometry())) << name << " sticks out";
            for (QWidget* other : controls) {
                if (other != control) {
                    EXPECT_FALSE(control->geometry().intersects(other->geometry()))
                        << name << " covers " << other->objectName().toStdString();
                }
            }
        }
        const auto below = [](QWidget* upper, QWidget* lower) {
            return upper->geometry().bottom() < lower->geometry().top();
        };
        EXPECT_LT(dialog.Label3->geometry().right(), dialog.DatabaseName->geometry().left());
        EXPECT_TRUE(below(dialog.DatabaseName, dialog.Label2));
        EXPECT_TRUE(below(dialog.Label2, dialog.User));
        EXPECT_TRUE(below(dialog.User, dialog.Label1));
        EXPECT_TRUE(below(dialog.Label1, dialog.Passwd));
        EXPECT_TRUE(below(dialog.OKBtn, dialog.CancelBtn));
        EXPECT_LT(dialog.Passwd->geometry().right(), dialog.OKBtn->geometry().left());
        EXPECT_EQ(dialog.OKBtn->width(), dialog.CancelBtn->width());
        EXPECT_GE(dialog.User->width(), 226);
        EXPECT_EQ(dialog.Passwd->width(), dialog.User->width());
    }
}

TEST(LoginDialog, EveryShowingClearsThePasswordAndSelectsTheUserName)
{
    TSecurityPasswordDlgFrm dialog(nullptr);
    dialog.SetDatabaseText("WardDemo");
    dialog.User->setText("clerk");
    dialog.Passwd->setText("old password");
    std::string seenPassword = "not run";
    bool userFocused = false;
    QString selected;
    RunDriven(dialog, [&](QDialog&) {
        seenPassword = dialog.Passwd->text().toStdString();
        userFocused = dialog.User->hasFocus() || QApplication::focusWidget() == dialog.User;
        selected = dialog.User->selectedText();
        dialog.Passwd->setText("typed");
        dialog.CancelBtn->click();
    });
    EXPECT_EQ(seenPassword, "");
    EXPECT_TRUE(userFocused);
    EXPECT_EQ(selected, "clerk");
    EXPECT_EQ(dialog.DatabaseName->text(), "WardDemo");
    // Shown again (a retry): the name stays, the password does not.
    RunDriven(dialog, [&](QDialog&) {
        seenPassword = dialog.Passwd->text().toStdString();
        selected = dialog.User->selectedText();
        dialog.OKBtn->click();
    });
    EXPECT_EQ(seenPassword, "");
    EXPECT_EQ(selected, "clerk");
}

TEST(LoginDialog, EnterConfirmsAndEscapeCancelsWhateverHasTheFocus)
{
    struct Case {
        const char* focus;
        Qt::Key key;
        int result;
    };
    const Case cases[] = {
        { "User", Qt::Key_Return, vcl::mrOk },
        { "Passwd", Qt::Key_Return, vcl::mrOk },
        { "Passwd", Qt::Key_Enter, vcl::mrOk },
        { "OKBtn", Qt::Key_Return, vcl::mrOk },
        { "CancelBtn", Qt::Key_Return, vcl::mrOk },
        { "DatabaseName", Qt::Key_Return, vcl::mrOk },
        { "User", Qt::Key_Escape, vcl::mrCancel },
        { "OKBtn", Qt::Key_Escape, vcl::mrCancel },
        { "CancelBtn", Qt::Key_Escape, vcl::mrCancel },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.focus) + " key " + std::to_string(c.key));
        TSecurityPasswordDlgFrm dialog(nullptr);
        const int result = RunDriven(dialog, [&](QDialog& shown) {
            auto* widget = shown.findChild<QWidget*>(c.focus);
            widget->setFocus();
            QTest::keyClick(widget, c.key);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(dialog.ModalResult(), c.result);
    }
}

TEST(LoginDialog, ButtonsAndClosingSetTheModalResult)
{
    TSecurityPasswordDlgFrm dialog(nullptr);
    EXPECT_EQ(RunDriven(dialog, [&](QDialog&) { dialog.OKBtn->click(); }), vcl::mrOk);
    EXPECT_EQ(RunDriven(dialog, [&](QDialog&) { dialog.CancelBtn->click(); }), vcl::mrCancel);
    EXPECT_EQ(RunDriven(dialog, [&](QDialog& shown) { shown.close(); }), vcl::mrCancel);
    // Confirmed with both boxes empty: two empty texts.
    dialog.User->clear();
    EXPECT_EQ(RunDriven(dialog, [&](QDialog&) { dialog.OKBtn->click(); }), vcl::mrOk);
    EXPECT_EQ(dialog.UserText(), "");
    EXPECT_EQ(dialog.PasswdText(), "");
}

TEST(LoginDialog, TextsAreUtf8)
{
    TSecurityPasswordDlgFrm dialog(nullptr);
    RunDriven(dialog, [&](QDialog&) {
        dialog.User->setText(QString::fromUtf8("Jürgen"));
        dialog.Passwd->setText(QString::fromUtf8("päss"));
        dialog.OKBtn->click();
    });
    EXPECT_EQ(dialog.UserText(), "J\xC3\xBCrgen");
    EXPECT_EQ(dialog.PasswdText(), "p\xC3\xA4ss");
}

} // namespace
