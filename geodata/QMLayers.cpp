#include "geodata/QMLayers.h"

#include <cmath>
#include <limits>
#include <utility>

#include "geodata/Alberts.h"
#include "geodata/IdrisiRST.h"
#include "geodata/IdrisiVCT.h"
#include "geodata/MapInfoMIF.h"
#include "geodata/ObjectIndex.h"
#include "platform/Environment.h"
#include "platform/FileNames.h"
#include "platform/RuntimeErrors.h"

namespace {

constexpr const char* kUnit = "QMLayers";
constexpr const char* kProgramBugCheck = "Program bug in CheckProjection. Sorry.";
constexpr const char* kProgramBugProjectAll = "Program bug in ProjectAllTo. Sorry.";
constexpr const char* kInvalidUnits = "Invalid units.";

// Serial numbers of layers, process-wide; the first layer gets 1.
std::int32_t LayerSerialCounter = 0;

[[noreturn]] void ListIndexError(std::int32_t index)
{
    throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
}

// Readers leave the unit distance 0 when the header does not give one; such
// a layer has no scale to the composition.
void CheckUnitDist(double unitDist)
{
    if (!(std::isfinite(unitDist) && unitDist > 0)) throw QMError(std::string(kInvalidUnits));
}

std::string PaletteFilePart(const std::string& paletteSpec)
{
    return paletteSpec.substr(0, paletteSpec.find(','));
}

void SetTransforms(Layer& layer, double unitDist)
{
    layer.LayerToMap = ScaleTransform(unitDist);
    layer.MapToLayer = ScaleTransform(1 / unitDist);
}

// The two scale factors of a reprojection: layer units to the projection's
// input (radians or metres) and its output to target units.
struct TProjectionFactors {
    bool Forward = true;
    double In = 0;
    double Out = 0;
};

TProjectionFactors ProjectionFactors(const Layer& layer, std::uint8_t target, const TLayerUnits& units)
{
    TProjectionFactors f;
    if (layer.Kind != lkVector || !layer.Vector) throw QMError(std::string(kProgramBugCheck));
    if (layer.Projection == prLatLong && target == prAlberRus) {
        f.Forward = true;
        f.In = UnitFactor(layer.Units.Code, unRadian) * layer.Units.UnitDist;
        f.Out = UnitFactor(unMetre, units.Code);
    } else if (layer.Projection == prAlberRus && target == prLatLong) {
        f.Forward = false;
        f.In = UnitFactor(layer.Units.Code, unMetre) * layer.Units.UnitDist;
        f.Out = UnitFactor(unRadian, units.Code);
    } else {
        throw QMError(std::string(kProgramBugCheck));
    }
    // Coordinates in target units, divided by the unit distance, are layer
    // units that LayerToMap scales back by it.
    if (std::isfinite(units.UnitDist) && units.UnitDist > 0) f.Out /= units.UnitDist;
    else f.Out = 0;
    if (!(std::isfinite(f.In) && f.In != 0 && std::isfinite(f.Out) && f.Out != 0))
        throw QMError(std::string(kProgramBugCheck));
    return f;
}

void ProjectObjects(MapObjectArray& objects, const TProjectionFactors& f)
{
    for (MapObject& object : objects) {
        for (TDoublePoint& p : object.Points) {
            double x = p.x * f.In;
            double y = p.y * f.In;
            if (f.Forward) GeoToAlbers(x, y, p.x, p.y);
            else AlbersToGeo(x, y, p.x, p.y);
            p.x *= f.Out;
            p.y *= f.Out;
        }
        object.Bounds = PointsBounds(object.Points);
        CalcPartBounds(object);
    }
}

// Restores the composition's projection, text and units unless the add that
// changed them got through.
class TProjectionRollback {
public:
    TProjectionRollback(std::uint8_t& projection, std::string& name, std::uint8_t& units)
        : ProjectionRef(projection), NameRef(name), UnitsRef(units), SavedProjection(projection), SavedName(name),
          SavedUnits(units)
    {
    }
    ~TProjectionRollback()
    {
        if (Committed) return;
        ProjectionRef = SavedProjection;
        NameRef.swap(SavedName);
        UnitsRef = SavedUnits;
    }
    void Commit() { Committed = true; }

private:
    std::uint8_t& ProjectionRef;
    std::string& NameRef;
    std::uint8_t& UnitsRef;
    std::uint8_t SavedProjection;
    std::string SavedName;
    std::uint8_t SavedUnits;
    bool Committed = false;
};

template <class T>
void CopyStyle(TStyleBytes& target, const TStyleBytes& source)
{
    target.Set(source.As<T>());
}

} // namespace

RastrLayer::RastrLayer() = default;
RastrLayer::~RastrLayer() = default;

// What a vector add takes from its reader.
struct TLayerList::TVectorSource {
    std::uint8_t RefSystem = 0;
    std::string RefSystemName;
    std::uint8_t RefUnits = 0;
    double UnitDist = 0;
    MapObjectArray Objects;
};

// ---- the list ---------------------------------------------------------------

std::string LayerName(std::string_view fileName)
{
    std::string name = ExtractFileName(fileName);
    std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    if (name.size() > 3) {
        std::string tail = AsciiLower(std::string_view(name).substr(name.size() - 3));
        if (tail == "_ru" || tail == "_en") name.resize(name.size() - 3);
    }
    return name;
}

void TLayerList::Destroy()
{
    for (const PLayer& layer : Layers) QM_ASSERT(kUnit, layer->Freed == 0);
    ReleaseLayers(TReleaseScope::EveryLayer);
}

void TLayerList::ReleaseLayer(Layer& layer)
{
    if (layer.Freed != 0) return;
    layer.Freed = 1;
    layer.Raster.reset();
    layer.Vector.reset();
}

void TLayerList::ReleaseLayers(TReleaseScope scope)
{
    for (const PLayer& layer : Layers)
        if (scope == TReleaseScope::EveryLayer || layer->Owned == 1) ReleaseLayer(*layer);
    Clear();
}

std::int32_t TLayerList::Count() const
{
    return static_cast<std::int32_t>(Layers.size());
}

const PLayer& TLayerList::Items(std::int32_t index) const
{
    QM_ASSERT(kUnit, index >= 0 && index < Count());
    return Layers[static_cast<std::size_t>(index)];
}

void TLayerList::Clear()
{
    Layers.clear();
    ResetWhenEmpty();
}

void TLayerList::InsertFirst(PLayer layer)
{
    Layers.insert(Layers.begin(), std::move(layer));
}

void TLayerList::Add(PLayer layer)
{
    Layers.push_back(std::move(layer));
}

void TLayerList::Exchange(std::int32_t index1, std::int32_t index2)
{
    if (index1 < 0 || index1 >= Count()) ListIndexError(index1);
    if (index2 < 0 || index2 >= Count()) ListIndexError(index2);
    std::swap(Layers[static_cast<std::size_t>(index1)], Layers[static_cast<std::size_t>(index2)]);
}

void TLayerList::Delete(std::int32_t index)
{
    if (index < 0 || index >= Count()) ListIndexError(index);
    Layers.erase(Layers.begin() + index);
    ResetWhenEmpty();
}

// An empty list is an empty composition: the next layer sets projection and
// units afresh, so a refused or removed layer leaves nothing behind.
void TLayerList::ResetWhenEmpty()
{
    if (!Layers.empty()) return;
    Projection = prNone;
    ProjectionName.clear();
    Units = unNone;
}

void TLayerList::TakeProjection(const TLayerList& other)
{
    Projection = other.Projection;
    ProjectionName = other.ProjectionName;
    Units = other.Units;
}

bool TLayerList::HasRasterLayer() const
{
    for (const PLayer& layer : Layers)
        if (layer->Kind == lkRaster) return true;
    return false;
}

std::int32_t TLayerList::IndexOfLayer(std::string_view name) const
{
    for (std::size_t i = 0; i < Layers.size(); ++i)
        if (LayerName(Layers[i]->FileName) == name) return static_cast<std::int32_t>(i);
    return -1;
}

void TLayerList::ShowAll()
{
    for (const PLayer& layer : Layers) layer->Visible = 1;
}

void TLayerList::SetVisible(std::string_view name, std::int16_t value)
{
    std::int32_t i = IndexOfLayer(name);
    if (i >= 0) Layers[static_cast<std::size_t>(i)]->Visible = value;
}

bool TLayerList::AllLayersValid() const
{
    bool valid = true;
    for (const PLayer& layer : Layers) valid = LayerValid(*layer) && valid;
    return valid;
}

// ---- projection rules -------------------------------------------------------

TProjectionCheck TLayerList::CheckProjection(bool isVector, std::uint8_t projection, TLayerUnits& units,
                                             const std::string& text) const
{
    if (Projection == prNone) return TProjectionCheck::SetsProjection;
    if (Projection == prPlane || Projection == prOther)
        throw QMError("Invalid projection: '%s'.\r\nComposition already has '%s' projection.", text.c_str(),
                      ProjectionName.c_str());
    if (projection != Projection) {
        bool hasRaster = HasRasterLayer();
        if (!isVector && hasRaster) throw QMError(std::string("All rastr layers must have the same projection."));
        return hasRaster ? TProjectionCheck::ReprojectLayer : TProjectionCheck::ReprojectComposition;
    }
    double factor = 0;
    std::uint8_t code = units.Code;
    if (projection == prLatLong && (code == unDegree || code == unRadian)) factor = UnitFactor(code, Units);
    if (projection == prAlberRus && (code == unMetre || code == unKilometre || code == unFoot))
        factor = UnitFactor(code, Units);
    if (factor == 0) throw QMError(std::string(kInvalidUnits));
    units.UnitDist *= factor;
    return TProjectionCheck::SameProjection;
}

void TLayerList::SetProjection(std::uint8_t projection, const std::string& text, std::uint8_t units)
{
    if (projection < prPlane || projection > prOther) throw QMError(std::string("Invalid projection"));
    bool unitsFit = projection == prLatLong ? (units == unDegree || units == unRadian)
                                            : (units == unMetre || units == unKilometre || units == unFoot);
    if (!unitsFit) throw QMError(std::string("Invalid ref units"));
    Projection = projection;
    ProjectionName = text;
    Units = units;
}

void TLayerList::ProjectLayer(Layer& layer, std::uint8_t target, const TLayerUnits& units) const
{
    TProjectionFactors f = ProjectionFactors(layer, target, units);
    ProjectObjects(layer.Vector->Objects, f);
    layer.Vector->Index.reset();
    layer.Projection = target;
    layer.Units = units;
    SetTransforms(layer, units.UnitDist);
}

void TLayerList::ProjectAllTo(std::uint8_t target, const TLayerUnits& units)
{
    // Every layer is checked first, so a refusal leaves all points in place.
    for (const PLayer& layer : Layers) {
        if (layer->Kind == lkRaster) throw QMError(std::string(kProgramBugProjectAll));
        ProjectionFactors(*layer, target, units);
    }
    for (const PLayer& layer : Layers) ProjectLayer(*layer, target, units);
    Projection = target;
    Units = units.Code;
}

// ---- adding layers ----------------------------------------------------------

PLayer TLayerList::AddRasterLayer(const std::string& fileName, const std::string& paletteSpec, bool autoscale,
                                  bool owned, std::int16_t visible)
{
    auto image = std::make_unique<TIdrisiRST>();
    image->Open(fileName, paletteSpec, autoscale);

    TLayerUnits units{image->GetRefUnits(), image->GetUnitDist()};
    CheckUnitDist(units.UnitDist);
    std::uint8_t projection = image->GetRefSystem();
    std::string projectionName = image->GetRefSystemName();
    TProjectionCheck r = CheckProjection(false, projection, units, projectionName);
    if (r == TProjectionCheck::ReprojectLayer) throw QMError(std::string(kProgramBugCheck));

    auto raster = std::make_unique<RastrLayer>();
    raster->Image = std::move(image);
    raster->PaletteFile = PaletteFilePart(paletteSpec);

    auto layer = std::make_shared<Layer>();
    InitLayer(*layer);
    layer->Owned = owned ? 1 : 0;
    layer->Kind = lkRaster;
    layer->FileName = fileName;
    layer->Projection = projection;
    layer->Units = units;
    SetTransforms(*layer, units.UnitDist);
    layer->Visible = visible;
    layer->Raster = std::move(raster);

    Layers.reserve(Layers.size() + 1);
    TProjectionRollback rollback(Projection, ProjectionName, Units);
    if (r == TProjectionCheck::SetsProjection) SetProjection(projection, projectionName, units.Code);
    else if (r == TProjectionCheck::ReprojectComposition) ProjectAllTo(projection, units);
    InsertFirst(layer);
    rollback.Commit();
    return layer;
}

PLayer TLayerList::AddVectorSource(TVectorSource& source, const std::string& fileName, std::int16_t visible,
                                   bool owned, bool adoptUniformStyle)
{
    TLayerUnits units{source.RefUnits, source.UnitDist};
    CheckUnitDist(units.UnitDist);
    TProjectionCheck r = CheckProjection(true, source.RefSystem, units, source.RefSystemName);
    // A vector layer never moves the layers already there.
    if (r == TProjectionCheck::ReprojectComposition) throw QMError(std::string(kProgramBugCheck));

    auto vector = std::make_unique<VectorLayer>();
    InitVectorLayer(*vector);
    vector->Objects = std::move(source.Objects);
    vector->DefaultOpacity = 255;

    auto layer = std::make_shared<Layer>();
    InitLayer(*layer);
    layer->Owned = owned ? 1 : 0;
    layer->Kind = lkVector;
    layer->FileName = fileName;
    layer->Visible = visible;
    layer->Projection = source.RefSystem;
    layer->Units = units;
    SetTransforms(*layer, units.UnitDist);
    layer->Vector = std::move(vector);

    if (r == TProjectionCheck::ReprojectLayer) {
        TLayerUnits target{Units, 1.0};
        ProjectLayer(*layer, Projection, target);
    }
    if (adoptUniformStyle) AdoptUniformStyle(*layer);

    Layers.reserve(Layers.size() + 1);
    TProjectionRollback rollback(Projection, ProjectionName, Units);
    if (r == TProjectionCheck::SetsProjection) SetProjection(source.RefSystem, source.RefSystemName, units.Code);
    InsertFirst(layer);
    rollback.Commit();
    return layer;
}

PLayer TLayerList::AddVectorLayer(const std::string& fileName, std::int16_t visible, bool owned)
{
    TVectorSource source;
    {
        TIdrisiVCT reader;
        // A reader that could not read its files gives no layer at all.
        if (!reader.Open(fileName)) throw QMError(reader.LastError());
        source.RefSystem = reader.GetRefSystem();
        source.RefSystemName = reader.GetRefSystemName();
        source.RefUnits = reader.GetRefUnits();
        source.UnitDist = reader.GetUnitDist();
        source.Objects = std::move(reader.Objects);
    }
    return AddVectorSource(source, fileName, visible, owned, false);
}

PLayer TLayerList::AddMifLayer(const std::string& fileName, std::int16_t visible, bool owned)
{
    TVectorSource source;
    {
        TMapinfoMIF reader;
        reader.Load(fileName);
        source.RefSystem = reader.GetRefSystem();
        source.RefSystemName = reader.GetRefSystemName();
        source.RefUnits = reader.GetRefUnits();
        source.UnitDist = 1.0; // interchange coordinates are in whole units
        source.Objects = std::move(reader.Objects);
    }
    return AddVectorSource(source, fileName, visible, owned, true);
}

// ---- free operations --------------------------------------------------------

double UnitFactor(std::uint8_t from, std::uint8_t to)
{
    if (from == to) return 1.0;
    // Written out where a computed value would differ in the last bit.
    if (from == unKilometre && to == unMetre) return 1000;
    if (from == unFoot && to == unMetre) return 0.3048;
    if (from == unMetre && to == unKilometre) return 0.001;
    if (from == unFoot && to == unKilometre) return 0.0003048;
    if (from == unMetre && to == unFoot) return 3.2808398950131235;
    if (from == unKilometre && to == unFoot) return 3280.839895013123;
    if (from == unRadian && to == unDegree) return 57.29577951308232;
    if (from == unDegree && to == unRadian) return 0.017453292519943295;
    return 0;
}

void InitLayer(Layer& layer)
{
    layer = Layer{};
    ++LayerSerialCounter;
    layer.Serial = LayerSerialCounter;
    layer.Serial2 = LayerSerialCounter;
    layer.Serial3 = LayerSerialCounter;
    layer.Serial4 = LayerSerialCounter;
}

void InitVectorLayer(VectorLayer& layer)
{
    layer.DefaultKind = skNone;
    layer.DefaultPoint = {};
    layer.DefaultLine = {};
    layer.DefaultArea = {};
    layer.DefaultOpacity = 255;
    layer.CustomKind = skNone;
    layer.CustomPoint = {};
    layer.CustomLine = {};
    layer.CustomArea = {};
    layer.CustomOpacity = 255;
    layer.UseCustom = 0;
}

const TObjectIndex& ObjectIndexOf(const VectorLayer& layer)
{
    if (ObjectIndexIfMade(layer) == nullptr) layer.Index = std::make_shared<const TObjectIndex>(layer.Objects);
    return *layer.Index;
}

const TObjectIndex* ObjectIndexIfMade(const VectorLayer& layer)
{
    return layer.Index && layer.Index->Describes(layer.Objects) ? layer.Index.get() : nullptr;
}

bool LayerValid(const Layer& layer)
{
    const char* failed = nullptr;
    if (layer.Serial < 0 || layer.Serial2 != layer.Serial || layer.Serial3 != layer.Serial ||
        layer.Serial4 != layer.Serial)
        failed = "Serial";
    else if (layer.Kind > 1)
        failed = "Kind";
    else if (layer.Common > 1 || layer.Frozen > 1)
        failed = "Common/Frozen";
    else if (layer.HasLegendStyle > 1)
        failed = "HasLegendStyle";
    else if (layer.Projection > prOther)
        failed = "Projection";
    else if (layer.Units.Code > 6)
        failed = "Units";
    if (failed && Environment().LayerDiagnostic) Environment().LayerDiagnostic(layer.FileName, failed);
    return true;
}

bool LayerFileExists(const Layer& layer)
{
    return layer.FileName.empty() || FileExists(layer.FileName);
}

void SetPointStyle(VectorLayer& layer, const TPointStyle& style, bool useCustom)
{
    layer.CustomPoint = style;
    layer.UseCustom = useCustom ? 1 : 0;
}

void SetLineStyle(VectorLayer& layer, const TLineStyle& style, bool useCustom)
{
    layer.CustomLine = style;
    layer.UseCustom = useCustom ? 1 : 0;
}

void SetAreaStyle(VectorLayer& layer, const TAreaStyle& style, std::int32_t opacity, bool useCustom)
{
    if (opacity < std::numeric_limits<std::int16_t>::min() || opacity > std::numeric_limits<std::int16_t>::max())
        throw ERangeError();
    layer.CustomOpacity = static_cast<std::int16_t>(opacity);
    layer.CustomArea = style;
    layer.UseCustom = useCustom ? 1 : 0;
}

bool GetLegendObject(const Layer& layer, LegendObject& legend)
{
    if (layer.Kind != lkVector) return false;
    QM_ASSERT(kUnit, layer.Vector != nullptr);
    bool result = VectorLegendStyle(*layer.Vector, legend);
    legend.Title = layer.LegendEn;
    return result;
}

bool VectorLegendStyle(const VectorLayer& layer, LegendObject& legend)
{
    if (layer.Objects.empty()) return false;
    if (IsStyleKind(layer.DefaultKind)) {
        legend.StyleKind = layer.DefaultKind;
        legend.Opacity = layer.DefaultOpacity;
        if (layer.DefaultKind == skPoint) legend.Style.Set(layer.DefaultPoint);
        else if (layer.DefaultKind == skLine) legend.Style.Set(layer.DefaultLine);
        else legend.Style.Set(layer.DefaultArea);
        return true;
    }
    const MapObject& first = layer.Objects.front();
    legend.StyleKind = first.ObjType;
    legend.Opacity = layer.DefaultOpacity;
    switch (first.ObjType) {
    case otPoint: CopyStyle<TPointStyle>(legend.Style, first.Style); break;
    case otLine: CopyStyle<TLineStyle>(legend.Style, first.Style); break;
    case otPolygon: CopyStyle<TAreaStyle>(legend.Style, first.Style); break;
    default: return false;
    }
    for (std::size_t i = 1; i < layer.Objects.size(); ++i) {
        const MapObject& object = layer.Objects[i];
        if (object.ObjType != first.ObjType) return false;
        bool same = false;
        switch (first.ObjType) {
        case otPoint: same = SamePointStyle(object.Style.As<TPointStyle>(), first.Style.As<TPointStyle>()); break;
        case otLine: same = SameLineStyle(object.Style.As<TLineStyle>(), first.Style.As<TLineStyle>()); break;
        default: same = SameAreaStyle(object.Style.As<TAreaStyle>(), first.Style.As<TAreaStyle>()); break;
        }
        if (!same) return false;
    }
    return true;
}

void AdoptUniformStyle(Layer& layer)
{
    LegendObject legend;
    layer.HasLegendStyle = GetLegendObject(layer, legend) ? 1 : 0;
    if (!layer.HasLegendStyle) return;
    QM_ASSERT(kUnit, layer.Kind == lkVector && layer.Vector);
    VectorLayer& v = *layer.Vector;
    v.DefaultKind = legend.StyleKind;
    switch (legend.StyleKind) {
    case skPoint:
        v.DefaultPoint = legend.Style.As<TPointStyle>();
        if (v.CustomKind == skNone) {
            v.CustomKind = skPoint;
            v.CustomPoint = v.DefaultPoint;
        }
        break;
    case skLine:
        v.DefaultLine = legend.Style.As<TLineStyle>();
        if (v.CustomKind == skNone) {
            v.CustomKind = skLine;
            v.CustomLine = v.DefaultLine;
        }
        break;
    case skArea:
        v.DefaultArea = legend.Style.As<TAreaStyle>();
        if (v.CustomKind == skNone) {
            v.CustomKind = skArea;
            v.CustomArea = v.DefaultArea;
            v.CustomOpacity = v.DefaultOpacity;
        }
        break;
    default: break;
    }
}
