#include "viewer/LayerFormats.h"

#include <gtest/gtest.h>

TEST(LayerFormats, AFileIsAddedByItsDataExtensionOnly)
{
    struct Row {
        const char* Path;
        const char* Added;    // type word by the add's extension, '' none
        const char* Composed; // type word a composition takes from the name
    };
    const Row rows[] = {
        {"/m/soil.RST", "rastr", "rastr"},   {"/m/soil.rdc", "", "rastr"},  {"roads.mif", "vect", "vect"},
        {"roads.MID", "", "vect"},           {"rivers.vct", "ivect", "ivect"}, {"c:\\m\\rivers.Vdc", "", "ivect"},
        {"x.rstx", "", ""},                  {"v1.2/rivers", "", ""},
    };
    for (const Row& row : rows) {
        const TLayerFormat* added = FormatByExtension(row.Path);
        const TLayerFormat* composed = FormatByAnyExtension(row.Path);
        EXPECT_STREQ(added ? added->TypeWord : "", row.Added) << row.Path;
        EXPECT_STREQ(composed ? composed->TypeWord : "", row.Composed) << row.Path;
    }
    EXPECT_EQ(FormatByTypeWord("Rastr"), nullptr); // compared case-sensitively
    ASSERT_NE(FormatByTypeWord("ivect"), nullptr);
    EXPECT_STREQ(FormatByTypeWord("ivect")->Extension, ".vct");
}

TEST(LayerFormats, TheDialogFilterIsTheOneTheUsersKnow)
{
    EXPECT_EQ(LayerFileFilter(),
              "Idrisi rastr files(*.rst/rdc)|*.rst|Mapinfo files(*.mid/mif)|*.mif|Idrisi vector files(*.vct/vdc)|*.vct");
}

TEST(LayerFormats, ALayerIsSavedAsItsKindAndExtensionSay)
{
    struct Row {
        std::uint8_t Kind;
        const char* File;
        const char* Type;
    };
    const Row rows[] = {
        {lkRaster, "/m/soil.rst", "rastr"}, {lkVector, "/m/roads.MIF", "vect"}, {lkVector, "/m/rivers.vct", "ivect"},
        {lkVector, "/m/odd.rst", "ivect"},  {lkVector, "/m/none", "ivect"},
    };
    for (const Row& row : rows) {
        Layer layer;
        layer.Kind = row.Kind;
        layer.FileName = row.File;
        EXPECT_STREQ(FormatOfLayer(layer).TypeWord, row.Type) << row.File;
    }
}
