#pragma once
// What the process-turn window's output buttons write, gathered to be compared with what the
// command line's --export writes for the same phase.
#include "session/GameSessionUnt.h"
#include "session/ProcessTurnRulesUnt.h"
#include "support/HookUnt.h"
#include "windows/StandardDialogsUnt.h"
#include "windows/frmProcessTurnUnt.h"
#include "windows/frmScoreBoardUnt.h"
#include "windows/UiWindowTestUtils.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <map>
#include <string>
#include <vector>

// Files by their path relative to a folder, with their bytes.
using TFileSet = std::map<std::string, QByteArray>;

// Every file below the folder; empty when there is no such folder.
inline TFileSet FilesBelow(const std::string& folder)
{
    TFileSet files;
    const QString root = QString::fromStdString(folder);
    for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        files[file.fileName().mid(root.size()).toStdString()] = file.readAll();
    }
    return files;
}

// The lines of a run's standard output.
inline std::vector<std::string> PrintedLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// Views the phase in the process-turn window and clicks Save Images, Phase Report and, at
// phase 5, Turn Report, with the desktop's opener answered; waits until the score board has
// written its picture again and gone. Returns the files the window opened.
inline std::vector<std::string> ClickOutputButtons(TGameSession& session, int phase)
{
    std::vector<std::string> opened;
    THookScope opener(OpenWithDesktop, [&](const std::string& file) {
        opened.push_back(file);
        return true;
    });
    QWidget mainWindow;
    TfrmProcessTurn* window = nullptr;
    ShowProcessTurn(window, session, &mainWindow);
    EXPECT_NE(window, nullptr);
    if (!window)
        return opened;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    Control<QSlider>(*window, "tbrPhases")->setValue(phase);
    EXPECT_TRUE(Control<QPushButton>(*window, "btnSaveImages")->isEnabled()) << "phase " << phase;
    for (const char* button : {"btnSaveImages", "btnPhaseReport", "btnTurnReport"})
        if (phase == LastPhaseNumber || std::string(button) != "btnTurnReport")
            QTest::mouseClick(Control<QPushButton>(*window, button), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([window] { return !window->findChild<TfrmScoreBoard*>(); }, 10000));
    delete window;
    return opened;
}

// The reports byte for byte; the pictures of the same size in pixels and, since they are drawn
// and encoded the same way, of the same bytes.
inline void ExpectSameOutput(const TFileSet& window, const TFileSet& exported)
{
    std::vector<std::string> windowNames, exportedNames;
    for (const auto& [name, bytes] : window)
        windowNames.push_back(name);
    for (const auto& [name, bytes] : exported)
        exportedNames.push_back(name);
    ASSERT_EQ(exportedNames, windowNames);
    for (const auto& [name, bytes] : window) {
        const QByteArray& other = exported.at(name);
        if (name.ends_with(".jpg")) {
            QByteArray a = bytes, b = other;
            QBuffer first(&a), second(&b);
            EXPECT_EQ(QImageReader(&second, "jpg").size(), QImageReader(&first, "jpg").size()) << name;
        }
        EXPECT_TRUE(other == bytes) << name << ": " << other.size() << " bytes exported, " << bytes.size()
                                    << " written by the window";
    }
}
