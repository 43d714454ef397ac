// The Linux port's code pages: a list in a Windows code page is converted to UTF-8 by iconv.
#include <errno.h>
#include <iconv.h>
#include <string.h>

#include <string>

#include "platform/platform.h"
#include "text/utf8.h"

namespace platform {
namespace {

// iconv's name for a Windows code page: CP<number> for most, a few under names of their own.
std::string IconvName(uint32_t code_page) {
  static const struct {
    uint32_t code_page;
    const char* name;
  } kNames[] = {
      {20127, "ASCII"},       {20866, "KOI8-R"},      {21866, "KOI8-U"},     {28591, "ISO-8859-1"},
      {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},  {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"},
      {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},  {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"},
      {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"}, {54936, "GB18030"},    {10000, "MACINTOSH"},
  };
  for (const auto& known : kNames)
    if (known.code_page == code_page) return known.name;
  return "CP" + std::to_string(code_page);
}

// One converter, kept for the code page of the last call: a list uses one code page throughout.
iconv_t ConverterFor(uint32_t code_page) {
  static iconv_t converter = reinterpret_cast<iconv_t>(-1);
  static uint32_t converter_code_page = 0;
  if (converter != reinterpret_cast<iconv_t>(-1) && converter_code_page == code_page)
    return converter;
  if (converter != reinterpret_cast<iconv_t>(-1)) iconv_close(converter);
  converter = iconv_open("UTF-8", IconvName(code_page).c_str());
  converter_code_page = code_page;
  return converter;
}

bool BytesAsTheyAre(uint32_t code_page) {
  return code_page == kCodePageAnsi || code_page == kCodePageOem;
}

}  // namespace

bool CodePageKnown(uint32_t code_page) {
  return BytesAsTheyAre(code_page) || ConverterFor(code_page) != reinterpret_cast<iconv_t>(-1);
}

// A sequence the code page does not have becomes U+FFFD, as MultiByteToWideChar makes it a
// default character.
size_t CodePageToUtf8(uint32_t code_page, const char* bytes, size_t length, char* out,
                      size_t room) {
  if (BytesAsTheyAre(code_page)) {
    if (length <= room) memcpy(out, bytes, length);
    return length;
  }
  iconv_t converter = ConverterFor(code_page);
  if (converter == reinterpret_cast<iconv_t>(-1)) return 0;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  std::string converted;
  char piece[256];
  char* in = const_cast<char*>(bytes);
  size_t in_left = length;
  while (in_left > 0) {
    char* to = piece;
    size_t to_left = sizeof piece;
    size_t result = iconv(converter, &in, &in_left, &to, &to_left);
    converted.append(piece, to - piece);
    if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
    converted.append(kReplacementCharacter);
    if (errno == EINVAL) break;  // cut off by the end
    ++in;
    --in_left;
  }
  if (converted.size() <= room) memcpy(out, converted.data(), converted.size());
  return converted.size();
}

}  // namespace platform
