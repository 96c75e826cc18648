#pragma once
#include <string>

// Writes "<name> Start" when made and "<name> End" when the method returns. A method traced
// with AlsoOnError writes its End line also when an error leaves it; the others leave it out
// then, so a missing End line shows where an error came from.
class TMethodTrace {
public:
    enum TEndLine { OnReturn, AlsoOnError };

    // Level 1 is the trace level, 2 the error level.
    explicit TMethodTrace(std::string name, TEndLine endLine = OnReturn, int level = 1);
    ~TMethodTrace() noexcept(false);
    TMethodTrace(const TMethodTrace&) = delete;
    TMethodTrace& operator=(const TMethodTrace&) = delete;

private:
    std::string FName;
    TEndLine FEndLine;
    int FLevel;
    int FUncaught;
};
