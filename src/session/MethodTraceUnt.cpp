#include "session/MethodTraceUnt.h"

#include "support/LogUnt.h"

#include <exception>

TMethodTrace::TMethodTrace(std::string name, TEndLine endLine, int level)
    : FName(std::move(name))
    , FEndLine(endLine)
    , FLevel(level)
    , FUncaught(std::uncaught_exceptions())
{
    Log().WriteMessage(FName + " Start", FLevel);
}

TMethodTrace::~TMethodTrace() noexcept(false)
{
    if (std::uncaught_exceptions() == FUncaught) {
        Log().WriteMessage(FName + " End", FLevel);
        return;
    }
    if (FEndLine != AlsoOnError)
        return;
    // Already unwinding: a failing log must not replace the error that is on its way.
    try {
        Log().WriteMessage(FName + " End", FLevel);
    } catch (...) {
    }
}
