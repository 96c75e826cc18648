#pragma once
#include <stdexcept>
#include <string>

// Errors of the core. Every class answers its own name so that the application-wide handler
// can show "Exception %s: %s" with a class name that reads well.
class ECogline : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    virtual const char* ClassName() const noexcept { return "ECogline"; }
};

#define COGLINE_DECLARE_ERROR(Name)                                              \
    class Name : public ECogline {                                               \
    public:                                                                      \
        using ECogline::ECogline;                                                \
        const char* ClassName() const noexcept override { return #Name; }       \
    };

COGLINE_DECLARE_ERROR(EFileError)
COGLINE_DECLARE_ERROR(EDecompressionError)
COGLINE_DECLARE_ERROR(EImageError)
// A text that cannot be parsed to its end where a whole one is needed (a game file).
COGLINE_DECLARE_ERROR(EParseError)
// A load that would hold more than any real file, refused before it fills the memory.
COGLINE_DECLARE_ERROR(ELoadLimitError)

// The class name of any exception, as shown to the game master.
const char* ErrorClassName(const std::exception& e) noexcept;
