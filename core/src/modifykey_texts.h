#pragma once
// The pair of texts the modify key is mixed from, and the mixing table of
// every module except the user-data editor plug-in. The core checks keys
// against MixKey of this pair; the database account tool (lockwright) compiles
// this same file in and builds the key with MixKeyShorter. Not installed.
//
// The first text has 15 characters, so the tool mixes 15 positions and
// terminates, while the core mixes 16 and counts the missing character as
// zero. Both agree because the core's out[15] = T[0] + (0 | Q[15]) + 113 * 15
// is zero modulo 256: 0x0F + 'R' + 1695 = 1792 = 7 * 256. Changing any of
// these values breaks every tool built before; the asserts below keep the
// pair consistent.

#include "keymix.h"

namespace Security::keytexts {

// clang-format off
constexpr keymix::Table kMixTable = {
    0x0F, 0x67, 0xA7, 0x01, 0x78, 0x99, 0x9A, 0xD4, 0xCD,
    0x6B, 0xEC, 0xBF, 0xD3, 0x7E, 0x1C, 0x84, 0xBD,
};
// clang-format on

constexpr char kModifyKeyFirst[] = "ER?=g5Xz)xR%L|e";
constexpr char kModifyKeySecond[] = "UP.xW~ZL)0kp9z)R";

static_assert(sizeof(kModifyKeyFirst) == 16 && sizeof(kModifyKeySecond) == 17);
static_assert(keymix::IsTextPair(kModifyKeyFirst, kModifyKeySecond, 16));
static_assert(keymix::MixKey(kModifyKeyFirst, kModifyKeySecond, kMixTable)
    == keymix::MixKeyShorter(kModifyKeyFirst, kModifyKeySecond, kMixTable));
static_assert(keymix::MixKey(kModifyKeyFirst, kModifyKeySecond, kMixTable).length() == 15,
    "a zero byte inside the mixed key would shorten the modify key");

} // namespace Security::keytexts
