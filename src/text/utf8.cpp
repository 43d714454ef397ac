#include "text/utf8.h"

#include <cstring>

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
  size_t cut = room;
  while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
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
