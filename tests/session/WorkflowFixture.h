#pragma once
// A session on the builders' reference data in a temporary executable folder, and new-game
// settings as the dialogs would hand them over.
#include "model/BoardUnt.h"
#include "model/BotUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "support/LogUnt.h"
#include "support/NotifyUnt.h"
#include "support/RandomUnt.h"
#include "support/UtilsUnt.h"
#include "session/GameSessionUnt.h"
#include "session/SettingsUnt.h"
#include "common/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <string>

class WorkflowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        Folder = FDir.path().toStdString() + "/";
        SetExecutableFolder(Folder);
        SetLogFileName("");
        WriteReferenceFiles();
        SetRandSeed(4711);
    }

    // The reference files as the core's builders write them, under the names start-up reads.
    void WriteReferenceFiles()
    {
        BuildProgramDeckFile(Folder);
        BuildBaseOptionDeckFile(Folder);
        BuildBoltsAndBlastersOptionDeckFile(Folder);
        BuildBoardListFile(Folder);
        BuildChitListFile(Folder);
        QDir dir(QString::fromStdString(Folder));
        dir.remove("CoreProgramDeck.xml");
        dir.remove("BaseGameOptionDeck.xml");
        ASSERT_TRUE(dir.rename("ProgramDeck.xml", "CoreProgramDeck.xml"));
        ASSERT_TRUE(dir.rename("BaseOptionDeck.xml", "BaseGameOptionDeck.xml"));
    }

    // What the new-game dialog and the designer return: a 2 x 1 map, the start and the flags
    // on squares of it.
    std::unique_ptr<TNewGameSettings> Settings(TGameSession& session, const std::string& name = "League",
        int flags = 3, TOptionSourceSet sources = {osBaseGame, osBoltsAndBlasters})
    {
        auto settings = std::make_unique<TNewGameSettings>();
        settings->GameName = name;
        settings->OptionSources = sources;
        settings->ArchivesPerBot = 3;
        settings->FlagCount = flags;
        settings->UsedBoardList = std::make_unique<TUsedBoardList>();
        TBoardList& boards = *session.BoardList();
        TUsedBoard left(&boards, boards.Items(0), 0, 0);
        TUsedBoard right(&boards, boards.Items(1), 1, 0);
        right.SetRotationCount(1);
        settings->UsedBoardList->AddUsedBoard(left);
        settings->UsedBoardList->AddUsedBoard(right);
        settings->UsedBoardList->SetBoardList(&boards);
        settings->ChitList = std::make_unique<TChitList>();
        for (int i = 0; i < session.ChitList()->Count(); ++i)
            settings->ChitList->AddChitCopy(*session.ChitList()->Items(i));
        settings->ChitList->SetUsedBoardList(settings->UsedBoardList.get());
        settings->ChitList->FindByID("Start")->PlaceAt(settings->UsedBoardList->Items(0), 2, 11);
        for (int n = 1; n <= flags; ++n)
            settings->ChitList->FindByID(Format("Flag%d", n))->PlaceAt(settings->UsedBoardList->Items(1), n + 3, 4);
        return settings;
    }

    // A game in the session with the given robots in play.
    TGame& StartGame(TGameSession& session, std::initializer_list<TBotType> inPlay)
    {
        session.NewGame(*Settings(session));
        TGame& game = *session.Game();
        for (TBotType type : inPlay)
            game.BotList()->FindByType(type)->SetInUseFlag(true);
        return game;
    }

    std::string Folder;
    TMessageCapture Messages;

private:
    QTemporaryDir FDir;
    TExecutableFolderScope FFolderScope;
};

// A session of its own with the reference data loaded.
class SessionTest : public WorkflowTest {
protected:
    void SetUp() override
    {
        WorkflowTest::SetUp();
        Session.LoadReferenceData();
    }
    TBot& Bot(TBotType type) { return *Session.Game()->BotList()->FindByType(type); }
    TProgramDeck& Deck() { return *Session.Game()->ProgramDeck(); }

    TGameSession Session;
};
