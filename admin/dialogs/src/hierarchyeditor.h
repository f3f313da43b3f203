#pragma once
// The one place the administration dialog opens the group hierarchy editor;
// the editor is wired in by replacing this function.

class QWidget;

namespace Security {

class TSecDModDlgBaseFrm;

// Opens the editor on the hierarchy of `module`'s groups; `newGroupID` is a
// group just created that the editor places (-1: none). A new group stays
// created whatever happens here.
void openHierarchyEditor(QWidget* owner, TSecDModDlgBaseFrm& module, int newGroupID);

} // namespace Security
