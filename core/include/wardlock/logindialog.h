#pragma once
// The login dialog ("Authorization"): collects a user name and a password and
// reports whether the user confirmed. It checks nothing itself; the login
// flow reads the two boxes. Every showing clears the password and preselects
// the user name, so a retry keeps the name typed before.

#include <wardlock/platform/form.h>

class QLabel;
class QLineEdit;
class QPushButton;

namespace Security {

// The login dialog (see the file comment). Owned by the security that prepared the login.
class TSecurityPasswordDlgFrm : public vcl::TForm {
    Q_OBJECT

public:
    // Made by a security (its owner) for one login phase.
    explicit TSecurityPasswordDlgFrm(vcl::TComponent* owner);
    ~TSecurityPasswordDlgFrm() override;

    // The boxes' texts as UTF-8 ("" for an empty box).
    std::string UserText() const;
    std::string PasswdText() const;
    void SetDatabaseText(const std::string& text);

    // The controls (Qt object names are the same).
    QLineEdit* User = nullptr;
    QLineEdit* Passwd = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QLineEdit* DatabaseName = nullptr;
    QLabel* Label1 = nullptr; // "&Password:"
    QLabel* Label2 = nullptr; // "&User:"
    QLabel* Label3 = nullptr; // "App./database:"

protected:
    // Clears the password and preselects the user name on every showing.
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
};

} // namespace Security
