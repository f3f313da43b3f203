#pragma once
// Connection-string templates of the ADO providers (the runtime provider and
// its administration sibling): "...User ID=%s;Password=%s..." with the
// database user name going into the first "%s" and the database password into
// the second.
//
// A template is 8-bit text (UTF-8) unless it is the 8-bit text "%ws" (three
// bytes and the zero byte that ends them): then bytes 4 and 5 are padding and
// the text is UTF-16 code units (native byte order, as char16_t) from byte 6
// up to the first zero code unit. The caller of a wide template guarantees
// that layout; WideTemplate() builds one. 8-bit text that merely starts with
// "%ws" is 8-bit text.
//
// Filling is a plain substitution, never printf: only "%s" is replaced, every
// other '%' stays as it stands. A value that would change the meaning of the
// connection string (it holds ';', starts with a quote, or has blanks at an
// end) is quoted the way the string's reader accepts ("..." or '...'); a value
// holding ';' and both quote characters cannot be written and is refused.

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Security::ado {

// The template's text, read as described above (null reads as empty).
QString TemplateText(const char* connectionTemplate);
// The same for a stored copy of known length: the wide layout is read only as
// far as `stored` reaches, so a copy that ends after "%ws" (as a copy of a
// wide template made as a C string does) reads as empty.
QString TemplateText(std::string_view stored);

// A copy of the database text a caller hands over, whole: a wide template
// up to and including its zero unit (a C-string copy would keep only "%ws"),
// anything else up to its zero byte; null gives an empty copy.
std::string StoredTemplate(const char* connectionTemplate);

// The bytes of a wide template for `text`: "%ws", three zero bytes, the UTF-16
// code units and a zero unit.
std::string WideTemplate(std::u16string_view text);

// `value` as it may stand after "Name=" in a connection string; nullopt when
// it cannot be written.
std::optional<QString> ConnectionValue(const QString& value);

// A filled template.
struct FilledTemplate {
    // The filled text.
    QString text;
    // Where each substituted argument starts in `text`, in argument order.
    std::vector<qsizetype> offsets;
    // False when an argument could not be written (see ConnectionValue).
    bool valid = true;
};

// Replaces the first "%s" by the first argument, the next by the second, ...;
// placeholders beyond the arguments stay as "%s". Arguments are written
// through ConnectionValue, except `verbatim` ones (e.g. a fresh "%s").
struct TemplateArgument {
    // The value, and whether it is written as it stands.
    QString value;
    bool verbatim = false;
};
// Fills `text` as described above; `valid` is false when an argument was refused.
FilledTemplate FillTemplate(const QString& text, const std::vector<TemplateArgument>& arguments);

} // namespace Security::ado
