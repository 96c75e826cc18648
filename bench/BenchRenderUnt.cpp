#include "BenchRenderUnt.h"

#include "render/ChitDrawUnt.h"
#include "render/MapPictureUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"

#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
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
} // namespace

void ReportRendering(TBenchGame& bench, const std::string& folder, int runs)
{
    TGame& game = *bench.Game;
    TMessageCapture messages;
    TMapRenderer renderer;
    int turn = game.LastTurnIndex();
    int phase = game.CurrentPhaseNumber();
    QImage map = renderer.BuildMapPicture(game, turn, phase); // decodes and turns the pictures once
    if (!messages.Messages().empty())
        std::printf("note: %s\n", messages.Messages().front().c_str());

    // redraw: our map picture against copying the nine turned boards into a picture that size
    TUsedBoardList& layout = *game.UsedBoardList();
    double ours = TimeMedian(runs, [&] { map = renderer.BuildMapPicture(game, turn, phase); });
    QSize cell = MapCellSize(layout);
    double reference = TimeMedian(runs, [&] {
        QImage copy(map.size(), QImage::Format_RGB32);
        QPainter painter(&copy);
        for (int i = 0; i < layout.Count(); ++i) {
            TUsedBoard* board = layout.Items(i);
            if (const QImage* picture = board->Picture())
                painter.drawImage(board->X() * cell.width(), board->Y() * cell.height(), *picture);
        }
    });
    Line("redraw", ours, reference);

    // phase pictures: SaveImages (map and nine boards) against encoding ten such pictures
    std::string original = ExecutableFolder();
    SetExecutableFolder(folder + "/");
    double oursSave = TimeMedian(runs, [&] { renderer.SaveImages(game); });
    SetExecutableFolder(original);
    std::vector<QImage> pictures{map};
    for (int i = 0; i < layout.Count(); ++i)
        if (const QImage* picture = layout.Items(i)->Picture())
            pictures.push_back(*picture);
    double referenceSave = TimeMedian(runs, [&] {
        int n = 0;
        for (const QImage& picture : pictures) {
            QImageWriter writer(QString::fromStdString(folder + "/reference-" + std::to_string(n++) + ".jpg"), "jpeg");
            writer.setQuality(90);
            writer.write(picture);
        }
    });
    Line("phase pictures", oursSave, referenceSave);
}
