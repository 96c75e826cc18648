// Renders the tool's icon drawing (an SVG file kept in the sources) into the PNG sizes that an
// icon theme wants, as <folder>/<size>x<size>/apps/<name>.png. Kept apart from the reference-data
// generator so that it needs no part of the tool and runs only when the drawing changes.
// Usage: cogline_make_icons <icon drawing.svg> <icon folder> <icon name> <size>...

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgRenderer>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

namespace {

void WriteIconPicture(QSvgRenderer& renderer, const QString& folder, const QString& name, int size)
{
    QImage picture(size, size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }
    const QString sizeFolder = folder + QString("/%1x%1/apps").arg(size);
    if (!QDir().mkpath(sizeFolder))
        throw std::runtime_error("cannot create the folder \"" + sizeFolder.toStdString() + "\"");
    const QString fileName = sizeFolder + "/" + name + ".png";
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !picture.save(&file, "png") || !file.commit())
        throw std::runtime_error("cannot write \"" + fileName.toStdString() + "\"");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: cogline_make_icons <icon drawing.svg> <icon folder> <icon name> <size>...\n");
        return 2;
    }
    try {
        QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
        if (!renderer.isValid())
            throw std::runtime_error(std::string("cannot read the icon drawing \"") + argv[1] + "\"");
        for (int i = 4; i < argc; ++i) {
            const int size = std::stoi(argv[i]);
            if (size < 8 || size > 1024)
                throw std::runtime_error(std::string("icon size ") + argv[i] + " is out of range");
            WriteIconPicture(renderer, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), size);
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cogline_make_icons: %s\n", e.what());
        return 1;
    }
}
