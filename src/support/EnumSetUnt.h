#pragma once
#include <cstdint>
#include <initializer_list>

// A set of enumeration values of up to 32 members, kept as a bit mask by ordinal.
template <class E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> members)
    {
        for (E m : members)
            Include(m);
    }
    static constexpr TEnumSet FromMask(std::uint32_t mask)
    {
        TEnumSet s;
        s.FMask = mask;
        return s;
    }
    constexpr std::uint32_t Mask() const { return FMask; }
    constexpr bool Contains(E m) const { return (FMask >> Bit(m)) & 1u; }
    constexpr void Include(E m) { FMask |= 1u << Bit(m); }
    constexpr void Exclude(E m) { FMask &= ~(1u << Bit(m)); }
    constexpr bool Empty() const { return FMask == 0; }
    constexpr bool operator==(const TEnumSet&) const = default;
    constexpr TEnumSet operator|(TEnumSet o) const { return FromMask(FMask | o.FMask); }
    constexpr TEnumSet operator&(TEnumSet o) const { return FromMask(FMask & o.FMask); }

private:
    static constexpr unsigned Bit(E m) { return static_cast<unsigned>(m) & 31u; }
    std::uint32_t FMask = 0;
};
