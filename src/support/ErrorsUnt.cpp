#include "support/ErrorsUnt.h"

#include <new>

const char* ErrorClassName(const std::exception& e) noexcept
{
    if (auto* own = dynamic_cast<const ECogline*>(&e))
        return own->ClassName();
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return "EOutOfMemory";
    if (dynamic_cast<const std::out_of_range*>(&e))
        return "ERangeError";
    if (dynamic_cast<const std::invalid_argument*>(&e))
        return "EArgumentError";
    return "Exception";
}
