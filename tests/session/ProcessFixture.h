#pragma once
// A session with a small game in a temporary executable folder: synthetic board and chit
// pictures in plain colours, so that what a window shows can be checked pixel by pixel.
#include "model/BoardUnt.h"
#include "model/BotArchiveUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/PhaseUnt.h"
#include "model/ProgramUnt.h"
#include "model/TurnUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/UtilsUnt.h"
#include "session/GameSessionUnt.h"
#include "session/SettingsUnt.h"
#include "session/TurnCycleUnt.h"
#include "common/ProgramGame.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>
#include <string>

// Colours of the pictures the tests look for; the other chits have colours of their own.
constexpr QRgb BoardA = 0xffc8c8c8;
constexpr QRgb BoardB = 0xffa0d0a0;
constexpr QRgb ZoomBotColour = 0xffff0000;
constexpr QRgb ZoomBotArchiveColour = 0xffffa0a0;
constexpr QRgb FlagColour = 0xff00ff00;

class ProcessTest : public ::testing::Test {
protected:
    // Boards of 240 pixels: square n has its centre at 20 n - 10.
    static constexpr int BoardSide = 240;
    static constexpr int ChitSide = 12;

    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        Folder = FDir.path().toStdString() + "/";
        SetExecutableFolder(Folder);
        SetLogFileName("");
        WriteReferenceFiles();
        Session.LoadReferenceData();
        Session.TakeLoadProblems();
        StartGame();
    }

    void SavePicture(const std::string& relativePath, QRgb colour, int side)
    {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(SavePictureFile(Folder + relativePath, image));
    }

    void WriteReferenceFiles()
    {
        BuildProgramDeckFile(Folder);
        QDir dir(QString::fromStdString(Folder));
        ASSERT_TRUE(dir.rename("ProgramDeck.xml", "CoreProgramDeck.xml"));

        TBoardList boards;
        for (const auto& [id, colour] : {std::pair {"A", BoardA}, std::pair {"B", BoardB}}) {
            SavePicture(std::string("Images/") + id + ".png", colour, BoardSide);
            TBoard* board = boards.AddBoard(id, std::string("Images/") + id + ".png");
            for (int x = 1; x <= 12; ++x)
                for (int y = 1; y <= 12; ++y) {
                    board->NodeAt(x, y)->SetImageCenterX(Centre(x));
                    board->NodeAt(x, y)->SetImageCenterY(Centre(y));
                }
        }
        boards.SaveToXMLFile(Folder + "Boards.xml");

        TChitList chits;
        // ID, description, colour, draw layer, cloneable.
        const std::tuple<const char*, const char*, QRgb, int, bool> catalogue[] = {{"Pit", "pit", 0xff000000, 10, true},
            {"Start", "Start", 0xffff00ff, 50, true}, {"Flag1", "Flag 1", FlagColour, 60, false},
            {"ZoomBotArchive", "Zoom Bot Archive", ZoomBotArchiveColour, 110, false},
            {"HammerBotArchive", "Hammer Bot Archive", 0xffa0a0ff, 110, false},
            {"ZoomBot", "Zoom Bot", ZoomBotColour, 130, false}, {"ZoomBotShutDown", "Zoom Bot Shut Down", 0xff800000, 130, false},
            {"HammerBot", "Hammer Bot", 0xff0000ff, 130, false}, {"Twonky", "Twonky", 0xffffff00, 130, false}};
        for (const auto& [id, description, colour, layer, cloneable] : catalogue) {
            const std::string path = std::string("Images/") + id + ".png";
            SavePicture(path, colour, ChitSide);
            TChit* chit = chits.AddChit(id, description, path);
            chit->SetDrawLayer(layer);
            chit->SetIsCloneable(cloneable);
        }
        chits.SaveToXMLFile(Folder + "Chits.xml");
    }

    // A 2 x 2 map with the cell at (1, 1) empty: A at (0, 0), B turned once at (1, 0), A turned
    // twice at (0, 1). The start and a flag stand on it; three robots are in play with one turn
    // started, their chits off the map.
    void StartGame()
    {
        TNewGameSettings settings;
        settings.GameName = "League";
        settings.ArchivesPerBot = 3;
        settings.FlagCount = 1;
        settings.UsedBoardList = std::make_unique<TUsedBoardList>();
        TBoardList& boards = *Session.BoardList();
        for (const auto& [id, x, y, rotation] : {std::tuple {"A", 0, 0, 0}, std::tuple {"B", 1, 0, 1}, std::tuple {"A", 0, 1, 2}}) {
            TUsedBoard placed(&boards, boards.FindByID(id), x, y);
            placed.SetRotationCount(rotation);
            settings.UsedBoardList->AddUsedBoard(placed);
        }
        settings.UsedBoardList->SetBoardList(&boards);
        settings.ChitList = std::make_unique<TChitList>();
        for (int i = 0; i < Session.ChitList()->Count(); ++i)
            settings.ChitList->AddChitCopy(*Session.ChitList()->Items(i));
        settings.ChitList->SetUsedBoardList(settings.UsedBoardList.get());
        settings.ChitList->FindByID("Start")->PlaceAt(settings.UsedBoardList->Items(0), 2, 11);
        settings.ChitList->FindByID("Flag1")->PlaceAt(settings.UsedBoardList->Items(1), 4, 4);
        Session.NewGame(settings);
        Game = Session.Game();
        for (TBotType type : {btZoomBot, btHammerBot, btTwonky})
            Game->BotList()->FindByType(type)->SetInUseFlag(true);
        NextTurn(*Game);
    }

    static int Centre(int square) { return 20 * square - 10; }

    TUsedBoard* Board(int x, int y) const { return Game->UsedBoardList()->FindAt(x, y); }
    TPhase* Viewed() const { return Game->ViewingPhase(); }
    TChit* Chit(const std::string& id) const { return Viewed()->ChitList()->FindByID(id); }
    TChit* Place(const std::string& id, int boardX, int boardY, int x, int y) const
    {
        TChit* chit = Chit(id);
        chit->PlaceAt(Board(boardX, boardY), x, y);
        return chit;
    }

    // Steps the turn to phase current (each phase a copy of the one before) and views phase viewing.
    void GoToPhase(int current, int viewing)
    {
        while (Game->CurrentPhaseNumber() < current)
            Game->NextPhase();
        Game->CurrentTurn()->SetViewingPhaseNumber(viewing);
    }

    void Program(TBotType type, int r, int priority) { ProgramPriority(*Game, *Game->BotList()->FindByType(type), r, priority); }

    // The centre of a square in the full-scale map picture, and the same point on the map shown
    // at that size.
    QPoint MapPixel(int boardX, int boardY, int x, int y) const
    {
        return *Game->UsedBoardList()->MapSquareCenter(*Board(boardX, boardY), x, y);
    }
    QPoint ShownPoint(int boardX, int boardY, int x, int y, QSize shown) const
    {
        const QPoint full = MapPixel(boardX, boardY, x, y);
        return QPoint(full.x() * shown.width() / (2 * BoardSide), full.y() * shown.height() / (2 * BoardSide));
    }

    std::string PhaseXML() const { return Viewed()->SaveToXMLString(); }
    // Where a chit of the viewed phase stands: "1_0 B 3,4" (cell, board, square), or "off".
    std::string Where(const std::string& id) const
    {
        const TChit& chit = *Chit(id);
        if (chit.UsedBoardID().empty() && chit.BoardID().empty() && chit.X() == -1 && chit.Y() == -1)
            return "off";
        return Format("%s %s %d,%d", chit.UsedBoardID().c_str(), chit.BoardID().c_str(), chit.X(), chit.Y());
    }

    std::string Folder;
    TMessageCapture Messages;
    TGameSession Session;
    TGame* Game = nullptr;

private:
    QTemporaryDir FDir;
    TExecutableFolderScope FFolderScope;
};
