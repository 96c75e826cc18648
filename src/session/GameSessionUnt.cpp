#include "session/GameSessionUnt.h"

#include "model/BoardUnt.h"
#include "model/ChitUnt.h"
#include "model/GameUnt.h"
#include "model/ProgramUnt.h"
#include "persist/ZLibFuncs.h"
#include "render/GameFolderUnt.h"
#include "support/ErrorsUnt.h"
#include "support/LogUnt.h"
#include "support/FilePlacesUnt.h"
#include "support/UtilsUnt.h"
#include "session/MainWindowRulesUnt.h"
#include "session/SettingsUnt.h"
#include "session/TurnCycleUnt.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const char* const ProgramDeckFileName = "CoreProgramDeck.xml";
const char* const BoardListFileName = "Boards.xml";
const char* const ChitListFileName = "Chits.xml";

} // namespace

TGameSession::TGameSession(QObject* parent)
    : QObject(parent)
{
    FAutosaveTimer.setSingleShot(true);
    FAutosaveTimer.setInterval(AutosaveIntervalMs);
    connect(&FAutosaveTimer, &QTimer::timeout, this, [this] { Autosave(); });
}

TGameSession::~TGameSession()
{
    // A recovery write ends whole: a session that goes without saving (a crash of the windows
    // above it) leaves the recovery file for the next start.
    FinishAutosave();
    // A read still running ends before anything it could touch goes.
    if (FCataloguesRead.valid())
        FCataloguesRead.wait();
    // The game and the chit catalogue point into the board catalogue, so they go first.
    FGame.reset();
    FChitList.reset();
    FBoardList.reset();
}

// ---------------------------------------------------------------------------------------------
// Reference data

int TGameSession::LoadReferenceData()
{
    InitializeUnusedDecks();
    return LoadCatalogues();
}

TGameSession::TCatalogues TGameSession::ReadCatalogues(const std::string& boardsFile, const std::string& chitsFile)
{
    TCatalogues read;
    read.Boards = std::make_unique<TBoardList>();
    QElapsedTimer clock;
    clock.start();
    std::string problem = LoadReferenceFile(*read.Boards, boardsFile);
    read.Milliseconds = static_cast<int>(clock.elapsed());
    if (!problem.empty())
        read.Problems.push_back(problem);
    read.Chits = std::make_unique<TChitList>();
    problem = LoadReferenceFile(*read.Chits, chitsFile);
    if (!problem.empty())
        read.Problems.push_back(problem);
    return read;
}

void TGameSession::StartLoadingCatalogues()
{
    if (!FCataloguesRead.valid())
        FCataloguesRead = std::async(std::launch::async, &TGameSession::ReadCatalogues,
            ReferenceFilePath(BoardListFileName), ReferenceFilePath(ChitListFileName));
}

int TGameSession::LoadCatalogues()
{
    TCatalogues read = FCataloguesRead.valid() ? FCataloguesRead.get() : ReadCatalogues(ReferenceFilePath(BoardListFileName), ReferenceFilePath(ChitListFileName));
    // The chits point into the board catalogue they replace.
    FChitList = std::move(read.Chits);
    FBoardList = std::move(read.Boards);
    FLoadProblems.insert(FLoadProblems.end(), read.Problems.begin(), read.Problems.end());
    for (int i = 0; i < FChitList->Count(); ++i) {
        FChitList->Items(i)->SetBoardList(FBoardList.get());
        FChitList->Items(i)->SetUsedBoardList(nullptr);
    }
    return read.Milliseconds;
}

void TGameSession::InitializeUnusedDecks()
{
    FUnusedProgramDeck = std::make_unique<TProgramDeck>();
    std::string problem = LoadReferenceFile(*FUnusedProgramDeck, ReferenceFilePath(ProgramDeckFileName));
    if (!problem.empty())
        FLoadProblems.push_back(problem);
    for (TOptionSource source : {osUnknown, osBaseGame, osBoltsAndBlasters}) {
        auto& slot = FUnusedOptionDecks[static_cast<std::size_t>(source)];
        slot.reset();
        if (source == osUnknown)
            continue;
        slot = std::make_unique<TOptionDeck>();
        problem = LoadReferenceFile(*slot, ReferenceFilePath(OptionDeckFiles[source]));
        if (!problem.empty())
            FLoadProblems.push_back(problem);
    }
}

void TGameSession::DestroyUnusedDecks()
{
    FUnusedProgramDeck.reset();
    for (auto& deck : FUnusedOptionDecks)
        deck.reset();
}

std::vector<std::string> TGameSession::TakeLoadProblems()
{
    std::vector<std::string> problems;
    problems.swap(FLoadProblems);
    return problems;
}

TOptionDeck* TGameSession::UnusedOptionDeck(TOptionSource source) const
{
    auto index = static_cast<std::size_t>(source);
    return index < FUnusedOptionDecks.size() ? FUnusedOptionDecks[index].get() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// The open game

void TGameSession::MakeNewGame(const TNewGameSettings& settings)
{
    auto game = std::make_unique<TGame>();
    game->SetGameName(settings.GameName);
    game->SetBotArchiveMax(settings.ArchivesPerBot);
    game->SetFlagCount(settings.FlagCount);
    if (FUnusedProgramDeck)
        game->SetProgramDeck(*FUnusedProgramDeck);
    if (settings.ChitList)
        game->SetChitList(*settings.ChitList);
    game->ChitList()->SetUsedBoardList(game->UsedBoardList());
    if (settings.UsedBoardList)
        for (int i = 0; i < settings.UsedBoardList->Count(); ++i)
            game->UsedBoardList()->AddUsedBoard(*settings.UsedBoardList->Items(i));
    for (TOptionSource source : {osUnknown, osBaseGame, osBoltsAndBlasters})
        if (settings.OptionSources.Contains(source))
            if (TOptionDeck* deck = UnusedOptionDeck(source))
                game->AddOptionDeck(*deck);
    if (TOptionDeck* options = game->OptionDeck())
        options->ShuffleAll();
    game->SetBoardList(FBoardList.get());
    ReplaceGame(std::move(game));
    FModified = false;
    emit Changed(gcAll);
}

void TGameSession::NewGame(const TNewGameSettings& settings)
{
    InitializeUnusedDecks();
    MakeNewGame(settings);
    DestroyUnusedDecks();
}

void TGameSession::OpenGame(const std::string& fileName)
{
    auto game = std::make_unique<TGame>();
    game->LoadFromGameFile(fileName);
    game->SetBoardList(FBoardList.get());
    ReplaceGame(std::move(game));
    FLastFileName = fileName;
    FGameFileName = fileName;
    FModified = false;
    emit Changed(gcAll);
}

void TGameSession::SaveGame(const std::string& fileName)
{
    if (!FGame)
        return;
    FGame->SaveToGameFile(fileName);
    // The game file holds every change now; the unsaved changes it kept are history.
    DiscardRecovery();
    // The next Save proposes this file: proposing the one opened would put this turn over an
    // older file saved under another name.
    FLastFileName = fileName;
    FGameFileName = fileName;
    FModified = false;
    emit Changed(gcFile);
}

void TGameSession::CloseGame()
{
    ReplaceGame(nullptr);
    FModified = false;
    emit Changed(gcAll);
}

void TGameSession::StartNextTurn()
{
    if (!FGame)
        return;
    ::NextTurn(*FGame);
    FUndoStack.clear();
    MarkChanged(gcTurn | gcBots | gcDecks | gcChits);
}

void TGameSession::MarkChanged(TGameChanges what)
{
    if (what & ~gcFile) {
        FModified = true;
        FRecoveryCurrent = false;
        if (!FAutosaveTimer.isActive())
            FAutosaveTimer.start();
    }
    emit Changed(what);
}

void TGameSession::ReplaceGame(std::unique_ptr<TGame> game)
{
    // The recovery files belong to the game that goes; they stay on disk for a later start.
    FinishAutosave();
    FAutosaveTimer.stop();
    FRecoveryCurrent = true;
    FRecoveryFiles.clear();
    // Another game has no file until it is opened from or saved to one.
    FGameFileName.clear();
    // The renderer's notes and the edit history belong to the game that goes.
    FUndoStack.clear();
    FRenderer = TMapRenderer();
    FGame = std::move(game);
}

// ---------------------------------------------------------------------------------------------
// Recovery

std::string TGameSession::RecoveryFileName() const
{
    if (!FGame)
        return std::string();
    if (!FGameFileName.empty())
        return FGameFileName + ".recovery";
    return RecoveryFolder() + SafeFolderName(FGame->GameName()) + ".cgx";
}

std::string RecoveryFolder()
{
    return UserFolder() + "Recovery/";
}

bool TGameSession::Autosave()
{
    FAutosaveTimer.stop();
    if (!FGame || !FModified || FRecoveryCurrent)
        return false;
    // One write at a time, in the order made.
    FinishAutosave();
    const std::string fileName = RecoveryFileName();
    TTextPieces text;
    try {
        QDir().mkpath(QFileInfo(QString::fromStdString(fileName)).absolutePath());
        text = FGame->GameFileText(fileName);
    } catch (const std::exception& error) {
        FAutosaveError = error.what();
        Log().Detail("Autosave failed: " + FAutosaveError);
        emit Autosaved(QString::fromStdString(FAutosaveError));
        return false;
    }
    FRecoveryCurrent = true;
    if (std::find(FRecoveryFiles.begin(), FRecoveryFiles.end(), fileName) == FRecoveryFiles.end())
        FRecoveryFiles.push_back(fileName);
    FRecoveryWrite = std::async(std::launch::async, [this, fileName, text = std::move(text)] {
        std::string error;
        try {
            CompressTextToFile([&text](const std::function<void(std::string_view)>& consume) { text.ForEach(consume); }, fileName);
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        // Told on the session's own thread; an event still queued when the session goes is
        // dropped with it.
        QMetaObject::invokeMethod(this, [this, error] { emit Autosaved(QString::fromStdString(error)); },
            Qt::QueuedConnection);
        return error;
    });
    return true;
}

std::string TGameSession::FinishAutosave()
{
    if (FRecoveryWrite.valid()) {
        FAutosaveError = FRecoveryWrite.get();
        if (!FAutosaveError.empty()) {
            Log().Detail("Autosave failed: " + FAutosaveError);
            // What the failed write should have kept is written again at the next chance.
            FRecoveryCurrent = false;
        }
    }
    return FAutosaveError;
}

void TGameSession::DiscardRecovery()
{
    FinishAutosave();
    FAutosaveTimer.stop();
    for (const std::string& file : FRecoveryFiles)
        QFile::remove(QString::fromStdString(file));
    FRecoveryFiles.clear();
    FRecoveryCurrent = true;
}

void TGameSession::RecoverGame(const std::string& recoveryFile, const std::string& gameFile)
{
    auto game = std::make_unique<TGame>();
    game->LoadFromGameFile(recoveryFile);
    game->SetBoardList(FBoardList.get());
    ReplaceGame(std::move(game));
    if (!gameFile.empty())
        FLastFileName = gameFile;
    FGameFileName = gameFile;
    // The changes are still unsaved; the recovery file stays until they are saved or discarded.
    FModified = true;
    FRecoveryCurrent = true;
    FRecoveryFiles.push_back(recoveryFile);
    emit Changed(gcAll);
}
