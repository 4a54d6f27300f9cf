#include "viewer/QMMapDoc.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geodata/Alberts.h"
#include "geodata/AngleConvert.h"
#include "geodata/IdrisiRST.h"
#include "geodata/LangUnit.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/RuntimeErrors.h"
#include "viewer/LayerFormats.h"

namespace {

constexpr const char* kUnit = "QMMapDoc";

// A layer's own rect in layer units; false for a vector layer without
// objects (and for a layer whose payload is gone).
bool LayerOwnRect(const Layer& layer, TDoubleRect& rect)
{
    if (layer.Kind == lkRaster) {
        if (!layer.Raster || !layer.Raster->Image) return false;
        rect = layer.Raster->Image->GetBounds();
        return true;
    }
    if (!layer.Vector || layer.Vector->Objects.empty()) return false;
    rect = layer.Vector->Objects.front().Bounds;
    for (const MapObject& object : layer.Vector->Objects) rect = RectUnion(rect, object.Bounds);
    return true;
}

} // namespace

TQMMapDoc::TQMMapDoc() : LayerList(std::make_unique<TLayerList>())
{
    QM_ASSERT(kUnit, LayerList->AllLayersValid());
}

TQMMapDoc::~TQMMapDoc()
{
    // A document can go while its layers break an invariant (a load that
    // failed after frozen layers were merged leaves them owned and frozen);
    // it still releases what it owns, without the checks that would throw.
    LayerList->ReleaseLayers(TLayerList::TReleaseScope::OwnedLayers);
}

void TQMMapDoc::SetPaletteDefaults(std::string folder, std::string fileName)
{
    PaletteFolder = IncludeTrailingPathDelimiter(folder);
    DefaultPalette = std::move(fileName);
}

TDoubleRect TQMMapDoc::GetExtent()
{
    if (ExtentValid) return Extent;
    TDoubleRect total;
    bool first = true;
    for (std::int32_t i = 0; i < LayerCount(); ++i) {
        const Layer& layer = *LayerList->Items(i);
        TDoubleRect own;
        if (LayerOwnRect(layer, own)) {
            TDoubleRect mapped = TransformRect(layer.LayerToMap, own);
            total = first ? mapped : RectUnion(total, mapped);
        } else if (first) {
            // An empty first layer starts the union at the all-zero rect; a
            // later one adds nothing (its scale must not touch the total,
            // which is already in map units).
            total = TransformRect(layer.LayerToMap, TDoubleRect{});
        }
        first = false;
    }
    Extent = total;
    ExtentValid = true;
    return Extent;
}

void TQMMapDoc::PointToCoordTexts(const TDoublePoint& p, std::string& xText, std::string& yText)
{
    xText.clear();
    yText.clear();
    if (!PointInRect(p, GetExtent())) return;
    std::uint8_t projection = LayerList->GetProjection();
    std::uint8_t units = LayerList->GetUnits();
    if (projection != prLatLong && projection != prAlberRus) {
        xText = FormatG(p.x);
        yText = FormatG(p.y);
        return;
    }
    double longitude = p.x;
    double latitude = p.y;
    if (projection == prLatLong && units == unDegree) {
        longitude = p.x * std::numbers::pi / 180;
        latitude = p.y * std::numbers::pi / 180;
    } else if (projection == prAlberRus) {
        double f = UnitFactor(units, unMetre);
        AlbersToGeo(p.x * f, p.y * f, longitude, latitude);
    }
    // AngleToText gives '' for values that are no angle (NaN, infinities).
    if (longitude != kAlbersFailure) xText = LongitudeToText(longitude);
    if (latitude != kAlbersFailure) yText = LatitudeToText(latitude);
}

std::string TQMMapDoc::LanguageCode() const { return GetLanguage(ExecutablePath()) == 2 ? "RUS" : "ENU"; }

std::int32_t TQMMapDoc::LayerCount() const { return LayerList->Count(); }

std::int32_t TQMMapDoc::LayerIndexByName(std::string_view path) const
{
    for (std::int32_t i = 0; i < LayerCount(); ++i)
        if (SameText(LayerList->Items(i)->FileName, path)) return i;
    return -1;
}

Layer* TQMMapDoc::LayerByName(std::string_view path) const
{
    std::int32_t i = LayerIndexByName(path);
    return i < 0 ? nullptr : LayerList->Items(i).get();
}

void TQMMapDoc::AddObserver(TLayerObserver& observer)
{
    Observers.push_back(&observer);
}

void TQMMapDoc::RemoveObserver(TLayerObserver& observer)
{
    std::erase(Observers, &observer);
}

void TQMMapDoc::Announce(const TLayerChange& change)
{
    if (UpdateDepth > 0) {
        ChangedInUpdate = true;
        return;
    }
    ++Changes;
    // A copy: an observer may remove itself while it is told.
    const std::vector<TLayerObserver*> observers = Observers;
    for (TLayerObserver* observer : observers) observer->LayersChanged(change);
}

TQMMapDoc::TUpdate::TUpdate(TQMMapDoc& doc) : Doc(&doc)
{
    ++Doc->UpdateDepth;
}

TQMMapDoc::TUpdate::~TUpdate()
{
    try {
        End();
    } catch (...) {
        // A destructor passes nothing on; the next announcement reads the
        // list afresh anyway.
    }
}

void TQMMapDoc::TUpdate::End()
{
    if (!Doc) return;
    TQMMapDoc* doc = Doc;
    Doc = nullptr;
    doc->EndUpdate();
}

void TQMMapDoc::EndUpdate()
{
    if (--UpdateDepth > 0 || !ChangedInUpdate) return;
    ChangedInUpdate = false;
    Announce(TLayerChange{});
}

PLayer TQMMapDoc::AddLayerFile(const std::string& path, const TLayerFormat& format, const TLayerOptions& options)
{
    PLayer layer = format.Open(*LayerList, path, options);
    if (!layer) return layer;
    layer->Common = 0;
    ExtentValid = false;
    Announce(TLayerChange{TLayerChange::TKind::Inserted, 0});
    return layer;
}

void TQMMapDoc::SetLayerVisible(std::int32_t index, bool visible)
{
    if (index < 0 || index >= LayerCount()) return;
    LayerList->Items(index)->Visible = visible ? 1 : 0;
    Announce(TLayerChange{TLayerChange::TKind::Shown, index});
}

bool TQMMapDoc::RestyleLayer(std::string_view path, const std::function<void(Layer&)>& edit)
{
    const std::int32_t index = LayerIndexByName(path);
    if (index < 0) return false;
    const TLayerChange change{TLayerChange::TKind::Restyled, index};
    try {
        edit(*LayerList->Items(index));
    } catch (...) {
        // Part of the edit may be done.
        Announce(change);
        throw;
    }
    Announce(change);
    return true;
}

void TQMMapDoc::LayersRestyled()
{
    Announce(TLayerChange{TLayerChange::TKind::Restyled, -1});
}

void TQMMapDoc::BeginReverseWalk()
{
    QM_ASSERT(kUnit, LayerList->AllLayersValid());
    WalkCursor = LayerCount();
}

Layer* TQMMapDoc::NextReverseWalk()
{
    if (WalkCursor < 1) return nullptr;
    // A layer removed during a walk shortens the list under the cursor.
    WalkCursor = std::min(WalkCursor - 1, LayerCount() - 1);
    return WalkCursor < 0 ? nullptr : LayerList->Items(WalkCursor).get();
}

void TQMMapDoc::MergeLayers(const TLayerList& list, bool atFront)
{
    auto merge = [&](const PLayer& layer) {
        if (layer->Freed != 0) return;
        for (std::int32_t i = 0; i < LayerCount(); ++i)
            if (LayerList->Items(i) == layer) return;
        if (layer->Common == 0) layer->Owned = 1;
        if (atFront)
            LayerList->InsertFirst(layer);
        else
            LayerList->Add(layer);
    };
    // Layers kept from a cleared composition bring its coordinate space, so
    // every layer read after them is checked against it.
    if (LayerList->GetProjection() == prNone && list.Count() > 0) LayerList->TakeProjection(list);
    if (atFront)
        for (std::int32_t i = list.Count() - 1; i >= 0; --i) merge(list.Items(i));
    else
        for (std::int32_t i = 0; i < list.Count(); ++i) merge(list.Items(i));
    LayerList->SetFlag(list.GetFlag());
    QM_ASSERT(kUnit, LayerList->AllLayersValid());
    Announce(TLayerChange{});
}

void TQMMapDoc::HandOverOwnLayers(TLayerList& keeper)
{
    for (std::int32_t i = 0; i < LayerCount(); ++i) {
        const PLayer& layer = LayerList->Items(i);
        if (layer->Common != 0) continue;
        QM_ASSERT(kUnit, layer->Owned == 1);
        keeper.Add(layer);
        layer->Frozen = 1;
        layer->Owned = 0;
    }
    if (keeper.Count() > 0) keeper.TakeProjection(*LayerList);
}

void TQMMapDoc::ClearFrozenFlags()
{
    for (std::int32_t i = 0; i < LayerCount(); ++i) LayerList->Items(i)->Frozen = 0;
}

void TQMMapDoc::ReleaseLayer(Layer& layer)
{
    QM_ASSERT(kUnit, layer.Freed == 0);
    TLayerList::ReleaseLayer(layer);
}

void TQMMapDoc::FreeLayers()
{
    FreeOwnedLayers();
    Announce(TLayerChange{});
}

void TQMMapDoc::FreeOwnedLayers()
{
    for (std::int32_t i = LayerCount() - 1; i >= 0; --i) {
        Layer& layer = *LayerList->Items(i);
        if (layer.Owned != 1) continue;
        QM_ASSERT(kUnit, layer.Common == 0 && layer.Frozen == 0);
        ReleaseLayer(layer);
    }
    LayerList->Clear();
    ExtentValid = false;
}

void TQMMapDoc::ResetDocument()
{
    FreeOwnedLayers();
    RenewLayerList();
    Announce(TLayerChange{});
}

void TQMMapDoc::RenewLayerList()
{
    // A fresh list has no projection and no units, so the next layer may be
    // of any projection.
    std::uint8_t flag = LayerList->GetFlag();
    LayerList = std::make_unique<TLayerList>();
    LayerList->SetFlag(flag);
}

void TQMMapDoc::ToggleLayerVisible(std::string_view path)
{
    const std::int32_t index = LayerIndexByName(path);
    if (index < 0) return;
    Layer& layer = *LayerList->Items(index);
    std::int32_t visible = 1 - static_cast<std::int32_t>(layer.Visible);
    if (visible > INT16_MAX) throw ERangeError();
    layer.Visible = static_cast<std::int16_t>(visible);
    Announce(TLayerChange{TLayerChange::TKind::Shown, index});
}

bool TQMMapDoc::GetLegendInfo(std::string_view path, LegendObject& legend) const
{
    const Layer* layer = LayerByName(path);
    if (!layer || layer->HasLegendStyle == 0) return false;
    QM_ASSERT(kUnit, layer->Kind == lkVector && layer->Vector);
    const VectorLayer& v = *layer->Vector;
    bool custom = v.UseCustom != 0;
    legend.StyleKind = custom ? v.CustomKind : v.DefaultKind;
    switch (legend.StyleKind) {
    case skPoint: legend.Style.Set(custom ? v.CustomPoint : v.DefaultPoint); break;
    case skLine: legend.Style.Set(custom ? v.CustomLine : v.DefaultLine); break;
    case skArea: legend.Style.Set(custom ? v.CustomArea : v.DefaultArea); break;
    default: break;
    }
    legend.Title = layer->LegendEn;
    return true;
}

// The texts a composition gave stay with the layer whatever its objects'
// styles: a layer of mixed styles has no legend entry, but its file keeps
// the texts for the next open.
void TQMMapDoc::GetLayerLegends(const Layer& layer, std::string& english, std::string& russian) const
{
    english = layer.LegendEn;
    russian = layer.LegendRu;
}

std::int32_t TQMMapDoc::RemoveLayer(std::string_view path)
{
    return RemoveLayerAt(LayerIndexByName(path));
}

std::int32_t TQMMapDoc::RemoveLayerAt(std::int32_t index)
{
    const bool listed = index >= 0 && index < LayerCount();
    if (listed) {
        Layer& layer = *LayerList->Items(index);
        if (layer.Common != 0 || layer.Owned == 0) return 1;
        ReleaseLayer(layer);
        LayerList->Delete(index);
    }
    ExtentValid = false;
    // The last layer gone, the next may be of any projection.
    if (LayerCount() == 0) RenewLayerList();
    if (listed) Announce(TLayerChange{TLayerChange::TKind::Removed, index});
    return 0;
}

void TQMMapDoc::MoveLayer(std::string_view path, std::int32_t delta)
{
    MoveLayerAt(LayerIndexByName(path), delta);
}

void TQMMapDoc::MoveLayerAt(std::int32_t index, std::int32_t delta)
{
    if (index < 0 || index >= LayerCount()) return;
    LayerList->Exchange(index, index + delta);
    Announce(TLayerChange{TLayerChange::TKind::Moved, index, index + delta});
}
