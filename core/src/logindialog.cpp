// The login dialog: two edits, two buttons and the read-only
// application/database box, laid out by its form (logindialog.ui).

#include <wardlock/logindialog.h>

#include "ui_logindialog.h"

#include <wardlock/platform/dialogs.h>

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace Security {

TSecurityPasswordDlgFrm::TSecurityPasswordDlgFrm(vcl::TComponent* owner)
    : vcl::TForm(owner)
{
    // The form (logindialog.ui) lays the controls out and names them; the
    // controls belong to the dialog, so the form's object is not kept.
    Ui::SecurityPasswordDlgFrm form;
    form.setupUi(this);
    User = form.User;
    Passwd = form.Passwd;
    OKBtn = form.OKBtn;
    CancelBtn = form.CancelBtn;
    DatabaseName = form.DatabaseName;
    Label1 = form.Label1;
    Label2 = form.Label2;
    Label3 = form.Label3;

    // A dialog border with a title but no system menu, minimise, maximise or
    // close button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // Enter confirms whatever has the focus: OK is the default button and no
    // button takes Enter for itself (the form turns autoDefault off). Escape
    // cancels through the dialog.

    // The read-only box looks like the buttons' face.
    QPalette palette = DatabaseName->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    DatabaseName->setPalette(palette);

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
