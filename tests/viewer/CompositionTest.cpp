#include "viewer/Composition.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "geodata/FontTable.h"
#include "geodata/IdrisiRST.h"
#include "platform/RuntimeErrors.h"
#include "tests/viewer/MapFiles.h"
#include "viewer/IniFile.h"
#include "viewer/QMMapDoc.h"

TEST(CompositionStyles, FieldsSplitAsTheRunTimeSplitsThem)
{
    struct Row {
        const char* Name;
        const char* Text;
        std::vector<std::string> Fields;
    } rows[] = {
        {"plain", "(0,1,$FF)", {"0", "1", "$FF"}},
        {"blanks", "( 0 , 1 , $FF )", {"0", "1", "$FF"}},
        {"empty fields dropped", "(,,0,,)", {"0"}},
        {"quoted run kept whole", "(\"MapInfo Cartographic\",81)", {"\"MapInfo Cartographic\"", "81"}},
        {"single quotes", "('a b',1)", {"'a b'", "1"}},
        {"unclosed quote runs to the end", "(\"a b,1)", {"\"a b,1)"}},
        {"nothing", "", {}},
    };
    for (const Row& row : rows) EXPECT_EQ(SplitStyleFields(row.Text), row.Fields) << row.Name;
}

TEST(CompositionStyles, PolygonStringReadsAndWritesByteExact)
{
    TAreaStyle area;
    area.Outline.lopnWidth.y = 7;
    area.BackColor = 0x123456;
    area.BackMode = 2;
    std::int16_t opacity = 255;
    ASSERT_TRUE(ParseAreaStyle("(0,1,$000000FF, 0,$0000FF00,0, 128)", area, opacity));
    EXPECT_EQ(area.Outline.lopnStyle, PS_SOLID);
    EXPECT_EQ(area.Outline.lopnWidth.x, 1);
    EXPECT_EQ(area.Outline.lopnColor, RGB(255, 0, 0));
    EXPECT_EQ(area.Brush.lbStyle, BS_SOLID);
    EXPECT_EQ(area.Brush.lbColor, RGB(0, 255, 0));
    EXPECT_EQ(area.Brush.lbHatch, 0u);
    EXPECT_EQ(opacity, 128);
    // Not in the string: kept.
    EXPECT_EQ(area.Outline.lopnWidth.y, 7);
    EXPECT_EQ(area.BackColor, 0x123456u);
    EXPECT_EQ(area.BackMode, 2);
    EXPECT_EQ(FormatAreaStyle(area, opacity), "(0,1,$000000FF, 0,$0000FF00,0, 128)");

    TLineStyle line;
    ASSERT_TRUE(ParseLineStyle("(2,3,$FF000000)", line));
    EXPECT_EQ(line.lopnColor, 0xFF000000u);
    EXPECT_EQ(FormatLineStyle(line), "(2,3,$FF000000)");
}

TEST(CompositionStyles, BadStringsStoreNothing)
{
    struct Row {
        const char* Name;
        const char* Text;
    } rows[] = {
        {"three fields", "(0,1,$FF)"},
        {"eight fields", "(0,1,$FF,0,$FF,0,128,1)"},
        {"field no integer", "(0,1,$FF,0,green,0,128)"},
        {"negative pen style", "(-1,1,$FF,0,$FF,0,128)"},
        {"negative brush colour", "(0,1,$FF,0,-5,0,128)"},
        {"opacity beyond 16 bits", "(0,1,$FF,0,$FF,0,40000)"},
        {"colour beyond 32 bits", "(0,1,$1FFFFFFFF,0,$FF,0,128)"},
    };
    for (const Row& row : rows) {
        TAreaStyle area;
        area.Outline.lopnStyle = 4;
        area.Outline.lopnColor = 9;
        std::int16_t opacity = 77;
        EXPECT_FALSE(ParseAreaStyle(row.Text, area, opacity)) << row.Name;
        EXPECT_EQ(area.Outline.lopnStyle, 4u) << row.Name;
        EXPECT_EQ(area.Outline.lopnColor, 9u) << row.Name;
        EXPECT_EQ(opacity, 77) << row.Name;
    }
    TLineStyle line;
    line.lopnWidth.x = 5;
    EXPECT_FALSE(ParseLineStyle("(0,2,$FF,1)", line));
    EXPECT_FALSE(ParseLineStyle("(0,2,-1)", line));
    EXPECT_EQ(line.lopnWidth.x, 5);
}

TEST(CompositionStyles, PointStringsCarryFontNamesThroughTheFontTable)
{
    TPointStyle point;
    ASSERT_TRUE(ParsePointStyle("(Wingdings,81,12,$00000000)", point));
    EXPECT_EQ(point.SymbolChar, 81);
    EXPECT_EQ(point.SymbolSize, 12);
    EXPECT_EQ(point.SymbolColor, 0u);
    EXPECT_EQ(point.SymbolFont, FontIndex("Wingdings"));
    EXPECT_EQ(FormatPointStyle(point), "(Wingdings,81,12,$00000000)");

    // A name with a blank splits unless it is quoted; the writer quotes it.
    TPointStyle unquoted;
    EXPECT_FALSE(ParsePointStyle("(MapInfo Cartographic,33,10,$FF)", unquoted));
    TPointStyle quoted;
    ASSERT_TRUE(ParsePointStyle("(\"MapInfo Cartographic\",33,10,$FF)", quoted));
    EXPECT_EQ(FontName(quoted.SymbolFont), "MapInfo Cartographic");
    EXPECT_EQ(FormatPointStyle(quoted), "(\"MapInfo Cartographic\",33,10,$000000FF)");
    TPointStyle back;
    ASSERT_TRUE(ParsePointStyle(FormatPointStyle(quoted), back));
    EXPECT_EQ(back.SymbolFont, quoted.SymbolFont);
}

TEST(CompositionNames, TypesComeFromExtensions)
{
    EXPECT_EQ(LayerTypeFromExtension("/m/soil.RST"), "rastr");
    EXPECT_EQ(LayerTypeFromExtension("/m/soil.rdc"), "rastr");
    EXPECT_EQ(LayerTypeFromExtension("roads.MID"), "vect");
    EXPECT_EQ(LayerTypeFromExtension("roads.mif"), "vect");
    EXPECT_EQ(LayerTypeFromExtension("c:\\m\\rivers.Vdc"), "ivect");
    EXPECT_EQ(LayerTypeFromExtension("rivers.shp"), "");
    EXPECT_EQ(LayerTypeFromExtension("v1.2/rivers"), "");
}

TEST(CompositionNames, LayerNamesResolveAgainstRootAndCompositionFolders)
{
    TMapFolder dir;
    dir.Write("Data/Soil.RST", "");
    dir.Write("comp/Roads.vct", "");
    std::string root = dir.Folder();
    std::string comp = dir.Path("comp") + "/";
    struct Row {
        const char* Name;
        std::string Given;
        std::string Root;
        std::string Expected;
    } rows[] = {
        {"folder part below the root, Windows separators and case", "data\\soil.rst", root, dir.Path("Data/Soil.RST")},
        {"folder part without a root: the composition's folder", "..\\Data\\soil.rst", "", comp + "../Data/Soil.RST"},
        {"bare name: the composition's folder", "ROADS.VCT", root, dir.Path("comp/Roads.vct")},
        {"root without a trailing separator", "data/soil.rst", root.substr(0, root.size() - 1), dir.Path("Data/Soil.RST")},
        {"path from the root", dir.Path("data/soil.rst"), "/elsewhere/", dir.Path("Data/Soil.RST")},
        {"drive path stays as written", "D:\\x\\soil.rst", root, "D:\\x\\soil.rst"},
        {"share stays as written", "\\\\srv\\maps\\a.rst", root, "\\\\srv\\maps\\a.rst"},
        {"missing file keeps its name", "data\\none.rst", root, dir.Path("data/none.rst")},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ResolveLayerPath(row.Given, row.Root, comp), row.Expected) << row.Name;
    EXPECT_TRUE(IsForeignAbsolutePath("c:/x"));
    EXPECT_FALSE(IsForeignAbsolutePath("data\\x"));
    EXPECT_FALSE(IsForeignAbsolutePath("/data/x"));
}

TEST(CompositionNames, WrittenNamesReadBack)
{
    struct Row {
        const char* Name;
        const char* File;
        const char* Root;
        const char* Expected;
    } rows[] = {
        {"below the root: relative", "/maps/data/soil.rst", "/maps/", "data/soil.rst"},
        {"root in other case, no trailing separator", "/Maps/data/soil.rst", "/maps", "data/soil.rst"},
        {"directly in the root: full path", "/maps/roads.vct", "/maps/", "/maps/roads.vct"},
        {"outside the root", "/other/roads.vct", "/maps/", "/other/roads.vct"},
        {"no root", "/maps/roads.vct", "", "/maps/roads.vct"},
        {"a prefix that is no folder", "/mapsx/a/b.vct", "/maps", "/mapsx/a/b.vct"},
    };
    for (const Row& row : rows) EXPECT_EQ(LayerNameForWriting(row.File, row.Root), row.Expected) << row.Name;
}

TEST(CompositionNames, PalettesAndEnglishRasterNames)
{
    EXPECT_EQ(EnglishRasterName("/m/soil.rst"), "/m/soil_en.rst");
    EXPECT_EQ(EnglishRasterName("/m/v1.2/soil"), "/m/v1.2/soil_en");

    TMapFolder palettes;
    const std::string pal = palettes.Folder();
    const std::string grey = palettes.WritePalette("grey.qmp");
    const std::string sub = palettes.WritePalette("sub/grey.qmp");
    const std::string withoutSlash = pal.substr(0, pal.size() - 1);
    EXPECT_EQ(PaletteSpecForReading("grey.qmp", pal), grey);
    EXPECT_EQ(PaletteSpecForReading("GREY.QMP,0,10", withoutSlash), grey + ",0,10");
    EXPECT_EQ(PaletteSpecForReading("/abs/grey.qmp", pal), "/abs/grey.qmp");
    EXPECT_EQ(PaletteSpecForReading("", pal), "");
    // A name the folder does not hold is left to the reader's search for a
    // bare name, as without a folder.
    EXPECT_EQ(PaletteSpecForReading("Quillmere.qmp", pal), "Quillmere.qmp");
    EXPECT_EQ(PaletteSpecForReading("Quillmere.qmp,0,10", pal), "Quillmere.qmp,0,10");
    EXPECT_EQ(PaletteSpecForReading("grey.qmp", "/pal/"), "grey.qmp");
    EXPECT_EQ(PaletteForWriting("/pal/grey.qmp", "/pal/"), "grey.qmp");
    EXPECT_EQ(PaletteForWriting("/abs/grey.qmp", "/pal/"), "/abs/grey.qmp");
    EXPECT_EQ(PaletteForWriting("/pal/grey.qmp", ""), "/pal/grey.qmp");
    // What is written reads back to the same file.
    for (const std::string& file : {sub, std::string("/abs/grey.qmp")})
        EXPECT_EQ(PaletteSpecForReading(PaletteForWriting(file, pal), pal), file);
}

namespace {

constexpr double kWest = -3400000;
constexpr double kSouth = 7300000;

// A folder of Albers layers with a grey palette, and documents set up as the
// frame sets them up: root folder and palette folder are the folder itself.
struct TCompositionFiles {
    TCompositionFiles() { Dir.WritePalette("grey.qmp"); }

    std::unique_ptr<TQMMapDoc> NewDoc() const
    {
        auto doc = std::make_unique<TQMMapDoc>();
        doc->SetRootFolder(Dir.Folder());
        doc->SetPaletteDefaults(Dir.Folder(), "grey.qmp");
        return doc;
    }
    std::string Raster(const std::string& name) const
    {
        return Dir.WriteRaster(name, "alber-rus", "m", kWest, kWest + 30000, kSouth, kSouth + 20000);
    }
    std::string Idrisi(const std::string& name) const
    {
        return Dir.WriteIdrisiPolygons(name, "alber-rus", "m", {{kWest, kSouth, 50000}});
    }
    std::string Mif(const std::string& name, const std::string& objects = TMapFolder::Region(kWest, kSouth, 1000)) const
    {
        return Dir.WriteMif(name, objects);
    }
    static void Open(TQMMapDoc& doc, const std::string& path)
    {
        TIniFile ini(path);
        doc.LoadComposition(ini, false);
    }

    TMapFolder Dir;
};

std::vector<std::string> FileNames(const TQMMapDoc& doc)
{
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < doc.LayerCount(); ++i) names.push_back(doc.Layers().Items(i)->FileName);
    return names;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST(CompositionFile, TwelveMixedLayersSurviveSaveAndReopen)
{
    TCompositionFiles files;
    auto doc = files.NewDoc();
    std::string palette = files.Dir.Path("grey.qmp");
    for (int i = 1; i <= 12; ++i) {
        std::string name = (i % 4 == 0 ? "data/" : "") + std::string("layer") + std::to_string(i);
        switch (i % 3) {
        case 0: doc->Layers().AddRasterLayer(files.Raster(name), palette, true, true, 1); break;
        case 1: doc->Layers().AddVectorLayer(files.Idrisi(name), 1, true); break;
        default: doc->Layers().AddMifLayer(files.Mif(name), 1, true); break;
        }
    }
    // Legend texts stay with a raster and with a layer of mixed styles.
    doc->LayerByName(files.Dir.Path("layer3.rst"))->LegendEn = "Terrain";
    Layer& mixed = *doc->LayerByName(files.Dir.Path("layer5.mif"));
    mixed.HasLegendStyle = 0;
    mixed.LegendEn = "Countries";
    mixed.LegendRu = "Страны";
    VectorLayer& styled = *doc->LayerByName(files.Dir.Path("layer11.mif"))->Vector;
    std::int16_t opacity = 0;
    ASSERT_TRUE(ParseAreaStyle("(0,1,$000000FF, 0,$0000FF00,0, 128)", styled.CustomArea, opacity));
    styled.CustomOpacity = opacity;
    styled.CustomKind = 3;
    styled.DefaultOpacity = 128;
    doc->LayerByName(files.Dir.Path("layer2.mif"))->Visible = 0;

    std::string path = files.Dir.Path("maps.qmc");
    doc->SaveComposition(path);
    std::string text = files.Dir.Read("maps.qmc");
    EXPECT_TRUE(Contains(text, "[qmc]\r\nver=1\r\n")) << text;
    EXPECT_TRUE(Contains(text, "RootFolder=" + files.Dir.Folder()));
    EXPECT_TRUE(Contains(text, "[file1]\r\nname=" + files.Dir.Path("layer1.vct") + "\r\ntype=ivect\r\n"));
    EXPECT_TRUE(Contains(text, "[file4]\r\nname=data/layer4.vct\r\n"));
    EXPECT_TRUE(Contains(text, "[file12]\r\nname=data/layer12.rst\r\ntype=rastr\r\npalette=grey.qmp\r\n"));
    EXPECT_TRUE(Contains(text, "AlphaBlend=128\r\nPolygon=(0,1,$000000FF, 0,$0000FF00,0, 128)\r\n"));

    auto reopened = files.NewDoc();
    TCompositionFiles::Open(*reopened, path);
    EXPECT_EQ(FileNames(*reopened), FileNames(*doc));
    const VectorLayer& back = *reopened->LayerByName(files.Dir.Path("layer11.mif"))->Vector;
    EXPECT_EQ(back.CustomKind, 3);
    EXPECT_EQ(std::memcmp(&back.CustomArea, &styled.CustomArea, sizeof(TAreaStyle)), 0);
    EXPECT_EQ(back.CustomOpacity, 128);
    EXPECT_EQ(back.DefaultOpacity, 128);
    EXPECT_EQ(back.UseCustom, 0);
    // Hidden layers come back hidden, the others shown; legends come back.
    for (std::int32_t i = 0; i < reopened->LayerCount(); ++i)
        EXPECT_EQ(reopened->Layers().Items(i)->Visible, doc->Layers().Items(i)->Visible) << i;
    EXPECT_TRUE(Contains(text, "[layers_visi]\r\nlayer2=No\r\n")) << text;
    EXPECT_EQ(reopened->LayerByName(files.Dir.Path("layer3.rst"))->LegendEn, "Terrain");
    EXPECT_EQ(reopened->LayerByName(files.Dir.Path("layer5.mif"))->LegendEn, "Countries");
    EXPECT_EQ(reopened->LayerByName(files.Dir.Path("layer5.mif"))->LegendRu, "Страны");
    EXPECT_EQ(reopened->Layers().Items(0)->Raster->PaletteFile, palette);
}

TEST(CompositionFile, WindowsCompositionsOpen)
{
    TCompositionFiles files;
    files.Raster("Data/Soil");
    files.Raster("Data/Relief_en");
    files.Mif("Maps/Lakes");
    files.Dir.Write("Maps/Lakes.mid", "\"square\"\r\n");
    files.Idrisi("comp/roads");
    std::string path = files.Dir.Write(
        "comp/Map.qmc",
        "[QMC]\r\nVer=1\r\n"
        "[FILE7]\r\nname=ROADS.VCT\r\n"
        "[file2]\r\nname=data\\soil.RST\r\ntype=rastr\r\nAutoscale=NO\r\n"
        "[file1]\r\nname=DATA\\relief.rst\r\nAutoscale=0\r\n"
        "[file3]\r\nname=maps\\LAKES.mid\r\nlegend_en=Lakes\r\nlegend_ru=\xCE\xE7\xB8\xF0\xE0\r\nAlphaBlend=128\r\n");

    // Names with a folder part lie below the root folder, bare names in the
    // composition's folder.
    auto doc = files.NewDoc();
    TCompositionFiles::Open(*doc, path);
    ASSERT_EQ(doc->LayerCount(), 4);
    // Sections load in text order, each new layer on top.
    EXPECT_EQ(FileNames(*doc), (std::vector<std::string>{files.Dir.Path("Maps/Lakes.mif"),
                                                          files.Dir.Path("Data/Relief_en.rst"),
                                                          files.Dir.Path("Data/Soil.rst"),
                                                          files.Dir.Path("comp/roads.vct")}));
    EXPECT_FALSE(doc->Layers().Items(2)->Raster->Image->GetStretch()); // Autoscale NO
    EXPECT_TRUE(doc->Layers().Items(1)->Raster->Image->GetStretch());  // Autoscale 0 leaves it on
    EXPECT_EQ(doc->Layers().Items(2)->Raster->PaletteFile, files.Dir.Path("grey.qmp"));
    const Layer& lakes = *doc->Layers().Items(0);
    EXPECT_EQ(lakes.LegendRu, "Озёра");
    EXPECT_EQ(lakes.LegendEn, "Lakes");
    EXPECT_EQ(lakes.Vector->DefaultOpacity, 128);
    EXPECT_EQ(lakes.Vector->CustomOpacity, 128);
    EXPECT_EQ(doc->Layers().Items(3)->Vector->DefaultOpacity, 255);
}

TEST(CompositionFile, SequenceAndVisibilitySectionsApply)
{
    TCompositionFiles files;
    files.Idrisi("roads_RU");
    files.Raster("soil");
    files.Mif("lakes");
    std::string path = files.Dir.Write("c.qmc",
                                       "[qmc]\r\nver=1\r\n"
                                       "[file1]\r\nname=lakes.mif\r\n[file2]\r\nname=soil.rst\r\n"
                                       "[file3]\r\nname=roads_RU.vct\r\n"
                                       "[Layers_Seq]\r\nseq1=roads\r\nseq2=soil\r\nseq3=\r\nseq4=lakes\r\n"
                                       "[layers_visi]\r\nroads=No\r\nsoil=off\r\nnobody=no\r\nlakes=yes\r\n");
    auto doc = files.NewDoc();
    TCompositionFiles::Open(*doc, path);
    ASSERT_EQ(doc->LayerCount(), 3);
    EXPECT_EQ(doc->Layers().IndexOfLayer("roads"), 2);
    EXPECT_EQ(doc->Layers().IndexOfLayer("soil"), 1);
    EXPECT_EQ(doc->Layers().IndexOfLayer("lakes"), 0);
    EXPECT_EQ(doc->Layers().Items(2)->Visible, 0);
    EXPECT_EQ(doc->Layers().Items(1)->Visible, 1);
    EXPECT_EQ(doc->Layers().Items(0)->Visible, 1);
}

TEST(CompositionFile, StylesThatDoNotParseAreIgnored)
{
    TCompositionFiles files;
    // Two regions of different brushes: no uniform style takes over.
    std::string mixed = TMapFolder::Region(kWest, kSouth, 1000, 255) + TMapFolder::Region(kWest, kSouth, 500, 65280);
    files.Mif("a", mixed);
    files.Mif("b", mixed);
    files.Mif("c", mixed);
    files.Mif("d", mixed);
    std::string path = files.Dir.Write("c.qmc",
                                       "[qmc]\r\nver=1\r\n"
                                       "[file1]\r\nname=a.mif\r\nPolygon=(0,1,$FF)\r\nLine=(0,1,$FF)\r\n"
                                       "[file2]\r\nname=b.mif\r\nPoint=(Wingdings,81,12,$00000000)\r\n"
                                       "[file3]\r\nname=c.mif\r\nPolygon=(-1,1,$FF,0,$FF,0,128)\r\n"
                                       "[file4]\r\nname=d.mif\r\nLine=(2,3,$00FF0000)\r\nAlphaBlend=0\r\n");
    auto doc = files.NewDoc();
    TCompositionFiles::Open(*doc, path);
    ASSERT_EQ(doc->LayerCount(), 4);
    EXPECT_EQ(doc->LayerByName(files.Dir.Path("a.mif"))->Vector->CustomKind, 0);
    const VectorLayer& b = *doc->LayerByName(files.Dir.Path("b.mif"))->Vector;
    EXPECT_EQ(b.CustomKind, 1);
    EXPECT_EQ(b.CustomPoint.SymbolChar, 81);
    EXPECT_EQ(b.CustomPoint.SymbolSize, 12);
    EXPECT_EQ(FontName(b.CustomPoint.SymbolFont), "Wingdings");
    EXPECT_EQ(doc->LayerByName(files.Dir.Path("c.mif"))->Vector->CustomKind, 0);
    const VectorLayer& d = *doc->LayerByName(files.Dir.Path("d.mif"))->Vector;
    EXPECT_EQ(d.CustomKind, 2);
    EXPECT_EQ(d.CustomLine.lopnColor, 0x00FF0000u);
    EXPECT_EQ(d.DefaultOpacity, 255);
}

TEST(CompositionFile, CompositionWithoutLayersIsRefused)
{
    TCompositionFiles files;
    std::string path = files.Dir.Write("empty.qmc", "[qmc]\r\nver=1\r\n[layers_seq]\r\nseq1=x\r\n[profile]\r\nx=1\r\n");
    auto doc = files.NewDoc();
    try {
        TCompositionFiles::Open(*doc, path);
        ADD_FAILURE() << "no error";
    } catch (const QMError& e) {
        EXPECT_EQ(std::string(e.what()), "File " + path + ": Lumivar composition has no layers.");
    }
}

TEST(CompositionFile, SavingOverAnOldCompositionReplacesItsLayers)
{
    TCompositionFiles files;
    std::string a = files.Idrisi("a");
    std::string b = files.Mif("b");
    files.Raster("old");
    std::string path = files.Dir.Write("c.qmc",
                                       "; kept\r\n[qmc]\r\nver=1\r\nold=x\r\n[composition]\r\nRootFolder=/stale/\r\n"
                                       "[file1]\r\nname=old.rst\r\n[file2]\r\nname=old.rst\r\n"
                                       "[file3]\r\nname=old.rst\r\n[layers_seq]\r\nseq1=b\r\n"
                                       "[layers_visi]\r\na=no\r\n[Mine]\r\nkey=kept\r\n");
    auto doc = files.NewDoc();
    doc->SetRootFolder("");
    doc->Layers().AddVectorLayer(a, 1, true);
    doc->Layers().AddMifLayer(b, 1, true);
    doc->SaveComposition(path);
    std::string text = files.Dir.Read("c.qmc");
    EXPECT_FALSE(Contains(text, "old"));
    EXPECT_FALSE(Contains(text, "composition"));
    EXPECT_TRUE(Contains(text, "; kept\r\n"));
    EXPECT_TRUE(Contains(text, "[Mine]\r\nkey=kept\r\n"));

    auto reopened = files.NewDoc();
    TCompositionFiles::Open(*reopened, path);
    EXPECT_EQ(FileNames(*reopened), (std::vector<std::string>{b, a}));
    EXPECT_EQ(reopened->Layers().Items(1)->Visible, 1);
}

TEST(CompositionFile, FailedLoadTakesBackItsOwnLayersOnly)
{
    TCompositionFiles files;
    files.Mif("first");
    files.Mif("frozen");
    struct Row {
        const char* Name;
        const char* Section;
        std::string Message;
    } rows[] = {
        {"type in other case", "[file2]\r\nname=x.rst\r\ntype=Rastr\r\n",
         ": section file2 has unknown layer type 'Rastr'."},
        {"no type, unknown extension", "[file2]\r\nname=x.shp\r\n", ": section file2 has unknown layer type ''."},
        {"Windows drive", "[file2]\r\nname=D:\\x\\soil.rst\r\n", "File D:\\x\\soil.rst not found."},
        {"missing raster", "[file2]\r\nname=none.rst\r\n", ""},
    };
    for (const Row& row : rows) {
        std::string path =
            files.Dir.Write("c.qmc", std::string("[qmc]\r\nver=1\r\n[file1]\r\nname=first.mif\r\n") + row.Section);
        // As the frame does: frozen layers of the previous map merged on top.
        TLayerList keeper;
        auto previous = files.NewDoc();
        previous->Layers().AddMifLayer(files.Dir.Path("frozen.mif"), 1, true);
        previous->HandOverOwnLayers(keeper);
        previous->ResetDocument();
        auto doc = files.NewDoc();
        doc->MergeLayers(keeper, true);
        try {
            TCompositionFiles::Open(*doc, path);
            ADD_FAILURE() << row.Name << ": no error";
        } catch (const std::exception& e) {
            EXPECT_TRUE(Contains(e.what(), row.Message)) << row.Name << ": " << e.what();
        }
        EXPECT_EQ(FileNames(*doc), (std::vector<std::string>{files.Dir.Path("frozen.mif")})) << row.Name;
        doc.reset(); // the frozen layer is owned again and still marked frozen
        EXPECT_EQ(keeper.Items(0)->Freed, 1) << row.Name;
    }
}

TEST(CompositionFile, AFileAlreadyListedStaysOneLayer)
{
    TCompositionFiles files;
    std::string a = files.Mif("a");
    std::string b = files.Idrisi("b");
    // b twice, once in capitals, and a, which the document already holds.
    std::string path = files.Dir.Write("c.qmc", "[qmc]\r\nver=1\r\n[file1]\r\nname=b.vct\r\n[file2]\r\nname=a.mif\r\n"
                                                "Legend_en=Other\r\n[file3]\r\nname=B.VCT\r\n");
    auto doc = files.NewDoc();
    PLayer shown = doc->Layers().AddMifLayer(a, 0, true);
    TCompositionFiles::Open(*doc, path);
    EXPECT_EQ(FileNames(*doc), (std::vector<std::string>{b, a}));
    EXPECT_EQ(doc->Layers().Items(1), shown);
    EXPECT_EQ(shown->LegendEn, "");
}

TEST(CompositionFile, CommonLayersAreNotOwned)
{
    TCompositionFiles files;
    files.Mif("a");
    std::string path = files.Dir.Write("c.qmc", "[qmc]\r\nver=1\r\n[file1]\r\nname=a.mif\r\n");
    auto doc = files.NewDoc();
    TIniFile ini(path);
    doc->LoadComposition(ini, true);
    const Layer& a = *doc->Layers().Items(0);
    EXPECT_EQ(a.Common, 1);
    EXPECT_EQ(a.Frozen, 1);
    EXPECT_EQ(a.Owned, 0);
    EXPECT_EQ(doc->RemoveLayer(a.FileName), 1);
}

TEST(CompositionFile, FailedSaveKeepsTheOldFile)
{
    TCompositionFiles files;
    std::string a = files.Mif("a");
    std::string path = files.Dir.Write("c.qmc", "[qmc]\r\nver=1\r\n");
    auto doc = files.NewDoc();
    doc->Layers().AddMifLayer(a, 1, true);
    // A folder where the temporary file would go makes the write fail.
    std::filesystem::create_directory(path + ".tmp-" + std::to_string(::getpid()));
    EXPECT_THROW(doc->SaveComposition(path), QMError);
    EXPECT_EQ(files.Dir.Read("c.qmc"), "[qmc]\r\nver=1\r\n");
}

namespace {

template <class Action>
std::string MessageOf(Action&& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

// A FIFO would block a reader until some writer came, /dev/zero never ends
// and a folder reads nothing: as a layer's data file, opened directly or
// named in a composition, and as the composition itself, each gets the
// reader's message before any read.
TEST(CompositionFile, SpecialFilesGetTheReadersMessageAtOnce)
{
    namespace fs = std::filesystem;
    ::alarm(30); // a reader that blocks ends the test program instead of hanging it
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> kinds = {
        {"FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"/dev/zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); }},
        {"folder", [](const std::string& p) { fs::create_directory(p); }},
    };
    for (const auto& [kind, make] : kinds) {
        TCompositionFiles files;
        files.Raster("r");
        files.Idrisi("v");
        for (const char* name : {"r.rst", "v.vct", "m.mif", "c.qmc"}) {
            fs::remove(files.Dir.Path(name));
            make(files.Dir.Path(name));
        }
        auto doc = files.NewDoc();
        const std::string palette = files.Dir.Path("grey.qmp");
        EXPECT_EQ(MessageOf([&] { doc->Layers().AddRasterLayer(files.Dir.Path("r.rst"), palette, true, true, 1); }),
                  "File '" + files.Dir.Path("r.rst") + "' not opened (not exists?).")
            << kind;
        EXPECT_EQ(MessageOf([&] { doc->Layers().AddVectorLayer(files.Dir.Path("v.vct"), 1, true); }),
                  "File not opened")
            << kind;
        EXPECT_EQ(MessageOf([&] { doc->Layers().AddMifLayer(files.Dir.Path("m.mif"), 1, true); }),
                  "File " + files.Dir.Path("m.mif") + " not opened.")
            << kind;
        // A raster whose cells are no file is looked for under its "_en" name.
        for (const char* name : {"v.vct", "m.mif", "r.rst"}) {
            std::string path = files.Dir.Write(std::string("with-") + name + ".qmc",
                                               std::string("[qmc]\r\nver=1\r\n[file1]\r\nname=") + name + "\r\n");
            EXPECT_NE(MessageOf([&] { TCompositionFiles::Open(*doc, path); }), "no error") << kind << " " << name;
        }
        EXPECT_EQ(doc->LayerCount(), 0) << kind;
        EXPECT_EQ(MessageOf([&] { TIniFile ini(files.Dir.Path("c.qmc")); }),
                  "Cannot open file " + files.Dir.Path("c.qmc") + ": not a regular file")
            << kind;
    }
    ::alarm(0);
}

// A value ends at a zero byte, the way the loader opens the file it names:
// the layer keeps the name it was opened under, and a save writes what the
// next load reads back.
TEST(CompositionFile, ZeroByteEndsAValueSoTheLayersSurviveASave)
{
    TCompositionFiles files;
    std::string a = files.Mif("a");
    std::string path = files.Dir.Write(
        "c.qmc", std::string("[qmc]\r\nver=1\r\n[file1]\r\nname=a.mif\0.vct\r\ntype=vect\r\nlegend_en=Lakes\0x\r\n", 70));
    auto doc = files.NewDoc();
    TCompositionFiles::Open(*doc, path);
    ASSERT_EQ(FileNames(*doc), std::vector<std::string>{a});
    EXPECT_EQ(doc->Layers().Items(0)->LegendEn, "Lakes");
    doc->SaveComposition(path);
    auto reopened = files.NewDoc();
    TCompositionFiles::Open(*reopened, path);
    EXPECT_EQ(FileNames(*reopened), std::vector<std::string>{a});
    EXPECT_EQ(reopened->Layers().Items(0)->LegendEn, "Lakes");
}

TEST(CompositionFile, SavingKeepsALinkAndThePermissions)
{
    namespace fs = std::filesystem;
    TCompositionFiles files;
    std::string a = files.Mif("a");
    std::string target = files.Dir.Write("private.qmc", "[qmc]\r\nver=1\r\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    std::string link = files.Dir.Path("link.qmc");
    fs::create_symlink("private.qmc", link);
    auto doc = files.NewDoc();
    doc->Layers().AddMifLayer(a, 1, true);
    doc->SaveComposition(link);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "private.qmc");
    EXPECT_TRUE(Contains(files.Dir.Read("private.qmc"), "name=" + a + "\r\n"));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    for (const auto& entry : fs::directory_iterator(files.Dir.Root()))
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
}
