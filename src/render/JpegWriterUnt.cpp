#include "render/JpegWriterUnt.h"

#include "support/ErrorsUnt.h"
#include "support/UtilsUnt.h"

#include <QBuffer>
#include <QImageWriter>
#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

constexpr int Quality = 90;

// Qt's writer of the same settings; the files must stay what it writes.
QByteArray QtJpeg(const QImage& picture, QString* error = nullptr)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(Quality);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(picture)) {
        if (error)
            *error = writer.errorString();
        return QByteArray();
    }
    return bytes;
}

// What Qt writes before the quantisation tables: start of image, the JFIF segment with the
// density it derives from the picture's dots per metre, and one comment per text. Taken from
// Qt's writer itself for a one-pixel picture of the same metadata.
std::string QtJpegHeader(const QImage& metadata)
{
    QImage probe(1, 1, QImage::Format_RGB32);
    probe.fill(0);
    probe.setDotsPerMeterX(metadata.dotsPerMeterX());
    probe.setDotsPerMeterY(metadata.dotsPerMeterY());
    for (const QString& key : metadata.textKeys())
        probe.setText(key, metadata.text(key));
    QString error;
    const QByteArray bytes = QtJpeg(probe, &error);
    if (bytes.isEmpty())
        throw EImageError(Format("The picture cannot be encoded. %s", error.toStdString().c_str()));
    qsizetype at = 2;
    while (at + 4 <= bytes.size() && static_cast<uchar>(bytes[at]) == 0xFF) {
        if (static_cast<uchar>(bytes[at + 1]) == 0xDB)
            return std::string(bytes.constData(), static_cast<std::size_t>(at));
        at += 2 + ((static_cast<uchar>(bytes[at + 2]) << 8) | static_cast<uchar>(bytes[at + 3]));
    }
    throw EImageError("The picture cannot be encoded. The JPEG header is not understood.");
}

// libjpeg reports errors by calling back; the callback jumps out of the library to the guard
// that made the call. Nothing with a destructor lives between the guard and the library.
struct TJpegError {
    jpeg_error_mgr Manager; // first, so that the library's pointer is this object's
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr info)
{
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    (*info->err->format_message)(info, error->Message);
    std::longjmp(error->Jump, 1);
}

extern "C" void JpegQuiet(j_common_ptr) { }

// The encoded bytes go into a string through a block of the destination's own. The library's
// start-of-image marker is left out: Qt's header, already in the string, begins with one.
struct TStringDestination {
    jpeg_destination_mgr Manager; // first, as above
    std::string* Out;
    std::size_t Skip = 2;
    JOCTET Block[65536];

    void Flush(std::size_t size)
    {
        const std::size_t skipped = std::min(Skip, size);
        Out->append(reinterpret_cast<const char*>(Block) + skipped, size - skipped);
        Skip -= skipped;
        Manager.next_output_byte = Block;
        Manager.free_in_buffer = sizeof Block;
    }
};

extern "C" void DestinationInit(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<TStringDestination*>(info->dest);
    destination->Manager.next_output_byte = destination->Block;
    destination->Manager.free_in_buffer = sizeof destination->Block;
}

extern "C" boolean DestinationEmpty(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<TStringDestination*>(info->dest);
    destination->Flush(sizeof destination->Block);
    return TRUE;
}

extern "C" void DestinationTerm(j_compress_ptr info)
{
    auto* destination = reinterpret_cast<TStringDestination*>(info->dest);
    destination->Flush(sizeof destination->Block - destination->Manager.free_in_buffer);
}

J_COLOR_SPACE ColourSpaceOf(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        // 0xAARRGGBB words: B, G, R, A in memory on little-endian machines.
        return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    case QImage::Format_RGB888:
        return JCS_RGB;
    default:
        return JCS_UNKNOWN;
    }
}

} // namespace

struct TJpegWriter::TState {
    jpeg_compress_struct Info {};
    TJpegError Error {};
    TStringDestination Destination {};
    std::string Out;
    int BytesPerPixel = 4;
    bool Created = false;

    TState() = default;
    TState(const TState&) = delete;
    TState& operator=(const TState&) = delete;
    // Also when the writer's constructor fails half-way.
    ~TState()
    {
        if (Created)
            jpeg_destroy_compress(&Info);
    }
};

namespace {

// Runs one library call; false, with the library's message kept, when it reported an error.
// setjmp must be in the frame that is still there when the error jumps.
template <class TCall>
bool Guarded(TJpegError& error, TCall call)
{
    if (setjmp(error.Jump))
        return false;
    call();
    return true;
}

[[noreturn]] void Fail(const TJpegError& error)
{
    throw EImageError(Format("The picture cannot be encoded. %s", error.Message));
}

} // namespace

bool TJpegWriter::TakesFormat(QImage::Format format) { return ColourSpaceOf(format) != JCS_UNKNOWN; }

TJpegWriter::TJpegWriter(int width, int height, QImage::Format rowFormat, const QImage& metadata)
    : FState(std::make_unique<TState>())
{
    TState& s = *FState;
    const J_COLOR_SPACE space = ColourSpaceOf(rowFormat);
    if (space == JCS_UNKNOWN)
        throw EImageError("The picture cannot be encoded. Its pixel format is not taken.");
    if (width <= 0 || height <= 0)
        throw EImageError("There is no picture to encode.");
    s.Out = QtJpegHeader(metadata);
    // About what quality 90 makes of board pictures, so that the string rarely grows.
    s.Out.reserve(s.Out.size() + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) / 4 + 4096);
    s.BytesPerPixel = space == JCS_RGB ? 3 : 4;

    s.Info.err = jpeg_std_error(&s.Error.Manager);
    s.Error.Manager.error_exit = JpegErrorExit;
    s.Error.Manager.output_message = JpegQuiet;
    if (!Guarded(s.Error, [&s] { jpeg_create_compress(&s.Info); }))
        Fail(s.Error);
    s.Created = true;
    s.Destination.Manager.init_destination = DestinationInit;
    s.Destination.Manager.empty_output_buffer = DestinationEmpty;
    s.Destination.Manager.term_destination = DestinationTerm;
    s.Destination.Out = &s.Out;
    s.Info.dest = &s.Destination.Manager;
    s.Info.image_width = static_cast<JDIMENSION>(width);
    s.Info.image_height = static_cast<JDIMENSION>(height);
    s.Info.input_components = s.BytesPerPixel;
    s.Info.in_color_space = space;
    const bool started = Guarded(s.Error, [&s] {
        jpeg_set_defaults(&s.Info);
        jpeg_set_quality(&s.Info, Quality, TRUE);
        // Qt's header stands in for the library's JFIF segment; what follows is the same.
        s.Info.write_JFIF_header = FALSE;
        jpeg_start_compress(&s.Info, TRUE);
    });
    if (!started)
        Fail(s.Error);
}

TJpegWriter::~TJpegWriter() = default;

void TJpegWriter::WriteRows(const uchar* bits, qsizetype stride, int count)
{
    TState& s = *FState;
    constexpr int Batch = 16;
    JSAMPROW rows[Batch];
    for (int done = 0; done < count;) {
        const int n = std::min(Batch, count - done);
        for (int i = 0; i < n; ++i)
            rows[i] = const_cast<JSAMPROW>(bits + (done + i) * stride);
        if (!Guarded(s.Error, [&s, &rows, n] { jpeg_write_scanlines(&s.Info, rows, static_cast<JDIMENSION>(n)); }))
            Fail(s.Error);
        done += n;
    }
}

void TJpegWriter::WriteRows(const QImage& picture, int left, int top, int count)
{
    WriteRows(picture.constScanLine(top) + static_cast<qsizetype>(left) * FState->BytesPerPixel,
        picture.bytesPerLine(), count);
}

std::string TJpegWriter::Finish()
{
    TState& s = *FState;
    if (!Guarded(s.Error, [&s] { jpeg_finish_compress(&s.Info); }))
        Fail(s.Error);
    return std::move(s.Out);
}
