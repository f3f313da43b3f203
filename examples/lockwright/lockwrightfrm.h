#pragma once
// lockwright's window, "Security Database Lockwright": an administrator logs
// into a security database (the security "Lockwright", silent login with the
// typed user and password) and stores the administration account, the user
// name and password with which the administration module connects.

#include "ui_lockwrightfrm.h"

#include <QWidget>

class TLockwrightFrm : public QWidget, public Ui::TLockwrightFrm {
    Q_OBJECT

public:
    explicit TLockwrightFrm(QWidget* parent = nullptr);
    ~TLockwrightFrm() override;

    // The button handlers. Errors of the library and the administration
    // module are shown through the application's exception display.
    void LoginClick();
    void LogoutClick();
    void SetPswdClick();
    void Button1Click();
};

// The security this tool registers and removes.
inline constexpr const char* kLockwrightSecurity = "Lockwright";

// The window of the running program, set when the program creates it.
extern "C" __attribute__((visibility("default"))) TLockwrightFrm* LockwrightFrm;
