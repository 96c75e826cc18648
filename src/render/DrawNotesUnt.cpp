#include "render/DrawNotesUnt.h"

#include "support/NotifyUnt.h"

#include <algorithm>

void TDrawNotes::Note(const std::string& text)
{
    if (FShown.count(text) == 0 && std::find(FPending.begin(), FPending.end(), text) == FPending.end())
        FPending.push_back(text);
}

void TDrawNotes::PassTo(TDrawNotes& other)
{
    for (const std::string& text : FPending)
        other.Note(text);
    FPending.clear();
}

TDrawNotes::TScope::TScope(TDrawNotes& notes)
    : FNotes(notes)
{
    ++FNotes.FDepth;
}

TDrawNotes::TScope::~TScope()
{
    if (--FNotes.FDepth > 0 || FNotes.FPending.empty())
        return;
    std::string text;
    for (const std::string& note : FNotes.FPending) {
        if (!text.empty())
            text += "\n";
        text += note;
        FNotes.FShown.insert(note);
    }
    FNotes.FPending.clear();
    try {
        ShowMessage(text);
    } catch (...) {
        // A failing message handler must not turn into a second error while unwinding.
    }
}
