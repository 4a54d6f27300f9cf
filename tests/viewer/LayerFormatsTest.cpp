#include "viewer/LayerFormats.h"

#include <gtest/gtest.h>

// The extension a composition names a layer by is checked with the
// composition's names; a layer is added by its data file only.
TEST(LayerFormats, AFileIsAddedByItsDataExtensionOnly)
{
    struct Row {
        const char* Path;
        const char* Added; // type word by the add's extension, '' none
    };
    const Row rows[] = {
        {"/m/soil.RST", "rastr"}, {"/m/soil.rdc", ""},        {"roads.mif", "vect"}, {"roads.MID", ""},
        {"rivers.vct", "ivect"},  {"c:\\m\\rivers.Vdc", ""}, {"x.rstx", ""},        {"v1.2/rivers", ""},
    };
    for (const Row& row : rows) {
        const TLayerFormat* added = FormatByExtension(row.Path);
        EXPECT_STREQ(added ? added->TypeWord : "", row.Added) << row.Path;
    }
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
