#pragma once
// The main window on a session of the builders' reference data, driven offscreen as the game
// master drives it: its commands run with every dialog answered by the test.
#include "session/WorkflowFixture.h"

#include "model/BotUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/frmAddBotUnt.h"
#include "windows/frmNewGameUnt.h"
#include "windows/frmMainUnt.h"
#include "windows/UiWindowTestUtils.h"

#include <QAction>

#include <initializer_list>
#include <memory>
#include <string>

class MainWindowTest : public WorkflowTest {
protected:
    void TearDown() override { Close(); }

    // A new session and its window, which loads the reference data.
    TfrmMain& Open()
    {
        Close();
        Session = std::make_unique<TGameSession>();
        Window = std::make_unique<TfrmMain>(*Session);
        return *Window;
    }
    void Close()
    {
        // A window closed by the test itself has nothing left to ask.
        THookScope quiet(AskSaveChanges, [](const std::string&) { return saDiscard; });
        Window.reset();
        Session.reset();
    }

    template <class T>
    T* Control(const char* name) { return ::Control<T>(*Window, name); }
    QAction* Item(const char* name) { return Control<QAction>(name); }

    // New Game... with the dialog and the designer confirmed.
    void MakeGame(const std::string& name = "League")
    {
        THookScope dialog(ExecuteNewGame, [this, name](TNewGameSettings& settings, TBoardList&, TChitList&) {
            settings = std::move(*Settings(*Session, name));
            return true;
        });
        Item("mniNewGame")->trigger();
    }
    // Add Bot(s)... with these robots chosen.
    void AddRobots(std::initializer_list<TBotType> types)
    {
        THookScope dialog(AddBots, [types](TGame& game) {
            for (TBotType type : types)
                game.BotList()->FindByType(type)->SetInUseFlag(true);
            return true;
        });
        Item("mniAddBot")->trigger();
    }
    // A shown window with a new game and these robots in play.
    void ShowGame(std::initializer_list<TBotType> types)
    {
        Open().show();
        // The window's own shortcuts (Ctrl+V) act only in the active window, as on a desktop.
        Window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        MakeGame();
        AddRobots(types);
    }

    void SelectLine(int row)
    {
        auto* list = Control<QListWidget>("lstBotsInPlay");
        ASSERT_LT(row, list->count());
        ClickLine(list, row);
    }
    QStringList BotLines() { return Lines(Control<QListWidget>("lstBotsInPlay")); }
    TBot& Bot(TBotType type) { return *Session->Game()->BotList()->FindByType(type); }

    std::unique_ptr<TGameSession> Session;
    std::unique_ptr<TfrmMain> Window;
};

// A game in its first turn with the Zoom Bot and the Twonky, the Zoom Bot selected.
class ProgramTabTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ShowGame({btZoomBot, btTwonky});
        Item("mniNextTurn")->trigger();
        SelectLine(1);
    }
    TProgramCard* HandCard(TBotType type, int index)
    {
        return Session->Game()->ProgramDeck()->FindCard(Bot(type).Hand()->Refs(index)->ID());
    }
    TProgramDeck& Deck() { return *Session->Game()->ProgramDeck(); }
};
