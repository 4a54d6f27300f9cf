#pragma once
// The layer properties command: the one operation on the document that opens
// windows. It lives with the dialogs so that the document itself knows no
// window type and builds without Qt.
#include <string_view>

class QWidget;
class TQMMapDoc;

// The modal properties dialog of the layer of `doc` whose path is `path`
// (compared without regard to case), owned by `owner`: the raster dialog
// changes the raster itself; after OK the vector dialog's custom set is
// stored in the layer through the document, which announces either change.
// True when the dialog closed with OK; false also when no layer has that
// path.
bool EditLayerProperties(TQMMapDoc& doc, std::string_view path, QWidget* owner, QWidget* view);
