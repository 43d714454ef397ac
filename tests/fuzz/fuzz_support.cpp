#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

void FuzzFail(const char* file, int line, const char* condition, const std::string& detail) {
  std::fprintf(stderr, "\n%s:%d: check failed: %s\n%s\n", file, line, condition, detail.c_str());
  std::abort();
}

std::string Escaped(const std::string& s) {
  const size_t kShown = 300;
  std::string out;
  for (size_t i = 0; i < s.size() && i < kShown; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c >= 32 && c < 127 && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  if (s.size() > kShown) out += "... (" + std::to_string(s.size()) + " bytes)";
  return out;
}

void CheckCalls(const std::vector<std::string>& want, const std::vector<std::string>& got) {
  size_t i = 0;
  while (i < want.size() && i < got.size() && want[i] == got[i]) ++i;
  if (i == want.size() && i == got.size()) return;
  std::string detail = "first difference at call " + std::to_string(i) + "\n";
  size_t from = i > 3 ? i - 3 : 0;
  for (size_t k = from; k < i + 3 && k < std::max(want.size(), got.size()); ++k) {
    detail += "  want[" + std::to_string(k) + "] " + (k < want.size() ? Escaped(want[k]) : "-") +
              "\n   got[" + std::to_string(k) + "] " + (k < got.size() ? Escaped(got[k]) : "-") +
              "\n";
  }
  FuzzFail(__FILE__, __LINE__, "calls as the rules give them", detail);
}

std::string InputCursor::Bytes(size_t count) {
  count = std::min(count, size_ - at_);
  std::string bytes(reinterpret_cast<const char*>(data_ + at_), count);
  at_ += count;
  return bytes;
}

std::string InputCursor::UpToZero() {
  size_t end = at_;
  while (end < size_ && data_[end] != 0) ++end;
  std::string text = Bytes(end - at_);
  if (at_ < size_) ++at_;
  return text;
}

// ----- the list file

namespace {

// Failure codes a read may report; 109 stands for the normal end of a pipe, so it comes often.
const uint32_t kReadErrors[16] = {109, 109, 109, 5,    6,    23,         32,         33,
                                  38,  87,  995, 1117, 1784, 0x80000000, 0xFFFFFFFF, 1};
const uint32_t kOpenErrors[4] = {2, 3, 5, 32};
const size_t kWholeRead = 128;

}  // namespace

ListScript TakeListScript(InputCursor& input) {
  static const ListEncoding kForced[8] = {{ListCoding::kDetect, 0},
                                          {ListCoding::kUtf8, 0},
                                          {ListCoding::kUtf16Le, 0},
                                          {ListCoding::kUtf16Be, 0},
                                          {ListCoding::kCodePage, 850},
                                          {ListCoding::kCodePage, 1252},
                                          {ListCoding::kCodePage, platform::kCodePageAnsi},
                                          {ListCoding::kCodePage, platform::kCodePageOem}};
  ListScript script;
  uint8_t flags = input.Byte();
  script.flags = flags;
  script.open_fails = flags & 1;
  script.open_error = kOpenErrors[(flags >> 1) & 3];
  script.close_fails = flags & 8;
  script.forced = kForced[(flags >> 4) & 7];
  script.linux_port = flags & 0x80;
  script.plan = input.Bytes(input.Byte());
  return script;
}

void SetContent(ListScript& script, const std::string& content) {
  size_t at = 0;
  script.reads.clear();
  for (unsigned char step : script.plan) {
    if (step >= 240) {
      script.reads.push_back({"", kReadErrors[step - 240]});
    } else {
      std::string bytes = content.substr(at, step % 129);
      at += bytes.size();
      script.reads.push_back({bytes, 0});
    }
  }
  for (; at < content.size(); at += kWholeRead)
    script.reads.push_back({content.substr(at, kWholeRead), 0});
}

void ApplyListScript(const ListScript& script, fake::State& fake) {
  fake.open_ok = !script.open_fails;
  fake.open_error = script.open_error;
  fake.close_ok = !script.close_fails;
  fake.close_error = script.close_error;
  fake.reads.assign(script.reads.begin(), script.reads.end());
}

namespace {

// The file as the reader meets it: characters (bytes, or code points once UTF-16 is decoded),
// failed reads, and the end of the data, each tagged with the read by which the reader has it.
// Nothing past the end is ever looked at.
struct Event {
  enum Kind { kChar, kFail, kEnd } kind;
  uint32_t code;  // the character, or the failure's code
  size_t read;
};
using Events = std::vector<Event>;

Events EventsOf(const std::vector<fake::ReadResult>& reads) {
  Events events;
  for (size_t r = 0; r < reads.size(); ++r) {
    const fake::ReadResult& read = reads[r];
    if (read.error == platform::kBrokenPipe || (read.error == 0 && read.bytes.empty())) {
      events.push_back({Event::kEnd, 0, r});
      return events;
    }
    if (read.error) {
      events.push_back({Event::kFail, read.error, r});
      continue;
    }
    for (char c : read.bytes) events.push_back({Event::kChar, static_cast<unsigned char>(c), r});
  }
  events.push_back({Event::kEnd, 0, reads.size()});  // the fake's answer past the script
  return events;
}

// A byte-order mark at the very start: the first bytes wait until they are a whole mark, or the
// start of none, or the data ends, and then come together, after any failure met meanwhile. Only
// the forced encoding's own mark counts (a code page has none); a mark found decides the encoding.
// With nothing forced and no mark, a zero byte and a non-zero one as the first two make the list
// UTF-16 (little-endian when the zero is second), so two bytes are waited for, unless the first
// is a Ctrl-Z, which ends the data either way.
Events WithoutMark(const Events& events, ListEncoding* encoding) {
  const bool detect = encoding->coding == ListCoding::kDetect;
  struct Mark {
    std::string bytes;
    ListCoding coding;
  };
  std::vector<Mark> marks;
  for (const Mark& mark :
       {Mark{"\xEF\xBB\xBF", ListCoding::kUtf8}, Mark{"\xFF\xFE", ListCoding::kUtf16Le},
        Mark{"\xFE\xFF", ListCoding::kUtf16Be}})
    if (encoding->coding == ListCoding::kDetect || encoding->coding == mark.coding)
      marks.push_back(mark);
  std::string seen;
  size_t k = 0;
  for (;; ++k) {
    if (events[k].kind == Event::kFail) continue;
    if (events[k].kind == Event::kEnd) break;
    seen += static_cast<char>(events[k].code);
    bool may_grow = false;
    for (const Mark& mark : marks)
      may_grow = may_grow || (mark.bytes.size() > seen.size() && mark.bytes.rfind(seen, 0) == 0);
    may_grow = may_grow || (detect && seen.size() < 2 && seen[0] != 26);
    if (!may_grow) break;
  }
  size_t skip = 0;
  for (const Mark& mark : marks) {
    if (mark.bytes != seen) continue;
    skip = seen.size();
    encoding->coding = mark.coding;
  }
  if (detect && skip == 0 && seen.size() >= 2 && (seen[0] == 0) != (seen[1] == 0))
    encoding->coding = seen[1] == 0 ? ListCoding::kUtf16Le : ListCoding::kUtf16Be;
  const size_t rest = events[k].kind == Event::kEnd ? k : k + 1;
  Events out;
  for (size_t i = 0; i < rest; ++i)
    if (events[i].kind == Event::kFail) out.push_back(events[i]);
  for (size_t i = skip; i < seen.size(); ++i)
    out.push_back({Event::kChar, static_cast<unsigned char>(seen[i]), events[k].read});
  out.insert(out.end(), events.begin() + rest, events.end());
  return out;
}

// Byte pairs to code points: a high surrogate and a low one make one; any other surrogate, and
// an odd byte or a high surrogate that the end cuts off, is U+FFFD.
Events Utf16Decoded(const Events& events, bool big_endian) {
  Events out;
  int odd = -1;
  uint32_t high = 0;
  for (const Event& e : events) {
    auto put = [&](uint32_t code) { out.push_back({Event::kChar, code, e.read}); };
    if (e.kind == Event::kEnd && (odd >= 0 || high)) put(0xFFFD);
    if (e.kind != Event::kChar) {
      out.push_back(e);
      continue;
    }
    if (odd < 0) {
      odd = static_cast<int>(e.code);
      continue;
    }
    const uint32_t unit = big_endian ? odd << 8 | e.code : e.code << 8 | odd;
    odd = -1;
    const bool is_high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool is_low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (high && is_low) {
      put(0x10000 + (high - 0xD800) * 0x400 + (unit - 0xDC00));
      high = 0;
      continue;
    }
    if (high) put(0xFFFD);
    high = is_high ? unit : 0;
    if (!is_high) put(is_low ? 0xFFFD : unit);
  }
  return out;
}

// Ctrl-Z, the byte or the UTF-16 unit, is the end of the data in the read that brought it.
Events CutAtCtrlZ(const Events& events) {
  Events out;
  for (const Event& e : events) {
    if (e.kind == Event::kChar && e.code == 26) {
      out.push_back({Event::kEnd, 0, e.read});
      break;
    }
    out.push_back(e);
  }
  return out;
}

class Walk {
 public:
  explicit Walk(Events events) : events_(std::move(events)) {}
  // Characters and failures are used up; the end stays.
  Event Take() {
    const Event& e = events_[at_];
    reads_ = std::max(reads_, e.read + 1);
    if (e.kind != Event::kEnd) ++at_;
    return e;
  }
  void PutBack() { --at_; }
  size_t Reads() const { return reads_; }

 private:
  Events events_;
  size_t at_ = 0;
  size_t reads_ = 0;
};

std::string FromCodePage(uint32_t code_page, const std::string& bytes) {
  std::string text;
  for (char c : bytes)
    text += ModelUtf8(fake::FakeCodePageCharacter(code_page, static_cast<unsigned char>(c)));
  return text;
}

// An entry's characters as UTF-8: a byte-wise list's entry is converted whole. A character 0
// becomes U+FFFD.
std::string EntryText(const std::u32string& entry, const ListEncoding& encoding) {
  std::string bytes;
  for (char32_t c : entry)
    bytes += IsUtf16(encoding.coding) ? ModelUtf8(c) : std::string(1, static_cast<char>(c));
  std::string text;
  switch (encoding.coding) {
    case ListCoding::kDetect:
      text = ModelValidUtf8(bytes) ? bytes : FromCodePage(platform::kCodePageAnsi, bytes);
      break;
    case ListCoding::kUtf8: text = ModelRepaired(bytes); break;
    case ListCoding::kCodePage: text = FromCodePage(encoding.code_page, bytes); break;
    default: text = bytes;
  }
  std::string replaced;
  for (char c : text) replaced += c == 0 ? std::string("\xEF\xBF\xBD") : std::string(1, c);
  return replaced;
}

}  // namespace

ModelListFile ModelReader(const std::vector<fake::ReadResult>& reads, ListEncoding encoding) {
  Events events = WithoutMark(EventsOf(reads), &encoding);
  if (IsUtf16(encoding.coding))
    events = Utf16Decoded(events, encoding.coding == ListCoding::kUtf16Be);
  Walk walk(CutAtCtrlZ(events));
  ModelListFile model;
  unsigned long long line_ends = 0;
  for (;;) {
    // Blanks before an entry.
    bool end = false;
    for (;;) {
      Event e = walk.Take();
      if (e.kind == Event::kFail) model.failure = e.code;
      if (e.kind != Event::kChar) {
        end = true;
        break;
      }
      if (!ModelBlank(e.code)) {
        walk.PutBack();
        break;
      }
      line_ends += e.code == '\r';
    }
    if (end) break;
    const unsigned long long line = line_ends + 1;
    // The entry, up to its CR.
    std::u32string entry;
    for (;;) {
      Event e = walk.Take();
      if (e.kind == Event::kFail) model.failure = e.code;
      if (e.kind != Event::kChar) break;
      if (e.code == '\r') {
        walk.PutBack();
        break;
      }
      entry += static_cast<char32_t>(e.code);
    }
    // The line end: a failure above leaves the rest of the line to skip.
    bool cr = false;
    for (;;) {
      Event e = walk.Take();
      if (e.kind == Event::kFail) model.failure = e.code;
      if (e.kind != Event::kChar) break;
      if (e.code == '\r') {
        cr = true;
        break;
      }
    }
    if (cr) {
      ++line_ends;
      Event e = walk.Take();
      if (e.kind == Event::kFail) model.failure = e.code;
      if (e.kind == Event::kChar && e.code != '\n') walk.PutBack();
    }
    if (model.failure) break;
    model.entries.push_back({EntryText(entry, encoding), walk.Reads(), line});
  }
  model.reads = walk.Reads();
  return model;
}

// ----- the command line

ModelArguments ModelSplit(const std::string& line, size_t room) {
  ModelArguments model;
  const size_t n = line.size();
  auto at = [&](size_t k) { return k < n ? static_cast<unsigned char>(line[k]) : 0; };
  size_t i = 0;
  bool program_name = true;
  for (;;) {
    // Blanks and empty pairs of quotes between arguments.
    while (i < n && (ModelBlank(at(i)) || (at(i) == '"' && at(i + 1) == '"')))
      i += at(i) == '"' ? 2 : 1;
    std::string argument;
    bool quoted = false;
    while (i < n) {
      unsigned char c = at(i);
      if (argument.size() == room) {
        if (quoted && c == '"') {
          ++i;
        } else if (quoted) {
          model.unsure = true;
          return model;
        }
        break;
      }
      if (c == '"' || (!quoted && ModelBlank(c))) {
        ++i;
        if (c != '"') break;
        quoted = !quoted;
        continue;
      }
      // A character that does not fit whole starts the next argument.
      const size_t length = ModelUtf8Step(line, i, n - i).length;
      if (argument.size() + length > room) {
        if (!quoted) break;
        model.unsure = true;
        return model;
      }
      argument += line.substr(i, length);
      i += length;
    }
    if (argument.empty()) return model;  // the end of the line
    if (!program_name) model.arguments.push_back(argument);
    program_name = false;
  }
}

// ----- UTF-8

ModelCharacter ModelUtf8Step(const std::string& s, size_t at, size_t available) {
  const unsigned char lead = static_cast<unsigned char>(s[at]);
  if (lead < 0x80) return {1, true};
  const size_t length = lead >= 0xF8   ? 0
                        : lead >= 0xF0 ? 4
                        : lead >= 0xE0 ? 3
                        : lead >= 0xC0 ? 2
                                       : 0;
  const uint32_t lowest[5] = {0, 0, 0x80, 0x800, 0x10000};
  // Whether some completion of the first `taken` bytes, whose bits are value, is allowed.
  auto possible = [&](uint32_t value, size_t taken) {
    const unsigned free_bits = 6 * static_cast<unsigned>(length - taken);
    const uint32_t low = std::max(value << free_bits, lowest[length]);
    const uint32_t high = std::min((value << free_bits) | ((1u << free_bits) - 1), 0x10FFFFu);
    return low <= high && !(low >= 0xD800 && high <= 0xDFFF);
  };
  uint32_t value = lead & (0x7F >> length);
  if (length == 0 || !possible(value, 1)) return {1, false};
  size_t taken = 1;
  for (; taken < length && taken < available; ++taken) {
    const unsigned char trail = static_cast<unsigned char>(s[at + taken]);
    if ((trail & 0xC0) != 0x80 || !possible(value << 6 | (trail & 0x3F), taken + 1)) break;
    value = value << 6 | (trail & 0x3F);
  }
  return {taken, taken == length};
}

bool ModelValidUtf8(const std::string& s) {
  for (size_t at = 0; at < s.size();) {
    ModelCharacter c = ModelUtf8Step(s, at, s.size() - at);
    if (!c.valid) return false;
    at += c.length;
  }
  return true;
}

std::string ModelRepaired(const std::string& s) {
  std::string repaired;
  for (size_t at = 0; at < s.size();) {
    ModelCharacter c = ModelUtf8Step(s, at, s.size() - at);
    repaired += c.valid ? s.substr(at, c.length) : "\xEF\xBF\xBD";
    at += c.length;
  }
  return repaired;
}

std::string ModelUtf8(uint32_t code) {
  if (code < 0x80) return std::string(1, static_cast<char>(code));
  const size_t length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
  std::string bytes(length, 0);
  for (size_t i = length - 1; i > 0; --i, code >>= 6)
    bytes[i] = static_cast<char>(0x80 | (code & 0x3F));
  bytes[0] = static_cast<char>((0xFF00 >> length) | code);
  return bytes;
}

// ----- the text helpers

bool ModelBlank(uint32_t c) { return c <= 32; }

std::string ModelTrim(const std::string& s) {
  size_t first = 0, last = s.size();
  while (first < last && ModelBlank(s[first])) ++first;
  while (last > first && ModelBlank(s[last - 1])) --last;
  return s.substr(first, last - first);
}

std::string ModelQuote(const std::string& entry, bool double_trailing_backslashes) {
  std::string t = ModelTrim(entry);
  if (t.empty() || t.front() != '"') t = '"' + t;
  if (t.back() == '"') return t;
  const size_t last_other = t.find_last_not_of('\\');  // the opening quote at the latest
  if (double_trailing_backslashes) t += t.substr(last_other + 1);
  return t + '"';
}

std::string ModelEntryPath(const std::string& entry) {
  const std::string t = ModelTrim(entry);
  if (t.size() < 2 || t.front() != '"' || t.back() != '"') return t;
  return ModelTrim(t.substr(1, t.size() - 2));
}

std::string ModelEntryFile(const std::string& entry) {
  const std::string t = ModelEntryPath(entry);
  if (t.empty() || (t.front() != '"' && t.back() != '"')) return t;
  return ModelTrim(t.front() == '"' ? t.substr(1) : t.substr(0, t.size() - 1));
}

// Up to the last backslash or slash, which stays only as a root's (\, /, C:\).
std::string ModelFolderPart(const std::string& path) {
  const size_t last = path.find_last_of("\\/");
  if (last == std::string::npos) return "";
  const bool root = last == 0 || (last == 2 && path[1] == ':');
  return path.substr(0, root ? last + 1 : last);
}

// No folder for a URL (a letter, then letters, digits, +, - or ., then a colon), a shell
// namespace (::), or a UNC path without a backslash after its share.
std::string ModelOwnFolder(const std::string& file) {
  const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  const size_t scheme_end = file.find_first_not_of(std::string(kLetters) + "0123456789+-.");
  const bool url = file.find_first_of(kLetters) == 0 && scheme_end != std::string::npos &&
                   scheme_end > 1 && file[scheme_end] == ':';
  if (url || file.rfind("::", 0) == 0) return "";
  if (file.rfind("\\\\", 0) == 0) {
    size_t separators = 0;  // each run of backslashes after the server's name counts once
    for (size_t i = 2; i < file.size(); ++i) separators += file[i] == '\\' && file[i - 1] != '\\';
    if (separators < 2) return "";
  }
  return ModelFolderPart(file);
}

size_t ModelUtf16Length(const std::string& s) {
  size_t units = 0;
  for (size_t at = 0; at < s.size();) {
    const ModelCharacter c = ModelUtf8Step(s, at, s.size() - at);
    units += c.valid ? (c.length == 4 ? 2 : 1) : c.length;
    at += c.length;
  }
  return units;
}

std::string ModelDirectory(const std::string& path) {
  size_t last = path.find_last_of(":\\");
  return last == std::string::npos ? "" : path.substr(0, last + 1);
}

bool ModelFullPath(const std::string& path) {
  if (path.empty()) return false;
  const char lower = static_cast<char>(path[0] | 0x20);
  return path[0] == '\\' || (lower >= 'a' && lower <= 'z' && path.size() > 1 && path[1] == ':');
}

// ----- calls

std::string QuotedCall(const std::string& text) {
  return "\"" + text.substr(0, text.find('\0')) + "\"";
}

std::string PointerCall(uintptr_t p) {
  if (!p) return "null";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%#llx", static_cast<unsigned long long>(p));
  return buffer;
}

// fMask: SEE_MASK_NOCLOSEPROCESS (0x40) | SEE_MASK_NOASYNC (0x100).
std::string ShellCall(const std::string& file, const std::string* parameters,
                      const std::string& verb, const std::string& folder, int show, int mask) {
  // An empty verb or folder is null: the default.
  const auto text = [](const std::string& t) { return t.empty() ? "null" : QuotedCall(t); };
  return "ShellExecute(cbSize=" + std::to_string(sizeof(platform::ShellExecuteRecord)) +
         " fMask=" + std::to_string(mask) + " hwnd=null lpVerb=" + text(verb) +
         " lpFile=" + QuotedCall(file) +
         " lpParameters=" + (parameters ? QuotedCall(*parameters) : "null") +
         " lpDirectory=" + text(folder) + " nShow=" + std::to_string(show) +
         " hInstApp=null lpIDList=null lpClass=null hkeyClass=null dwHotKey=0 hIcon=null"
         " hProcess=null)";
}

const char kCreateList[] = "CreateFile(\"list.txt\")";
const char kReadList[] = "ReadFile(0xf11e, 128)";
const char kCloseList[] = "CloseHandle(0xf11e)";

std::string ExitCall(uint32_t code) { return "ExitProcess(" + std::to_string(code) + ")"; }
