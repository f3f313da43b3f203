#pragma once
// The checks the user, group and right dialogs make before closing with OK,
// and their message boxes. A refused check shows its box (owned by the
// dialog), puts the focus on the edit concerned and returns false; the dialog
// stays open with everything typed.

#include <wardlock/keeper/strings.h>

#include <QString>

#include <initializer_list>
#include <string>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace Security {

// Column sizes in bytes of UTF-8 text.
inline constexpr int kNameBytes = 16;
inline constexpr int kFullNameBytes = 50;
inline constexpr int kDescriptionBytes = 255;
inline constexpr int kPasswdBytes = 16;

// A message box with a text and caption of the string table.
void ShowSecMessage(QWidget* owner, TSecStringId text, TSecStringId caption, unsigned icon);

// Message 91 unless both the name and the full name hold something.
bool CheckNames(QWidget* dialog, QLineEdit* name, QLineEdit* fullName);

// One edit and the bytes its text may take.
struct TTextLimit {
    QWidget* edit; // a QLineEdit or QPlainTextEdit
    int maxBytes;
};
// Refuses the first text longer than its limit, naming the edit's label.
bool CheckTextLimits(QWidget* dialog, std::initializer_list<TTextLimit> limits);

// The text of an edit as UTF-8.
std::string Utf8(const QLineEdit* edit);
std::string Utf8(const QPlainTextEdit* edit);

} // namespace Security
