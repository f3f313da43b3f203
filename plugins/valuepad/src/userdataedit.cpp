#include "userdataedit.h"

#include "subparams.h"

#include <wardlock/keeper/parameditor.h>
#include <wardlock/platform/dialogs.h>

#include <QLabel>

#include <string_view>

namespace Valuepad {

namespace {

std::string Utf8(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

} // namespace

TUserDataEdit::TUserDataEdit(vcl::TComponent* owner, const Security::TSecSmpParamEd& context)
    : vcl::TForm(owner)
    , context_(context)
{
    setupUi(this);
    connect(OKBtn, &QPushButton::clicked, this, &TUserDataEdit::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TUserDataEdit::reject);
    const char* value = static_cast<const char*>(context_.Data);
    Alias->setText(QString::fromUtf8(value ? value : ""));
    const auto edits = SubParamEdits();
    for (std::size_t i = 0; i < edits.size(); ++i) {
        original_[i] = context_.GetSubParam(kSubParams[i].name).str();
        edits[i]->setText(QString::fromStdString(original_[i]));
    }
    Alias->setFocus();
}

TUserDataEdit::~TUserDataEdit() = default;

std::array<QLineEdit*, 5> TUserDataEdit::SubParamEdits() const
{
    return { Surname, UserName, Street, House, Place };
}

tor::pswdsstr<16> TUserDataEdit::Value() const
{
    return tor::pswdsstr<16>(std::string_view(Utf8(Alias)));
}

void TUserDataEdit::accept()
{
    // Too long a text is refused, never cut.
    for (QLineEdit* edit : { Alias, Surname, UserName, Street, House, Place }) {
        if (edit->text().toUtf8().size() <= kFieldBytes)
            continue;
        QString label;
        for (const QLabel* candidate : findChildren<QLabel*>())
            if (candidate->buddy() == edit)
                label = candidate->text().remove(u'&').remove(u':');
        vcl::MessageBox(vcl::WindowHandle(this),
            QStringLiteral("%1 may hold at most %2 bytes.")
                .arg(label)
                .arg(kFieldBytes)
                .toStdString(),
            windowTitle().toStdString(), vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
        edit->setFocus();
        edit->selectAll();
        return;
    }
    const auto edits = SubParamEdits();
    std::size_t written = 0;
    try {
        for (; written < edits.size(); ++written)
            context_.SetSubParam(kSubParams[written].name, Utf8(edits[written]).c_str());
    } catch (const std::exception& error) {
        // All or nothing: what was written goes back to its value.
        for (std::size_t i = 0; i < written; ++i) {
            try {
                context_.SetSubParam(kSubParams[i].name, original_[i].c_str());
            } catch (const std::exception&) {
            }
        }
        vcl::MessageBox(vcl::WindowHandle(this), error.what(), windowTitle().toStdString(),
            vcl::MB_OK | vcl::MB_ICONSTOP);
        return;
    }
    vcl::TForm::accept();
}

} // namespace Valuepad
