// The whole program on any command line and list file: every call it makes, and how the
// process ends, must be what the rules give. Since the started texts are compared whole, no
// start can carry anything but the list's entries, the B- and E-texts and the program named or
// looked up. Input: the list script (fuzz_support.h), a count byte and that many outcome bytes
// (how the shell answers the n-th start and the n-th lookup, and whether the n-th line of a
// preview fails to be written), the raw command line, a zero byte, and the list file.
#include <algorithm>
#include <iterator>
#include <string>

#include "driver/run.h"
#include "driver/settings.h"
#include "fuzz_support.h"
#include "platform/fake.h"
#include "platform/platform.h"
#include "runtime/arguments.h"
#include "runtime/list_reader.h"

namespace {

// Shell answers, from bits 3-4 of an outcome byte. Past the outcomes the fake succeeds and
// hands out the handles 0x100, 0x104, ...
fake::ShellResult ShellAnswer(uint8_t outcome, size_t n) {
  switch ((outcome >> 3) & 3) {
    case 0: return {true, reinterpret_cast<void*>(uintptr_t(0x10000 + 16 * n)), 0};
    case 1: return {false, nullptr, 2};
    case 2: return {true, nullptr, 0};  // handed to a program that was already running
    default: return {false, nullptr, 1155};
  }
}

// Lookup answers, from bits 0-2 of an outcome byte; past the outcomes: no association.
fake::FindResult FindAnswer(uint8_t outcome, size_t n) {
  switch (outcome & 7) {
    case 0: return {31, ""};
    case 1: return {42, "C:\\Apps\\app" + std::to_string(n) + ".exe"};
    case 2: return {33, ""};                         // success that writes nothing
    case 3: return {32, "C:\\Junk\\not found.exe"};  // a failure that wrote anyway
    case 4: return {2, ""};
    case 5: return {~uintptr_t(0), "D:\\big code.exe"};
    case 6: return {0, "x"};
    default: return {42, std::string(800, 'p')};  // fills the room with no zero
  }
}

// The first preview line that cannot be written: the first outcome byte with bit 5 set.
int FailingOutput(const std::string& outcomes) {
  for (size_t n = 0; n < outcomes.size(); ++n)
    if (outcomes[n] & 0x20) return static_cast<int>(n);
  return -1;
}
const uint32_t kOutputError = 232;

const char kPrepareShell[] = "CoInitializeEx(null, 6)";  // apartment-threaded, no OLE1 DDE
// MAX_PATH UTF-16 units as UTF-8, and a zero: the room for the program a lookup names.
const size_t kPathRoom = 3 * 260 + 1;

// What /C: names, in any letter case: the empty value leaves it to the list. A number names the
// Unicode forms by their code pages, or a code page the system knows that keeps codes 0 to 32 as
// they are (line ends, Blanks and Ctrl-Z are found before converting).
bool EncodingNamed(const std::string& value, ListEncoding* encoding) {
  const bool number = !value.empty() && value.size() <= 9 &&
                      value.find_first_not_of("0123456789") == std::string::npos;
  std::string key = number ? std::to_string(std::stoul(value)) : value;
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  const struct {
    const char* name;
    ListEncoding encoding;
  } kNames[] = {{"", {ListCoding::kDetect, 0}},
                {"ANSI", {ListCoding::kCodePage, platform::kCodePageAnsi}},
                {"OEM", {ListCoding::kCodePage, platform::kCodePageOem}},
                {"UTF-8", {ListCoding::kUtf8, 0}},
                {"UTF8", {ListCoding::kUtf8, 0}},
                {"65001", {ListCoding::kUtf8, 0}},
                {"UTF-16LE", {ListCoding::kUtf16Le, 0}},
                {"UTF16LE", {ListCoding::kUtf16Le, 0}},
                {"1200", {ListCoding::kUtf16Le, 0}},
                {"UTF-16BE", {ListCoding::kUtf16Be, 0}},
                {"UTF16BE", {ListCoding::kUtf16Be, 0}},
                {"1201", {ListCoding::kUtf16Be, 0}}};
  for (const auto& name : kNames) {
    if (key != name.name) continue;
    *encoding = name.encoding;
    return true;
  }
  if (!number) return false;
  const uint32_t page = static_cast<uint32_t>(std::stoul(key));
  // Escape bytes switch what the bytes after them mean: ISO-2022 and HZ.
  for (uint32_t stateful : {50220, 50221, 50222, 50225, 50227, 50229, 52936})
    if (page == stateful) return false;
  if (std::count(std::begin(fake::kCodePages), std::end(fake::kCodePages), page) == 0) return false;
  for (uint32_t c = 0; c <= 32; ++c)
    if (fake::FakeCodePageCharacter(page, static_cast<unsigned char>(c)) != c) return false;
  *encoding = {ListCoding::kCodePage, page};
  return true;
}

// The program, by the rules: the calls it makes and the code it ends with.
class Model {
 public:
  Model(const std::string& line, const ListScript& list, const std::string& outcomes)
      : list_(list), outcomes_(outcomes) {
    ModelArguments split = ModelSplit(line);
    arguments_ = split.arguments;
    if (split.unsure) {  // the splitter has its own target; take its word here
      arguments_.clear();
      for (int i = 1; i <= ArgumentCount(); ++i) arguments_.push_back(S(ArgumentText(i)));
    }
    Body();
  }
  std::vector<std::string> calls;
  uint32_t code = 0;

 private:
  // An option whose value is checked before the run.
  struct Given {
    unsigned char letter;
    bool given;
    std::string value;
  };
  enum Wait { kNoWait, kInputIdle, kEnd };

  // The character at `at` of an argument: its bytes, 0 past the end.
  static size_t CharacterAt(const std::string& a, size_t at) {
    return at < a.size() ? ModelUtf8Step(a, at, a.size() - at).length : 0;
  }

  // "-" always starts an option; "/" too, but where it starts a Linux path: there only "/" and
  // one character, or a third character of ":" or "=".
  bool IsOption(const std::string& a) const {
    if (a[0] == '-' || (a[0] == '/' && !list_.linux_port)) return true;
    if (a[0] != '/' || a.size() == 1) return false;
    const size_t third = 1 + CharacterAt(a, 1);
    return third == a.size() || a[third] == ':' || a[third] == '=';
  }

  void Body() {
    for (const std::string& argument : arguments_) {
      std::string a = ModelTrim(argument);
      if (a.empty()) continue;  // quoted blanks: neither an option nor a plain argument
      if (IsOption(a)) {
        unsigned char letter = a.size() > 1 ? static_cast<unsigned char>(a[1]) : 0;
        if (letter >= 'a' && letter <= 'z') letter -= 32;
        // The letter's character and the one after it, whatever they are, come before the value.
        const size_t third = 1 + CharacterAt(a, 1);
        const std::string value = a.substr(std::min(a.size(), third + CharacterAt(a, third)));
        if (letter == 'B') b_ = value;
        if (letter == 'C') c_ = value;
        if (letter == 'E') e_ = value;
        if (letter == 'L') l_ = value;
        if (letter == 'X') x_ = value;
        if (letter == 'W') wait_ = kNoWait;
        if (letter == 'F') wait_ = kEnd;
        if (letter == 'N') preview_ = true;
        if (letter == 'Q') quiet_ = true;
        for (Given* given : {&o_, &t_, &v_, &s_, &d_, &p_})
          if (letter == given->letter) *given = {letter, true, value};
        continue;
      }
      if (arguments_.size() == 1) {
        calls.push_back(kPrepareShell);
        Start("", a, true);
      } else {
        Usage();
      }
      return End(0);
    }
    if (l_.empty()) {
      Usage();
      return End(0);
    }
    ListRun();
  }

  void ListRun() {
    const bool no_exe = x_.empty();
    const bool lookup = no_exe && (!b_.empty() || !e_.empty());
    std::string exe = x_;
    ListEncoding encoding;
    if (!EncodingNamed(c_, &encoding)) {
      Usage();
      calls.push_back(
          "Diagnostic(" +
          QuotedCall("corvane: /C:" + c_ + " names no list encoding that this system can read") +
          ")");
      return End(87);
    }
    const std::string seconds = "is no number of seconds from 0 to 1000000 with at most three decimals";
    uint32_t bound = 4294967295u, pause = 0;
    int show = 10;
    if (t_.given && !Milliseconds(t_.value, &bound)) return Refuse(t_, seconds);
    if (s_.given && !ShowState(s_.value, &show))
      return Refuse(s_, "is no window state: normal, min, max, hidden or 0 to 11");
    if (v_.given && list_.linux_port && !v_.value.empty() && Upper(v_.value) != "OPEN")
      return Refuse(v_, "names no verb that this system can carry out");
    if (o_.given && o_.value.empty()) return Refuse(o_, "names no file");
    if (p_.given && !Milliseconds(p_.value, &pause)) return Refuse(p_, seconds);
    const bool logging = o_.given && !preview_;
    const bool verb_and_folder = v_.given || d_.given;
    bool failed = false;
    calls.push_back("CreateFile(" + QuotedCall(l_) + ")");
    if (list_.open_fails) return ListFailure(list_.open_error);
    if (logging) calls.push_back("CreateFile(" + QuotedCall(o_.value) + ", append)");
    calls.push_back(kPrepareShell);
    if (wait_ == kEnd) calls.push_back("KeepExitCodes()");
    ModelListFile file = ModelReader(list_.reads, encoding);
    size_t reads = 0;
    for (const ModelEntry& entry : file.entries) {
      calls.insert(calls.end(), entry.reads - reads, kReadList);
      reads = entry.reads;
      if (lookup) {
        // The file the quoted entry names; a relative one is looked up in the current folder.
        const std::string path = ModelEntryPath(entry.text);
        const std::string folder = ModelFullPath(path) ? ModelDirectory(path) : "";
        calls.push_back("FindExecutable(" + QuotedCall(path) + ", " + QuotedCall(folder) +
                        ", cleared)");
        fake::FindResult found = FindAnswer(Outcome(lookups_), lookups_);
        ++lookups_;
        exe = found.code > 32 ? found.program.substr(0, kPathRoom - 1) : "";
        exe = exe.substr(0, exe.find('\0'));
      }
      // A started program, unless on Linux, reads backslashes before a quote as escaping it.
      const bool direct = no_exe && exe.empty();
      const std::string quoted = ModelQuote(entry.text, !direct && !list_.linux_port);
      std::string command = ModelTrim(b_ + " " + quoted + " " + e_);
      const std::string folder = d_.given && d_.value.empty() ? EntryFolder(entry.text) : d_.value;
      std::string request = direct ? "open\t" + command : "program\t" + exe + "\t" + command;
      if (verb_and_folder) request += "\t" + v_.value + "\t" + folder;
      if (preview_) {
        if (!Show(request)) return End(kOutputError);
        continue;
      }
      if (starts_ > 0 && pause > 0) calls.push_back("Sleep(" + std::to_string(pause) + ")");
      const std::string outcome =
          Start(exe, command, direct, v_.value, folder, show, bound, &failed);
      if (logging)
        calls.push_back("AppendLine(0x106, " +
                        QuotedCall(std::to_string(entry.line) +
                                   "\t2026-12-09T07:45:02.120+01:00\t" + outcome + "\t" +
                                   request) +
                        ")");
    }
    calls.insert(calls.end(), file.reads - reads, kReadList);
    if (file.failure) return ListFailure(file.failure);
    calls.push_back(kCloseList);
    if (list_.close_fails) return ListFailure(list_.close_error);
    if (logging) calls.push_back("CloseHandle(0x106)");
    if (preview_) calls.push_back("FinishOutput(\"" CORVANE_CAPTION "\", null)");
    End(quiet_ && failed ? 1 : 0);
  }

  // Digits, then at most three decimals after a point; 0 to 1000000 seconds.
  static bool Milliseconds(const std::string& text, uint32_t* milliseconds) {
    const size_t point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string part = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() || whole.find_first_not_of("0123456789") != std::string::npos) return false;
    if (point != std::string::npos &&
        (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos))
      return false;
    const std::string significant = whole.substr(std::min(whole.find_first_not_of('0'), whole.size()));
    if (significant.size() > 7) return false;
    const unsigned long long total =
        (significant.empty() ? 0 : std::stoull(significant)) * 1000 +
        (part.empty() ? 0 : std::stoull((part + "00").substr(0, 3)));
    if (total > 1000000000ull) return false;
    *milliseconds = static_cast<uint32_t>(total);
    return true;
  }

  static std::string Upper(std::string text) {
    for (char& c : text)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return text;
  }

  static bool ShowState(const std::string& text, int* show) {
    const std::pair<const char*, int> kNames[] = {{"NORMAL", 1}, {"MIN", 7}, {"MAX", 3}, {"HIDDEN", 0}};
    for (const auto& name : kNames)
      if (Upper(text) == name.first) return *show = name.second, true;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::string significant = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    if (significant.size() > 2 || (!significant.empty() && std::stoi(significant) > 11)) return false;
    *show = significant.empty() ? 0 : std::stoi(significant);
    return true;
  }

  // The entry's own folder: the file it names up to its last separator (kept for a root), made
  // full from the fake's current folder when relative.
  static std::string EntryFolder(const std::string& entry) {
    const std::string path = ModelEntryPath(entry);
    const size_t last = path.find_last_of("\\/");
    if (last == std::string::npos) return "";
    const bool root = last == 0 || (last == 2 && path[1] == ':');
    const std::string folder = path.substr(0, root ? last + 1 : last);
    const char first = folder[0];
    const bool rooted = first == '\\' || first == '/' ||
                        (((first | 32) >= 'a' && (first | 32) <= 'z') && folder.size() > 1 &&
                         folder[1] == ':');
    return rooted ? folder : "C:\\work\\" + folder;
  }

  void Refuse(const Given& option, const std::string& why) {
    Usage();
    calls.push_back("Diagnostic(" +
                    QuotedCall(std::string("corvane: /") + static_cast<char>(option.letter) + ":" +
                               option.value + " " + why) +
                    ")");
    End(87);
  }

  // One line of a preview; false when its write fails.
  bool Show(const std::string& request) {
    calls.push_back("Output(" + QuotedCall(request) + ")");
    return outputs_++ != FailingOutput(outcomes_);
  }

  // The start and its wait; gives the log's fields of how it went. The fake's waits all end in
  // time, with exit code 0; its message for a code is "Error\t<code>.\r\nSecond line.\r\n".
  std::string Start(const std::string& program, const std::string& command, bool direct,
                    const std::string& verb = "", const std::string& folder = "", int show = 10,
                    uint32_t bound = 4294967295u, bool* failed = nullptr) {
    const int mask = quiet_ ? 1344 : 320;
    calls.push_back(direct ? ShellCall(command, nullptr, verb, folder, show, mask)
                           : ShellCall(program, &command, verb, folder, show, mask));
    fake::ShellResult answer{true, reinterpret_cast<void*>(default_handle_), 0};
    if (starts_ < outcomes_.size())
      answer = ShellAnswer(Outcome(starts_), starts_);
    else
      default_handle_ += 4;
    ++starts_;
    if (!answer.ok) {
      if (failed) *failed = true;
      const std::string code = std::to_string(answer.error);
      return "failed\t" + code + "\t-\tError " + code + ". Second line.";
    }
    if (!answer.process) return "started\t0\t-\t";
    const uintptr_t process = reinterpret_cast<uintptr_t>(answer.process);
    std::string handle = PointerCall(process), bounded = ", " + std::to_string(bound) + ")";
    if (wait_ == kInputIdle) calls.push_back("WaitForInputIdle(" + handle + bounded);
    if (wait_ == kEnd) calls.push_back("WaitForSingleObject(" + handle + bounded);
    calls.push_back("CloseHandle(" + handle + ")");
    return std::string(wait_ == kEnd ? "exited" : "started") + "\t0\t" +
           std::to_string(static_cast<uint32_t>(process)) + "\t";
  }

  // A preview's box ends with the code it stops for.
  void ListFailure(uint32_t exit_code) {
    if (preview_)
      calls.push_back("FinishOutput(\"" CORVANE_CAPTION "\", " +
                      QuotedCall("The list could not be read: error " + std::to_string(exit_code)) +
                      ")");
    End(exit_code);
  }

  void Usage() {
    calls.push_back("MessageBox(\"" CORVANE_USAGE "\", \"" CORVANE_CAPTION "\", 64)");
  }

  void End(uint32_t exit_code) {
    code = exit_code;
    calls.push_back(ExitCall(exit_code));
  }

  uint8_t Outcome(size_t n) const { return n < outcomes_.size() ? outcomes_[n] : 0; }

  const ListScript& list_;
  const std::string& outcomes_;
  std::vector<std::string> arguments_;
  std::string b_, c_, e_, l_, x_;
  Given o_{'O', false, ""}, t_{'T', false, ""}, v_{'V', false, ""}, s_{'S', false, ""},
      d_{'D', false, ""}, p_{'P', false, ""};
  Wait wait_ = kInputIdle;
  bool preview_ = false;
  bool quiet_ = false;
  int outputs_ = 0;
  size_t starts_ = 0;
  size_t lookups_ = 0;
  uintptr_t default_handle_ = 0x100;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  InputCursor input(data, size);
  ListScript list = TakeListScript(input);
  std::string outcomes = input.Bytes(input.Byte());
  std::string line = input.UpToZero();
  SetContent(list, input.Rest());

  fake::State& fake = fake::Reset();
  ApplyListScript(list, fake);
  fake.raw_command_line = line;
  fake.slash_options_need_separator = list.linux_port;
  fake.backslashes_escape_quotes = !list.linux_port;
  fake.only_open_verb = list.linux_port;
  fake.output_writes_left = FailingOutput(outcomes);
  fake.output_error = kOutputError;
  for (size_t n = 0; n < outcomes.size(); ++n) {
    fake.shell.push_back(ShellAnswer(outcomes[n], n));
    fake.find.push_back(FindAnswer(outcomes[n], n));
  }
  ResetSettings();
  PendingIoError = 0;

  Model model(line, list, outcomes);
  // Through a plain pointer: the compiler may assume that a [[noreturn]] call never returns.
  void (*volatile run)() = Run;
  uint32_t code = 0;
  try {
    run();
    FuzzFail(__FILE__, __LINE__, "Run() ended the process", "it returned");
  } catch (const fake::ProcessEnded& ended) {
    code = ended.code;
  }
  FUZZ_CHECK(code == model.code,
             std::to_string(code) + " instead of " + std::to_string(model.code));
  CheckCalls(model.calls, fake::Calls());
  return 0;
}
