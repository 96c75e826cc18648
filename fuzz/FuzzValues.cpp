// The readers of property values: integers, sets, enumeration names, display names, text.
#include "FuzzCommon.h"

#include "model/OptionUnt.h"
#include "persist/pzPersistentToXMLObjectUnt.h"
#include "support/TextUnt.h"
#include "support/UtilsUnt.h"
#include "xml/XmlUnt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzSetUp();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ParseLeadingInteger(text);
    ParseWholeInteger(text);
    TextToInteger(text);
    TextToInt64(text);
    TextToFloat(text);
    TextToChar(text);
    std::uint32_t kinds = TextToSet(OptionKindInfo(), text);
    if (SetToText(OptionKindInfo(), kinds).size() > 200)
        __builtin_trap(); // eight members cannot make a longer text
    OptionTypeInfo().ValueOf(text);
    EnumDisplayName(text);
    SetDisplayText(text);
    std::string utf8 = ToUtf8(text);
    if (!IsValidUtf8(utf8))
        __builtin_trap(); // what the reader keeps is always valid text
    MapC1ToWindows1252(utf8);
    XmlEscaped(utf8);
    return 0;
}
