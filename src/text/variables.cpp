#include "text/variables.h"

#include <cstring>

bool ExpandPercentNames(const Text& text, const char* (*value_of)(const char* name),
                        size_t most_bytes, Text* expanded_text) {
  Text& expanded = *expanded_text;
  Text name;
  expanded.Clear();
  const char* p = text.Bytes();
  const char* end = p + text.Length();
  while (p < end) {
    if (expanded.Length() > most_bytes) return false;
    const char* percent = static_cast<const char*>(std::memchr(p, '%', end - p));
    if (!percent) percent = end;
    expanded.Append(p, percent - p);
    if (percent == end) break;
    const char* closing =
        static_cast<const char*>(std::memchr(percent + 1, '%', end - percent - 1));
    name = Text(percent + 1, closing ? closing - percent - 1 : 0);
    const char* value = closing && !name.Empty() ? value_of(ZeroTerminatedOf(name)) : nullptr;
    if (value) {
      const size_t length = std::strlen(value);
      if (length > most_bytes) return false;
      expanded.Append(value, length);
      p = closing + 1;
    } else {
      // Not a name: the % stays, and the text after it is read afresh.
      expanded.Append('%');
      p = percent + 1;
    }
  }
  return expanded.Length() <= most_bytes;
}
