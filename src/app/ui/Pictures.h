#pragma once
// The program's pictures, drawn as SVG and built into the program: the tree's image list, the
// status panel's pictures and the tool-bar pictures.

#include <QIcon>
#include <QPixmap>

namespace pg {

// Tree picture by image index (0 to 8; an index without a picture gives an empty icon).
QIcon TreePicture(int index);
// A tree node's icon: its picture with the state picture (viewed) drawn over its corner.
QIcon NodeIcon(int image, int state);
// Status panel picture by index (16 to 23).
QPixmap StatusPicture(int index, int size);
// Tool-bar picture by name ("open", "print", "changed", "view", "webdocs", "email", "attach",
// "close").
QIcon ToolPicture(const QString& name);

} // namespace pg
