// Whole-input conversions between a Windows code page number and UTF-16 on ICU converters.
// Each thread opens its own converters once and keeps them until it ends; nothing is shared.
#pragma once

#include <string>
#include <string_view>

namespace qoravel::icu_converters {

// Code page numbers the system names: 0 is the system's ANSI code page, which is 936 here.
inline constexpr unsigned kAnsiCodePage = 0;
inline constexpr unsigned kGbkCodePage = 936;
inline constexpr unsigned kUtf8CodePage = 65001;

// True for the code pages whose bytes 0x00-0x7F are ASCII, one byte to one unit.
bool IsAsciiCompatible(unsigned codePage);

// Appends the UTF-16 form of bytes to out. Malformed sequences become U+FFFD.
// False (out unchanged) when no converter exists for the code page.
[[nodiscard]] bool AppendDecoded(std::string_view bytes, unsigned codePage, std::u16string& out);

// Appends the codePage form of units to out. Characters the code page lacks, and lone
// surrogates, become its substitution character ("?" for 936). False when no converter exists.
[[nodiscard]] bool AppendEncoded(std::u16string_view units, unsigned codePage, std::string& out);

}  // namespace qoravel::icu_converters
