#pragma once
// A temporary folder for one test, with writers of the small layer files the
// document's tests open: Idrisi rasters (".rdc" text, ".rst" bytes), Idrisi
// vector files (".vdc" text, ".vct" bytes) and MapInfo interchange files.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/RasterFiles.h"

class TMapFolder : public TTempFolder {
public:
    // A byte raster of `rows` x `columns` cells with values 1..4, covering
    // x0..x1 by y0..y1 in its reference units; returns the ".rst" path.
    std::string WriteRaster(const std::string& name, const std::string& system, const std::string& units,
                            double x0, double x1, double y0, double y1, int rows = 2, int columns = 3) const
    {
        std::string cells;
        for (int i = 0; i < rows * columns; ++i) AppendCell<std::uint8_t>(cells, 1 + i % 4);
        TRdcText header;
        header.Columns = columns;
        header.Rows = rows;
        header.RefSystem = system;
        header.RefUnits = units;
        header.MinX = Num(x0);
        header.MaxX = Num(x1);
        header.MinY = Num(y0);
        header.MaxY = Num(y1);
        header.MinValue = header.DisplayMin = "1";
        header.MaxValue = header.DisplayMax = "4";
        header.LegendCats = "0";
        header.Eol = "\r\n";
        return WriteIdrisiRaster(*this, name, header.Text(), cells);
    }

    // A grey ".qmp" palette: 5 bytes of header, then 256 RGB triples.
    std::string WritePalette(const std::string& name) const
    {
        return Write(name, PaletteBytes(std::string(5, '\0'), [](int i) { return std::array{i, i, i}; }));
    }

    // An Idrisi polygon file of squares, each given by its west/south corner
    // and side; returns the ".vct" path.
    std::string WriteIdrisiPolygons(const std::string& name, const std::string& system, const std::string& units,
                                    const std::vector<std::vector<double>>& squares) const
    {
        Write(name + ".vdc", IdrisiHeaderText({{"file format", "IDRISI Vector A.1"}, {"file title", ""},
                                               {"object type", "polygon"}, {"file type", "binary"},
                                               {"ref. system", system}, {"ref. units", units}, {"unit dist.", "1"}},
                                              "\r\n"));
        std::string bytes(261, '\0');
        PutInt(bytes, 1, static_cast<std::int32_t>(squares.size()));
        for (const std::vector<double>& sq : squares) {
            std::string record(48, '\0');
            PutInt(record, 40, 1);
            PutInt(record, 44, 5);
            AppendCell<std::int32_t>(record, 5);
            double x = sq[0], y = sq[1], s = sq[2];
            record += CellBytes<double>({x, y, x + s, y, x + s, y + s, x, y + s, x, y});
            bytes += record;
        }
        return Write(name + ".vct", bytes);
    }

    // A MapInfo file in "alber-rus" metres (or lat/long degrees) with the
    // given object clauses after "Data".
    std::string WriteMif(const std::string& name, const std::string& objects, bool latLong = false) const
    {
        std::string coordSys = latLong ? "CoordSys Earth Projection 1, 0\r\n"
                                       : "CoordSys Earth Projection 9, 1001, \"m\", 100, 0, 44, 68, 0, 0\r\n";
        return Write(name + ".mif", "Version 300\r\nCharset \"WindowsCyrillic\"\r\nDelimiter \",\"\r\n" + coordSys +
                                        "Columns 1\r\n  name Char(20)\r\nData\r\n\r\n" + objects);
    }
    // One square region of a solid brush.
    static std::string Region(double x, double y, double s, int brushColor = 255)
    {
        return "Region 1\r\n  5\r\n" + Num(x) + " " + Num(y) + "\r\n" + Num(x + s) + " " + Num(y) + "\r\n" +
               Num(x + s) + " " + Num(y + s) + "\r\n" + Num(x) + " " + Num(y + s) + "\r\n" + Num(x) + " " +
               Num(y) + "\r\n    Pen (1,2,0)\r\n    Brush (2," + std::to_string(brushColor) + ")\r\n";
    }

private:
    static std::string Num(double v)
    {
        std::string s = std::to_string(v); // the tests run in the C locale
        return s;
    }
    static void PutInt(std::string& bytes, std::size_t at, std::int32_t v) { std::memcpy(&bytes[at], &v, 4); }
};
