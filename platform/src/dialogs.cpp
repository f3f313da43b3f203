#include "wardlock/platform/dialogs.h"

#include "wardlock/platform/application.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

#include <utility>
#include <vector>

namespace vcl {

namespace {

MessageBoxHook& messageBoxHook()
{
    static MessageBoxHook hook;
    return hook;
}

ModalHook& modalHook()
{
    static ModalHook hook;
    return hook;
}

struct ButtonChoice {
    QMessageBox::StandardButton button;
    int id;
};

struct ButtonSet {
    std::vector<ButtonChoice> choices; // left to right, as on Windows
    int closeId = 0; // the answer when the box is closed
};

ButtonSet buttonsOf(unsigned buttons)
{
    using B = QMessageBox;
    switch (buttons) {
    case MB_OK:
        return { { { B::Ok, IDOK } }, IDOK };
    case MB_OKCANCEL:
        return { { { B::Ok, IDOK }, { B::Cancel, IDCANCEL } }, IDCANCEL };
    case MB_ABORTRETRYIGNORE:
        return { { { B::Abort, IDABORT }, { B::Retry, IDRETRY }, { B::Ignore, IDIGNORE } },
            IDABORT };
    case MB_YESNOCANCEL:
        return { { { B::Yes, IDYES }, { B::No, IDNO }, { B::Cancel, IDCANCEL } }, IDCANCEL };
    case MB_YESNO:
        return { { { B::Yes, IDYES }, { B::No, IDNO } }, IDNO };
    case MB_RETRYCANCEL:
        return { { { B::Retry, IDRETRY }, { B::Cancel, IDCANCEL } }, IDCANCEL };
    default:
        return {};
    }
}

QMessageBox::Icon iconOf(unsigned icon)
{
    switch (icon) {
    case MB_ICONSTOP:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// The box runs through RunModal like every modal run, so a modal hook can
// drive it as well (and one that ignores it closes it instead of blocking).
int showMessageBox(const MessageBoxRequest& request, const ButtonSet& set)
{
    QMessageBox box(iconOf(request.icon), QString::fromStdString(request.caption),
        QString::fromStdString(request.text), QMessageBox::NoButton,
        WindowFromHandle(request.owner));
    std::vector<QPushButton*> buttons;
    for (const auto& choice : set.choices) {
        buttons.push_back(box.addButton(choice.button));
        if (choice.id == set.closeId)
            box.setEscapeButton(buttons.back());
    }
    const auto defaultIndex = static_cast<size_t>(request.defaultButton - 1);
    box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0]);
    RunModal(box);
    for (size_t i = 0; i < buttons.size(); ++i)
        if (buttons[i] == box.clickedButton())
            return set.choices[i].id;
    return set.closeId;
}

} // namespace

int MessageBox(
    void* ownerWindow, const std::string& text, const std::string& caption, unsigned flags)
{
    MessageBoxRequest request;
    request.owner = ownerWindow;
    request.text = text;
    request.caption = caption;
    request.buttons = flags & 0x0fu;
    request.icon = flags & 0xf0u;
    request.defaultButton = static_cast<int>((flags & 0xf00u) >> 8) + 1;
    const ButtonSet set = buttonsOf(request.buttons);
    if (set.choices.empty())
        return 0;
    if (const MessageBoxHook hook = messageBoxHook())
        return hook(request);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 0;
    return showMessageBox(request, set);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return std::exchange(messageBoxHook(), std::move(hook));
}

int RunModal(QDialog& dialog)
{
    // A copy: the hook may replace itself while it runs.
    const ModalHook hook = modalHook();
    if (!hook)
        return dialog.exec() == QDialog::Accepted ? mrOk : mrCancel;

    QPointer<QDialog> alive(&dialog);
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    try {
        hook(dialog);
    } catch (...) {
        if (alive && alive->isVisible())
            alive->reject();
        throw;
    }
    if (!alive)
        return mrCancel;
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result() == QDialog::Accepted ? mrOk : mrCancel;
}

ModalHook SetModalHook(ModalHook hook)
{
    return std::exchange(modalHook(), std::move(hook));
}

} // namespace vcl
