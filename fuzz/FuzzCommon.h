#pragma once
#include "model/BoardUnt.h"
#include "support/NotifyUnt.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>
#include <memory>

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
