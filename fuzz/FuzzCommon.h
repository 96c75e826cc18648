#pragma once
#include "model/BoardUnt.h"
#include "model/GameUnt.h"
#include "support/ErrorsUnt.h"
#include "support/NotifyUnt.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Once per process: a headless application for pictures, messages swallowed, and a board
// catalogue for the chits to find their boards in.
inline void FuzzSetUp()
{
    static bool done = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        static QGuiApplication app(argc, argv);
        SetMessageHandler([](const std::string&) {});
        return true;
    }();
    (void)done;
}

inline TBoardList* FuzzBoards()
{
    static std::unique_ptr<TBoardList> boards = [] {
        auto list = std::make_unique<TBoardList>();
        BuildBoardList(*list);
        return list;
    }();
    return boards.get();
}

// Reads the text as the tool opens a game file, the older turns left to be built on first use,
// and in full at once; stops the run when the two come to different refusals or games.
inline void CompareOpenWithFullRead(const std::string& text)
{
    auto outcome = [](const std::function<void(TGame&)>& load) {
        TGame game;
        try {
            load(game);
        } catch (const ECogline& e) {
            return std::string("refused: ") + e.ClassName() + ": " + e.what();
        }
        game.SetBoardList(FuzzBoards());
        if (game.TurnCount() > 0)
            if (TPhaseList* phases = game.TurnList()->Turns(0)->PhaseList())
                phases->Count();
        return "opened: " + game.SaveToXMLString();
    };
    auto kept = std::make_shared<const std::string>(text);
    const std::string opened = outcome([&](TGame& game) { game.LoadFromCompleteXMLString(kept, "The game file"); });
    const std::string read = outcome([&](TGame& game) { game.LoadFromCompleteXMLString(std::string_view(text), "The game file"); });
    if (opened != read)
        __builtin_trap();
}
