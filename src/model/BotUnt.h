#pragma once
#include "model/OptionUnt.h"
#include "model/ProgramUnt.h"
#include "model/RegisterUnt.h"
#include "persist/ObjectsUnt.h"

#include <cstdint>
#include <memory>
#include <string>

class TGame;

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

// One robot of the game and the player who runs it.
class TBot : public TRootObject {
    COGLINE_PERSISTENT_CLASS(TBot)
public:
    // Creates, in this order, the registers, the hand, the extra registers and the options.
    TBot();

    TBotType BotType() const { return FBotType; }
    // Also makes the type's value name the bot's ID, but only while the bot has none.
    void SetBotType(TBotType type);
    const std::string& PlayerName() const { return FPlayerName; }
    // Text fields keep their clean form (XmlCleanText), which the game file gives back exactly:
    // a pasted answer of any bytes never makes a game that cannot be opened.
    void SetPlayerName(std::string name);
    // Hand size before damage.
    int MaxCards() const { return FMaxCards; }
    void SetMaxCards(int value) { FMaxCards = value; }
    bool InUseFlag() const { return FInUseFlag; }
    void SetInUseFlag(bool value) { FInUseFlag = value; }
    // Lives (archives) left.
    int LivesCount() const { return FLivesCount; }
    void SetLivesCount(int value) { FLivesCount = value; }
    int Damage() const { return FDamage; }
    void SetDamage(int value) { FDamage = value; }
    TBotState BotState() const { return FBotState; }
    void SetBotState(TBotState value) { FBotState = value; }
    TBotActivityLevel BotActivityLevel() const { return FBotActivityLevel; }
    void SetBotActivityLevel(TBotActivityLevel value) { FBotActivityLevel = value; }
    // Line breaks are kept as "<br>".
    const std::string& GameNotes() const { return FGameNotes; }
    void SetGameNotes(std::string notes);
    // Number of the last flag touched; 0 for none.
    int FlagTouched() const { return FFlagTouched; }
    void SetFlagTouched(int value) { FFlagTouched = value; }

    // Each is none when a damaged file left the bot without that child.
    TBotRegisterList* Registers() const { return ObjectOf<TBotRegisterList>(0); }
    // References to every card dealt and not yet returned, in the order dealt.
    TProgramCardRefList* Hand() const { return ObjectOf<TProgramCardRefList>(0); }
    TBotExtraRegisterList* ExtraRegisters() const { return ObjectOf<TBotExtraRegisterList>(0); }
    TOptionCardList* Options() const { return ObjectOf<TOptionCardList>(0); }

    std::string BotTypeName() const { return ::BotTypeName(FBotType); }
    bool IsDestroyed() const { return FDamage >= 10; }

    // Number of cards a deal would add: MaxCards less damage (counted up to 4) less the hand.
    int CardsToDeal() const;
    // Tops the hand up from the deck; stops early when the deck has nothing left.
    void DealCards(TProgramDeck& deck);
    // End of turn: unlocked hand cards are discarded, unlocked registers cleared, unlocked extra
    // entries removed; then every card named in locked (when given) is marked locked.
    void ReturnCards(TProgramDeck& deck, const TCardRefList* locked);
    // The turn's private message for the player (defined in PrivateMessageUnt, which may see
    // the game without this unit including it).
    std::string BuildPrivateMessage(int turnNumber, TProgramDeck* deck, TGame* game) const;

private:
    TBotType FBotType = btUnknown;
    std::string FPlayerName;
    int FMaxCards = 9;
    bool FInUseFlag = false;
    int FLivesCount = 4;
    int FDamage = 0;
    TBotState FBotState = bsReal;
    TBotActivityLevel FBotActivityLevel = alNormal;
    std::string FGameNotes;
    int FFlagTouched = 0;
};

// The game's nine robots, one per type from btHammerBot to btBuzzBomb.
class TBotList : public TListObject {
    COGLINE_PERSISTENT_CLASS(TBotList)
public:
    TBotList();
    ~TBotList() override;

    TBot* Items(int index) const { return static_cast<TBot*>(TListObject::Items(index)); }
    TBot* FindByType(TBotType type) const;
    // The n-th bot in use (from 0), in list order.
    TBot* InUseBot(int n) const;
    int InUseCount() const;

    // The cards of every locked register of every bot, in bot and register order. The list
    // owns the result and replaces it on the next call.
    TProgramCardRefList* LockedCards();
    // Deals to every bot in use that has lives left and is not shut down.
    void DealCards(TProgramDeck& deck);
    // Returns the cards of every bot, in use or not.
    void ReturnCards(TProgramDeck& deck);

private:
    std::unique_ptr<TProgramCardRefList> FLockedCards;
};
