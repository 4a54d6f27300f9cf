#pragma once
// The layer file formats a map holds, in one table: the extension a layer is
// added by, the companion file that names the same layer, the type word of
// a composition's "type" key, the text of the open dialogs' filter, and the
// reader that opens it into a layer list. The frame, the composition reader
// and writer and the dialogs take all of it from here.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "geodata/QMLayers.h"

// How a new layer joins the list.
struct TLayerOptions {
    bool Owned = true;         // the document releases it
    std::int16_t Visible = 1;  // drawn when above 0
    std::string PaletteSpec;   // rasters: "name" or "name,min,max"
    bool Autoscale = true;     // rasters: the display range follows the values
};

struct TLayerFormat {
    const char* TypeWord;   // "rastr", "vect", "ivect" (compared case-sensitively)
    const char* Extension;  // the data file a layer is added and saved by
    const char* Companion;  // the other file of the pair, also a name of the layer
    const char* FilterCaption;
    // The filter's caption names the companion before the data file.
    bool CompanionFirst;
    // A composition naming the companion means the data file (the MapInfo
    // ".mid" holds only the attributes).
    bool CompanionMeansData;
    // A composition's "Polygon", "Line" and "Point" keys style the layer,
    // which opens in its objects' own styles.
    bool ReadsStyles;
    // Opens the file and inserts its layer at index 0 of `list`.
    PLayer (*Open)(TLayerList& list, const std::string& path, const TLayerOptions& options);
};

std::span<const TLayerFormat> LayerFormats();
// The format whose data extension `path` has (any case); nullptr for others,
// also for a companion extension.
const TLayerFormat* FormatByExtension(std::string_view path);
// The format whose data or companion extension `path` has (any case).
const TLayerFormat* FormatByAnyExtension(std::string_view path);
// The format of a "type" word; nullptr for an unknown word.
const TLayerFormat* FormatByTypeWord(std::string_view word);
// The format a layer is saved as: rasters as rasters; a vector layer by its
// file's extension, an Idrisi vector layer when that names no vector format.
const TLayerFormat& FormatOfLayer(const Layer& layer);
bool IsRasterFormat(const TLayerFormat& format);
// The open dialogs' filter: "caption(*.a/b)|*.a" pairs joined by "|".
std::string LayerFileFilter();
