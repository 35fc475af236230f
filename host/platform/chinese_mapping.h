#pragma once
// Simplified <-> traditional Chinese, character for character.
//
// The tables are generated at build time from the single-character dictionaries of the system's
// Chinese conversion data (never the phrase dictionaries, so a converted string keeps its length).
// Where a character has several counterparts (发 is 發 or 髮 depending on the word), the
// dictionary's first candidate is the one used: without the words around it there is no better
// choice, and it is the most common reading.

#include <span>

namespace kx::platform {

struct CharPair {
  char32_t from;
  char32_t to;
};

// Sorted by `from`, each `from` once, no pair mapping a character to itself. Defined in the
// generated source.
std::span<const CharPair> simplifiedToTraditionalPairs();
std::span<const CharPair> traditionalToSimplifiedPairs();

}  // namespace kx::platform
