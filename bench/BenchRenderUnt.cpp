#include "BenchRenderUnt.h"

#include "render/ChitDrawUnt.h"
#include "render/MapPictureUnt.h"
#include "render/PictureFileUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"

#include <QCoreApplication>
#include <QDir>
#include <QPainter>

#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {
double TimeMedian(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Line(const char* measure, double ours, double reference)
{
    std::printf("%-16s ours %9.2f ms   reference %9.2f ms   ratio %5.2f\n", measure, ours, reference, ours / reference);
}

// Plain libjpeg-turbo: the 32-bit rows as they lie, baseline, quality 90, 4:2:0, into memory.
class TTurboJpeg {
public:
    TTurboJpeg()
        : FHandle(tjInitCompress())
    {
    }
    ~TTurboJpeg() { tjDestroy(FHandle); }
    TTurboJpeg(const TTurboJpeg&) = delete;
    TTurboJpeg& operator=(const TTurboJpeg&) = delete;

    std::string Encode(const QImage& picture)
    {
        unsigned char* out = nullptr;
        unsigned long size = 0;
        tjCompress2(FHandle, picture.constBits(), picture.width(), static_cast<int>(picture.bytesPerLine()),
            picture.height(), TJPF_BGRX, &out, &size, TJSAMP_420, 90, 0);
        std::string bytes(reinterpret_cast<const char*>(out), size);
        tjFree(out);
        return bytes;
    }

private:
    tjhandle FHandle;
};
} // namespace

void ReportRendering(TBenchGame& bench, const std::string& folder, int runs)
{
    TGame& game = *bench.Game;
    TMessageCapture messages;
    TMapRenderer renderer;
    int turn = game.LastTurnIndex();
    int phase = game.CurrentPhaseNumber();
    QImage shown;
    renderer.BuildMapPicture(game, turn, phase, shown); // decodes and turns the pictures once
    if (!messages.Messages().empty())
        std::printf("note: %s\n", messages.Messages().front().c_str());
    TUsedBoardList& layout = *game.UsedBoardList();
    const QSize cell = MapCellSize(layout);

    // redraw: the map into the picture a window keeps, against the same bytes copied into a
    // reused picture, by memcpy (the physical limit) and by drawing the nine boards
    double ours = TimeMedian(runs, [&] { renderer.BuildMapPicture(game, turn, phase, shown); });
    const std::size_t bytes = static_cast<std::size_t>(shown.sizeInBytes());
    std::vector<char> copy(bytes, 1);
    double referenceCopy = TimeMedian(runs, [&] { std::memcpy(copy.data(), shown.constBits(), bytes); });
    QImage drawn(shown.size(), QImage::Format_RGB32);
    drawn.fill(0);
    double referenceDraw = TimeMedian(runs, [&] {
        QPainter painter(&drawn);
        for (int i = 0; i < layout.Count(); ++i) {
            TUsedBoard* board = layout.Items(i);
            if (const QImage* picture = board->Picture())
                painter.drawImage(board->X() * cell.width(), board->Y() * cell.height(), *picture);
        }
    });
    double oursFresh = TimeMedian(runs, [&] { QImage map = renderer.BuildMapPicture(game, turn, phase); });
    Line("redraw", ours, referenceCopy);
    Line("  vs drawImage", ours, referenceDraw);
    Line("  new picture", oursFresh, referenceCopy);

    // phase pictures: SaveImages (map and nine boards) against plain libjpeg-turbo encoding of
    // the same 32-bit pixels (the map and the nine turned boards); both write with the same
    // file writer into the same folder, which is on a memory file system when there is one, so
    // that the disk's flushes do not drown the encoding
    std::string original = ExecutableFolder();
    const std::string out = QDir("/dev/shm").exists()
        ? "/dev/shm/cogline-bench-" + std::to_string(QCoreApplication::applicationPid())
        : folder;
    QDir().mkpath(QString::fromStdString(out));
    SetExecutableFolder(out + "/");
    double oursSave = TimeMedian(runs, [&] { renderer.SaveImages(game); });
    SetExecutableFolder(original);
    std::vector<QImage> pictures {shown};
    for (int i = 0; i < layout.Count(); ++i)
        if (const QImage* picture = layout.Items(i)->Picture())
            pictures.push_back(*picture);
    TTurboJpeg turbo;
    double referenceEncode = TimeMedian(runs, [&] {
        for (const QImage& picture : pictures)
            turbo.Encode(picture);
    });
    double referenceSave = TimeMedian(runs, [&] {
        TFileBytesList files;
        int n = 0;
        for (const QImage& picture : pictures)
            files.emplace_back(out + "/reference-" + std::to_string(n++) + ".jpg", turbo.Encode(picture));
        SavePictureFiles(files);
    });
    Line("phase pictures", oursSave, referenceSave);
    Line("  vs encoding", oursSave, referenceEncode);
    if (out != folder)
        QDir(QString::fromStdString(out)).removeRecursively();
}
