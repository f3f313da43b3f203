#pragma once
// warddemo's main window: the "WardDemo" label, the buttons "Security",
// "Login", "Logout" and "SmallDlg", and a line telling who is logged in and
// what he may do on this window ("MainFrm"). The rights object is bound when
// the window is first shown, which logs the user in.

#include <wardlock/rights.h>

#include <QWidget>

class QLabel;
class QPushButton;

// Registers the demo's security "WardDemo" (alias "WardDemo2", provider
// "Torvane:BDE", login dialog with retry, automatic login on).
Security::TSecurity* RegisterWardDemoSecurity();

class TMainFrm : public QWidget {
    Q_OBJECT

public:
    explicit TMainFrm(QWidget* parent = nullptr);
    ~TMainFrm() override;

    QLabel* Label1 = nullptr; // "WardDemo"
    QPushButton* SecurityBtn = nullptr;
    QPushButton* LoginBtn = nullptr;
    QPushButton* LogoutBtn = nullptr;
    QPushButton* SmallDlgBtn = nullptr;
    QLabel* UserLine = nullptr;

    // Constructed unbound; bound to "WardDemo" when the window is shown.
    Security::TSecRights Rights;
    // True once binding failed and the application was told to quit.
    bool BindFailed() const noexcept { return bindFailed_; }

    void SecurityBtnClick();
    void LoginBtnClick();
    void LogoutBtnClick();
    void SmallDlgBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void ShowUser();
    QString UserLineText();

    bool bindFailed_ = false;
};
