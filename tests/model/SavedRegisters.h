#pragma once
// Robot registers as saved, written out by hand for the tests of the model.
#include <string>

inline std::string RegisterText(const std::string& id, const char* locked = "False", const std::string& cardID = "")
{
    return "<BotRegister ID=\"" + id + "\"><IsLocked>" + locked + "</IsLocked><CardID>" + cardID + "</CardID></BotRegister>";
}

// Five registers numbered 1 to 5, register n as given and the others empty.
inline std::string RegistersText(int n = 0, const char* locked = "False", const std::string& cardID = "")
{
    std::string text = "<BotRegisterList>";
    for (int i = 1; i <= 5; ++i)
        text += (i > 1 ? "\r\n" : "") + (i == n ? RegisterText(std::to_string(i), locked, cardID) : RegisterText(std::to_string(i)));
    return text + "</BotRegisterList>";
}
