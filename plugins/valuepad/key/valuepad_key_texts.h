#pragma once
// The user-data editor plug-in's key: two texts and a table of its own,
// mixed with the plug-in's variant of the key-mixing routine (every byte has
// bits 0 and 2 set, so the mixed text holds no zero), then encoded with
// itself. Its parameter type stores this key (autodetection writes it) and
// the administration module checks it before each call. The creation tool
// compiles this header in to seed the demo database's type row. Not
// installed; changing a value makes every stored key of this plug-in stale.

#include "keymix.h" // the core's key-mixing routine (header only)

#include <wardlock/encoding.h>

namespace Security::valuepadkey {

// clang-format off
constexpr keymix::Table kTable = {
    0x3B, 0x91, 0x5E, 0xC2, 0x17, 0x6D, 0xA4, 0x28, 0xF3,
    0x4A, 0x8C, 0x05, 0xD9, 0x62, 0xB7, 0x1E, 0x70,
};
// clang-format on

constexpr char kFirstPart[] = "Vp#Qk7!mZ2@rL9$w";
constexpr char kSecondPart[] = "Jg5=Ub8;Np2~Ev7|";

static_assert(sizeof(kFirstPart) == 17 && sizeof(kSecondPart) == 17);
static_assert(keymix::IsTextPair(kFirstPart, kSecondPart, 16));
static_assert(keymix::MixKeyValuepad(kFirstPart, kSecondPart, kTable).length() == 16);

// The key, built afresh on each call and never stored in the plug-in.
inline tor::pswdsstr<16> Key() noexcept
{
    const tor::pswdsstr<16> mixed = keymix::MixKeyValuepad(
        keymix::AtRunTime(kFirstPart), keymix::AtRunTime(kSecondPart), kTable);
    return Encode(mixed, mixed);
}

} // namespace Security::valuepadkey
