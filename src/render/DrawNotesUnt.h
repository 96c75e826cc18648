#pragma once
#include <set>
#include <string>
#include <vector>

// Problems met while drawing (a picture that cannot be read, a damaged value that was clamped)
// do not stop the drawing. They are gathered while the outermost drawing call runs and shown
// together, through the notifier, when it ends; each text only once in the life of the notes:
// the process-turn window redraws whenever it comes to the front again, which a message box
// would otherwise bring about without end. Whoever owns the pictures owns their notes.
class TDrawNotes {
public:
    void Note(const std::string& text);
    // Texts shown so far.
    const std::set<std::string>& Shown() const { return FShown; }
    // Hands what is noted but not yet shown on to other notes, in order: drawing done out of
    // order can tell its problems in order.
    void PassTo(TDrawNotes& other);

    // Marks a drawing call; the outermost one shows what was noted when it ends.
    class TScope {
    public:
        explicit TScope(TDrawNotes& notes);
        ~TScope();
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

    private:
        TDrawNotes& FNotes;
    };

private:
    int FDepth = 0;
    std::vector<std::string> FPending;
    std::set<std::string> FShown;
};
