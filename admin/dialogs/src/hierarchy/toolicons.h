#pragma once
// The tool-bar images of the hierarchy editor, drawn rather than shipped: the
// selection pointer, and one arrow per relation type in the colour and
// thickness the canvas draws that type with. A locked tool shows a small
// padlock.

#include "hierarchy/hierarchymodel.h"

#include <QIcon>

namespace Security {

QIcon ToolIcon(THierarchyTool tool, bool locked);

} // namespace Security
