// Writes the reference data that the tool reads beside its executable: the program deck, the two
// option decks, the board and chit catalogues, their pictures and the two report templates, and
// a manifest that lists them, which is what gets installed.
// Usage: cogline_make_data <output folder>/ <template folder>/ <manifest file>

#include "BoardPainter.h"
#include "ReferenceCatalogue.h"

#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "support/UtilsUnt.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>

#include <cstdio>
#include <exception>
#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The fields the report templates may use; a misspelt one would silently stay in every post.
const std::set<std::string> ReportFields = {
    "PhaseNbr", "BotProgram", "BotMoves", "BoardEffects", "BotEffects", "Map", "BotDamage", "TurnNbr", "ScoreBoard"};
const char* const TemplateFiles[] = {"PhaseTemplate.txt", "TurnTemplate.txt"};

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

void MakeFolderOf(const std::string& fileName)
{
    QString folder = QFileInfo(QString::fromStdString(fileName)).absolutePath();
    if (!QDir().mkpath(folder))
        throw std::runtime_error("cannot create the folder \"" + folder.toStdString() + "\"");
}

// Written in place, without a sync per file: a failure stops the tool, and the build then runs
// it again.
void SaveJpeg(const QImage& image, const std::string& fileName)
{
    MakeFolderOf(fileName);
    QImageWriter writer(QString::fromStdString(fileName), "jpeg");
    writer.setQuality(90);
    if (!writer.write(image))
        throw std::runtime_error("cannot write \"" + fileName + "\": " + writer.errorString().toStdString());
}

std::string ReadWholeFile(const std::string& fileName)
{
    QFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read \"" + fileName + "\": " + file.errorString().toStdString());
    QByteArray bytes = file.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void CheckTemplateFields(const std::string& text, const std::string& fileName)
{
    std::size_t pos = 0;
    while ((pos = text.find("<%", pos)) != std::string::npos) {
        std::size_t end = text.find("%>", pos + 2);
        if (end == std::string::npos)
            throw std::runtime_error(fileName + ": a field opened with <% is never closed");
        std::string name = text.substr(pos + 2, end - pos - 2);
        if (!ReportFields.contains(name))
            throw std::runtime_error(fileName + ": unknown report field <%" + name + "%>");
        pos = end + 2;
    }
}

// The templates are kept with plain line ends in the sources; the tool reads and writes CR LF.
void CopyTemplate(const std::string& sourceFolder, const std::string& outputFolder, const std::string& name)
{
    std::string text = ReadWholeFile(sourceFolder + name);
    CheckTemplateFields(text, sourceFolder + name);
    std::string content;
    for (const std::string& line : SplitLines(text))
        content += line + "\r\n";
    QSaveFile file(QString::fromStdString(outputFolder + name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content.data(), static_cast<qint64>(content.size())) != static_cast<qint64>(content.size())
        || !file.commit())
        throw std::runtime_error("cannot write \"" + outputFolder + name + "\": " + file.errorString().toStdString());
}

// The install step reads the manifest as a CMake list of paths below the data folder, so a name
// that would split, escape or leave that folder is refused here rather than installed wrongly.
void CheckManifestPath(const std::string& path)
{
    bool unfit = path.find_first_of(";[]\\") != std::string::npos
        || std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    // No leading "/", no empty, "." or ".." part.
    for (const QString& part : QString::fromStdString(path).split('/'))
        unfit = unfit || part.isEmpty() || part == "." || part == "..";
    if (unfit)
        throw std::runtime_error("the file name \"" + path + "\" cannot be listed in the manifest");
}

// Every file written, relative to the output folder, once each (one picture may be written twice).
class TWrittenFiles {
public:
    void Add(const std::string& relativePath)
    {
        CheckManifestPath(relativePath);
        FPaths.insert(relativePath);
    }
    std::size_t Count() const { return FPaths.size(); }

    // One path a line, sorted; replaced whole, so a failed run leaves no partial list.
    void SaveManifest(const std::string& fileName) const
    {
        std::string text;
        for (const std::string& path : FPaths)
            text += path + "\n";
        MakeFolderOf(fileName);
        QSaveFile file(QString::fromStdString(fileName));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())
            || !file.commit())
            throw std::runtime_error("cannot write \"" + fileName + "\": " + file.errorString().toStdString());
    }

private:
    std::set<std::string> FPaths;
};

TWrittenFiles WriteReferenceData(const std::string& outputFolder, const std::string& sourceFolder)
{
    if (!QDir().mkpath(QString::fromStdString(outputFolder)))
        throw std::runtime_error("cannot create the folder \"" + outputFolder + "\"");
    TWrittenFiles written;
    {
        TProgramDeck deck;
        BuildProgramCards(deck);
        deck.SaveToXMLFile(outputFolder + "CoreProgramDeck.xml");
        written.Add("CoreProgramDeck.xml");
    }
    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters}) {
        BuildOptionDeckFile(source, outputFolder + OptionDeckFiles[source]);
        written.Add(OptionDeckFiles[source]);
    }

    TBoardList boards;
    BuildDescribedBoardList(boards);
    boards.SaveToXMLFile(outputFolder + "Boards.xml");
    written.Add("Boards.xml");
    QImage boardPicture;
    for (int i = 0; i < boards.Count(); ++i) {
        const TBoard* board = boards.Items(i);
        const std::string& path = board->RelativeFilePath();
        DrawBoardPicture(boardPicture, BoardNameOfPath(path), EditionOfPath(path));
        SaveJpeg(boardPicture, outputFolder + path);
        written.Add(path);
    }

    std::vector<TCatalogueChit> chits = CatalogueChits();
    TChitList chitList;
    FillChitList(chitList, chits);
    chitList.SaveToXMLFile(outputFolder + "Chits.xml");
    written.Add("Chits.xml");
    for (const TCatalogueChit& chit : chits) {
        QImage picture = chit.Draw();
        SaveJpeg(picture, outputFolder + chit.RelativeFilePath);
        written.Add(chit.RelativeFilePath);
        if (chit.ID == BaseChitID(btZoomBot)) {
            SaveJpeg(picture, outputFolder + SquareEditorChitPath);
            written.Add(SquareEditorChitPath);
        }
    }

    for (const char* name : TemplateFiles) {
        CopyTemplate(sourceFolder, outputFolder, name);
        written.Add(name);
    }
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    // Pictures and fonts need a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        if (argc != 4) {
            std::fprintf(stderr, "usage: cogline_make_data <output folder> <template folder> <manifest file>\n");
            return 2;
        }
        QElapsedTimer timer;
        timer.start();
        TWrittenFiles written = WriteReferenceData(WithSlash(argv[1]), WithSlash(argv[2]));
        written.SaveManifest(argv[3]);
        std::printf("cogline_make_data: %zu files written in %lld ms\n", written.Count(), static_cast<long long>(timer.elapsed()));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cogline_make_data: %s\n", e.what());
        return 1;
    }
}
