#pragma once
// The colour legends of the administration dialogs: a pop-up menu per grid
// whose entries are drawn in the colour they explain, on the button-face
// colour, without the accelerator mark, and which pops up below its "Legend"
// button.

#include <QColor>
#include <QString>

#include <vector>

class QMenu;
class QWidget;
class QAbstractButton;

namespace Security {

struct TLegendEntry {
    QString caption; // may hold an accelerator mark, which is not drawn
    QColor color;
};

// The colours the grids draw with, so that legend and grid cannot disagree.
namespace LegendColors {
inline const QColor GroupDefault = QColor(0x00, 0x00, 0xFF); // blue
inline const QColor GroupDefaultLocked = QColor(0xFF, 0x00, 0xFF); // fuchsia
inline const QColor OwnValue = QColor(0x00, 0x00, 0x00); // black
inline const QColor OwnValueLocked = QColor(0xFF, 0x00, 0x00); // red
inline const QColor Modifiable = QColor(0x00, 0x80, 0x00); // green
inline const QColor ModifiableSelected = QColor(0x00, 0xFF, 0x00); // lime
} // namespace LegendColors

// The text colour of a parameter value: a group default blue (fuchsia
// when the user may not change it), an own value in the grid's colour (red
// when he may not change it). Drawn the same selected or not.
QColor ParamValueColor(bool groupDefault, bool userMayModify);

// The three legends.
std::vector<TLegendEntry> ParamsLegend();
std::vector<TLegendEntry> RightsLegend();
std::vector<TLegendEntry> UsersLegend();

// A menu owned by `parent` showing `entries`.
QMenu* MakeLegendMenu(QWidget* parent, const std::vector<TLegendEntry>& entries);

// Makes `button` pop `menu` up just below itself.
void AttachLegend(QAbstractButton* button, QMenu* menu);

} // namespace Security
