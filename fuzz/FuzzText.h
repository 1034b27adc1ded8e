// Turning fuzzer bytes into UTF-16 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Reads Adata as UTF-8 without judging it, so that seeds stay readable text
// while every code unit remains reachable: a sequence of two or three bytes
// gives the unit it spells (surrogates and overlong forms included), four
// bytes give a surrogate pair, and a byte that starts no complete sequence
// stands for the unit of its own value (U+0080..U+00FF).
std::u16string lenientUtf16(const std::uint8_t* Adata, std::size_t Asize);
