#include "lockwrightfrm.h"

#include "accountstore.h"
#include "lockwright_application.h"

#include <wardlock/keeper/strings.h>
#include <wardlock/platform/dialogs.h>
#include <wardlock/rights.h>

#include <algorithm>
#include <exception>
#include <string>

using Security::TSecRights;

TLockwrightFrm* LockwrightFrm = nullptr;

namespace {

const char* const kLoginFailed = "Login unsuccesful. Correct data and try again.";
const char* const kFault = "Fault";
const char* const kTooLong = "The user name and the password may have at most 16 bytes each.";

std::string Utf8(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

void Say(const char* text)
{
    const vcl::TApplication& application = Lockwright::Application();
    vcl::MessageBox(application.Handle(), text, application.Title(), vcl::MB_OK);
}

// Runs a handler; what it throws goes to the exception display.
template<class Handler> void Guarded(Handler handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        Lockwright::Application().ShowException(error);
    }
}

} // namespace

TLockwrightFrm::TLockwrightFrm(QWidget* parent)
    : QWidget(parent)
{
    setupUi(this);
    // The label columns of the two groups line up.
    int labelWidth = 0;
    const QList<QLabel*> labels = findChildren<QLabel*>();
    for (const QLabel* label : labels)
        labelWidth = std::max(labelWidth, label->sizeHint().width());
    for (QLabel* label : labels)
        label->setMinimumWidth(labelWidth);
    Lockwright::Application().SetHandle(vcl::WindowHandle(this));
    Lockwright::Application().SetTitle("Lockwright");
    connect(Login, &QPushButton::clicked, this, &TLockwrightFrm::LoginClick);
    connect(Logout, &QPushButton::clicked, this, &TLockwrightFrm::LogoutClick);
    connect(SetPswd, &QPushButton::clicked, this, &TLockwrightFrm::SetPswdClick);
    connect(Button1, &QPushButton::clicked, this, &TLockwrightFrm::Button1Click);
}

TLockwrightFrm::~TLockwrightFrm() = default;

void TLockwrightFrm::LoginClick()
{
    Guarded([this] {
        const std::string options = Utf8(Data);
        // A second registration under the same name throws the component
        // framework's duplicate-name error; "Log out" removes the first.
        Security::TSecurity* security = TSecRights::AddSecurity(kLockwrightSecurity,
            Utf8(Alias).c_str(), Utf8(DBProvider).c_str(), Utf8(DBEngine).c_str(), options.c_str(),
            Utf8(DBUserName).c_str(), Utf8(DBPasswd).c_str(), Utf8(UserName).c_str(),
            Utf8(Password).c_str(), nullptr, false);
        bool logged = false;
        try {
            TSecRights rights(security);
            logged = rights.AutoLogin();
        } catch (...) {
            TSecRights::DeleteSecurity(kLockwrightSecurity);
            throw;
        }
        if (logged) {
            SetPswd->setEnabled(true);
            Logout->setEnabled(true);
            return;
        }
        Say(kLoginFailed);
        TSecRights::DeleteSecurity(kLockwrightSecurity);
    });
}

void TLockwrightFrm::LogoutClick()
{
    TSecRights::DeleteSecurity(kLockwrightSecurity);
    Login->setEnabled(true);
    SetPswd->setEnabled(false);
}

void TLockwrightFrm::SetPswdClick()
{
    Guarded([this] {
        TSecRights rights(kLockwrightSecurity);
        switch (Lockwright::StoreAccount(rights, Utf8(MUserName), Utf8(MPassword))) {
        case Lockwright::StoreResult::Stored:
            return;
        case Lockwright::StoreResult::TooLong:
            Say(kTooLong);
            return;
        case Lockwright::StoreResult::PasswordUnstorable:
            Say(Security::SecString(Security::sPasswordHoldsZero));
            MPassword->setFocus();
            return;
        case Lockwright::StoreResult::Refused:
            Say(kFault);
            return;
        }
    });
}

void TLockwrightFrm::Button1Click()
{
    hide();
}
