#include "platform/FileByteReader.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

#include "platform/RuntimeErrors.h"
#include "tests/support/TempFolder.h"

namespace fs = std::filesystem;

TEST(FileByteReader, ReadsAcrossBufferBoundariesAndStopsAtTheEnd)
{
    // 200,000 bytes: more than the buffer, with values that straddle it.
    std::string bytes(200000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    std::int32_t marker = -123456;
    std::memcpy(&bytes[65534], &marker, 4);
    double real = 2.5;
    std::memcpy(&bytes[150001], &real, 8);
    TTempFolder folder;
    std::string path = folder.Write("bytes", bytes);
    {
        TFileByteReader reader(path);
        EXPECT_EQ(reader.Remaining(), 200000u);
        reader.Skip(65534);
        EXPECT_EQ(reader.ReadI32(), marker);
        std::string big(80000, '\0');
        reader.ReadBytes(big.data(), big.size());
        EXPECT_EQ(big, bytes.substr(65538, 80000));
        reader.Skip(150001 - reader.Position());
        EXPECT_EQ(reader.ReadF64(), real);
        EXPECT_EQ(reader.Remaining(), 200000u - 150009u);
        reader.Skip(reader.Remaining() - 2);
        EXPECT_THROW(reader.ReadI32(), EReadPastEnd);
    }
    {
        TFileByteReader reader(path);
        std::string all(200001, '\0');
        EXPECT_THROW(reader.ReadBytes(all.data(), all.size()), EReadPastEnd);
    }
    fs::remove(path);
    EXPECT_THROW(TFileByteReader reader(path), EInOutError);
}
