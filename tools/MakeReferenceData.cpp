// Writes the reference data that the tool reads beside its executable: the program deck, the two
// option decks, the board and chit catalogues, their pictures and the two report templates.
// Usage: cogline_make_data <output folder>/ <template folder>/

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
#include <set>
#include <stdexcept>
#include <string>

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

int WriteReferenceData(const std::string& outputFolder, const std::string& sourceFolder)
{
    if (!QDir().mkpath(QString::fromStdString(outputFolder)))
        throw std::runtime_error("cannot create the folder \"" + outputFolder + "\"");
    int files = 0;
    {
        TProgramDeck deck;
        BuildProgramCards(deck);
        deck.SaveToXMLFile(outputFolder + "CoreProgramDeck.xml");
        ++files;
    }
    for (TOptionSource source : {osBaseGame, osBoltsAndBlasters}) {
        BuildOptionDeckFile(source, outputFolder + OptionDeckFiles[source]);
        ++files;
    }

    TBoardList boards;
    BuildDescribedBoardList(boards);
    boards.SaveToXMLFile(outputFolder + "Boards.xml");
    ++files;
    QImage boardPicture;
    for (int i = 0; i < boards.Count(); ++i) {
        const TBoard* board = boards.Items(i);
        const std::string& path = board->RelativeFilePath();
        DrawBoardPicture(boardPicture, BoardNameOfPath(path), EditionOfPath(path));
        SaveJpeg(boardPicture, outputFolder + path);
        ++files;
    }

    std::vector<TCatalogueChit> chits = CatalogueChits();
    TChitList chitList;
    FillChitList(chitList, chits);
    chitList.SaveToXMLFile(outputFolder + "Chits.xml");
    ++files;
    for (const TCatalogueChit& chit : chits) {
        QImage picture = chit.Draw();
        SaveJpeg(picture, outputFolder + chit.RelativeFilePath);
        ++files;
        if (chit.ID == BaseChitID(btZoomBot)) {
            SaveJpeg(picture, outputFolder + SquareEditorChitPath);
            ++files;
        }
    }

    for (const char* name : TemplateFiles) {
        CopyTemplate(sourceFolder, outputFolder, name);
        ++files;
    }
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    // Pictures and fonts need a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: cogline_make_data <output folder> <template folder>\n");
        return 2;
    }
    try {
        QElapsedTimer timer;
        timer.start();
        int files = WriteReferenceData(WithSlash(argv[1]), WithSlash(argv[2]));
        std::printf("cogline_make_data: %d files written in %lld ms\n", files, static_cast<long long>(timer.elapsed()));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cogline_make_data: %s\n", e.what());
        return 1;
    }
}
