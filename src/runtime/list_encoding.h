// How the bytes of a list file become corvane's UTF-8 text.
#ifndef CORVANE_RUNTIME_LIST_ENCODING_H_
#define CORVANE_RUNTIME_LIST_ENCODING_H_

#include <cstdint>

#include "text/text.h"

enum class ListCoding {
  kDetect,  // UTF-8 where an entry is valid UTF-8, the ANSI code page where it is not
  kUtf8,    // ill-formed sequences become U+FFFD
  kUtf16Le,
  kUtf16Be,
  kCodePage,  // converted by the system from code_page
};

struct ListEncoding {
  ListCoding coding = ListCoding::kDetect;
  uint32_t code_page = 0;
};

inline bool IsUtf16(ListCoding coding) {
  return coding == ListCoding::kUtf16Le || coding == ListCoding::kUtf16Be;
}

// The encoding a /C: value names: a Windows code page number, or ANSI, OEM, UTF-8, UTF-16LE or
// UTF-16BE in any letter case (the hyphen may be left out). The empty value leaves it to the
// list. False when the value names nothing this system can read.
bool ListEncodingNamed(const Text& value, ListEncoding* encoding);

// Turns an entry of a byte-wise list, as found between its line ends, into UTF-8. Left alone
// when it is UTF-8 already, as most entries are.
void DecodeEntry(Text* entry, const ListEncoding& encoding);

#endif  // CORVANE_RUNTIME_LIST_ENCODING_H_
