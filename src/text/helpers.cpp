#include "text/helpers.h"

#include <cstring>

Text TrimBlanks(const Text& text) {
  size_t n = text.Length();
  size_t i = 1;
  while (i <= n && IsBlank(text.At(i))) ++i;
  if (i > n) return Text();
  while (IsBlank(text.At(n))) --n;
  return SubText(text, static_cast<long long>(i), static_cast<long long>(n - i + 1));
}

Text DirectoryPart(const Text& path) {
  size_t k = path.Length();
  while (k > 0 && path.At(k) != ':' && path.At(k) != '\\') --k;
  return SubText(path, 1, static_cast<long long>(k));
}

bool IsFullPath(const Text& path) {
  const unsigned char first = UpperAsciiLetter(path.At(1));
  return first == '\\' || (first >= 'A' && first <= 'Z' && path.At(2) == ':');
}

bool IsRootedPath(const Text& path) { return IsFullPath(path) || path.At(1) == '/'; }

Text EntryPath(const Text& entry) {
  Text t = TrimBlanks(entry);
  const size_t n = t.Length();
  if (n < 2 || t.At(1) != '"' || t.At(n) != '"') return t;
  return TrimBlanks(SubText(t, 2, static_cast<long long>(n - 2)));
}

Text QuoteEntry(const Text& entry, bool double_trailing_backslashes) {
  const Text quote("\"", 1);
  Text t = TrimBlanks(entry);
  // An all-Blank entry never comes from the reader; it ends up as a lone double quote.
  if (t.At(1) != '"') t = JoinTexts({quote, t});
  if (t.At(t.Length()) == '"') return t;
  size_t backslashes = 0;
  if (double_trailing_backslashes)
    while (t.At(t.Length() - backslashes) == '\\') ++backslashes;
  // Positions count from the end, which a text of backslashes alone never passes: its
  // opening quote stops the count.
  return JoinTexts({t, SubText(t, static_cast<long long>(t.Length() - backslashes + 1),
                               static_cast<long long>(backslashes)),
                    quote});
}

Text FolderPart(const Text& path) {
  size_t k = path.Length();
  while (k > 0 && path.At(k) != '\\' && path.At(k) != '/') --k;
  if (k == 0) return Text();
  const bool root = k == 1 || (k == 3 && path.At(2) == ':');
  return SubText(path, 1, static_cast<long long>(root ? k : k - 1));
}

bool SameInAnyCase(const Text& text, const char* name) {
  const size_t length = std::strlen(name);
  if (text.Length() != length) return false;
  for (size_t i = 1; i <= length; ++i)
    if (UpperAsciiLetter(text.At(i)) != static_cast<unsigned char>(name[i - 1])) return false;
  return true;
}

Text EntryFile(const Text& entry) {
  Text t = EntryPath(entry);
  const size_t n = t.Length();
  if (n == 0 || (t.At(1) != '"' && t.At(n) != '"')) return t;
  const bool opening = t.At(1) == '"';
  return TrimBlanks(SubText(t, opening ? 2 : 1, static_cast<long long>(n - 1)));
}

bool HasUrlScheme(const Text& text) {
  const auto letter = [](unsigned char c) { return UpperAsciiLetter(c) >= 'A' && UpperAsciiLetter(c) <= 'Z'; };
  if (!letter(text.At(1))) return false;
  size_t i = 2;
  for (unsigned char c = text.At(i);
       letter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'; c = text.At(++i)) {
  }
  return i > 2 && text.At(i) == ':';
}

Text OwnFolderPart(const Text& file) {
  if (HasUrlScheme(file) || (file.At(1) == ':' && file.At(2) == ':')) return Text();
  if (file.At(1) == '\\' && file.At(2) == '\\') {
    // \\server\share\ at least: the server and the share are no folders of their own.
    size_t separators = 0;
    for (size_t i = 3; i <= file.Length(); ++i)
      if (file.At(i) == '\\' && file.At(i - 1) != '\\' && ++separators == 2) return FolderPart(file);
    return Text();
  }
  return FolderPart(file);
}
