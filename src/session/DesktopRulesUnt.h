#pragma once
#include <optional>
#include <string>
#include <vector>

// The main window's title: "<title> v<version>", then " - " and the game's name with a game,
// then " - " and its file's name once it has one, and "[*]" where the window shows its modified
// mark ("*") while the game has unsaved changes.
std::string MainWindowCaption(const std::string& title, const std::string& version, const std::string* gameName,
    const std::string& fileName);

// The recent games, newest first, at most this many.
inline constexpr std::size_t RecentGamesMax = 5;

// The list with the file put first: once only, and cut to RecentGamesMax.
std::vector<std::string> WithRecentGame(std::vector<std::string> recent, const std::string& fileName);

// The recent games split into those still there and those that are gone.
struct TRecentGamesCheck {
    std::vector<std::string> Kept;
    std::vector<std::string> Dropped;
};
TRecentGamesCheck CheckRecentGames(const std::vector<std::string>& recent);

// Kept in the user's settings of this tool between runs.
std::vector<std::string> LoadRecentGames();
void StoreRecentGames(const std::vector<std::string>& recent);

// The main window's size and place (QWidget::saveGeometry), kept between runs; empty at first.
std::string LoadWindowGeometry();
void StoreWindowGeometry(const std::string& geometry);

// Unsaved changes a recovery file keeps, to be offered back to the game master.
struct TRecoveryOffer {
    std::string RecoveryFile;
    // The game file the changes belong to; empty for a game never saved.
    std::string GameFile;
    // "Recover unsaved changes to "<file or game>" from <time of the recovery file>?"
    std::string Question;
};
// The recovery file of the game file ("<file>.recovery") when it is newer than the file (or the
// file is gone); none otherwise.
std::optional<TRecoveryOffer> RecoveryOfferFor(const std::string& gameFile);
// At start-up: the newest of the offers for the games given (the recent games) and of the
// recovery files of games never saved, in recoveryFolder.
std::optional<TRecoveryOffer> RecoveryOfferAtStart(const std::vector<std::string>& gameFiles,
    const std::string& recoveryFolder);
