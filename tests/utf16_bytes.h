// The bytes of a UTF-16 list, as the tests of every platform write one.
#ifndef CORVANE_TESTS_UTF16_BYTES_H_
#define CORVANE_TESTS_UTF16_BYTES_H_

#include <string>

// No byte-order mark is added.
inline std::string Utf16Bytes(const std::u16string& text, bool big_endian = false) {
  std::string bytes;
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += big_endian ? high : low;
    bytes += big_endian ? low : high;
  }
  return bytes;
}

#endif  // CORVANE_TESTS_UTF16_BYTES_H_
