#include "text/utf8.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

size_t Utf8Step(const char* p, size_t available, bool* valid) {
  const unsigned char lead = static_cast<unsigned char>(p[0]);
  *valid = lead < 0x80;
  if (lead < 0x80) return 1;
  // The second byte's range is narrower after some leads: that rules out overlong forms,
  // surrogates and codes past 0x10FFFF.
  size_t trail = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  size_t i = 1;
  for (; i <= trail && i < available; ++i) {
    const unsigned char byte = static_cast<unsigned char>(p[i]);
    if (byte < low || byte > high) break;
    low = 0x80;
    high = 0xBF;
  }
  *valid = i == trail + 1;
  return i;
}

bool IsValidUtf8(const char* bytes, size_t length) {
  size_t i = 0;
#if defined(__SSE2__)
  const unsigned char* u = reinterpret_cast<const unsigned char*>(bytes);
  // Sixteen bytes at a time, one bit for each: every lead byte asks for continuation bytes after
  // it, and those must be all the continuation bytes there are. Character by character, an
  // entry in another script costs as much as the reads that bring it.
  uint32_t carry = 0;  // continuation bytes that the bytes before ask of these
  // Checks the sixteen bytes at `at` but the first `skip` of them, which are checked already:
  // 1 when they are right, 0 when they are not, -1 when one of them is for Utf8Step.
  const auto check = [u, &carry](size_t at, uint32_t skip) {
    const auto bits = [skip](__m128i v) {
      return static_cast<uint32_t>(_mm_movemask_epi8(v)) >> skip;
    };
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + at));
    const uint32_t top = bits(v);
    if ((top | carry) == 0) return 1;  // ASCII
    // Adding a byte to itself moves its next bit up to the top.
    const __m128i v2 = _mm_add_epi8(v, v), v4 = _mm_add_epi8(v2, v2);
    const uint32_t bit6 = bits(v2), lead = top & bit6, three = lead & bits(v4);
    // E0, ED and F0 to F4 have a narrower range after them, and C0, C1 and F5 to FF are never
    // right: from the first of them on, Utf8Step checks the rest.
    const __m128i special =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xE0))),
                                  _mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(0xED)))),
                     _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(1)),
                                    _mm_set1_epi8(static_cast<char>(0xC1))));
    if ((bits(special) | (three & bits(_mm_add_epi8(v4, v4)))) != 0) return -1;
    const uint32_t asked = lead << 1 | three << 2 | carry;
    if ((top & ~bit6) != (asked & 0xFFFF)) return 0;
    carry = asked >> (16 - skip);
    return 1;
  };
  int state = 1;
  while (i + 16 <= length && (state = check(i, 0)) > 0) i += 16;
  // The last few bytes in the sixteen that end the text, with those already checked skipped.
  if (state > 0 && i < length && length >= 16 &&
      (state = check(length - 16, static_cast<uint32_t>(i + 16 - length))) > 0)
    i = length;
  if (state == 0) return false;
  if (i == length) return carry == 0;
  // Back to the start of a character that the bytes checked so far cut off.
  if (carry != 0) do --i; while ((u[i] & 0xC0) == 0x80);
#endif
  while (i < length) {
    // Most of a list is ASCII: eight bytes at a time while none has its top bit set.
    uint64_t word;
    while (i + 8 <= length && (std::memcpy(&word, bytes + i, 8), (word & 0x8080808080808080u) == 0))
      i += 8;
    if (i == length) break;
    bool valid;
    i += Utf8Step(bytes + i, length - i, &valid);
    if (!valid) return false;
  }
  return true;
}

size_t Utf8Cut(const char* bytes, size_t length, size_t room) {
  if (length <= room) return length;
  // A character has three continuation bytes at most: bytes that are no UTF-8 (a Linux path
  // may hold any) are not cut further back than that.
  size_t cut = room;
  for (int back = 0; back < 3 && cut > 0; ++back, --cut)
    if ((static_cast<unsigned char>(bytes[cut]) & 0xC0) != 0x80) break;
  return cut;
}

Text RepairedUtf8(const Text& text) {
  Text repaired;
  const char* bytes = text.Bytes();
  const size_t length = text.Length();
  size_t done = 0;  // bytes up to here are in repaired
  for (size_t i = 0; i < length;) {
    bool valid;
    size_t step = Utf8Step(bytes + i, length - i, &valid);
    if (!valid) {
      repaired.Append(bytes + done, i - done);
      repaired.Append(kReplacementCharacter, 3);
      done = i + step;
    }
    i += step;
  }
  repaired.Append(bytes + done, length - done);
  return repaired;
}

size_t EncodeUtf8(uint32_t code, char* out) {
  if (code < 0x80) {
    out[0] = static_cast<char>(code);
    return 1;
  }
  if (code < 0x800) {
    out[0] = static_cast<char>(0xC0 | code >> 6);
    out[1] = static_cast<char>(0x80 | (code & 0x3F));
    return 2;
  }
  if (code < 0x10000) {
    out[0] = static_cast<char>(0xE0 | code >> 12);
    out[1] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | code >> 18);
  out[1] = static_cast<char>(0x80 | (code >> 12 & 0x3F));
  out[2] = static_cast<char>(0x80 | (code >> 6 & 0x3F));
  out[3] = static_cast<char>(0x80 | (code & 0x3F));
  return 4;
}

size_t Utf16Length(const char* bytes, size_t length) {
  size_t units = 0;
  for (size_t i = 0; i < length;) {
    bool valid;
    const size_t step = Utf8Step(bytes + i, length - i, &valid);
    units += valid ? (step == 4 ? 2 : 1) : step;
    i += step;
  }
  return units;
}
