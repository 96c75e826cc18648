#include "model/OptionUnt.h"

#include "support/TextUnt.h"
#include "xml/XmlUnt.h"

#include <algorithm>

const TEnumInfo& OptionTypeInfo()
{
    static const TEnumInfo info{"TOptionType",
        {"otUnknown", "otNone", "otAutomatic", "otRunTime", "otOptionalWeapon", "otPhaseProgrammedMovement",
            "otTurnProgrammed", "otMainLaserModification", "otPhaseProgrammedGadget", "otAdditionalWeapon",
            "otPhaseProgrammed", "otOptionalTurnProgrammedWeapon"}};
    return info;
}

const TEnumInfo& OptionKindInfo()
{
    static const TEnumInfo info{"TOptionKind",
        {"okUnknown", "okNone", "okFlatDevice", "okLauncher", "okBooster", "okFlyingDevice", "okFlying", "okDevice"}};
    return info;
}

const TEnumInfo& OptionSourceInfo()
{
    static const TEnumInfo info{"TOptionSource", {"osUnknown", "osBaseGame", "osBoltsAndBlasters"}};
    return info;
}

const TEnumInfo& OptionFacingInfo()
{
    static const TEnumInfo info{"TOptionFacing", {"ofNone", "ofFront", "ofLeft", "ofBack", "ofRight"}};
    return info;
}

const char* const OptionSourceNames[3] = {"", "Base Game", "Bolts and Blasters"};
const char* const OptionDeckFiles[3] = {"", "BaseGameOptionDeck.xml", "BoltsAndBlastersOptionDeck.xml"};

COGLINE_DEFINE_CLASS(TOptionCard, "OptionCard", TCard,
    PropEnum<TOptionCard>("OptionType", OptionTypeInfo(), &TOptionCard::OptionType, &TOptionCard::SetOptionType),
    PropSet<TOptionCard, TOptionKind>("Kind", OptionKindInfo(), &TOptionCard::Kind, &TOptionCard::SetKind),
    PropEnum<TOptionCard>("Source", OptionSourceInfo(), &TOptionCard::Source, &TOptionCard::SetSource),
    PropInteger<TOptionCard>("Quantity", &TOptionCard::Quantity, &TOptionCard::SetQuantity),
    PropInteger<TOptionCard>("Damage", &TOptionCard::Damage, &TOptionCard::SetDamage),
    PropString<TOptionCard>("Description", &TOptionCard::Description, &TOptionCard::SetDescription),
    PropEnum<TOptionCard>("OptionFacing", OptionFacingInfo(), &TOptionCard::OptionFacing, &TOptionCard::SetOptionFacing))
COGLINE_DEFINE_CLASS(TOptionCardRef, "OptionCardRef", TCardRef)

std::string TOptionCard::ShownDescription() const { return ReplaceAll(FDescription, "<br>", "\r\n\r\n"); }

COGLINE_DEFINE_CLASS(TShuffledOptionCardRefList, "ShuffledOptionCardRefList", TShuffledCardRefList)
COGLINE_DEFINE_CLASS(TOptionDeck, "OptionDeck", TDeck)
COGLINE_DEFINE_CLASS(TOptionCardList, "OptionCardList", TListObject)

TOptionCard::TOptionCard() = default;

void TOptionCard::SetDescription(std::string value)
{
    CleanXmlText(value);
    FDescription = std::move(value);
}

TShuffledOptionCardRefList::TShuffledOptionCardRefList()
    : TShuffledCardRefList(TOptionCardRef::StaticClass())
{
}

TOptionDeck::TOptionDeck()
    : TDeck(TOptionCard::StaticClass(), TShuffledOptionCardRefList::StaticClass())
{
}

TOptionCardList::TOptionCardList()
    : TListObject(TOptionCard::StaticClass())
{
}

TOptionCard* TOptionCardList::AddOptionCopy(TOptionCard& card)
{
    return static_cast<TOptionCard*>(AddCopy(card, TOptionCard::StaticClass()));
}

TOptionCard* AddOptionCard(TOptionDeck& deck, const std::string& name, TOptionType optionType,
    const std::string& description, int damage, int quantity, TOptionSource source, TOptionKindSet kind)
{
    auto* card = deck.CreateObject<TOptionCard>();
    card->SetCardName(name);
    card->SetOptionType(optionType);
    card->SetKind(kind);
    card->SetSource(source);
    card->SetQuantity(quantity);
    card->SetDamage(damage);
    card->SetDescription(description);
    std::string id = name;
    id.erase(std::remove(id.begin(), id.end(), ' '), id.end());
    card->SetID(id);
    return card;
}

// ----------------------------------------------------------------------------- built-in sets

namespace {
const TOptionKindSet NoKind{okNone};

const TOptionCardData BaseOptionCards[] = {
    {"Ablative Coat", otAutomatic, NoKind, -1, -1,
        "Takes the hits for your robot: the next three points of damage it would suffer land on the coat "
        "instead.<br>When the third point has been absorbed the coat is worn through and is discarded."},
    {"Abort Switch", otRunTime, NoKind, -1, -1,
        "Once per turn, just after one of your program cards is revealed, you may throw it away together with "
        "every card still waiting in your later registers and replace them all with cards from the top of the deck."},
    {"Brakes", otNone, NoKind, -1, -1,
        "Whenever a Move 1 card of yours is carried out you may decide to stay where you are instead. "
        "The card keeps its priority, so your robot still acts in its usual order."},
    {"Circuit Breaker", otAutomatic, NoKind, -1, -1,
        "A safety trip: if your robot ends a turn with three or more damage points it powers down for the next "
        "turn on its own, without you having to announce it."},
    {"Conditional", otNone, NoKind, -1, -1,
        "Lets you keep a plan B. After programming, lay one more card face down on this option.<br>When the "
        "register before it has run you may swap that card in for your next register or leave the program as it is."},
    {"Double Barrel Laser", otMainLaserModification, NoKind, -1, -1,
        "Your main laser fires a pair of beams side by side, so a robot struck by it suffers two damage points "
        "instead of one."},
    {"Extra Memory", otNone, NoKind, -1, -1,
        "More room to think: every turn your robot is dealt one program card more than its damage would normally "
        "allow."},
    {"Fire Control", otMainLaserModification, NoKind, -1, -1,
        "A precise targeting computer. When your main laser hits a robot you may, instead of damaging it, lock one "
        "of its registers or knock out one of its options of your choice."},
    {"Flywheel", otTurnProgrammed, NoKind, -1, -1,
        "After you have programmed, you may put one leftover card from your hand on the flywheel. It stays there "
        "into the next turn and can then be programmed like any card in your hand."},
    {"Fourth Gear", otRunTime, NoKind, -1, -1,
        "Gives the drive an extra gear: when one of your Move 3 cards is revealed you may move four squares "
        "instead of three."},
    {"Gyroscopic Stabilizer", otTurnProgrammed, NoKind, -1, -1,
        "Switch it on or off as you program. While it is on, gears and rotating conveyors do not turn your "
        "robot for the rest of that turn."},
    {"High Power Laser", otMainLaserModification, NoKind, -1, -1,
        "Your main laser is strong enough to burn through one wall or one robot in its path and still hit the "
        "next target beyond it."},
    {"Mechanical Arm", otRunTime, NoKind, -1, -1,
        "A long reach: your robot can touch a flag or repair site that is one square away, straight or "
        "diagonally, as long as no wall stands between them."},
    {"Mini Howitzer", otOptionalWeapon, NoKind, 5, -1,
        "May fire instead of your main laser. The shell damages the robot it hits and shoves it one square "
        "directly away from you.<br>Starts with five shells; mark one off per shot and discard the card when "
        "none are left."},
    {"Power Down Shield", otAutomatic, NoKind, -1, -1,
        "Protects a robot that is powered down: in each register it stops up to one damage point coming from "
        "each of the four sides."},
    {"Pressor Beam", otOptionalWeapon, NoKind, -1, -1,
        "May be used instead of firing your main laser. The robot you would have hit is shoved one square "
        "directly away from you and takes no damage."},
    {"Radio Control", otOptionalWeapon, NoKind, -1, -1,
        "May be used instead of firing your main laser. The robot you would have hit carries out your program "
        "in its remaining registers for the rest of the turn."},
    {"Ramming Gear", otAdditionalWeapon, NoKind, -1, -1,
        "Spikes on the bumper: every time your robot pushes another robot, the pushed robot also takes one "
        "point of damage."},
    {"Rear Laser", otAdditionalWeapon, NoKind, -1, -1,
        "A second laser mounted facing backwards. It fires whenever your main laser fires and hits the first "
        "robot behind you."},
    {"Recompile", otNone, NoKind, -1, -1,
        "Once each turn, after the cards are dealt, you may hand back your whole hand and receive a fresh one. "
        "Your robot takes one damage point for the effort."},
    {"Reverse Gears", otRunTime, NoKind, -1, -1,
        "When a Back Up card of yours is revealed you may reverse two squares instead of one."},
    {"Scrambler", otOptionalWeapon, NoKind, -1, -1,
        "May be used instead of firing your main laser. The next program card of the robot you would have hit "
        "is replaced by the top card of the deck. It has no effect during the fifth register."},
    {"Shield", otTurnProgrammed, NoKind, -1, -1,
        "When you program, choose one side of your robot. For the whole turn laser fire coming from that side "
        "is stopped by the shield."},
    {"Superior Archive Copy", otNone, NoKind, -1, -1,
        "A better backup of your robot's mind: when your robot is destroyed and returns to play it comes back "
        "without any damage points."},
    {"Tractor Beam", otOptionalWeapon, NoKind, -1, -1,
        "May be used instead of firing your main laser. The robot you would have hit is pulled one square "
        "towards you, unless it is already next to you."},
    {"Turret", otTurnProgrammed, NoKind, -1, -1,
        "When you program, turn your main laser to face front, left, right or back. It keeps that direction "
        "for the whole turn, whichever way your robot turns."},
};

const TOptionCardData BoltsAndBlastersOptionCards[] = {
    {"Big Gun", otOptionalWeapon, {okLauncher}, 5, -1,
        "A heavy cannon that may fire instead of your main laser at the first robot in your line of fire.<br>It "
        "holds five shells: mark one off per shot and discard the card once the last one is spent."},
    {"Big Jet", otPhaseProgrammedMovement, {okBooster, okFlying}, 1, -1,
        "Program it with a register. When that register runs your robot is blasted through the air up to "
        "three squares straight ahead, passing over pits, walls and robots.<br>One charge only."},
    {"Bio Option", otNone, NoKind, -1, -1,
        "Living repair tissue grown into the frame. At the end of a turn in which your robot took no new "
        "damage, it heals one damage point. It needs no programming."},
    {"Bridge Layer", otPhaseProgrammedGadget, {okFlatDevice, okLauncher}, 2, -1,
        "In the register it is programmed for, lay a flat bridge over a pit next to your robot. Robots may "
        "then cross that square like ordinary floor.<br>Two sections; discard the card when both are laid."},
    {"Buzz Bomb", otTurnProgrammed, {okLauncher, okFlyingDevice}, 3, 4,
        "Launches a small flying bomb that joins the race as a robot of its own and follows the program you "
        "give it.<br>When it blows up it deals 4 damage to each robot next to it. Three bombs."},
    {"Converter", otAutomatic, NoKind, -1, 2,
        "Works on its own: whenever a laser hits your robot, the converter drinks up the energy and lowers "
        "the damage of that hit by up to 2 points."},
    {"Crab Legs", otPhaseProgrammedMovement, NoKind, -1, -1,
        "Lets your robot walk sideways. Program it with a Move 1 card: in that register the robot steps one "
        "square to its left or right without turning."},
    {"Drone Launcher", otOptionalWeapon, {okLauncher, okFlyingDevice}, 3, 2,
        "Instead of firing your main laser, send out a small drone that flies to the first robot in your line "
        "of fire and strikes it for 2 damage.<br>Three drones; discard the card when they are spent."},
    {"Dual Processor", otPhaseProgrammedMovement, NoKind, -1, -1,
        "Program a move card and a rotate card together into one register. When it runs your robot carries "
        "out the move first and then the rotation."},
    {"Frog Legs", otRunTime, NoKind, -1, -1,
        "Once per turn, when one of your move cards is revealed, your robot may leap instead of walking: it "
        "jumps over the next square, pit or robot included, and lands on the square beyond."},
    {"Goo Dropper", otPhaseProgrammedGadget, {okLauncher, okFlyingDevice}, 3, -1,
        "In the programmed register, drop a patch of sticky goo on the square your robot leaves. A robot that "
        "enters the goo stops there for the rest of that register.<br>Three patches."},
    {"Homing Device", otOptionalTurnProgrammedWeapon, NoKind, -1, -1,
        "When you program, you may name one robot as your quarry for the turn. Your main laser then tracks "
        "it and fires at it whenever it stands in a straight line from you with no wall between."},
    {"Interceptor", otOptionalWeapon, NoKind, -1, -1,
        "Instead of firing your main laser, shoot at a flying device in your line of fire. A drone, missile "
        "or bomb hit this way is destroyed before it can do anything."},
    {"Mine Layer", otPhaseProgrammedGadget, {okFlatDevice, okLauncher}, 3, 4,
        "In the programmed register, leave a mine on the square your robot leaves. The first robot to enter "
        "that square sets it off and takes 4 damage.<br>Three mines."},
    {"Missile Launcher", otOptionalWeapon, {okLauncher, okFlyingDevice}, 3, 4,
        "Instead of firing your main laser, launch a missile at the first robot in your line of fire. A hit "
        "deals 4 damage.<br>Three missiles; discard the card when they are gone."},
    {"Option Damping Field", otTurnProgrammed, NoKind, -1, -1,
        "Switch the field on as you program. For that turn the options of other robots cannot target or "
        "affect your robot."},
    {"Overload Override", otPhaseProgrammedMovement, NoKind, -1, -1,
        "Program two move cards into a single register. When it runs both are carried out, one after the "
        "other, but the strain costs your robot one damage point."},
    {"Portable Teleporter", otPhaseProgrammedGadget, {okFlatDevice, okLauncher}, 1, -1,
        "In the programmed register, set the teleporter pad down where your robot stands. In any later "
        "register your robot may vanish and reappear on the pad instead of moving.<br>One pad."},
    {"Proximity Mine", otPhaseProgrammedGadget, {okFlatDevice, okLauncher}, 3, 4,
        "In the programmed register, drop a mine on the square your robot leaves. It goes off when any robot "
        "ends a register next to it, dealing 4 damage to that robot.<br>Three mines."},
    {"Reengineering Unit", otRunTime, NoKind, -1, -1,
        "Once per turn, before a register is revealed, swap the card waiting in it for a card still in your "
        "hand. Locked registers cannot be changed this way."},
    {"Reflector", otTurnProgrammed, NoKind, -1, -1,
        "When you program, choose one side of your robot. For the whole turn laser fire striking that side "
        "bounces back along its path at the robot that fired it."},
    {"Retro-Rockets", otPhaseProgrammedMovement, {okBooster, okFlying}, 3, -1,
        "Fire the rockets in the programmed register: your robot hovers for that register, moving by its card "
        "as usual but ignoring pits, conveyors and pushes.<br>Three firings."},
    {"Robo Copter", otTurnProgrammed, {okFlying}, -1, -1,
        "Lift off as you program by setting one extra program card aside for the copter. For that turn your "
        "robot flies over pits and board elements, and the extra card runs in a register of your choice."},
    {"Scrambler Bomb", otPhaseProgrammedGadget, {okFlatDevice, okLauncher}, 1, -1,
        "Drop the bomb in the programmed register. When it goes off, every robot within two squares has its "
        "next program card replaced by the top card of the deck.<br>One bomb."},
    {"Self-Destruct", otPhaseProgrammed, NoKind, -1, 16,
        "Program it into a register to blow your robot up when that register runs. Your robot is destroyed "
        "and each robot next to it takes 16 damage."},
    {"The Big One", otPhaseProgrammedGadget, {okLauncher, okDevice}, 1, 64,
        "One enormous bomb. In the programmed register, launch it onto the square in front of your robot; it "
        "explodes at the end of that register and deals 64 damage to everything nearby.<br>One use only."},
};
} // namespace

std::span<const TOptionCardData> OptionCardTable(TOptionSource source)
{
    switch (source) {
    case osBaseGame:
        return BaseOptionCards;
    case osBoltsAndBlasters:
        return BoltsAndBlastersOptionCards;
    default:
        return {};
    }
}

void BuildOptionCards(TOptionDeck& deck, TOptionSource source)
{
    for (const TOptionCardData& c : OptionCardTable(source))
        AddOptionCard(deck, c.Name, c.OptionType, c.Description, c.Damage, c.Quantity, source, c.Kind);
}

void BuildBaseOptionCards(TOptionDeck& deck) { BuildOptionCards(deck, osBaseGame); }

void BuildBoltsAndBlastersOptionCards(TOptionDeck& deck) { BuildOptionCards(deck, osBoltsAndBlasters); }

void BuildOptionDeckFile(TOptionSource source, const std::string& fileName)
{
    TOptionDeck deck;
    BuildOptionCards(deck, source);
    deck.SaveToXMLFile(fileName);
}

void BuildBaseOptionDeckFile(const std::string& folder) { BuildOptionDeckFile(osBaseGame, folder + "BaseOptionDeck.xml"); }

void BuildBoltsAndBlastersOptionDeckFile(const std::string& folder)
{
    BuildOptionDeckFile(osBoltsAndBlasters, folder + "BoltsAndBlastersOptionDeck.xml");
}
