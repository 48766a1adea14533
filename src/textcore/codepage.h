// Conversions between code page 936 (GBK), UTF-16LE byte buffers and UTF-8, on ICU.
// Code page numbers: 936, 65001 (UTF-8), 0 (the system's ANSI code page, 936 here).
// Safe on any thread: converters are kept per thread.
#pragma once

#include <cstddef>

#include "textcore/text.h"

namespace qoravel {

[[nodiscard]] ByteBuffer MultiByteToUtf16(const Text& text, unsigned codePage = 65001);
[[nodiscard]] Text Utf16ToMultiByte(const ByteBuffer& buffer, unsigned codePage = 0);
[[nodiscard]] Text GbkToUtf8(const Text& text);
[[nodiscard]] Text Utf8ToGbk(const Text& text);
[[nodiscard]] ByteBuffer GbkToUtf16(const Text& text, bool dropTerminator = false);
[[nodiscard]] Text Utf16ToGbk(const ByteBuffer& buffer);

// The program's own Chinese literals are written in UTF-8 source: "下载成功"_gbk gives their
// code page 936 bytes (ASCII-only literals need no suffix).
[[nodiscard]] Text operator""_gbk(const char* utf8, std::size_t size);

}  // namespace qoravel
