// The login dialog: fixed layout, two edits, two buttons and the read-only
// application/database box.

#include <wardlock/logindialog.h>

#include <wardlock/platform/dialogs.h>

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace Security {

namespace {

template<class Widget>
Widget* Place(QWidget* parent, const char* name, int left, int top, int width, int height)
{
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* PlaceLabel(QWidget* parent, const char* name, const char* text, int left, int top)
{
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

TSecurityPasswordDlgFrm::TSecurityPasswordDlgFrm(vcl::TComponent* owner)
    : vcl::TForm(owner)
{
    setObjectName(QStringLiteral("SecurityPasswordDlgFrm"));
    setWindowTitle(QStringLiteral("Authorization"));
    // A dialog border with a title but no system menu, minimise, maximise or
    // close button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(349, 117);

    Label3 = PlaceLabel(this, "Label3", "App./database:", 15, 10);
    DatabaseName = Place<QLineEdit>(this, "DatabaseName", 91, 7, 150, 21);
    Label2 = PlaceLabel(this, "Label2", "&User:", 15, 28);
    User = Place<QLineEdit>(this, "User", 15, 46, 226, 21);
    Label1 = PlaceLabel(this, "Label1", "&Password:", 15, 74);
    Passwd = Place<QLineEdit>(this, "Passwd", 15, 92, 226, 21);
    OKBtn = Place<QPushButton>(this, "OKBtn", 258, 7, 81, 25);
    CancelBtn = Place<QPushButton>(this, "CancelBtn", 261, 40, 78, 24);

    Label2->setBuddy(User);
    Label1->setBuddy(Passwd);
    Passwd->setEchoMode(QLineEdit::Password);
    OKBtn->setText(QStringLiteral("OK"));
    CancelBtn->setText(QStringLiteral("Cancel"));
    // Enter confirms whatever has the focus (also the Cancel button); Escape
    // cancels through the dialog itself.
    OKBtn->setAutoDefault(false);
    OKBtn->setDefault(true);
    CancelBtn->setAutoDefault(false);

    DatabaseName->setReadOnly(true);
    DatabaseName->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    QPalette palette = DatabaseName->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    DatabaseName->setPalette(palette);

    setTabOrder(User, Passwd);
    setTabOrder(Passwd, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, DatabaseName);

    connect(OKBtn, &QPushButton::clicked, this, [this] { SetModalResult(vcl::mrOk); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { SetModalResult(vcl::mrCancel); });
}

TSecurityPasswordDlgFrm::~TSecurityPasswordDlgFrm() = default;

std::string TSecurityPasswordDlgFrm::UserText() const
{
    return User->text().toStdString();
}

std::string TSecurityPasswordDlgFrm::PasswdText() const
{
    return Passwd->text().toStdString();
}

void TSecurityPasswordDlgFrm::SetDatabaseText(const std::string& text)
{
    DatabaseName->setText(QString::fromStdString(text));
}

void TSecurityPasswordDlgFrm::showEvent(QShowEvent* event)
{
    vcl::TForm::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TSecurityPasswordDlgFrm::FormShow()
{
    // Centred on the screen.
    if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // The password never survives an attempt; the user name stays, selected.
    Passwd->clear();
    User->setFocus(Qt::OtherFocusReason);
    User->selectAll();
}

} // namespace Security
