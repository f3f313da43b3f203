#pragma once
// A dialog's layout in the user-scope settings: window sizes and splitter
// positions as named integers under one key, and the column widths of its
// grids in sections below that key. Reading takes only what is present;
// writing failures are ignored (a layout that cannot be kept is not worth a
// message box when a dialog closes).

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tor {
class TTorDBGrid;
}

namespace Security {

class TDialogLayout {
public:
    // `key`: a path under the user scope, e.g.
    // "Software\\Torvane\\Wardlock\\1.0\\Layout\\SecurityDlg".
    explicit TDialogLayout(std::string key);

    // Calls `apply` with the stored value of `name` when it is present and a
    // number.
    void Read(const std::string& name, const std::function<void(int)>& apply) const;
    void Write(const std::string& name, int value) const;

    // The grids and their sections, in one place so that loading and saving
    // cannot drift apart.
    using TGridSections = std::vector<std::pair<tor::TTorDBGrid*, std::string>>;
    void LoadGrids(const TGridSections& grids) const;
    void SaveGrids(const TGridSections& grids) const;

    const std::string& Key() const noexcept { return key_; }

private:
    std::string key_;
};

} // namespace Security
