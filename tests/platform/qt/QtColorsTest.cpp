#include "platform/qt/QtColors.h"

#include <gtest/gtest.h>

TEST(QtColors, ColorWordsKeepTheirChannels)
{
    QColor c = ColorRefToQColor(0x00FF8001); // blue FF, green 80, red 01
    EXPECT_EQ(c.red(), 0x01);
    EXPECT_EQ(c.green(), 0x80);
    EXPECT_EQ(c.blue(), 0xFF);
    EXPECT_EQ(QColorToColorRef(c), 0x00FF8001u);
    QColor q = RgbQuadToQColor(0x00102030); // red 10, green 20, blue 30
    EXPECT_EQ(q.red(), 0x10);
    EXPECT_EQ(q.blue(), 0x30);
    EXPECT_EQ(q.alpha(), 255);
}
