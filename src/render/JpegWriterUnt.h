#pragma once
#include <QImage>

#include <memory>
#include <string>

// Encodes a picture as a baseline JPEG of quality 90 with three components, row by row from
// the pixels as they lie in memory: 32-bit rows go to the encoder without a converted copy, and
// a picture can be written in parts (the map in bands of cells, a board from its cell of a
// band). The bytes are those Qt's own writer makes of the same pixels: the same encoder
// settings, and the header (density and texts) taken from Qt's writer for the same metadata.
class TJpegWriter {
public:
    // rowFormat: Format_RGB32 or Format_ARGB32 (alpha ignored) or Format_RGB888. metadata: the
    // picture whose density and texts the file carries. EImageError when it cannot start.
    TJpegWriter(int width, int height, QImage::Format rowFormat, const QImage& metadata);
    ~TJpegWriter();
    TJpegWriter(const TJpegWriter&) = delete;
    TJpegWriter& operator=(const TJpegWriter&) = delete;

    // The next count rows, the first at bits, each stride bytes after the one before.
    void WriteRows(const uchar* bits, qsizetype stride, int count);
    // The part of a picture of the row format: its rows from top, the columns from left on.
    void WriteRows(const QImage& picture, int left, int top, int count);
    // The whole file, once every row is written.
    std::string Finish();

    // Whether rows of the format go to the encoder as they are.
    static bool TakesFormat(QImage::Format format);

private:
    struct TState;
    std::unique_ptr<TState> FState;
};
