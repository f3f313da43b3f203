#pragma once
// Message boxes and modal runs. Every message box and every modal run of the
// system goes through these functions, so that tests can answer them through
// a hook instead of a user (no timers, nothing shown).

#include <QDialog>

#include <functional>
#include <string>

namespace vcl {

// Buttons (flags & 0x0f).
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
// Icons (flags & 0xf0).
inline constexpr unsigned MB_ICONSTOP = 0x10;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
// Default button (flags & 0xf00).
inline constexpr unsigned MB_DEFBUTTON1 = 0x000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;
// Results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// What a message box asks, decoded from the flags.
struct MessageBoxRequest {
    // The owner window's handle (may be null), the text and the caption.
    void* owner = nullptr;
    std::string text;
    std::string caption;
    unsigned buttons = MB_OK; // one of MB_OK ... MB_RETRYCANCEL
    unsigned icon = 0; // 0 or one of the MB_ICON... values
    int defaultButton = 1; // 1, 2 or 3: position of the default button
};

// Answers a message box instead of a person: returns the ID of the button pressed.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;

// Shows a modal message box owned by `ownerWindow` (a window handle, may be
// null) and returns the ID of the button pressed. Closing the box answers as
// its cancel button; without one, Yes/No answers IDNO, Abort/Retry/Ignore
// IDABORT, OK IDOK. When a message-box hook is set, the hook answers instead
// and nothing is shown; otherwise the box runs through RunModal, so a modal
// hook can drive it like any dialog. Returns 0 without asking for a button set
// other than the six above, or when there is no widget application.
int MessageBox(
    void* ownerWindow, const std::string& text, const std::string& caption, unsigned flags);

// Installs `hook` (an empty one removes it) and returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// Installs a hook for its lifetime and restores the previous one afterwards.
class ScopedMessageBoxHook {
public:
    // Installs `hook` until the end of the scope.
    explicit ScopedMessageBoxHook(MessageBoxHook hook)
        : previous_(SetMessageBoxHook(std::move(hook)))
    {
    }
    ~ScopedMessageBoxHook() { SetMessageBoxHook(std::move(previous_)); }
    ScopedMessageBoxHook(const ScopedMessageBoxHook&) = delete;
    ScopedMessageBoxHook& operator=(const ScopedMessageBoxHook&) = delete;

private:
    MessageBoxHook previous_;
};

// Modal results of forms and dialogs.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

// Drives a dialog shown by RunModal instead of a person.
using ModalHook = std::function<void(QDialog&)>;

// Runs `dialog` modally: 1 (mrOk) when it ends accepted, 2 (mrCancel) for any
// other end. With a modal hook set, the dialog is shown without a modal loop
// (its show handlers run), the hook drives it (fills edits, sends keys, clicks
// buttons), and a dialog still open afterwards is rejected.
int RunModal(QDialog& dialog);

// Installs `hook` (an empty one removes it) and returns the previous hook.
ModalHook SetModalHook(ModalHook hook);

// Installs a modal hook for its lifetime and restores the previous one afterwards.
class ScopedModalHook {
public:
    // Installs `hook` until the end of the scope.
    explicit ScopedModalHook(ModalHook hook)
        : previous_(SetModalHook(std::move(hook)))
    {
    }
    ~ScopedModalHook() { SetModalHook(std::move(previous_)); }
    ScopedModalHook(const ScopedModalHook&) = delete;
    ScopedModalHook& operator=(const ScopedModalHook&) = delete;

private:
    ModalHook previous_;
};

} // namespace vcl
