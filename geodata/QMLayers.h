#pragma once
// The layers of one map composition in drawing order (index 0 on top), with
// the composition's projection and units: opening a layer from a raster,
// vector or interchange file, checking it against the composition,
// converting unit distances and reprojecting vector layers between lat/long
// and the Albers system.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geodata/Geometry.h"
#include "geodata/QMMapDecl.h"

class TIdrisiRST;
class TObjectIndex;

// Projection codes of a composition (the readers' reference systems).
enum : std::uint8_t { prNone = 0, prPlane = 1, prLatLong = 2, prAlberRus = 3, prOther = 4 };
// Units codes.
enum : std::uint8_t { unNone = 0, unMetre = 1, unKilometre = 2, unFoot = 3, unDegree = 4, unRadian = 5 };
// Layer kinds.
enum : std::uint8_t { lkRaster = 0, lkVector = 1 };

// What CheckProjection decides for a new layer.
enum class TProjectionCheck : std::uint8_t {
    SameProjection,       // joins as it is; its unit distance is converted
    SetsProjection,       // the first layer sets the composition's projection
    ReprojectLayer,       // the layer is reprojected to the composition
    ReprojectComposition, // the composition is reprojected to the layer
};

struct TLayerUnits {
    std::uint8_t Code = 0;
    double UnitDist = 0; // layer units to composition units
};

struct RastrLayer {
    RastrLayer();
    ~RastrLayer();
    std::unique_ptr<TIdrisiRST> Image;
    std::string PaletteFile; // the palette spec up to its first ","
};

struct VectorLayer {
    // The styles found in the data.
    std::uint8_t DefaultKind = skNone; // a style kind
    TPointStyle DefaultPoint;
    TLineStyle DefaultLine;
    TAreaStyle DefaultArea;
    std::int16_t DefaultOpacity = 255;
    // The styles given by the composition or the user.
    std::uint8_t CustomKind = skNone;
    TPointStyle CustomPoint;
    TLineStyle CustomLine;
    TAreaStyle CustomArea;
    std::int16_t CustomOpacity = 255;
    std::uint8_t UseCustom = 0; // every object drawn in the custom style of its type
    MapObjectArray Objects;
    // The grid of the objects' bounds, made by the drawing when it finds
    // it useful (ObjectIndexOf) and dropped when the bounds change in place.
    mutable std::shared_ptr<const TObjectIndex> Index;
};

// One layer. A record may sit in several lists at once (the document's and
// the frame's keeper lists), so it is shared; `Owned`, `Common`, `Frozen`
// and `Freed` say who releases it and whether that has happened. Releasing
// (TLayerList::ReleaseLayer) means: `Freed` := 1, the payload dropped.
struct Layer {
    std::int32_t Serial = 0;
    std::uint8_t Kind = 0; // 0 raster, 1 vector
    std::int32_t Serial2 = 0;
    std::uint8_t Common = 0; // of the common set, never deleted by the user
    std::int32_t Serial3 = 0;
    std::uint8_t Frozen = 0; // handed to the frame's frozen layers
    std::int32_t Serial4 = 0;
    std::uint8_t Owned = 0;  // the document releases it
    std::uint8_t Freed = 0;  // released; a second release is refused
    std::string FileName;
    std::string LegendEn;
    std::string LegendRu;
    std::uint8_t HasLegendStyle = 0;
    std::uint8_t Projection = 0;
    TLayerUnits Units;
    TAffineTransform LayerToMap;
    TAffineTransform MapToLayer;
    std::int16_t Visible = 0; // drawn when > 0
    std::unique_ptr<RastrLayer> Raster; // Kind 0
    std::unique_ptr<VectorLayer> Vector; // Kind 1
};
using PLayer = std::shared_ptr<Layer>;

class TLayerList {
public:
    TLayerList() = default;
    // Drops the list's references; never throws. Call Destroy first where
    // the double-release check matters.
    ~TLayerList() = default;
    TLayerList(const TLayerList&) = delete;
    TLayerList& operator=(const TLayerList&) = delete;

    // Releases every layer still in the list and empties it; a layer already
    // released raises the assertion error and nothing changes.
    void Destroy();

    // Which layers ReleaseLayers releases: the document releases only the
    // ones it owns, a keeper list every one.
    enum class TReleaseScope : std::uint8_t { EveryLayer, OwnedLayers };
    // Releasing a layer: `Freed` := 1 and its raster or vector dropped. The
    // record may still sit in another list, which then sees it released. A
    // layer already released stays as it is. Never throws.
    static void ReleaseLayer(Layer& layer);
    // Releases the layers of the scope that are not released yet, then
    // empties the list. Never throws.
    void ReleaseLayers(TReleaseScope scope);

    std::int32_t Count() const;
    // An index outside 0..Count-1 raises the assertion error.
    const PLayer& Items(std::int32_t index) const;
    // Empties the list; the layers are not released.
    void Clear();
    void InsertFirst(PLayer layer);
    void Add(PLayer layer);
    // Indices outside the list raise ERangeError "List index out of bounds (%d)".
    void Exchange(std::int32_t index1, std::int32_t index2);
    void Delete(std::int32_t index);

    std::uint8_t GetFlag() const { return Flag; }
    void SetFlag(std::uint8_t value) { Flag = value; }
    std::uint8_t GetProjection() const { return Projection; }
    const std::string& GetProjectionName() const { return ProjectionName; }
    std::uint8_t GetUnits() const { return Units; }
    // The projection, its text and the units of `other`, taken as they are:
    // layers that move from one list into another keep the coordinate space
    // they were read or reprojected into.
    void TakeProjection(const TLayerList& other);

    bool HasRasterLayer() const;
    // The first layer whose layer name (file name without folder, extension
    // and "_ru"/"_en" ending) equals `name`, case-sensitive; -1 if none.
    std::int32_t IndexOfLayer(std::string_view name) const;
    void ShowAll();
    void SetVisible(std::string_view name, std::int16_t value);

    // With SameProjection, `units.UnitDist` has been converted to the
    // composition's units. Raises QMError when the layer cannot join.
    TProjectionCheck CheckProjection(bool isVector, std::uint8_t projection, TLayerUnits& units,
                                     const std::string& text) const;
    // Both codes are checked before anything is stored.
    void SetProjection(std::uint8_t projection, const std::string& text, std::uint8_t units);
    // Reprojects every layer (all must be vector layers; all are checked
    // before any point moves) and takes the target projection and units.
    void ProjectAllTo(std::uint8_t target, const TLayerUnits& units);
    // Reprojects one vector layer between lat/long and Albers.
    void ProjectLayer(Layer& layer, std::uint8_t target, const TLayerUnits& units) const;

    // Each opens a file and inserts its layer at index 0. A refused add
    // leaves the list, its projection and units as they were.
    PLayer AddRasterLayer(const std::string& fileName, const std::string& paletteSpec, bool autoscale, bool owned,
                          std::int16_t visible);
    PLayer AddVectorLayer(const std::string& fileName, std::int16_t visible, bool owned);
    PLayer AddMifLayer(const std::string& fileName, std::int16_t visible, bool owned);

    bool AllLayersValid() const;

private:
    struct TVectorSource;
    PLayer AddVectorSource(TVectorSource& source, const std::string& fileName, std::int16_t visible, bool owned,
                           bool adoptUniformStyle);
    void ResetWhenEmpty();

    std::vector<PLayer> Layers;
    std::uint8_t Projection = 0;
    std::string ProjectionName;
    std::uint8_t Units = 0;
    std::uint8_t Flag = 1; // carried over by the document when it merges lists
};

// The name by which a composition's "layers_seq" and "layers_visi" sections
// address a layer: the file name without folder and extension, and without
// an "_ru" or "_en" ending when something is left before it.
std::string LayerName(std::string_view fileName);

// The factor that turns a length or angle in units `from` into units `to`;
// 0 for pairs that do not convert.
double UnitFactor(std::uint8_t from, std::uint8_t to);
// Zeroes the record and stamps the next serial number into it.
void InitLayer(Layer& layer);
void InitVectorLayer(VectorLayer& layer);
// The index of the layer's objects as they stand, made anew when the array
// is another than the one it was made from. Layers are drawn by one thread
// at a time.
const TObjectIndex& ObjectIndexOf(const VectorLayer& layer);
// The index of the layer's objects as they stand when one was made, else
// none.
const TObjectIndex* ObjectIndexIfMade(const VectorLayer& layer);

// Consistency check of a record's fields (not of its file). The first test
// that fails is reported to the environment's LayerDiagnostic; the result is
// always true.
bool LayerValid(const Layer& layer);
// Whether the layer's data file exists (a layer without a file name passes).
bool LayerFileExists(const Layer& layer);

// The custom set's styles; none changes CustomKind.
void SetPointStyle(VectorLayer& layer, const TPointStyle& style, bool useCustom);
void SetLineStyle(VectorLayer& layer, const TLineStyle& style, bool useCustom);
// An opacity outside signed 16 bits raises ERangeError.
void SetAreaStyle(VectorLayer& layer, const TAreaStyle& style, std::int32_t opacity, bool useCustom);

// The legend entry of a vector layer: false for rasters and for layers
// without one style for all their objects.
bool GetLegendObject(const Layer& layer, LegendObject& legend);
bool VectorLegendStyle(const VectorLayer& layer, LegendObject& legend);
// Records the one style of a freshly read vector layer as its default set,
// and as its custom set when it has none yet.
void AdoptUniformStyle(Layer& layer);
