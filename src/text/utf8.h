// UTF-8, the form of every text inside corvane once it has come in from the system or a list.
#ifndef CORVANE_TEXT_UTF8_H_
#define CORVANE_TEXT_UTF8_H_

#include <cstddef>
#include <cstdint>

#include "text/text.h"

// U+FFFD, which stands in for every sequence that is not a character.
const char kReplacementCharacter[] = "\xEF\xBF\xBD";
const uint32_t kReplacementCode = 0xFFFD;

// The bytes of the character at p, of which at most available may be looked at: a whole
// well-formed sequence (*valid set), or else the longest start of one, at least one byte, which
// stands for one U+FFFD. A zero byte never continues a sequence, so a zero-terminated text may
// be scanned with available as SIZE_MAX.
size_t Utf8Step(const char* p, size_t available, bool* valid);

bool IsValidUtf8(const char* bytes, size_t length);

// The longest start of a UTF-8 text that fits in room bytes and ends between two characters.
size_t Utf8Cut(const char* bytes, size_t length, size_t room);

// The text with each ill-formed sequence replaced by one U+FFFD.
Text RepairedUtf8(const Text& text);

// How many UTF-16 units the text takes, as Windows counts a text's characters; each byte of an
// ill-formed sequence counts as one.
size_t Utf16Length(const char* bytes, size_t length);

// Writes a code point (at most 0x10FFFF, not a surrogate) as one to four bytes; gives the count.
size_t EncodeUtf8(uint32_t code, char* out);

#endif  // CORVANE_TEXT_UTF8_H_
