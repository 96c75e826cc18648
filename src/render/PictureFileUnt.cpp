#include "render/PictureFileUnt.h"

#include "render/JpegWriterUnt.h"

#include "support/ErrorsUnt.h"
#include "support/FileUnt.h"
#include "support/UtilsUnt.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>

std::string EncodeJpeg(const QImage& picture)
{
    if (picture.isNull())
        throw EImageError("There is no picture to encode.");
    // The encoder writes three colour components straight from 32-bit and 24-bit pictures; any
    // other format (a grey one would come out with one component) is made 24-bit first.
    QImage rgb = picture;
    if (!TJpegWriter::TakesFormat(picture.format()))
        rgb = picture.convertToFormat(QImage::Format_RGB888);
    try {
        TJpegWriter writer(rgb.width(), rgb.height(), rgb.format(), rgb);
        writer.WriteRows(rgb.constBits(), rgb.bytesPerLine(), rgb.height());
        return writer.Finish();
    } catch (const EImageError&) {
        // What the encoder refuses (a side longer than a JPEG holds) is refused in Qt's words.
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    if (!writer.write(rgb))
        throw EImageError(Format("The picture cannot be encoded. %s", writer.errorString().toStdString().c_str()));
    return bytes.toStdString();
}

void SavePictureFiles(const TFileBytesList& files)
{
    for (const auto& file : files) {
        const QFileInfo info(QString::fromStdString(file.first));
        if (!QDir().mkpath(info.absolutePath()))
            throw EFileError(Format("Cannot create the folder \"%s\".", info.absolutePath().toStdString().c_str()));
    }
    // A phase's pictures belong together: never some new and some old.
    SaveFilesTogether(files);
}

void SaveJpegPicture(const QImage& picture, const std::string& fileName)
{
    if (picture.isNull())
        throw EImageError(Format("There is no picture to write to \"%s\".", fileName.c_str()));
    SavePictureFiles({{fileName, EncodeJpeg(picture)}});
}
