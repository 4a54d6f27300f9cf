#pragma once
// The document of one map window: its layer list, the folders against which
// layer and palette names are resolved, the cached extent of the layers, and
// every operation the frame and the view carry out on the layers, including
// reading and writing the ".qmc" composition file.
//
// Layers are named by their full file path, compared without regard to
// letter case. Index 0 is the top layer, painted last. A layer whose Owned is
// 1 belongs to the document; the others belong to the frame's keeper lists
// (common and frozen layers) and are only listed here.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geodata/QMLayers.h"
#include "viewer/MDoc.h"

class TIniFile;
struct TLayerFormat;
struct TLayerOptions;

// What one change of the document's layers was. Rows are layer indices.
struct TLayerChange {
    enum class TKind : std::uint8_t {
        Inserted, // a layer at Row, the others below it moved down
        Removed,  // the layer that was at Row
        Moved,    // the layer at Row now at Target
        Shown,    // Row's visibility
        Restyled, // how Row is drawn (its style, palette or display range); Row -1: every layer
        Reset,    // anything: the list is to be read afresh
    };
    TKind Kind = TKind::Reset;
    std::int32_t Row = -1;
    std::int32_t Target = -1;
};

// Told of every change of the document's layers, once, after it happened.
class TLayerObserver {
public:
    virtual void LayersChanged(const TLayerChange& change) = 0;

protected:
    ~TLayerObserver() = default;
};

class TQMMapDoc : public TMDoc {
public:
    TQMMapDoc();
    // Releases the owned layers; never throws.
    ~TQMMapDoc() override;

    void SetRootFolder(std::string folder) { RootFolder = std::move(folder); }
    const std::string& GetRootFolder() const { return RootFolder; }
    void SetPaletteDefaults(std::string folder, std::string fileName);
    const std::string& GetPaletteFolder() const { return PaletteFolder; }
    const std::string& GetDefaultPalette() const { return DefaultPalette; }

    // The union of the layers' extents in map units; cached until the layer
    // set changes.
    TDoubleRect GetExtent() override;
    void InvalidateExtent() { ExtentValid = false; }
    // The status-bar texts of a map point: angles for lat/long and Albers
    // compositions, plain numbers otherwise; both empty outside the extent.
    void PointToCoordTexts(const TDoublePoint& p, std::string& xText, std::string& yText);
    // "RUS" when the interface language is Russian, else "ENU".
    std::string LanguageCode() const;

    // The list itself. Changes made through it are not announced: the
    // operations below are the ones that change the layers of a map.
    TLayerList& Layers() { return *LayerList; }
    const TLayerList& Layers() const { return *LayerList; }
    std::int32_t LayerCount() const;
    // -1 when no layer has that path.
    std::int32_t LayerIndexByName(std::string_view path) const;
    bool HasLayer(std::string_view path) const { return LayerIndexByName(path) >= 0; }
    Layer* LayerByName(std::string_view path) const;

    // Observers are told in the order they were added; an observer must be
    // removed before it goes.
    void AddObserver(TLayerObserver& observer);
    void RemoveObserver(TLayerObserver& observer);
    // Counts the announcements: what the layers show is the same while it
    // stays the same.
    std::uint64_t ChangeCount() const { return Changes; }

    // Changes made while an update is open are announced once, as a Reset,
    // when the outermost update ends (when any change was made).
    class TUpdate {
    public:
        explicit TUpdate(TQMMapDoc& doc);
        // Ends the update unless End did; an observer's failure here is lost.
        ~TUpdate();
        TUpdate(const TUpdate&) = delete;
        TUpdate& operator=(const TUpdate&) = delete;
        // Ends the update; what an observer raises passes on.
        void End();

    private:
        TQMMapDoc* Doc;
    };

    // Opens `path` in `format` as the new top layer, not common; nothing (and
    // no announcement) when the reader gives no layer. Raises what the
    // reader and the layer list raise, leaving the layers as they were.
    PLayer AddLayerFile(const std::string& path, const TLayerFormat& format, const TLayerOptions& options);
    // Shows or hides the layer at `index`; an index outside the list changes
    // nothing.
    void SetLayerVisible(std::int32_t index, bool visible);
    // Lets `edit` change how the layer of `path` is drawn, then announces it;
    // false (and nothing called) when no layer has that path.
    bool RestyleLayer(std::string_view path, const std::function<void(Layer&)>& edit);
    // Something outside the document changed how layers are drawn (a raster's
    // display range or palette set in its dialog).
    void LayersRestyled();

    // A walk yields the layers from the last index down to index 0 (the
    // painting order), then nullptr. One cursor serves all walks.
    void BeginReverseWalk();
    Layer* NextReverseWalk();

    // Adds another list's layers on top (atFront) or at the bottom, in their
    // order; non-common layers become owned. Layers already listed or
    // already released are skipped. The layers stay in `list` too.
    void MergeLayers(const TLayerList& list, bool atFront);
    // Moves ownership of the non-common layers to `keeper` as frozen layers;
    // they stay listed until the document is reset.
    void HandOverOwnLayers(TLayerList& keeper);
    void ClearFrozenFlags();
    // Releases the owned layers and empties the list.
    void FreeLayers();
    // FreeLayers, and the composition's projection and units start afresh.
    void ResetDocument();

    void ToggleLayerVisible(std::string_view path);
    // The legend entry of a vector layer with one style; false otherwise.
    bool GetLegendInfo(std::string_view path, LegendObject& legend) const;
    // LegendEn and LegendRu, as the composition gave them.
    void GetLayerLegends(const Layer& layer, std::string& english, std::string& russian) const;
    // 0 removed (or no such layer); 1 refused (a common layer or one the
    // document does not own). Removing the last layer resets the document.
    std::int32_t RemoveLayer(std::string_view path);
    // The same for the layer at `index` (the frame's row); an index outside
    // the list removes nothing.
    std::int32_t RemoveLayerAt(std::int32_t index);
    // Swaps the layer with the one `delta` places away; a target outside the
    // list raises ERangeError and changes nothing.
    void MoveLayer(std::string_view path, std::int32_t delta);
    void MoveLayerAt(std::int32_t index, std::int32_t delta);
    // Reads the layer sections, then "layers_seq" and "layers_visi". common
    // marks every layer read as common and frozen, not owned. A failure
    // releases the layers this call added and passes on.
    void LoadComposition(const TIniFile& ini, bool common);
    // Reads the composition into a scratch document that holds stand-ins of
    // `kept` (the layers that will still be listed when the load starts) in
    // this document's coordinate space, and raises what the load would raise
    // (a projection refused, a file that cannot be read). Nothing of this
    // document changes, so a refused open can leave the map as it is.
    void TryComposition(const TIniFile& ini, bool common, const std::vector<PLayer>& kept) const;
    // Writes the layers into the file, keeping its sections that the
    // composition format does not use. Raises QMError; a failed write
    // leaves the old file whole.
    void SaveComposition(const std::string& fileName);

private:
    void Announce(const TLayerChange& change);
    void EndUpdate();
    void ReleaseLayer(Layer& layer);
    void FreeOwnedLayers();
    void RenewLayerList();
    void LoadLayerSection(const TIniFile& ini, const std::string& section, bool common, std::vector<PLayer>& added);
    PLayer AddSectionLayer(const TIniFile& ini, const std::string& section, const TLayerFormat& format,
                           const std::string& path, bool owned);
    void ApplyCustomStyle(const TIniFile& ini, const std::string& section, VectorLayer& vector);
    void ApplySequence(const TIniFile& ini, const std::string& section);
    void ApplyVisibility(const TIniFile& ini, const std::string& section);
    void DropLayers(const std::vector<PLayer>& layers);
    void WriteLayerSection(TIniFile& ini, const std::string& section, const Layer& layer);
    void WriteHiddenLayers(TIniFile& ini) const;

    std::unique_ptr<TLayerList> LayerList;
    std::int32_t WalkCursor = 0;
    TDoubleRect Extent;
    bool ExtentValid = false;
    std::string RootFolder;
    std::string PaletteFolder; // with its trailing separator when set
    std::string DefaultPalette;
    std::vector<TLayerObserver*> Observers;
    std::uint64_t Changes = 0;
    std::int32_t UpdateDepth = 0;
    bool ChangedInUpdate = false;
};
