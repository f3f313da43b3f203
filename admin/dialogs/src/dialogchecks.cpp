#include "dialogchecks.h"

#include <wardlock/platform/application.h>
#include <wardlock/platform/dialogs.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace Security {

namespace {

QString TextOf(const QWidget* edit)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(edit))
        return line->text();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(edit))
        return text->toPlainText();
    return {};
}

// What the edit is called on screen: its label without the accelerator
// mark and the colon.
QString LabelOf(const QWidget* dialog, const QWidget* edit)
{
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->buddy() != edit)
            continue;
        QString text = label->text();
        text.remove(u'&');
        while (text.endsWith(u':') || text.endsWith(u' '))
            text.chop(1);
        return text;
    }
    return edit->objectName();
}

void Refuse(QWidget* edit)
{
    edit->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(edit))
        line->selectAll();
}

} // namespace

void ShowSecMessage(QWidget* owner, TSecStringId text, TSecStringId caption, unsigned icon)
{
    vcl::MessageBox(
        vcl::WindowHandle(owner), SecString(text), SecString(caption), vcl::MB_OK | icon);
}

bool CheckNames(QWidget* dialog, QLineEdit* name, QLineEdit* fullName)
{
    for (QLineEdit* edit : { name, fullName }) {
        if (edit->text().isEmpty()) {
            ShowSecMessage(dialog, sEnterNames, sCaptionInformation, vcl::MB_ICONEXCLAMATION);
            Refuse(edit);
            return false;
        }
    }
    return true;
}

bool CheckTextLimits(QWidget* dialog, std::initializer_list<TTextLimit> limits)
{
    for (const TTextLimit& limit : limits) {
        if (TextOf(limit.edit).toUtf8().size() <= limit.maxBytes)
            continue;
        const std::string text = SecFormat(sTextTooLong, LabelOf(dialog, limit.edit).toStdString(),
            std::to_string(limit.maxBytes));
        vcl::MessageBox(vcl::WindowHandle(dialog), text, SecString(sCaptionInformation),
            vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
        Refuse(limit.edit);
        return false;
    }
    return true;
}

std::string Utf8(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

std::string Utf8(const QPlainTextEdit* edit)
{
    return edit->toPlainText().toStdString();
}

} // namespace Security
