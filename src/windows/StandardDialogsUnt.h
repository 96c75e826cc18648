#pragma once
#include "support/HookUnt.h"

#include <optional>
#include <string>

// The questions and choosers every window may put to the game master, each a replaceable
// function (see THook) whose standard form is the toolkit's modal dialog.

enum TSaveAnswer { saSave, saDiscard, saCancel };
// "Save, Discard or Cancel?" about unsaved changes.
extern THook<TSaveAnswer(const std::string& question)> AskSaveChanges;

// A file dialog: the folder and file name it starts with, the extension added to a name typed
// without one, and the filter in the form "Name (*.ext)|*.ext|All Files (*.*)|*.*".
struct TFileDialogSetup {
    std::string Folder;
    std::string FileName;
    std::string DefaultExtension;
    std::string Filter;
};
// The chosen path, or none when the game master cancels.
extern THook<std::optional<std::string>(const TFileDialogSetup& setup)> ChooseFileToOpen;
extern THook<std::optional<std::string>(const TFileDialogSetup& setup)> ChooseFileToSave;

// A warning the game master may heed or pass: true to go on, false to go back and change.
extern THook<bool(const std::string& warning)> AskGoOn;

// "Recover unsaved changes ...?" (Recover, Discard): true to recover.
extern THook<bool(const std::string& question)> AskRecover;

// Opens a file with the desktop's application for it; false when that fails.
extern THook<bool(const std::string& fileName)> OpenWithDesktop;

// The filter in the toolkit's form: "Name (*.ext);;All Files (*.*)".
std::string ToolkitFileFilter(const std::string& filter);
