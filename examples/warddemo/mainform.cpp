#include "mainform.h"

#include <QCoreApplication>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

#include <exception>
#include <iostream>
#include <string>

using Security::TSecRights;

namespace {
const char* const kSecurityName = "WardDemo";
const char* const kFormName = "MainFrm";
const char* const kConnectFailMsg
    = "Application was not able to connect to Security database. Quitting.";
const char* const kRetryMsg
    = "You cannot run this program without valid user and password. Press OK "
      "to try again or Cancel to exit the program.";
const char* const kInvalidCaption = "Invalid login";

QString MaskText(int mask)
{
    QStringList names;
    const char* const rights[] = { "View", "Insert", "Modify", "Delete" };
    for (int bit = 0; bit < 4; ++bit)
        if (mask & (1 << bit))
            names << QString::fromLatin1(rights[bit]);
    return names.isEmpty() ? QStringLiteral("none") : names.join(QStringLiteral(", "));
}
} // namespace

Security::TSecurity* RegisterWardDemoSecurity()
{
    return TSecRights::AddSecurity(kSecurityName, "WardDemo2", "Torvane:BDE", "BDE",
        const_cast<char*>("RecordsetStoredProcs=0, CachedUpdates=1, BDESQLParams=0"),
        "SecurityCheck", "KDplenovit", kConnectFailMsg, kRetryMsg, kInvalidCaption, "WardDemo",
        nullptr, true);
}

TMainFrm::TMainFrm(QWidget* parent)
    : QWidget(parent)
    , Rights(static_cast<Security::TSecurity*>(nullptr))
{
    setObjectName(QString::fromLatin1(kFormName));
    setWindowTitle(QStringLiteral("MainFrm"));

    Label1 = new QLabel(QStringLiteral("WardDemo"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setPointSize(28);
    big.setBold(true);
    Label1->setFont(big);
    Label1->setAlignment(Qt::AlignCenter);

    auto button = [this](const char* objectName, const char* caption, const char* hint,
                      void (TMainFrm::*handler)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(objectName));
        b->setToolTip(QString::fromLatin1(hint));
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    SecurityBtn = button(
        "SecurityBtn", "Security", "Full administration dialog", &TMainFrm::SecurityBtnClick);
    LoginBtn = button("LoginBtn", "Login", "Log in again", &TMainFrm::LoginBtnClick);
    LogoutBtn = button("LogoutBtn", "Logout", "Log the user out", &TMainFrm::LogoutBtnClick);
    SmallDlgBtn = button(
        "SmallDlgBtn", "SmallDlg", "Simple administration dialog", &TMainFrm::SmallDlgBtnClick);

    UserLine = new QLabel(this);
    UserLine->setObjectName(QStringLiteral("UserLine"));
    UserLine->setAlignment(Qt::AlignCenter);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : { SecurityBtn, LoginBtn, LogoutBtn, SmallDlgBtn })
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    layout->addWidget(UserLine);
    // Closing the main window ends the program.
    auto* quit = new QShortcut(QKeySequence::Quit, this);
    connect(quit, &QShortcut::activated, this, &QWidget::close);
    ShowUser();
}

TMainFrm::~TMainFrm() = default;

void TMainFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TMainFrm::FormShow()
{
    if (Rights.Binded())
        return;
    try {
        Rights.Bind(kSecurityName);
    } catch (const std::exception&) {
        // Without a user the program must not run: end it once the event loop
        // runs (a window is shown before the loop starts).
        bindFailed_ = true;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(1); }, Qt::QueuedConnection);
        return;
    }
    ShowUser();
}

void TMainFrm::SecurityBtnClick()
{
    Rights.ShowDlg(nullptr, false);
    ShowUser();
}

void TMainFrm::LoginBtnClick()
{
    Rights.AutoLogin();
    ShowUser();
}

void TMainFrm::LogoutBtnClick()
{
    Rights.Logout();
    ShowUser();
}

void TMainFrm::SmallDlgBtnClick()
{
    Rights.ShowSmpDlg(nullptr, false);
    ShowUser();
}

// The line is written to standard output too, so that a script driving the
// window can follow who is logged in and what he may do.
void TMainFrm::ShowUser()
{
    const QString line = UserLineText();
    UserLine->setText(line);
    std::cout << line.toStdString() << std::endl;
}

QString TMainFrm::UserLineText()
{
    if (!Rights.Binded() || !Rights.Logged())
        return QStringLiteral("Not logged in");
    // GetRight answers the form's ID and leaves the rights in Mask.
    Rights.GetRight(kFormName);
    const int mask = Rights.Mask;
    return QStringLiteral("Logged in as %1 (%2); %3 rights: %4 (%5)")
        .arg(QString::fromUtf8(Rights.UserName().c_str()),
            QString::fromUtf8(Rights.UserFullName().c_str()), QString::fromLatin1(kFormName),
            QString::number(mask), MaskText(mask));
}
