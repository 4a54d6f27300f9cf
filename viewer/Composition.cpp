#include "viewer/Composition.h"

#include <limits>

#include "geodata/FontTable.h"
#include "platform/FileNames.h"
#include "platform/NumberText.h"
#include "platform/RuntimeErrors.h"
#include "viewer/IniFile.h"
#include "viewer/LayerFormats.h"
#include "viewer/QMMapDoc.h"

namespace {

bool IsFieldSeparator(char c) { return c == ' ' || c == '(' || c == ')' || c == ',' || c == '\r' || c == '\n'; }
bool IsQuote(char c) { return c == '"' || c == '\''; }
bool IsFolderSeparator(char c) { return c == '\\' || c == '/'; }

std::string_view StripQuotes(std::string_view s)
{
    if (s.size() >= 2 && IsQuote(s.front()) && s.back() == s.front()) return s.substr(1, s.size() - 2);
    return s;
}

std::string Hex(std::uint32_t value) { return FormatText("%08X", value); }

bool HasFolderPart(std::string_view name)
{
    return name.find_first_of("\\/:") != std::string_view::npos;
}

bool IsRootedPath(std::string_view name) { return !name.empty() && name.front() == '/'; }

// `path` lies inside `folder` (both compared with '/' and without case):
// the rest after the folder and its separator, else ''.
std::string RestBelow(std::string_view path, std::string_view folder)
{
    if (folder.empty()) return {};
    std::string base = ToSlashes(IncludeTrailingPathDelimiter(folder));
    std::string full = ToSlashes(path);
    if (full.size() <= base.size() || !SameText(std::string_view(full).substr(0, base.size()), base)) return {};
    return full.substr(base.size());
}

} // namespace

std::vector<std::string> SplitStyleFields(std::string_view text)
{
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        std::size_t start = i;
        char quote = 0;
        while (i < text.size() && (quote != 0 || !IsFieldSeparator(text[i]))) {
            if (quote == 0 && IsQuote(text[i]))
                quote = text[i];
            else if (quote != 0 && text[i] == quote)
                quote = 0;
            ++i;
        }
        if (i > start) fields.emplace_back(text.substr(start, i - start));
        ++i; // the separator
    }
    return fields;
}

bool ParseAreaStyle(std::string_view text, TAreaStyle& style, std::int16_t& opacity)
{
    std::vector<std::string> f = SplitStyleFields(text);
    if (f.size() != 7) return false;
    TAreaStyle parsed = style;
    std::int32_t width = 0;
    std::int32_t hatch = 0;
    std::int32_t alpha = 0;
    if (!TryStrToUInt(f[0], parsed.Outline.lopnStyle) || !TryStrToInt(f[1], width) ||
        !TryStrToUInt(f[2], parsed.Outline.lopnColor) || !TryStrToUInt(f[3], parsed.Brush.lbStyle) ||
        !TryStrToUInt(f[4], parsed.Brush.lbColor) || !TryStrToInt(f[5], hatch) || !TryStrToInt(f[6], alpha))
        return false;
    if (alpha < std::numeric_limits<std::int16_t>::min() || alpha > std::numeric_limits<std::int16_t>::max())
        return false;
    parsed.Outline.lopnWidth.x = width;
    parsed.Brush.lbHatch = static_cast<std::uint32_t>(hatch);
    style = parsed;
    opacity = static_cast<std::int16_t>(alpha);
    return true;
}

bool ParseLineStyle(std::string_view text, TLineStyle& style)
{
    std::vector<std::string> f = SplitStyleFields(text);
    if (f.size() != 3) return false;
    TLineStyle parsed = style;
    if (!TryStrToUInt(f[0], parsed.lopnStyle) || !TryStrToInt(f[1], parsed.lopnWidth.x) ||
        !TryStrToUInt(f[2], parsed.lopnColor))
        return false;
    style = parsed;
    return true;
}

bool ParsePointStyle(std::string_view text, TPointStyle& style)
{
    std::vector<std::string> f = SplitStyleFields(text);
    if (f.size() != 4) return false;
    TPointStyle parsed = style;
    if (!TryStrToInt(f[1], parsed.SymbolChar) || !TryStrToInt(f[2], parsed.SymbolSize) ||
        !TryStrToUInt(f[3], parsed.SymbolColor))
        return false;
    parsed.SymbolFont = FontIndex(StripQuotes(f[0]));
    style = parsed;
    return true;
}

std::string FormatAreaStyle(const TAreaStyle& style, std::int32_t opacity)
{
    return FormatText("(%u,%d,$%s, %u,$%s,%d, %d)", style.Outline.lopnStyle, style.Outline.lopnWidth.x,
                      Hex(style.Outline.lopnColor).c_str(), style.Brush.lbStyle, Hex(style.Brush.lbColor).c_str(),
                      static_cast<std::int32_t>(style.Brush.lbHatch), opacity);
}

std::string FormatLineStyle(const TLineStyle& style)
{
    return FormatText("(%u,%d,$%s)", style.lopnStyle, style.lopnWidth.x, Hex(style.lopnColor).c_str());
}

std::string FormatPointStyle(const TPointStyle& style)
{
    std::string font = FontName(style.SymbolFont);
    bool needsQuotes = false;
    for (char c : font) needsQuotes = needsQuotes || IsFieldSeparator(c) || c == '\t';
    if (needsQuotes) font = '"' + font + '"';
    return FormatText("(%s,%d,%d,$%s)", font.c_str(), style.SymbolChar, style.SymbolSize,
                      Hex(style.SymbolColor).c_str());
}

std::string LayerTypeFromExtension(std::string_view path)
{
    const TLayerFormat* format = FormatByAnyExtension(path);
    return format ? format->TypeWord : std::string();
}

bool IsForeignAbsolutePath(std::string_view name)
{
    bool drive = name.size() >= 2 && name[1] == ':' &&
                 ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    bool share = name.size() >= 2 && name[0] == '\\' && IsFolderSeparator(name[1]);
    return drive || share;
}

std::string ResolveLayerPath(std::string_view name, std::string_view rootFolder, std::string_view compositionFolder)
{
    if (IsForeignAbsolutePath(name)) return std::string(name);
    std::string path;
    if (IsRootedPath(name))
        path = std::string(name);
    else if (HasFolderPart(name))
        path = IncludeTrailingPathDelimiter(rootFolder.empty() ? compositionFolder : rootFolder) + std::string(name);
    else
        path = IncludeTrailingPathDelimiter(compositionFolder) + std::string(name);
    return ResolveFileCase(ToSlashes(path));
}

std::string LayerNameForWriting(std::string_view fileName, std::string_view rootFolder)
{
    std::string rest = RestBelow(fileName, rootFolder);
    if (rest.empty() || !HasFolderPart(rest)) return std::string(fileName);
    return rest;
}

std::string EnglishRasterName(std::string_view path)
{
    return ChangeFileExt(path, "") + "_en" + ExtractFileExt(path);
}

std::string PaletteSpecForReading(std::string_view value, std::string_view paletteFolder)
{
    std::size_t comma = value.find(',');
    std::string_view name = value.substr(0, comma);
    std::string_view range = comma == std::string_view::npos ? std::string_view() : value.substr(comma);
    if (name.empty()) return std::string(value);
    const bool relative = !IsRootedPath(name) && !IsForeignAbsolutePath(name);
    std::string path =
        relative ? IncludeTrailingPathDelimiter(paletteFolder) + std::string(name) : std::string(name);
    if (!IsForeignAbsolutePath(path)) path = ResolveFileCase(ToSlashes(path));
    // A name the palette folder does not hold is read as if no folder were
    // set, so the reader's own search for a bare name (the program folder,
    // then the default palette) finds it: compositions saved without a
    // palette folder name "Quillmere.qmp", and a folder setting must not
    // make them fail.
    if (relative && !paletteFolder.empty() && !FileExists(path)) return PaletteSpecForReading(value, {});
    return path + std::string(range);
}

std::string PaletteForWriting(std::string_view paletteFile, std::string_view paletteFolder)
{
    std::string rest = RestBelow(paletteFile, paletteFolder);
    return rest.empty() ? std::string(paletteFile) : rest;
}

// ---------------------------------------------------------------------------
// Reading and writing a whole composition: the document's side of the format.

namespace {

constexpr const char* kUnit = "QMMapDoc";

bool IsLayerSection(std::string_view name) { return name.size() >= 4 && SameText(name.substr(0, 4), "file"); }

// "AlphaBlend": 1..254 are opacities; anything else, also text that is no
// integer, is opaque.
std::int16_t ReadAlphaBlend(const TIniFile& ini, const std::string& section)
{
    std::int32_t a = 255;
    if (!TryStrToInt(ini.ReadString(section, "AlphaBlend", "255"), a) || a < 1 || a > 254) a = 255;
    return static_cast<std::int16_t>(a);
}

// What stands for a kept layer in a trial load: all that the projection
// rules and the order and visibility sections look at, without the data (an
// empty vector payload reprojects as the layer would).
PLayer StandInFor(const Layer& layer)
{
    auto standIn = std::make_shared<Layer>();
    standIn->Serial = standIn->Serial2 = standIn->Serial3 = standIn->Serial4 = layer.Serial;
    standIn->Kind = layer.Kind;
    standIn->Common = layer.Common;
    standIn->Frozen = layer.Frozen;
    standIn->FileName = layer.FileName;
    standIn->Projection = layer.Projection;
    standIn->Units = layer.Units;
    standIn->LayerToMap = layer.LayerToMap;
    standIn->MapToLayer = layer.MapToLayer;
    standIn->Visible = layer.Visible;
    if (layer.Kind == lkVector) {
        standIn->Vector = std::make_unique<VectorLayer>();
        InitVectorLayer(*standIn->Vector);
    }
    return standIn;
}

} // namespace

void TQMMapDoc::TryComposition(const TIniFile& ini, bool common, const std::vector<PLayer>& kept) const
{
    TQMMapDoc trial;
    trial.RootFolder = RootFolder;
    trial.PaletteFolder = PaletteFolder;
    trial.DefaultPalette = DefaultPalette;
    for (const PLayer& layer : kept) trial.LayerList->Add(StandInFor(*layer));
    if (!kept.empty()) trial.LayerList->TakeProjection(*LayerList);
    trial.LoadComposition(ini, common);
}

void TQMMapDoc::LoadComposition(const TIniFile& ini, bool common)
{
    std::vector<PLayer> added;
    // The whole read is one change of the layers, also when it fails.
    TUpdate update(*this);
    Announce(TLayerChange{});
    try {
        std::int32_t sections = 0;
        for (const std::string& section : ini.ReadSections())
            if (IsLayerSection(section)) {
                LoadLayerSection(ini, section, common, added);
                ++sections;
            }
        if (sections == 0) throw QMError("File %s: Lumivar composition has no layers.", ini.FileName().c_str());

        if (ini.SectionExists("layers_seq")) ApplySequence(ini, "layers_seq");
        LayerList->ShowAll();
        if (ini.SectionExists("layers_visi")) ApplyVisibility(ini, "layers_visi");
    } catch (...) {
        DropLayers(added);
        update.End();
        throw;
    }
    update.End();
}

void TQMMapDoc::LoadLayerSection(const TIniFile& ini, const std::string& section, bool common,
                                 std::vector<PLayer>& added)
{
    std::string name = ini.ReadString(section, "name", "");
    std::string path = ResolveLayerPath(name, RootFolder, ExtractFilePath(ini.FileName()));
    std::string type = ini.ReadString(section, "type", "");
    if (type.empty()) type = LayerTypeFromExtension(path);
    const TLayerFormat* format = FormatByTypeWord(type);
    if (!format)
        throw QMError("File %s: section %s has unknown layer type '%s'.", ini.FileName().c_str(), section.c_str(),
                      type.c_str());
    // A Windows drive or share cannot be reached here; the name would
    // otherwise be taken for a folder below the working folder.
    if (IsForeignAbsolutePath(path)) throw QMError("File %s not found.", path.c_str());

    const bool raster = IsRasterFormat(*format);
    if (raster && !FileExists(path)) path = ResolveFileCase(EnglishRasterName(path));
    if (format->CompanionMeansData && SameText(ExtractFileExt(path), format->Companion))
        path = ResolveFileCase(ChangeFileExt(path, format->Extension));
    // A file that is already a layer (added by hand, kept by the freeze, or
    // named by an earlier section) stays one layer: the frame's rows and
    // commands find a layer by its file.
    if (HasLayer(path)) return;

    PLayer layer = AddSectionLayer(ini, section, *format, path, !common);
    if (!layer) return;
    added.push_back(layer);
    layer->Common = common ? 1 : 0;
    layer->Frozen = common ? 1 : 0;
    ExtentValid = false;

    const bool takesStyles = format->ReadsStyles;
    if (layer->Vector) {
        VectorLayer& vector = *layer->Vector;
        vector.DefaultOpacity = vector.CustomOpacity = ReadAlphaBlend(ini, section);
        if (takesStyles) ApplyCustomStyle(ini, section, vector);
    }
    layer->LegendRu = ini.ReadString(section, "legend_ru", "");
    layer->LegendEn = ini.ReadString(section, "legend_en", "");
    if (layer->LegendRu.empty()) layer->LegendRu = layer->LegendEn;
    layer->HasLegendStyle = 0;
    if (takesStyles && layer->Vector) layer->Vector->UseCustom = 0;
    AdoptUniformStyle(*layer);
}

PLayer TQMMapDoc::AddSectionLayer(const TIniFile& ini, const std::string& section, const TLayerFormat& format,
                                  const std::string& path, bool owned)
{
    TLayerOptions options;
    options.Owned = owned;
    options.Visible = 1;
    if (IsRasterFormat(format)) {
        options.Autoscale = !SameText(ini.ReadString(section, "Autoscale", "Yes"), "no");
        std::string palette = ini.ReadString(section, "palette", "");
        if (palette.empty()) palette = DefaultPalette;
        options.PaletteSpec = PaletteSpecForReading(palette, PaletteFolder);
    }
    return format.Open(*LayerList, path, options);
}

void TQMMapDoc::ApplyCustomStyle(const TIniFile& ini, const std::string& section, VectorLayer& vector)
{
    vector.CustomKind = skNone;
    std::string polygon = ini.ReadString(section, "Polygon", "");
    if (!polygon.empty()) {
        if (ParseAreaStyle(polygon, vector.CustomArea, vector.CustomOpacity)) vector.CustomKind = skArea;
        return;
    }
    std::string line = ini.ReadString(section, "Line", "");
    if (!line.empty()) {
        if (ParseLineStyle(line, vector.CustomLine)) vector.CustomKind = skLine;
        return;
    }
    std::string point = ini.ReadString(section, "Point", "");
    if (!point.empty() && ParsePointStyle(point, vector.CustomPoint)) vector.CustomKind = skPoint;
}

void TQMMapDoc::ApplySequence(const TIniFile& ini, const std::string& section)
{
    // seq1 names the bottom layer (the last index), seq2 the one above it...
    std::int32_t n = LayerCount();
    for (std::int32_t i = 1; i <= n; ++i) {
        std::string name = ini.ReadString(section, "seq" + std::to_string(i), "");
        if (name.empty()) break;
        std::int32_t j = LayerList->IndexOfLayer(name);
        if (j >= 0 && j != n - i) LayerList->Exchange(j, n - i);
    }
    QM_ASSERT(kUnit, LayerList->AllLayersValid());
}

void TQMMapDoc::ApplyVisibility(const TIniFile& ini, const std::string& section)
{
    for (const std::string& key : ini.ReadSection(section)) {
        std::string value = ini.ReadString(section, key, "");
        if (SameText(value, "no"))
            LayerList->SetVisible(key, 0);
        else if (SameText(value, "yes"))
            LayerList->SetVisible(key, 1);
    }
    QM_ASSERT(kUnit, LayerList->AllLayersValid());
}

void TQMMapDoc::DropLayers(const std::vector<PLayer>& layers)
{
    for (const PLayer& layer : layers) {
        for (std::int32_t i = LayerCount() - 1; i >= 0; --i)
            if (LayerList->Items(i) == layer) LayerList->Delete(i);
        TLayerList::ReleaseLayer(*layer);
    }
    ExtentValid = false;
    if (LayerCount() == 0) RenewLayerList();
}

void TQMMapDoc::SaveComposition(const std::string& fileName)
{
    try {
        TIniFile ini(fileName);
        // What the document writes replaces what the file said before:
        // stale layer sections, order and visibility would come back on
        // reopening. Sections of other programs stay.
        for (const std::string& section : ini.ReadSections())
            if (IsLayerSection(section)) ini.EraseSection(section);
        for (const char* section : {"layers_seq", "layers_visi", "qmc", "composition"}) ini.EraseSection(section);

        ini.WriteString("qmc", "ver", "1");
        if (!RootFolder.empty()) ini.WriteString("composition", "RootFolder", RootFolder);
        BeginReverseWalk();
        std::int32_t k = 0;
        while (const Layer* layer = NextReverseWalk()) WriteLayerSection(ini, "file" + std::to_string(++k), *layer);
        WriteHiddenLayers(ini);
        ini.UpdateFile();
    } catch (const EInOutError& e) {
        throw QMError(std::string(e.what()));
    }
}

void TQMMapDoc::WriteLayerSection(TIniFile& ini, const std::string& section, const Layer& layer)
{
    ini.WriteString(section, "name", LayerNameForWriting(layer.FileName, RootFolder));
    const bool raster = layer.Kind == lkRaster;
    ini.WriteString(section, "type", FormatOfLayer(layer).TypeWord);
    std::string english, russian;
    GetLayerLegends(layer, english, russian);
    if (!english.empty()) ini.WriteString(section, "Legend_en", english);
    if (!russian.empty()) ini.WriteString(section, "Legend_ru", russian);
    if (raster) {
        std::string palette = layer.Raster ? layer.Raster->PaletteFile : std::string();
        ini.WriteString(section, "palette", PaletteForWriting(palette, PaletteFolder));
        return;
    }
    if (!layer.Vector) return;
    const VectorLayer& v = *layer.Vector;
    if (v.DefaultOpacity >= 0 && v.DefaultOpacity < 255)
        ini.WriteString(section, "AlphaBlend", std::to_string(v.DefaultOpacity));
    switch (v.CustomKind) {
    case skArea: ini.WriteString(section, "Polygon", FormatAreaStyle(v.CustomArea, v.CustomOpacity)); break;
    case skLine: ini.WriteString(section, "Line", FormatLineStyle(v.CustomLine)); break;
    case skPoint: ini.WriteString(section, "Point", FormatPointStyle(v.CustomPoint)); break;
    default: break;
    }
}

// "layers_visi" names a layer by its layer name, and the reader sets the
// first layer of that name; a hidden layer below another of the same name
// cannot be addressed there, and is left out rather than hide the other.
void TQMMapDoc::WriteHiddenLayers(TIniFile& ini) const
{
    for (std::int32_t i = 0; i < LayerCount(); ++i) {
        const Layer& layer = *LayerList->Items(i);
        std::string name = LayerName(layer.FileName);
        if (layer.Visible <= 0 && LayerList->IndexOfLayer(name) == i) ini.WriteString("layers_visi", name, "No");
    }
}
