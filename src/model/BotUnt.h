#pragma once
#include "persist/ObjectsUnt.h"

#include <cstdint>

enum TBotType : std::uint8_t {
    btUnknown, btHammerBot, btHulkX90, btSpinBot, btSquashBot, btTrundleBot, btTwitch, btTwonky, btZoomBot, btBuzzBomb
};
enum TBotState : std::uint8_t { bsReal, bsVirtual };
enum TBotActivityLevel : std::uint8_t { alNormal, alShuttingDownNextTurn, alShutDown };

const TEnumInfo& BotTypeInfo();
const TEnumInfo& BotStateInfo();
const TEnumInfo& BotActivityLevelInfo();

// "Hammer Bot", "Hulk X-90", ...; empty for btUnknown.
std::string BotTypeName(TBotType type);
// The ID of the robot's map token: its display name without blanks ("HulkX-90").
std::string BaseChitID(TBotType type);
