#include "BenchRenderUnt.h"

#include "render/ChitDrawUnt.h"
#include "render/MapPictureUnt.h"
#include "render/PictureFileUnt.h"
#include "model/BotUnt.h"
#include "model/ChitUnt.h"
#include "model/PhaseUnt.h"
#include "model/TurnUnt.h"
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
// Medians of several pieces of work timed in turn within each run, so that a busy spell of the
// machine falls on all of them alike.
std::vector<double> TimeInTurn(int runs, const std::vector<std::function<void()>>& works)
{
    std::vector<std::vector<double>> times(works.size());
    for (int i = 0; i < runs; ++i) {
        for (std::size_t k = 0; k < works.size(); ++k) {
            auto start = std::chrono::steady_clock::now();
            works[k]();
            times[k].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
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
    const std::size_t bytes = static_cast<std::size_t>(shown.sizeInBytes());
    std::vector<char> copy(bytes, 1);
    QImage drawn(shown.size(), QImage::Format_RGB32);
    drawn.fill(0);
    const std::vector<double> redraw = TimeInTurn(runs,
        {[&] { renderer.BuildMapPicture(game, turn, phase, shown); },
            [&] { std::memcpy(copy.data(), shown.constBits(), bytes); },
            [&] {
                QPainter painter(&drawn);
                for (int i = 0; i < layout.Count(); ++i) {
                    TUsedBoard* board = layout.Items(i);
                    if (const QImage* picture = board->Picture())
                        painter.drawImage(board->X() * cell.width(), board->Y() * cell.height(), *picture);
                }
            },
            [&] { QImage map = renderer.BuildMapPicture(game, turn, phase); }});
    Line("redraw", redraw[0], redraw[1]);
    Line("  vs drawImage", redraw[0], redraw[2]);
    Line("  new picture", redraw[3], redraw[1]);

    // phase pictures: SaveImages (map and nine boards) against plain libjpeg-turbo encoding of
    // the same 32-bit pixels (the map and the nine turned boards); both write with the same
    // file writer into the same folder, which is on a memory file system when there is one, so
    // that the disk's flushes do not drown the encoding
    std::string original = ExecutableFolder();
    const std::string out = QDir("/dev/shm").exists()
        ? "/dev/shm/cogline-bench-" + std::to_string(QCoreApplication::applicationPid())
        : folder;
    QDir().mkpath(QString::fromStdString(out));
    std::vector<QImage> pictures {shown};
    for (int i = 0; i < layout.Count(); ++i)
        if (const QImage* picture = layout.Items(i)->Picture())
            pictures.push_back(*picture);
    TTurboJpeg turbo;
    const std::vector<double> save = TimeInTurn(runs,
        {[&] {
             SetExecutableFolder(out + "/");
             renderer.SaveImages(game);
             SetExecutableFolder(original);
         },
            [&] {
                TFileBytesList files;
                int n = 0;
                for (const QImage& picture : pictures)
                    files.emplace_back(out + "/reference-" + std::to_string(n++) + ".jpg", turbo.Encode(picture));
                SavePictureFiles(files);
            },
            [&] {
                for (const QImage& picture : pictures)
                    turbo.Encode(picture);
            }});
    Line("phase pictures", save[0], save[1]);
    Line("  vs encoding", save[0], save[2]);
    if (out != folder)
        QDir(QString::fromStdString(out)).removeRecursively();

    // chit edit: a start marker lying under a robot on the middle board stepped east and back on
    // the kept picture; ours draws again where it stood, the robot over it and all they touch;
    // the references are erasing and drawing the one chit (the edit as it was, which wiped the
    // robot off the picture) and a whole redraw; a frame at 60 Hz is 16.7 ms
    TChitList& chits = *game.CurrentTurn()->PhaseByNumber(phase)->ChitList();
    TChit* robot = nullptr;
    for (int i = 0; i < chits.Count() && !robot; ++i)
        if (chits.Items(i)->ID() == BaseChitID(btZoomBot))
            robot = chits.Items(i);
    TChit* marker = chits.FindByID("Start_1");
    if (!robot || !marker || layout.Count() < 5) {
        std::printf("chit edit        (no robot and marker to edit)\n");
        return;
    }
    robot->PlaceAt(layout.Items(4), 6, 6);
    marker->PlaceAt(layout.Items(4), 6, 6);
    auto timed = [](const std::function<void()>& work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> area, erase, whole;
    TDrawNotes& notes = renderer.Notes();
    for (int i = 0; i < runs; ++i) {
        renderer.BuildMapPicture(game, turn, phase, shown);
        area.push_back(timed([&] {
            for (bool east : {true, false}) {
                const QRect before = renderer.ChitArea(game, *marker);
                east ? marker->MoveEast() : marker->MoveWest();
                renderer.RedrawMapArea(game, turn, phase, shown, before);
            }
        }) / 2);
        renderer.BuildMapPicture(game, turn, phase, shown);
        erase.push_back(timed([&] {
            MoveEast(notes, *marker, shown, true);
            MoveWest(notes, *marker, shown, true);
        }) / 2);
        whole.push_back(timed([&] {
            for (bool east : {true, false}) {
                east ? marker->MoveEast() : marker->MoveWest();
                renderer.BuildMapPicture(game, turn, phase, shown);
            }
        }) / 2);
    }
    auto median = [](std::vector<double> t) {
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    };
    Line("chit edit", median(area), median(erase));
    Line("  vs redraw", median(area), median(whole));
}
