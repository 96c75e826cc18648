// Measures the core against the best a library does with the same work, in the same run on the
// same data, and prints our time, the reference time and their ratio (medians of several runs).
#include "BenchCampaignUnt.h"
#include "BenchGameUnt.h"
#include "BenchHostileUnt.h"
#include "BenchPasteUnt.h"
#include "BenchRenderUnt.h"
#include "BenchStartUpUnt.h"
#include "BenchTimingUnt.h"

#include "persist/ZLibFuncs.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

#include "render/MapPictureUnt.h"

#include <QDir>
#include <QProcess>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <pugixml.hpp>
#include <sys/resource.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void Report(const char* measure, double ours, double reference)
{
    if (reference > 0)
        std::printf("%-16s ours %9.2f ms   reference %9.2f ms   ratio %5.2f\n", measure, ours, reference, ours / reference);
    else
        std::printf("%-16s ours %9.3f ms   (absolute)\n", measure, ours);
}

std::string ReadAll(const std::string& name)
{
    QFile file(QString::fromStdString(name));
    file.open(QIODevice::ReadOnly);
    QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string InflateAll(const std::string& data)
{
    z_stream stream{};
    inflateInit(&stream);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    std::string out;
    std::vector<char> block(1 << 20);
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(block.data());
        stream.avail_out = static_cast<uInt>(block.size());
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(block.data(), block.size() - stream.avail_out);
    }
    inflateEnd(&stream);
    return out;
}

struct TStringWriter : pugi::xml_writer {
    std::string Text;
    void write(const void* data, size_t size) override { Text.append(static_cast<const char*>(data), size); }
};

// The process's peak resident memory so far.
double PeakMiB()
{
    QFile status("/proc/self/status");
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The memory a game master's session needs, in a process of its own started through
// /usr/bin/time: opens the game file in the folder (which holds Boards.xml and the pictures, as
// the executable's folder does) and saves one phase's pictures. Prints what it wrote and its
// peak after each step.
int RunMemoryChild(const std::string& folder)
{
    SetExecutableFolder(folder + "/");
    TBoardList boards;
    boards.LoadFromXMLFile(ExecutableFolder() + "Boards.xml");
    TGame game;
    game.LoadFromGameFile(folder + "/bench.cgx");
    game.SetBoardList(&boards);
    const double opened = PeakMiB();
    TMapRenderer renderer;
    const std::vector<std::string> files = renderer.SaveImages(game);
    long long written = 0;
    for (const std::string& file : files)
        written += QFileInfo(QString::fromStdString(file)).size();
    const double pictures = PeakMiB();
    // A save builds every older turn the open left in the text.
    game.SaveToGameFile(folder + "/saved.cgx");
    std::printf("%zu files of %lld bytes; peak after opening %.1f MiB, after the pictures %.1f MiB, after a save %.1f MiB\n",
        files.size(), written, opened, pictures, PeakMiB());
    return files.size() > 1 ? 0 : 1;
}

// The reference of an open: inflating the file and parsing its text into a tree.
void ReferenceOpen(const std::string& gameFile)
{
    std::string inflated = InflateAll(ReadAll(gameFile));
    pugi::xml_document doc;
    doc.load_buffer(inflated.data(), inflated.size(), pugi::parse_default);
}

// One open in a process of its own, as a game master's first open after start-up: ours, or the
// reference (inflate and parse); prints the milliseconds.
int RunOpenOnceChild(const std::string& which, const std::string& gameFile)
{
    const auto start = std::chrono::steady_clock::now();
    if (which == "ours") {
        TGame game;
        game.LoadFromGameFile(gameFile);
    } else {
        ReferenceOpen(gameFile);
    }
    std::printf("%.3f\n", std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    return 0;
}

// The first open of a game in a fresh process, ours against the reference, each the median of
// several processes: within one process, memory given back and taken again weighs on both.
void ReportFirstOpen(const std::string& gameFile, int runs)
{
    auto median = [&](const char* which) {
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {"--open-once", which, QString::fromStdString(gameFile)});
            child.waitForFinished(120000);
            times.push_back(child.readAllStandardOutput().trimmed().toDouble());
        }
        return Median(times);
    };
    const double ours = median("ours");
    const double reference = median("reference");
    Report("first open", ours, reference);
}

// Runs the memory child in a fresh process under /usr/bin/time -v, in a folder with the game,
// Boards.xml and the pictures.
void ReportMemory(const std::string& gameFile, std::size_t textSize)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    const QString bin = QString::fromStdString(ExecutableFolder());
    QFile::copy(bin + "Boards.xml", folder + "/Boards.xml");
    QFile::link(bin + "Images", folder + "/Images");
    QFile::copy(QString::fromStdString(gameFile), folder + "/bench.cgx");
    QProcess child;
    const bool timed = QFileInfo::exists("/usr/bin/time");
    if (timed)
        child.start("/usr/bin/time", {"-v", QCoreApplication::applicationFilePath(), "--memory", folder});
    else
        child.start(QCoreApplication::applicationFilePath(), {"--memory", folder});
    child.waitForFinished(300000);
    const QString said = QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed();
    QString peak = "(unknown: /usr/bin/time is missing)";
    for (const QString& line : QString::fromLocal8Bit(child.readAllStandardError()).split('\n'))
        if (line.contains("Maximum resident set size")) {
            const double mib = line.section(':', 1).trimmed().toDouble() / 1024.0;
            peak = QString("%1 MiB, %2 times the XML text")
                       .arg(mib, 0, 'f', 1)
                       .arg(mib * 1024 * 1024 / static_cast<double>(textSize), 0, 'f', 2);
        }
    std::printf("\npeak memory of opening the game, saving one phase's pictures and saving the game (fresh "
                "process): %s\n  %s\n",
        peak.toLocal8Bit().constData(), said.toLocal8Bit().constData());
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 2 && std::string(argv[1]) == "--startup")
        return RunStartUpChild(argc, argv, argv[2]);
    if (argc > 1 && std::string(argv[1]) == "--paste")
        return RunPasteChild(argc, argv);
    if (argc > 2 && std::string(argv[1]) == "--play-steps")
        return RunPlayStepsChild(argc, argv);
    QGuiApplication app(argc, argv);
    TMessageCapture quiet;
    if (argc > 2 && std::string(argv[1]) == "--memory")
        return RunMemoryChild(argv[2]);
    if (argc > 3 && std::string(argv[1]) == "--open-once")
        return RunOpenOnceChild(argv[2], argv[3]);
    if (argc > 1 && std::string(argv[1]) == "--text") {
        // The text and paste measures alone.
        ReportPaste(argc > 2 ? std::max(1, std::atoi(argv[2])) : 5);
        return 0;
    }
    if (argc > 3 && std::string(argv[1]) == "--hostile-child")
        return RunHostileChild(argv[2], argv[3]);
    if (argc > 1 && std::string(argv[1]) == "--hostile")
        return ReportHostileFiles(argc, argv);
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // "--turns N" plays the same game on (or short) to N turns: a long campaign.
    int turns = 40;
    if (argc > 3 && std::string(argv[2]) == "--turns")
        turns = std::max(1, std::atoi(argv[3]));

    std::printf("Generating the %d-turn game...\n", turns);
    TBenchGame bench = MakeBenchGame(turns);
    QTemporaryDir dir;
    std::string gameFile = dir.path().toStdString() + "/bench.cgx";
    bench.Game->SaveToGameFile(gameFile);
    std::string fileBytes = ReadAll(gameFile);
    std::string text = bench.Game->SaveToXMLString();
    std::size_t elements = 0;
    for (std::size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1))
        elements += at + 1 < text.size() && text[at + 1] != '/' && text[at + 1] != '?';
    std::printf("game file %zu bytes, XML text %zu bytes, %zu elements, %d turns, %d chits in the last phase\n\n",
        fileBytes.size(), text.size(), elements, bench.Game->TurnCount(), bench.Game->CurrentPhase()->ChitList()->Count());

    // COGLINE_BENCH_GAME=PATH keeps a copy of the game file, for a profiler or a test by hand.
    if (const QString keep = qEnvironmentVariable("COGLINE_BENCH_GAME"); !keep.isEmpty()) {
        QFile::remove(keep);
        QFile::copy(QString::fromStdString(gameFile), keep);
    }
    if (qEnvironmentVariable("COGLINE_BENCH_ONLY") == "open") {
        for (int i = 0; i < runs; ++i) {
            TGame game;
            game.LoadFromGameFile(gameFile);
        }
        return 0;
    }
    // open
    double oursOpen = Time(runs, [&] {
        TGame game;
        game.LoadFromGameFile(gameFile);
        game.SetBoardList(bench.Boards.get());
    });
    double refOpen = Time(runs, [&] { ReferenceOpen(gameFile); });
    Report("open", oursOpen, refOpen);
    ReportFirstOpen(gameFile, runs);

    // save
    std::string saveFile = dir.path().toStdString() + "/saved.cgx";
    double oursSave = Time(runs, [&] { bench.Game->SaveToGameFile(saveFile); });
    pugi::xml_document parsed;
    parsed.load_buffer(text.data(), text.size(), pugi::parse_default);
    double refSave = Time(runs, [&] {
        TStringWriter writer;
        parsed.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
        uLongf size = compressBound(static_cast<uLong>(writer.Text.size()));
        std::vector<Bytef> out(size);
        compress2(out.data(), &size, reinterpret_cast<const Bytef*>(writer.Text.data()), static_cast<uLong>(writer.Text.size()),
            Z_DEFAULT_COMPRESSION);
        QFile file(QString::fromStdString(saveFile + ".ref"));
        file.open(QIODevice::WriteOnly);
        file.write(reinterpret_cast<const char*>(out.data()), static_cast<qint64>(size));
    });
    Report("save", oursSave, refSave);

    // start-up data
    const std::string folder = ExecutableFolder();
    const char* files[] = {"CoreProgramDeck.xml", "BaseGameOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml", "Boards.xml", "Chits.xml"};
    bool haveFiles = std::all_of(std::begin(files), std::end(files), [&](const char* f) { return QFile::exists(QString::fromStdString(folder + f)); });
    if (haveFiles) {
        double oursStart = Time(runs * 4, [&] {
            TProgramDeck program;
            program.LoadFromXMLFile(folder + files[0]);
            TOptionDeck base, bolts;
            base.LoadFromXMLFile(folder + files[1]);
            bolts.LoadFromXMLFile(folder + files[2]);
            TBoardList boards;
            boards.LoadFromXMLFile(folder + files[3]);
            TChitList chits;
            chits.LoadFromXMLFile(folder + files[4]);
        });
        double refStart = Time(runs * 4, [&] {
            for (const char* f : files) {
                pugi::xml_document doc;
                doc.load_file((folder + f).c_str(), pugi::parse_default);
            }
        });
        Report("start-up data", oursStart, refStart);
    } else {
        std::printf("start-up data    skipped: the reference files are not beside the program\n");
    }

    ReportRendering(bench, dir.path().toStdString(), runs);

    // next phase on a phase of 60 chits
    TGame& game = *bench.Game;
    game.NextTurn();
    TTurn* turn = game.CurrentTurn();
    double oursNext = Time(runs * 20, [&] { game.NextPhase(); },
        [&] {
            turn->SetCurrentPhaseNumber(0);
            turn->PhaseByNumber(1)->ChitList()->ClearObjects();
            turn->PhaseByNumber(1)->ArchiveList()->ClearObjects();
        });
    Report("next phase", oursNext, 0);

    ReportPlaySteps(gameFile, runs);
    if (turns == 40) {
        ReportPaste(runs);
        ReportStartUp(std::max(5, runs));
    }
    ReportMemory(gameFile, text.size());
    return 0;
}
