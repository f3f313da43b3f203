#include "wardlock/platform/dialogs.h"

#include "wardlock/platform/application.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace vcl;

namespace {

// --- Message boxes answered by the message-box hook -----------------------

struct FlagsCase {
    const char* name;
    unsigned flags;
    unsigned buttons;
    unsigned icon;
    int defaultButton;
};

class MessageBoxFlags : public testing::TestWithParam<FlagsCase> { };

TEST_P(MessageBoxFlags, DecodedIntoTheRequestAndAnsweredByTheHook)
{
    const FlagsCase& c = GetParam();
    QWidget owner;
    MessageBoxRequest asked;
    ScopedMessageBoxHook hook([&](const MessageBoxRequest& request) {
        asked = request;
        return IDRETRY;
    });
    EXPECT_EQ(MessageBox(WindowHandle(&owner), "Do you want to close without saving the changes?",
                  "Confirmation", c.flags),
        IDRETRY);
    EXPECT_EQ(asked.owner, static_cast<void*>(&owner));
    EXPECT_EQ(asked.text, "Do you want to close without saving the changes?");
    EXPECT_EQ(asked.caption, "Confirmation");
    EXPECT_EQ(asked.buttons, c.buttons);
    EXPECT_EQ(asked.icon, c.icon);
    EXPECT_EQ(asked.defaultButton, c.defaultButton);
}

INSTANTIATE_TEST_SUITE_P(Table, MessageBoxFlags,
    testing::Values(FlagsCase { "Ok", MB_OK, MB_OK, 0, 1 },
        FlagsCase { "YesNoQuestionSecond", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, MB_YESNO,
            MB_ICONQUESTION, 2 },
        FlagsCase { "YesNoCancelWarningThird", MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON3,
            MB_YESNOCANCEL, MB_ICONEXCLAMATION, 3 },
        FlagsCase { "OkCancelInformation", MB_OKCANCEL | MB_ICONINFORMATION, MB_OKCANCEL,
            MB_ICONINFORMATION, 1 },
        FlagsCase {
            "RetryCancelError", MB_RETRYCANCEL | MB_ICONERROR, MB_RETRYCANCEL, MB_ICONSTOP, 1 },
        FlagsCase {
            "AbortRetryIgnore", MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, MB_ABORTRETRYIGNORE, 0, 2 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MessageBoxHook, UnknownButtonSetAnswersZeroWithoutAsking)
{
    int calls = 0;
    ScopedMessageBoxHook hook([&](const MessageBoxRequest&) { return ++calls, IDOK; });
    EXPECT_EQ(MessageBox(nullptr, "text", "caption", 6), 0);
    EXPECT_EQ(calls, 0);
}

TEST(MessageBoxHook, ScopedHooksNestAndRestore)
{
    auto answer = [](int id) { return [id](const MessageBoxRequest&) { return id; }; };
    ScopedMessageBoxHook outer(answer(IDYES));
    {
        ScopedMessageBoxHook inner(answer(IDNO));
        EXPECT_EQ(MessageBox(nullptr, "", "", MB_YESNO), IDNO);
    }
    EXPECT_EQ(MessageBox(nullptr, "", "", MB_YESNO), IDYES);

    MessageBoxHook previous = SetMessageBoxHook(answer(IDCANCEL));
    EXPECT_EQ(MessageBox(nullptr, "", "", MB_YESNOCANCEL), IDCANCEL);
    SetMessageBoxHook(previous);
    EXPECT_EQ(MessageBox(nullptr, "", "", MB_YESNO), IDYES);
}

// --- Real message boxes, driven through the modal hook ---------------------

enum class Press { Button, Escape, Nothing };

struct BoxCase {
    const char* name;
    unsigned flags;
    Press press;
    QMessageBox::StandardButton button; // the button pressed, or the default expected
    int expected;
};

class RealMessageBox : public testing::TestWithParam<BoxCase> { };

TEST_P(RealMessageBox, ShowsTheBoxAndAnswersTheButtonPressed)
{
    const BoxCase& c = GetParam();
    QWidget owner;
    bool sawBox = false;
    ScopedModalHook hook([&](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        ASSERT_NE(box, nullptr);
        sawBox = true;
        EXPECT_EQ(box->parentWidget(), &owner);
        EXPECT_EQ(box->windowTitle(), "Warning");
        EXPECT_EQ(box->text(), "Ünsaved changes");
        switch (c.press) {
        case Press::Button:
            QTest::mouseClick(box->button(c.button), Qt::LeftButton);
            break;
        case Press::Escape:
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        case Press::Nothing:
            EXPECT_EQ(box->defaultButton(), box->button(c.button));
            break;
        }
    });
    EXPECT_EQ(MessageBox(WindowHandle(&owner), "Ünsaved changes", "Warning", c.flags), c.expected);
    EXPECT_TRUE(sawBox);
}

INSTANTIATE_TEST_SUITE_P(Table, RealMessageBox,
    testing::Values(BoxCase { "OkClicked", MB_OK, Press::Button, QMessageBox::Ok, IDOK },
        BoxCase { "OkEscaped", MB_OK | MB_ICONSTOP, Press::Escape, QMessageBox::Ok, IDOK },
        BoxCase { "OkCancelCancelled", MB_OKCANCEL, Press::Button, QMessageBox::Cancel, IDCANCEL },
        BoxCase { "YesNoNo", MB_YESNO | MB_ICONQUESTION, Press::Button, QMessageBox::No, IDNO },
        BoxCase { "YesNoYes", MB_YESNO, Press::Button, QMessageBox::Yes, IDYES },
        // Closing a Yes/No box answers No.
        BoxCase { "YesNoClosed", MB_YESNO | MB_DEFBUTTON2, Press::Nothing, QMessageBox::No, IDNO },
        BoxCase { "YesNoCancelEscaped", MB_YESNOCANCEL, Press::Escape, QMessageBox::Yes, IDCANCEL },
        BoxCase { "YesNoCancelDefaultThird", MB_YESNOCANCEL | MB_DEFBUTTON3, Press::Nothing,
            QMessageBox::Cancel, IDCANCEL },
        BoxCase { "AbortRetryIgnoreIgnore", MB_ABORTRETRYIGNORE, Press::Button, QMessageBox::Ignore,
            IDIGNORE },
        BoxCase { "AbortRetryIgnoreClosed", MB_ABORTRETRYIGNORE, Press::Nothing, QMessageBox::Abort,
            IDABORT },
        BoxCase { "RetryCancelRetry", MB_RETRYCANCEL, Press::Button, QMessageBox::Retry, IDRETRY }),
    [](const auto& info) { return std::string(info.param.name); });

// --- Modal runs driven by the modal hook -----------------------------------

// A login-like dialog: its show handler clears the password box.
class TinyDialog : public QDialog {
public:
    TinyDialog()
    {
        auto* layout = new QVBoxLayout(this);
        password = new QLineEdit(this);
        ok = new QPushButton("OK", this);
        cancel = new QPushButton("Cancel", this);
        layout->addWidget(password);
        layout->addWidget(ok);
        layout->addWidget(cancel);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }

    void showEvent(QShowEvent* event) override
    {
        ++shows;
        password->clear();
        QDialog::showEvent(event);
    }

    QLineEdit* password;
    QPushButton* ok;
    QPushButton* cancel;
    int shows = 0;
};

struct ModalCase {
    const char* name;
    std::function<void(TinyDialog&)> drive;
    int expected;
};

class ModalRun : public testing::TestWithParam<ModalCase> { };

TEST_P(ModalRun, EndsAcceptedOrNot)
{
    TinyDialog dialog;
    dialog.password->setText("stale");
    bool hookRan = false;
    ScopedModalHook hook([&](QDialog& shown) {
        ASSERT_EQ(&shown, &dialog);
        hookRan = true;
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.shows, 1);
        EXPECT_EQ(dialog.password->text(), "") << "the show handler ran first";
        GetParam().drive(dialog);
    });
    EXPECT_EQ(RunModal(dialog), GetParam().expected);
    EXPECT_TRUE(hookRan);
    EXPECT_FALSE(dialog.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Table, ModalRun,
    testing::Values(ModalCase { "OkClicked",
                        [](TinyDialog& d) {
                            QTest::keyClicks(d.password, "secret");
                            QTest::mouseClick(d.ok, Qt::LeftButton);
                            EXPECT_EQ(d.password->text(), "secret");
                        },
                        mrOk },
        ModalCase { "CancelClicked",
            [](TinyDialog& d) { QTest::mouseClick(d.cancel, Qt::LeftButton); }, mrCancel },
        ModalCase { "EscapePressed",
            [](TinyDialog& d) { QTest::keyClick(d.password, Qt::Key_Escape); }, mrCancel },
        ModalCase { "WindowClosed", [](TinyDialog& d) { d.close(); }, mrCancel },
        ModalCase { "HiddenWithoutResult", [](TinyDialog& d) { d.hide(); }, mrCancel },
        ModalCase { "LeftOpen", [](TinyDialog&) {}, mrCancel },
        ModalCase { "OtherDoneCode", [](TinyDialog& d) { d.done(5); }, mrCancel }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModalHook, AnEarlierAcceptDoesNotCountForTheNextRun)
{
    TinyDialog dialog;
    {
        ScopedModalHook accept([](QDialog& d) { d.accept(); });
        EXPECT_EQ(RunModal(dialog), mrOk);
    }
    ScopedModalHook leave([](QDialog&) {});
    EXPECT_EQ(RunModal(dialog), mrCancel);
    EXPECT_EQ(dialog.shows, 2);
}

TEST(ModalHook, AThrowingHookLeavesTheDialogClosed)
{
    TinyDialog dialog;
    ScopedModalHook hook([](QDialog&) { throw std::runtime_error("script failed"); });
    EXPECT_THROW(RunModal(dialog), std::runtime_error);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(ModalHook, NestedBoxesReachTheSameHook)
{
    // The dialog's OK handler asks a question before accepting, as dialogs
    // that confirm do; the same hook answers the box, then the dialog ends.
    TinyDialog dialog;
    int answer = 0;
    QObject::disconnect(dialog.ok, nullptr, &dialog, nullptr);
    QObject::connect(dialog.ok, &QPushButton::clicked, &dialog, [&] {
        answer = MessageBox(WindowHandle(&dialog), "Sure?", "Question", MB_YESNO);
        if (answer == IDYES)
            dialog.accept();
    });
    ScopedModalHook hook([&](QDialog& shown) {
        if (auto* box = qobject_cast<QMessageBox*>(&shown))
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        else
            QTest::mouseClick(dialog.ok, Qt::LeftButton);
    });
    EXPECT_EQ(RunModal(dialog), mrOk);
    EXPECT_EQ(answer, IDYES);
}

TEST(ModalHook, ScopedHookRestoresThePreviousOne)
{
    int outerCalls = 0;
    ScopedModalHook outer([&](QDialog& d) {
        ++outerCalls;
        d.accept();
    });
    {
        ScopedModalHook inner([](QDialog&) {});
        TinyDialog dialog;
        EXPECT_EQ(RunModal(dialog), mrCancel);
    }
    TinyDialog dialog;
    EXPECT_EQ(RunModal(dialog), mrOk);
    EXPECT_EQ(outerCalls, 1);
}

} // namespace
