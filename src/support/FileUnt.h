#pragma once
#include "support/HookUnt.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Replaces the file with the bytes. They are written beside the old file and renamed over it,
// so after any failure (raised as EFileError, naming the file and the reason) the previous file
// is still there, unchanged. The file beside it has a short hidden name made from a hash of the
// file's name, so it fits beside any legal name, and what a killed save left there is removed by
// the next save of the same file. A symbolic link stays: the file it leads to is replaced.
void SaveBytesToFile(const std::string& fileName, std::string_view bytes);

// Files to write together: name and bytes.
using TFileContentsList = std::vector<std::pair<std::string, std::string>>;

// Replaces the files all together or not at all. Every new file is written in full beside its
// old one first; only then are they renamed into place. When a write fails (a full disk) no file
// is replaced, and when a rename fails the files already replaced get their old content back and
// new ones are removed again. EFileError names the file and the system's reason ("No space left
// on device"). The folders must exist.
void SaveFilesTogether(const TFileContentsList& files);

// The step that writes a new file's bytes to its open descriptor and flushes them to the disk:
// 0, or the errno of the failure. Tests replace it to fail as a full disk does.
using TWriteStep = THook<int(int descriptor, std::string_view bytes)>;
TWriteStep& FileWriteStep();
// The standard step.
int WriteAndSync(int descriptor, std::string_view bytes);
