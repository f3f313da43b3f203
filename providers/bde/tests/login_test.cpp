// The login flow through the BDE provider: the five login types, binding and
// unbinding, the retry loop with its message boxes, the forced password
// change, the user record and the yes/no texts.

#include "bde_fixture.h"

#include <wardlock/datamodule.h>
#include <wardlock/logindialog.h>
#include <wardlock/platform/dialogs.h>

#include <QLineEdit>
#include <QPushButton>

#include "modifykey_texts.h"

#include <wardlock/platform/application.h>

#include <QWidget>

#include <chrono>
#include <cstring>
#include <deque>
#include <functional>

using namespace Security;

namespace wardlock_test {
namespace {

using LoginTest = BdeTest;

// One scripted showing of the login dialog.
struct DialogStep {
    std::string user; // typed into User
    std::string passwd; // typed into Passwd
    bool confirm = true; // OK, else Cancel
};

// What the dialog showed when it came up.
struct Shown {
    std::string shownUser;
    std::string shownPasswd;
    std::string shownDatabase;
};

// Answers the login dialog and the message boxes from scripts and keeps what
// it saw.
class Script {
public:
    std::deque<DialogStep> dialogs;
    std::deque<int> answers; // message-box answers
    std::vector<Shown> shown;
    std::vector<vcl::MessageBoxRequest> boxes;

    Script()
        : modal_([this](QDialog& dialog) { Drive(dialog); })
        , box_([this](const vcl::MessageBoxRequest& request) {
            boxes.push_back(request);
            if (answers.empty()) {
                ADD_FAILURE() << "no answer scripted for: " << request.text;
                return vcl::IDCANCEL;
            }
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        })
    {
    }

private:
    void Drive(QDialog& dialog)
    {
        auto* login = dynamic_cast<TSecurityPasswordDlgFrm*>(&dialog);
        if (!login || dialogs.empty()) {
            ADD_FAILURE() << "unexpected dialog";
            dialog.reject();
            return;
        }
        const DialogStep step = dialogs.front();
        dialogs.pop_front();
        shown.push_back({ login->User->text().toStdString(), login->Passwd->text().toStdString(),
            login->DatabaseName->text().toStdString() });
        login->User->setText(QString::fromStdString(step.user));
        login->Passwd->setText(QString::fromStdString(step.passwd));
        (step.confirm ? login->OKBtn : login->CancelBtn)->click();
    }

    vcl::ScopedModalHook modal_;
    vcl::ScopedMessageBoxHook box_;
};

// ---------------------------------------------------------------- type 1

TEST_P(LoginTest, SilentLoginFillsTheUserRecordAndTheYesNoTexts)
{
    TSecurity* security = AddSilent("clerk", kClerkPassword, false);
    ASSERT_TRUE(security->Login(saltSilent));
    EXPECT_TRUE(security->Logged());
    EXPECT_EQ(security->LoginDialog(), nullptr);
    TSecRights rights(security);
    EXPECT_EQ(rights.UserName().str(), "clerk");
    EXPECT_EQ(std::string(rights.UserFullName().c_str()), "Full clerk");
    EXPECT_EQ(rights.UserPasswd(), IntEncode(kClerkPassword));
    EXPECT_EQ(rights.UserID(), clerk);
    EXPECT_EQ(rights.GroupID(), clerks);
    EXPECT_EQ(rights.UserAllowChangePswd(), spoAsGroup);
    EXPECT_TRUE(rights.GroupAllowChangePswd());
    EXPECT_TRUE(rights.GroupNoChPswdAtLogin());
    EXPECT_FALSE(rights.GroupAllowNullPasswd());
    EXPECT_TRUE(rights.GetAllowChangePswd());
    EXPECT_TRUE(rights.GetAccountEnabled());
    EXPECT_FALSE(rights.GroupForceAddMod());
    EXPECT_EQ(rights.YesString().str(), "Yes");
    EXPECT_EQ(rights.NoString().str(), "No");
}

TEST_P(LoginTest, WrongAccountsAreRefusedAndChangeNothing)
{
    struct Case {
        const char* label;
        const char* user;
        const char* passwd;
    };
    const Case cases[] = {
        { "wrong password", "clerk", "secret1" },
        { "empty password", "clerk", "" },
        { "unknown user", "nobody", kClerkPassword },
        { "user name in other case", "Clerk", kClerkPassword },
        { "empty user", "", "" },
        { "null user", nullptr, nullptr },
    };
    TSecurity* security = LoginAs("clerk", kClerkPassword);
    ASSERT_NE(security, nullptr);
    security->Logout();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_TRUE(security->PrepareLogin());
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(security->Login(c.user, c.passwd));
        // Every kind of refusal lasts at least the same 5 ms, so an unknown
        // name cannot be told from a wrong password by the time it takes.
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(5));
        EXPECT_FALSE(security->Logged());
        EXPECT_EQ(security->User().Name.str(), "clerk") << "the last user's record stays";
        security->PostLogin();
    }
    // The steps driven by hand: prepare, attempts, success, end.
    ASSERT_TRUE(security->PrepareLogin());
    EXPECT_FALSE(security->Login("clerk", "wrong"));
    EXPECT_TRUE(security->Login("clerk", kClerkPassword)) << "a retry on the same preparation";
    security->PostLogin();
    security->PostLogin(); // tolerated twice
    EXPECT_TRUE(security->Logged());
}

TEST_P(LoginTest, NullOrEmptyStoredPasswordAcceptsAnyPassword)
{
    db().AddUser("nopass", clerks, std::nullopt);
    db().Exec(
        "insert into Users (Name, FullName, GroupID, Passwd) values ('emptypass', 'E', :p1, '')",
        { clerks });
    for (const char* user : { "nopass", "emptypass" })
        for (const char* passwd : { "", "anything" })
            EXPECT_NE(LoginAs(user, passwd), nullptr) << user << " / " << passwd;
}

TEST_P(LoginTest, DisabledAccountStillLogsIn)
{
    UserPolicy disabled;
    disabled.accountEnabled = 0;
    db().AddUser("disabled", clerks, "pw", disabled);
    TSecurity* security = LoginAs("disabled", "pw");
    ASSERT_NE(security, nullptr);
    TSecRights rights(security);
    EXPECT_FALSE(rights.GetAccountEnabled());
    EXPECT_EQ(rights.UserAccountEnabled(), spoOff);
}

TEST_P(LoginTest, EncoderHookDecidesTheStoredForm)
{
    auto reverse = +[](const char* padded, const char* key) {
        EXPECT_STREQ(key, "");
        tor::pswdsstr<16> out;
        for (int i = 0; i < 16; ++i)
            out[i] = padded[15 - i] == '\xA5' ? 'x' : padded[15 - i];
        return out;
    };
    char padded[17] = {};
    std::memset(padded, 0xA5, 16);
    std::memcpy(padded, "hooked", 6);
    db().Exec(
        "insert into Users (Name, FullName, GroupID, Passwd) values ('hooked', 'H', :p1, :p2)",
        { clerks, RawBytes(reverse(padded, "")) });
    TSecurity* security = TSecRights::AddSecurity(NewName().c_str(), alias().c_str(), "Torvane:BDE",
        "BDE", nullptr, kDbUser, kDbPassword, "hooked", "hooked", reverse, false);
    ASSERT_TRUE(security->Login(saltSilent));
    EXPECT_EQ(security->DataModule()->Encoder(), reverse);
    security->Logout();
    ASSERT_TRUE(security->PrepareLogin());
    EXPECT_FALSE(security->Login("hooked", "other"));
}

// ----------------------------------------------------------------- binding

TEST_P(LoginTest, FirstBindingLogsInAndLastUnbindingLogsOut)
{
    TSecurity* security = AddSilent("clerk", kClerkPassword, true);
    EXPECT_EQ(security->BindCount(), 0);
    {
        TSecRights first(security->Name().c_str());
        EXPECT_TRUE(first.Logged());
        EXPECT_EQ(security->BindCount(), 1);
        TSecDModFrm* module = security->DataModule();
        ASSERT_NE(module, nullptr);
        {
            TSecStdRights second(security);
            TSecRights copy(first);
            EXPECT_EQ(security->BindCount(), 3);
            EXPECT_EQ(security->DataModule(), module) << "no second login";
        }
        EXPECT_EQ(security->BindCount(), 1);
        EXPECT_TRUE(first.Logged()) << "the first object keeps the login";
        EXPECT_EQ(security->DataModule(), module);
    }
    EXPECT_EQ(security->BindCount(), 0);
    EXPECT_FALSE(security->Logged());
    EXPECT_EQ(security->DataModule(), nullptr) << "given back to the provider";
    EXPECT_EQ(security->User().Name.str(), "clerk") << "the record keeps the last user";
    // Binding again logs in again.
    TSecRights again(security);
    EXPECT_TRUE(again.Logged());
}

TEST_P(LoginTest, ManualSecurityNeverLogsInOrOutThroughBinding)
{
    TSecurity* security = AddSilent("clerk", kClerkPassword, false);
    {
        TSecRights rights(security);
        EXPECT_FALSE(rights.Logged());
        EXPECT_TRUE(rights.AutoLogin());
        EXPECT_TRUE(rights.Logged());
    }
    EXPECT_TRUE(security->Logged()) << "bind count -1: unbinding does not log out";
    TSecRights rights(security);
    rights.Logout();
    EXPECT_FALSE(security->Logged());
    EXPECT_EQ(security->DataModule(), nullptr);
}

TEST_P(LoginTest, AutomaticLoginFailureThrowsFromTheConstructor)
{
    TSecurity* security = AddSilent("clerk", "wrong", true);
    EXPECT_THROW(TSecRights rights(security), ESecAutoLoginFailed);
    EXPECT_EQ(security->BindCount(), 0);
    EXPECT_EQ(security->LoginDialog(), nullptr);
}

TEST_P(LoginTest, PrepareLoginWhileLoggedInLogsOutFirst)
{
    TSecurity* security = LoginAs("clerk", kClerkPassword);
    ASSERT_NE(security, nullptr);
    TSecDModFrm* old = security->DataModule();
    ASSERT_TRUE(security->PrepareLogin());
    EXPECT_FALSE(security->Logged());
    EXPECT_NE(security->DataModule(), nullptr);
    // A data module that is not logged in is reused.
    TSecDModFrm* fresh = security->DataModule();
    ASSERT_TRUE(security->PrepareLogin());
    EXPECT_EQ(security->DataModule(), fresh);
    (void)old;
}

TEST_P(LoginTest, DatabasePasswordPassesThroughTheDecoder)
{
    static std::string seen;
    auto decoder = +[](const char* stored, char* out) {
        seen = stored;
        std::strcpy(out, stored);
        return out;
    };
    TSecRights::SetPasswdDecoder(decoder);
    TSecurity* security = LoginAs("clerk", kClerkPassword);
    TSecRights::SetPasswdDecoder(&TSecurity::SimpleDecodePasswd);
    EXPECT_NE(security, nullptr);
    EXPECT_EQ(seen, kDbPassword);
}

// ------------------------------------------------------ types 2, 3 and 4

TEST_P(LoginTest, DialogLoginOnce)
{
    struct Case {
        const char* label;
        DialogStep step;
        bool result;
    };
    const Case cases[] = {
        { "confirmed", { "clerk", kClerkPassword, true }, true },
        { "wrong password", { "clerk", "nope", true }, false },
        { "cancelled", { "clerk", kClerkPassword, false }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TSecurity* security = TSecRights::AddSecurity(NewName().c_str(), alias().c_str(),
            "Torvane:BDE", "BDE", nullptr, kDbUser, kDbPassword, "Orders DB", nullptr, false);
        Script script;
        script.dialogs.push_back(c.step);
        EXPECT_EQ(security->Login(saltDialog), c.result);
        ASSERT_EQ(script.shown.size(), 1u);
        EXPECT_EQ(script.shown[0].shownDatabase, "Orders DB");
        EXPECT_TRUE(script.boxes.empty()) << "type 2 asks nothing else";
        EXPECT_EQ(security->LoginDialog(), nullptr);
        EXPECT_EQ(security->Logged(), c.result);
    }
}

TEST_P(LoginTest, RetryLoginAsksAgainKeepingTheUserName)
{
    TSecurity* security = AddRetry(false);
    Script script;
    script.dialogs
        = { { "clerk", "wrong1" }, { "clerk", "wrong2", false }, { "clerk", kClerkPassword } };
    script.answers = { vcl::IDRETRY, vcl::IDRETRY };
    ASSERT_TRUE(security->Login(saltDialogRetry));
    ASSERT_EQ(script.shown.size(), 3u);
    EXPECT_EQ(script.shown[0].shownDatabase, "WardDemo");
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(script.shown[i].shownUser, "clerk") << "the name typed before stays";
        EXPECT_EQ(script.shown[i].shownPasswd, "") << "the password never survives";
    }
    ASSERT_EQ(script.boxes.size(), 2u) << "a cancelled dialog also leads to the question";
    for (const auto& box : script.boxes) {
        EXPECT_EQ(box.caption, "Invalid login");
        EXPECT_EQ(box.text,
            "You cannot run this program without valid user and password. Press OK to try again "
            "or Cancel to exit the program.");
        EXPECT_EQ(box.buttons, vcl::MB_RETRYCANCEL);
        EXPECT_EQ(box.icon, vcl::MB_ICONSTOP);
    }
    EXPECT_TRUE(security->Logged());
    EXPECT_EQ(security->LoginDialog(), nullptr);
}

TEST_P(LoginTest, RetryLoginCancelledLeavesNoDialog)
{
    TSecurity* security = AddRetry(true);
    Script script;
    script.dialogs = { { "clerk", "", false } };
    script.answers = { vcl::IDCANCEL };
    EXPECT_THROW(TSecRights rights(security), ESecAutoLoginFailed);
    EXPECT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(security->LoginDialog(), nullptr);
    EXPECT_FALSE(security->Logged());
}

TEST_P(LoginTest, RetryLoginReportsAnUnreachableDatabase)
{
    TSecurity* security = TSecRights::AddSecurity(NewName().c_str(), "NoSuchAlias", "Torvane:BDE",
        "BDE", nullptr, kDbUser, kDbPassword, "No connection.", "Retry?", "Invalid login", "App",
        nullptr, false);
    TSecurity* noProvider = TSecRights::AddSecurity(NewName().c_str(), alias().c_str(),
        "Test:Unknown", "BDE", nullptr, kDbUser, kDbPassword, "No provider.", "Retry?",
        "Invalid login", "App", nullptr, false);
    for (TSecurity* s : { security, noProvider }) {
        Script script;
        script.answers = { vcl::IDOK };
        EXPECT_FALSE(s->Login(saltDialogRetry));
        ASSERT_EQ(script.boxes.size(), 1u);
        EXPECT_EQ(script.boxes[0].caption, "Wardlock");
        EXPECT_EQ(script.boxes[0].buttons, vcl::MB_OK);
        EXPECT_EQ(script.boxes[0].icon, vcl::MB_ICONSTOP);
        EXPECT_TRUE(script.shown.empty());
        EXPECT_EQ(s->LoginDialog(), nullptr);
    }
    EXPECT_EQ(noProvider->Provider(), nullptr);
}

TEST_P(LoginTest, RightsLoginShowsThePreparedDialogOnce)
{
    TSecurity* security = AddSilent("clerk", kClerkPassword, false);
    TSecRights rights(security);
    EXPECT_FALSE(rights.Login()) << "nothing prepared";
    ASSERT_TRUE(rights.PrepareLoginWindow("Here"));
    ASSERT_NE(security->LoginDialog(), nullptr);
    {
        Script script;
        script.dialogs = { { "clerk", "bad" } };
        EXPECT_FALSE(rights.Login());
        EXPECT_NE(security->LoginDialog(), nullptr) << "kept for another attempt";
    }
    {
        Script script;
        script.dialogs = { { "clerk", kClerkPassword } };
        EXPECT_TRUE(rights.Login());
        EXPECT_EQ(script.shown[0].shownDatabase, "Here");
    }
    EXPECT_EQ(security->LoginDialog(), nullptr);
    rights.PostLogin();
    EXPECT_TRUE(rights.Logged());
}

// ------------------------------------------------- forced password change

TEST_P(LoginTest, ForcedChangeFollowsTheEffectivePolicy)
{
    struct Case {
        const char* label;
        int userAllowChange;
        int userNoChange;
        bool groupAllowChange;
        bool groupNoChange;
        bool forced;
    };
    const Case cases[] = {
        { "allowed, not exempt", 1, 0, false, true, true },
        { "not allowed", 0, 0, true, false, false },
        { "exempt", 1, 1, true, false, false },
        { "both from the group: forced", 2, 2, true, false, true },
        { "both from the group: exempt", 2, 2, true, true, false },
        { "allowed by the group only", 2, 0, true, true, true },
        { "group refuses the change", 2, 0, false, false, false },
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        GroupPolicy group;
        group.allowChangePswd = c.groupAllowChange;
        group.noChPswdAtLogin = c.groupNoChange;
        const std::string suffix = std::to_string(++number);
        const int groupID = db().AddGroup("G" + suffix, group);
        UserPolicy user;
        user.allowChangePswd = c.userAllowChange;
        user.noChPswdAtLogin = c.userNoChange;
        const int userID = db().AddUser("u" + suffix, groupID, "pw", user);
        keeper() = {};
        TSecurity* security = LoginAs("u" + suffix, "pw");
        ASSERT_NE(security, nullptr);
        EXPECT_EQ(keeper().showForceChPasswdDlg, c.forced ? 1 : 0);
        if (c.forced) {
            EXPECT_EQ(keeper().lastSecurity, security);
            EXPECT_EQ(keeper().lastUserID, userID);
            EXPECT_EQ(keeper().lastGroupID, groupID);
            // Again at every login while the values hold.
            security->Logout();
            EXPECT_TRUE(security->Login(saltSilent));
            EXPECT_EQ(keeper().showForceChPasswdDlg, 2);
        }
    }
}

// ---------------------------------------------------- the yes and no texts

TEST_P(LoginTest, YesAndNoTextsFromTheSettings)
{
    struct Case {
        const char* label;
        std::optional<std::string> yes;
        std::optional<std::string> no;
        std::string expectedYes;
        std::string expectedNo;
    };
    const Case cases[] = {
        { "missing rows", std::nullopt, std::nullopt, "Yes", "No" },
        { "empty values", "", "", "Yes", "No" },
        { "own texts", "Ja", "Nein", "Ja", "Nein" },
        { "cut to 16", "Affirmative-answer-given", "N", "Affirmative-answ", "N" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (const auto& [name, value] :
            { std::pair { "YesString", c.yes }, { "NoString", c.no } }) {
            if (value)
                db().SetSetting(name, QString::fromStdString(*value));
            else
                db().DeleteSetting(name);
        }
        TSecurity* security = LoginAs("clerk", kClerkPassword);
        ASSERT_NE(security, nullptr);
        EXPECT_EQ(security->YesString().str(), c.expectedYes);
        EXPECT_EQ(security->NoString().str(), c.expectedNo);
    }
}

// ---------------------------------------- administration entry points

TEST_P(LoginTest, AdministrationEntryPointsPassTheLoggedUser)
{
    QWidget window;
    TSecRights::SetAppHWnd(vcl::WindowHandle(&window));
    TSecurity* security = LoginAs("clerk", kClerkPassword);
    ASSERT_NE(security, nullptr);
    TSecRights rights(security);
    rights.ShowDlg(nullptr, true);
    EXPECT_EQ(keeper().showDlg, 1);
    EXPECT_EQ(keeper().lastSecurity, security);
    EXPECT_EQ(keeper().lastWindow, vcl::WindowHandle(&window));
    EXPECT_TRUE(keeper().lastFlag);
    TSecStdRights::ShowSmpDlg(security, nullptr, false);
    EXPECT_EQ(keeper().showSmpDlg, 1);
    EXPECT_EQ(keeper().lastUserID, clerk);
    EXPECT_EQ(keeper().lastGroupID, clerks);
    security->ShowChPasswdDlg();
    EXPECT_EQ(keeper().showChPasswdDlg, 1);
    tor::pswdsstr<16> wrong("not the key");
    EXPECT_EQ(rights.ModifyStart(wrong), nullptr);
    EXPECT_EQ(keeper().modifyStart, 0) << "a wrong key loads nothing";
    const tor::pswdsstr<16> key = keymix::MixKey(
        keytexts::kModifyKeyFirst, keytexts::kModifyKeySecond, keytexts::kMixTable);
    TSecParamEd* editor = rights.ModifyStart(key);
    EXPECT_NE(editor, nullptr);
    EXPECT_EQ(keeper().modifyStart, 1);
    rights.ModifyEnd(editor);
    EXPECT_EQ(keeper().modifyEnd, 1);
    EXPECT_EQ(keeper().lastEditor, static_cast<void*>(editor));
    TSecRights::SetAppHWnd(nullptr);
}

} // namespace

WARDLOCK_INSTANTIATE_ENGINES(LoginTest);

} // namespace wardlock_test
