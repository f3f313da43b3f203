#include "securedform1.h"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const char* const kSecurityName = "ADO_OLEDB_ODBC_JET";
const char* const kConnectionTemplate
    = "Provider=MSDASQL.1;Persist Security Info=True;User ID=%s;Password=%s;Data Source=WardDemo";
} // namespace

Security::TSecurity* RegisterSampleSecurity()
{
    return Security::TSecRights::AddSecurity(kSecurityName, kConnectionTemplate, "Torvane:ADO:Vcl5",
        "ADO", const_cast<char*>("LocalCursor=1, BatchUpdates=1"), "SecurityCheck", "KDplenovit",
        "Application was not able to connect to Security database. Quitting.",
        "You cannot run this program without valid user and password. Press OK to try again or "
        "Cancel to exit the program.",
        "Invalid login", "WardDemo ADO", nullptr, false);
}

TSecuredForm1::TSecuredForm1(vcl::TComponent* owner)
    : TSecuredForm(owner, kSecurityName, DeferredCheck {})
{
    SetName("SecuredForm1");
    setWindowTitle(QStringLiteral("SecuredForm1"));
    Label1 = new QLabel(QStringLiteral("WardSample"), this);
    QFont big = Label1->font();
    big.setPointSize(20);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);
    UserLine = new QLabel(this);
    UserLine->setObjectName(QStringLiteral("UserLine"));
    UserLine->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(UserLine);
    RightsCheck();
}

TSecuredForm1::~TSecuredForm1() = default;

void TSecuredForm1::AfterRightsCheck()
{
    if (Rights.Binded() && Rights.Logged()) {
        Rights.GetRight("SecuredForm1"); // the mask lands in Rights.Mask
        const int mask = Rights.Mask;
        UserLine->setText(QStringLiteral("Logged in as %1; SecuredForm1 rights: %2")
                              .arg(QString::fromUtf8(Rights.UserName().c_str()))
                              .arg(mask));
    } else {
        UserLine->setText(QStringLiteral("Not logged in"));
    }
    TSecuredForm::AfterRightsCheck();
}
