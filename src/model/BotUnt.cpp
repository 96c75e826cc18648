#include "model/BotUnt.h"

#include <algorithm>

namespace {
const char* const BotTypeNames[] = {"", "Hammer Bot", "Hulk X-90", "Spin Bot", "Squash Bot", "Trundle Bot", "Twitch", "Twonky", "Zoom Bot", "Buzz Bomb"};
}

const TEnumInfo& BotTypeInfo()
{
    static const TEnumInfo info{"TBotType",
        {"btUnknown", "btHammerBot", "btHulkX90", "btSpinBot", "btSquashBot", "btTrundleBot", "btTwitch", "btTwonky", "btZoomBot", "btBuzzBomb"}};
    return info;
}

const TEnumInfo& BotStateInfo()
{
    static const TEnumInfo info{"TBotState", {"bsReal", "bsVirtual"}};
    return info;
}

const TEnumInfo& BotActivityLevelInfo()
{
    static const TEnumInfo info{"TBotActivityLevel", {"alNormal", "alShuttingDownNextTurn", "alShutDown"}};
    return info;
}

std::string BotTypeName(TBotType type)
{
    auto index = static_cast<std::size_t>(type);
    return index < std::size(BotTypeNames) ? BotTypeNames[index] : "";
}

std::string BaseChitID(TBotType type)
{
    std::string id = BotTypeName(type);
    id.erase(std::remove(id.begin(), id.end(), ' '), id.end());
    return id;
}
