#pragma once
// A list of text lines, as the component framework keeps SQL statements,
// connection parameters ("NAME=value" lines) and option lists. Text is UTF-8.

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace vcl {

// A list of text lines (an SQL text, "NAME=value" parameters) with a change notification. Indexes
// out of range throw EDatabaseError.
class TStrings {
public:
    TStrings() = default;
    // The given lines.
    TStrings(std::initializer_list<std::string> lines)
        : lines_(lines)
    {
    }
    // Copies the lines only; the change handler belongs to the owner of each list.
    TStrings(const TStrings& other)
        : lines_(other.lines_)
    {
    }
    TStrings& operator=(const TStrings& other);

    // The number of lines; one line by index; replacing one.
    int Count() const noexcept { return static_cast<int>(lines_.size()); }
    const std::string& Strings(int index) const;
    const std::string& operator[](int index) const { return Strings(index); }
    void SetStrings(int index, const std::string& line);

    // Add appends (returns its index), Insert inserts before `index`, Delete removes, Clear
    // empties; each calls OnChange.
    int Add(const std::string& line);
    void Insert(int index, const std::string& line);
    void Delete(int index);
    void Clear();
    // Index of the line equal to `line` (exact), -1 when absent.
    int IndexOf(const std::string& line) const;

    // All lines joined, each followed by a line break ("\n"). Setting splits at
    // "\n" (a "\r" before it is dropped); a final line break adds no empty line.
    std::string Text() const;
    void SetText(const std::string& text);

    // "NAME=value" access. Names compare without regard to case.
    int IndexOfName(const std::string& name) const;
    std::string Names(int index) const;
    std::string Values(const std::string& name) const; // "" when absent
    // Replaces the value of the first line with that name, or appends a line;
    // an empty value removes the line, as the component framework does.
    void SetValues(const std::string& name, const std::string& value);

    // All lines.
    const std::vector<std::string>& Lines() const noexcept { return lines_; }

    // Called after every change (the owner of an SQL list re-reads its
    // parameters there).
    std::function<void()> OnChange;

    // Equal when the lines are.
    bool operator==(const TStrings& other) const { return lines_ == other.lines_; }

private:
    void Changed();

    std::vector<std::string> lines_;
};

// The component framework's name for the same list.
using TStringList = TStrings;

} // namespace vcl
