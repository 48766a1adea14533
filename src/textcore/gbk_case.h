// Upper-case forms of code page 936 characters, for case-insensitive comparison.
// The table is built once, on first use, and only read afterwards: safe on any thread.
#pragma once

#include <cstdint>

namespace qoravel::gbk_case {

// The upper-case form code page 936 gives the two-byte character lead, trail, as
// (lead << 8 | trail); the character itself when it has none there.
std::uint16_t UpperTwoByte(std::uint8_t lead, std::uint8_t trail);

}  // namespace qoravel::gbk_case
