#include "runtime/list_encoding.h"

#include <cstring>

#include "platform/platform.h"
#include "text/helpers.h"
#include "text/utf8.h"

namespace {

// Line ends, Blanks and Ctrl-Z are found in the bytes before anything is converted: a code page
// that puts other characters at codes 0 to 32 (EBCDIC does) cannot be read that way.
bool CodePageUsable(uint32_t code_page) {
  // Nor can one whose escape bytes switch what the bytes after them mean: ISO-2022 and HZ.
  static const uint32_t kStateful[] = {50220, 50221, 50222, 50225, 50227, 50229, 52936};
  for (uint32_t stateful : kStateful)
    if (code_page == stateful) return false;
  if (!platform::CodePageKnown(code_page)) return false;
  char controls[33];
  for (int i = 0; i < 33; ++i) controls[i] = static_cast<char>(i);
  char converted[3 * sizeof controls];
  size_t length =
      platform::CodePageToUtf8(code_page, controls, sizeof controls, converted, sizeof converted);
  return length == sizeof controls && std::memcmp(converted, controls, sizeof controls) == 0;
}

Text FromCodePage(uint32_t code_page, const Text& bytes) {
  // A byte becomes one UTF-16 unit at most, which is three UTF-8 bytes at most; a system that
  // does otherwise is asked again.
  return FilledText(3 * bytes.Length(), [&](char* out, size_t room) {
    return platform::CodePageToUtf8(code_page, bytes.Bytes(), bytes.Length(), out, room);
  });
}

}  // namespace

bool ListEncodingNamed(const Text& value, ListEncoding* encoding) {
  *encoding = ListEncoding();
  if (value.Empty()) return true;
  struct Name {
    const char* name;
    ListCoding coding;
    uint32_t code_page;
  };
  static const Name kNames[] = {
      {"ANSI", ListCoding::kCodePage, platform::kCodePageAnsi},
      {"OEM", ListCoding::kCodePage, platform::kCodePageOem},
      {"UTF-8", ListCoding::kUtf8, 0},
      {"UTF8", ListCoding::kUtf8, 0},
      {"UTF-16LE", ListCoding::kUtf16Le, 0},
      {"UTF16LE", ListCoding::kUtf16Le, 0},
      {"UTF-16BE", ListCoding::kUtf16Be, 0},
      {"UTF16BE", ListCoding::kUtf16Be, 0},
  };
  for (const Name& name : kNames) {
    if (!SameInAnyCase(value, name.name)) continue;
    encoding->coding = name.coding;
    encoding->code_page = name.code_page;
    return true;
  }
  // A number: no Windows code page has more than five digits.
  if (value.Length() > 9) return false;
  uint32_t number = 0;
  for (size_t i = 1; i <= value.Length(); ++i) {
    if (value.At(i) < '0' || value.At(i) > '9') return false;
    number = number * 10 + (value.At(i) - '0');
  }
  // The Unicode forms are corvane's own to read, whatever the system knows of them.
  if (number == 65001) {
    encoding->coding = ListCoding::kUtf8;
  } else if (number == 1200) {
    encoding->coding = ListCoding::kUtf16Le;
  } else if (number == 1201) {
    encoding->coding = ListCoding::kUtf16Be;
  } else {
    if (!CodePageUsable(number)) return false;
    encoding->coding = ListCoding::kCodePage;
    encoding->code_page = number;
  }
  return true;
}

void DecodeEntry(Text* entry, const ListEncoding& encoding) {
  switch (encoding.coding) {
    case ListCoding::kDetect:
      if (!IsValidUtf8(entry->Bytes(), entry->Length()))
        *entry = FromCodePage(platform::kCodePageAnsi, *entry);
      return;
    case ListCoding::kUtf8:
      if (!IsValidUtf8(entry->Bytes(), entry->Length())) *entry = RepairedUtf8(*entry);
      return;
    case ListCoding::kCodePage: *entry = FromCodePage(encoding.code_page, *entry); return;
    default: return;  // UTF-16 lists are decoded as they are read
  }
}
