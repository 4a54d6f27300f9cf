#include "viewer/QMMapDocDialogs.h"

#include <QAbstractScrollArea>

#include "viewer/LRPropDialog.h"
#include "viewer/LVPropDialog.h"
#include "viewer/QMMapDoc.h"

namespace {

// The dialog's owner may show the map without a frame that follows the
// document; the paint request is cheap and coalesces with the frame's.
void InvalidateView(QWidget* view)
{
    if (!view) return;
    if (auto* area = qobject_cast<QAbstractScrollArea*>(view)) area->viewport()->update();
    else view->update();
}

// The setters leave CustomKind alone; it follows the stored style here, so
// that the composition writer saves the custom style with its kind.
void StoreCustomSet(VectorLayer& vector, const TStyleSet& set, bool useCustom)
{
    switch (set.Kind) {
    case skArea: SetAreaStyle(vector, set.Area, set.Opacity, useCustom); break;
    case skLine: SetLineStyle(vector, set.Line, useCustom); break;
    case skPoint: SetPointStyle(vector, set.Point, useCustom); break;
    default: return;
    }
    vector.CustomKind = set.Kind;
}

} // namespace

bool EditLayerProperties(TQMMapDoc& doc, std::string_view path, QWidget* owner, QWidget* view)
{
    Layer* layer = doc.LayerByName(path);
    if (!layer) return false;
    if (layer->Kind == lkRaster) {
        TLRPropDlg dialog(owner);
        dialog.SetEditedLayer(layer);
        // The dialog changes the raster itself, while it is open.
        dialog.SetRasterChanged([&doc]() { doc.LayersRestyled(); });
        dialog.SetMapView(view);
        return dialog.exec() == QDialog::Accepted;
    }
    if (layer->Kind != lkVector || !layer->Vector) return false;
    TLVPropDlg dialog(owner);
    dialog.SetLayerFileName(layer->FileName);
    dialog.SetVectorData(layer->Vector.get());
    dialog.SetMapView(view);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted)
        doc.RestyleLayer(path, [&dialog](Layer& edited) {
            if (edited.Vector) StoreCustomSet(*edited.Vector, dialog.GetCustomSet(), dialog.UseCustom());
        });
    InvalidateView(view);
    return accepted;
}
