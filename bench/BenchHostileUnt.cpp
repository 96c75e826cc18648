#include "BenchHostileUnt.h"

#include "BenchGameUnt.h"

#include "persist/ZLibFuncs.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string Repeat(const std::string& unit, std::size_t count)
{
    std::string text;
    text.reserve(unit.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        text += unit;
    return text;
}

// Older turns hold the chits, each phase of each of them about the same number, and the last
// turn holds none: opening builds the header and the last turn, the rest wait in the text.
std::string ChitsInOlderTurns(std::size_t chits)
{
    const std::size_t turns = 60, phasesPerTurn = 6;
    const std::string phase = "<Phase><ChitList>" + Repeat("<Chit/>", chits / (turns * phasesPerTurn)) + "</ChitList></Phase>";
    const std::string turn = "<Turn><PhaseList>" + Repeat(phase, phasesPerTurn) + "</PhaseList></Turn>";
    return "<Game><GameName>older turns</GameName><TurnList>" + Repeat(turn, turns) + "<Turn></Turn></TurnList></Game>";
}

struct THostileFile {
    const char* Name;
    std::function<std::string()> Text;
};

// The files the issue names, then the largest each cap lets through.
std::vector<THostileFile> HostileFiles()
{
    const std::size_t textCap = GameFileTextLimit;
    return {
        {"name-0x80-250MB", [] { return "<Game><GameName>" + std::string(250'000'000, '\x80') + "</GameName></Game>"; }},
        {"chits-1.9M", [] { return "<Game><ChitList>" + Repeat("<Chit/>", 1'900'000) + "</ChitList></Game>"; }},
        {"older-turns-1.9M-chits", [] { return ChitsInOlderTurns(1'900'000); }},
        {"name-euro-at-text-cap",
            [textCap] { return "<Game><GameName>" + Repeat("\xE2\x82\xAC", textCap / 3 - 20) + "</GameName></Game>"; }},
        {"name-0x80-at-text-cap",
            [textCap] { return "<Game><GameName>" + std::string(textCap / 3 - 20, '\x80') + "</GameName></Game>"; }},
        {"chits-at-object-cap", [] { return "<Game><ChitList>" + Repeat("<Chit/>", MaxLoadObjects - 100) + "</ChitList></Game>"; }},
        {"older-turns-at-object-cap", [] { return ChitsInOlderTurns(MaxLoadObjects - 60 * 25 - 100); }},
        {"elements-at-cap", [] { return "<Game>" + Repeat("<x/>", MaxXmlElements - 1) + "</Game>"; }},
        // Refused only once the whole text is read: a damaged end, objects past the cap in older turns.
        {"damaged-end-at-text-cap",
            [textCap] { return "<Game><GameName>" + Repeat("\xE2\x82\xAC", textCap / 3 - 20) + "</GameName></Gam"; }},
        {"older-turns-past-object-cap", [] { return ChitsInOlderTurns(MaxLoadObjects + 10'000); }},
        // Every cap reached at once: objects, elements, and the rest of the text in one name.
        {"all-caps-at-once", [textCap] {
             const std::string chits = "<ChitList>" + Repeat("<Chit/>", MaxLoadObjects - 100) + "</ChitList>";
             const std::string others = Repeat("<x/>", MaxXmlElements - MaxLoadObjects);
             const std::size_t name = (textCap - chits.size() - others.size() - 100) / 3;
             return "<Game><GameName>" + Repeat("\xE2\x82\xAC", name) + "</GameName>" + chits + others + "</Game>";
         }},
    };
}

double PeakMiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Starts the peak afresh at the current use (Linux 4.0 and later).
bool ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::size_t ObjectsIn(const TpzCustomPersistentToXMLObject& object)
{
    std::size_t count = 1;
    for (const auto& child : object.Objects())
        count += ObjectsIn(*child);
    return count;
}

std::size_t ElementsIn(const std::string& text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '<' && text[i + 1] != '/')
            ++count;
    return count;
}

// Runs the child on the file in a fresh process and prints what it says.
void RunChild(const std::string& fileName, const std::string& saveName)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--hostile-child", QString::fromStdString(fileName),
        QString::fromStdString(saveName)});
    child.waitForFinished(-1);
    const QByteArray said = child.readAllStandardOutput().trimmed();
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        std::printf("  the child failed (exit %d): %s %s\n", child.exitCode(), said.constData(),
            child.readAllStandardError().right(400).constData());
    else
        std::printf("  %s\n", said.constData());
    std::fflush(stdout);
    QFile::remove(QString::fromStdString(saveName));
}

} // namespace

int RunHostileChild(const std::string& fileName, const std::string& saveName)
{
    TMessageCapture quiet;
    auto start = std::chrono::steady_clock::now();
    auto game = std::make_unique<TGame>();
    try {
        game->LoadFromGameFile(fileName);
    } catch (const std::exception& e) {
        std::printf("open refused in %.2f s, peak %.1f MiB: %.160s\n", SecondsSince(start), PeakMiB(), e.what());
        return 0;
    }
    std::printf("open %.2f s, peak %.1f MiB", SecondsSince(start), PeakMiB());
    const bool reset = ResetPeak();
    start = std::chrono::steady_clock::now();
    try {
        game->SaveToGameFile(saveName);
    } catch (const std::exception& e) {
        std::printf("; save failed in %.2f s: %.160s\n", SecondsSince(start), e.what());
        return 0;
    }
    std::printf("; save %.2f s, peak %.1f MiB%s (file %lld bytes)\n", SecondsSince(start), PeakMiB(),
        reset ? "" : " since the start", static_cast<long long>(QFileInfo(QString::fromStdString(saveName)).size()));
    return 0;
}

int ReportHostileFiles(int argc, char** argv)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    std::vector<std::string> wanted(argv + 2, argv + argc);
    auto isWanted = [&](const std::string& name) {
        return wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end();
    };

    if (isWanted("realistic")) {
        // A league's campaign of years: the benchmark's game played on to 500 turns.
        std::printf("Generating the 500-turn game of eight robots...\n");
        TBenchGame bench = MakeBenchGame(500, 60);
        const std::string text = bench.Game->SaveToXMLString();
        const std::string file = folder + "/realistic.cgx";
        bench.Game->SaveToGameFile(file);
        const std::size_t objects = ObjectsIn(*bench.Game), elements = ElementsIn(text);
        std::printf("realistic: %d turns, %d robots in use, file %lld bytes, text %zu bytes, %zu elements, %zu objects\n",
            bench.Game->TurnCount(), bench.Game->BotList()->InUseCount(),
            static_cast<long long>(QFileInfo(QString::fromStdString(file)).size()), text.size(), elements, objects);
        std::printf("  caps: text %zu bytes (%.1f times), %zu elements (%.1f times), %zu objects (%.1f times)\n",
            GameFileTextLimit, static_cast<double>(GameFileTextLimit) / static_cast<double>(text.size()), MaxXmlElements,
            static_cast<double>(MaxXmlElements) / static_cast<double>(elements), MaxLoadObjects,
            static_cast<double>(MaxLoadObjects) / static_cast<double>(objects));
        RunChild(file, folder + "/saved.cgx");
        QFile::remove(QString::fromStdString(file));
    }
    for (const THostileFile& hostile : HostileFiles()) {
        if (!isWanted(hostile.Name))
            continue;
        const std::string file = folder + "/" + hostile.Name + ".cgx";
        std::size_t textSize = 0;
        {
            const std::string text = hostile.Text();
            textSize = text.size();
            CompressStringToFile(text, file);
        }
        std::printf("%s: file %lld bytes, text %zu bytes\n", hostile.Name,
            static_cast<long long>(QFileInfo(QString::fromStdString(file)).size()), textSize);
        std::fflush(stdout);
        RunChild(file, folder + "/saved.cgx");
        QFile::remove(QString::fromStdString(file));
    }
    return 0;
}
