#pragma once
#include <cstdint>
#include <string>

class TGameSession;

// The sample game that comes with the tool: four robots racing for three flags on a 2 x 2 map,
// three turns played through every phase and the fourth dealt, two programs of it already in.
// It is played through the rules the windows apply (the map designer, the turn cycle, the
// pasted programs, the process-turn commands), so the file is a real game in whatever format
// the build writes, and a newcomer sees a game in progress at once.

inline constexpr const char* SampleGameName = "Sample Game";
inline constexpr const char* SampleGameFileName = "Sample Game.cgx";
// Every shuffle of the sample follows from this seed: one build makes one file, byte for byte.
inline constexpr std::uint32_t SampleGameSeed = 25;
// Turns played through phase 5; the turn after them is dealt.
inline constexpr int SampleTurnsPlayed = 3;
// Robots of the dealt turn whose players have answered already, in bot-list order.
inline constexpr int SampleProgramsIn = 2;

// Plays the sample in the session, whose reference data must be loaded, board pictures
// included (the start and flags are dropped on the designer's grid). It becomes the session's
// open game, not yet saved. Raises an error when the reference data does not allow the game
// (a board or chit missing, a program that does not paste).
void PlaySampleGame(TGameSession& session);

// The sample as shipped, in the folder of the reference data.
std::string ShippedSampleGameFile();
// The sample the game master opens. A build tree or an unpacked copy opens the shipped file,
// which lies in the folder the tool writes to. An installed program's data folder is read-only,
// so the sample is copied into the per-user folder the first time it is asked for, and that
// copy is opened from then on, saved turns and all. Empty when no sample is there; raises
// EFileError when the copy cannot be made.
std::string SampleGameToOpen();
// Whether there is a sample to open.
bool SampleGameAvailable();
