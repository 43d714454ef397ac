// The whole program on any command line and list file: every call it makes, and how the
// process ends, must be what the rules give. Since the started texts are compared whole, no
// start can carry anything but the list's entries, the B- and E-texts and the program named or
// looked up. Input: the list script (fuzz_support.h; here flags bits 4-6 script the run log's
// edges), a count byte and that many outcome bytes (how the shell answers the n-th start and the
// n-th lookup, and whether the n-th line of a preview fails to be written), the raw command line,
// a zero byte, and the list file. Every run meets the same scene: a few variables for /I,
// processes for /A, and documents that start as programs.
#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string>

#include "driver/run.h"
#include "driver/settings.h"
#include "fuzz_support.h"
#include "platform/fake.h"
#include "platform/platform.h"
#include "runtime/arguments.h"
#include "runtime/list_reader.h"

namespace {

// Shell answers, from bits 3-4 of an outcome byte, and bits 6-7 for the failures that leave
// only an old code in hInstApp or that no retry mends. Past the outcomes the fake succeeds and
// hands out the handles 0x100, 0x104, ...
fake::ShellResult ShellAnswer(uint8_t outcome, size_t n) {
  const fake::ShellResult kFailures[] = {
      {false, nullptr, 0, 26}, {false, nullptr, 0, 27}, {false, nullptr, 0, 28},
      {false, nullptr, 0, 29}, {false, nullptr, 0, 30}, {false, nullptr, 0, 31},
      {false, nullptr, 0, 32}, {false, nullptr, 0, 5},  {false, nullptr, 1223},
      {false, nullptr, 193},   {false, nullptr, 3, 31}, {false, nullptr, 0, 33}};
  const int answer = (outcome >> 3 & 3) | (outcome >> 4 & 12);
  switch (answer) {
    case 0: return {true, reinterpret_cast<void*>(uintptr_t(0x10000 + 16 * n)), 0};
    case 1: return {false, nullptr, 2};
    case 2: return {true, nullptr, 0};  // handed to a program that was already running
    case 3: return {false, nullptr, 1155};
    default: return kFailures[answer - 4];
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

// The scene. Variables for /I: an empty one, blanks, a comment mark, one that names another
// (not expanded again), characters of two UTF-16 units, one that grows a text by just the 64
// bytes of the first room (SEMI by one more), and one just short of the 32767 an entry may grow to.
const std::map<std::string, std::string>& Environment() {
  static const std::map<std::string, std::string> kVariables = {
      {"DOCS", "C:\\Users\\me"},      {"E", ""},          {"SP", " \t"},
      {"SEMI", "; x.txt"},            {"PCT", "%DOCS%"}, {"WIDE", "\xF0\x9F\x98\x80\xC3\xA9"},
      {"MID", std::string(69, 'm')}, {"BIG", std::string(32760, 'x')}};
  return kVariables;
}
// The fake stops expanding past 1 MiB.
const size_t kExpansionBound = 1 << 20;

// Processes for /A: another user's, one whose name differs from its image's in letter case, a
// Linux one, and one whose image needs more than the first room.
const std::vector<fake::Process>& Processes() {
  static const std::vector<fake::Process> kProcesses = {
      {101, 1, "tool.exe", "C:\\work\\tool.exe"},
      {102, 2, "tool.exe", "C:\\Other\\tool.exe"},
      {103, 1, "NOTEPAD.EXE", "C:\\Windows\\notepad.exe"},
      {104, 1, "tool", "/usr/bin/tool"},
      {105, 1, "deep.exe", "C:\\" + std::string(800, 'd') + "\\deep.exe"}};
  return kProcesses;
}
const char kMissingFile[] = "C:\\gone\\tool.exe";  // ImagePath finds nothing there
const uint32_t kOwnSession = 1;
// Refusals that no wait mends, to the fake as to Windows: declined elevation, no program for
// the type, no program at all.
const uint32_t kFinalCodes[] = {1223, 1155, 193};

// Documents the Linux shell would not run, so corvane starts them itself.
const std::set<std::string> kProgramFiles = {"tool", "bin/tool", "C:\\work\\bin/tool",
                                             "/usr/bin/tool"};

// The run log's edges, from bits 4-6 of the list script's flags.
struct LogScript {
  bool is_list, torn, open_fails;
};
LogScript LogScriptOf(uint8_t flags) { return {(flags & 16) != 0, (flags & 32) != 0, (flags & 64) != 0}; }
const uint32_t kLogOpenError = 3;

// The program, by the rules: the calls it makes and the code it ends with.
class Model {
 public:
  Model(const std::string& line, const ListScript& list, const std::string& outcomes)
      : list_(list), log_(LogScriptOf(list.flags)), outcomes_(outcomes) {
    ModelArguments split = ModelSplit(line);
    arguments_ = split.arguments;
    if (split.unsure) {  // the splitter has its own target; take its word here
      arguments_.clear();
      for (int i = 1; i <= ArgumentCount(); ++i) arguments_.push_back(S(ArgumentText(i)));
    }
    try {
      Body();
      End(0);
    } catch (const Ended&) {
    }
  }
  std::vector<std::string> calls;
  uint32_t code = 0;

 private:
  struct Ended {};
  // An option whose value is checked before the run; bare: nothing after its letter.
  struct Given {
    unsigned char letter;
    bool given;
    std::string value;
    bool bare;
  };
  enum Wait { kNoWait, kInputIdle, kEnd };
  // What the shell is asked for one entry; file is the file it names, for /A.
  struct Request {
    std::string program, command;
    bool direct;
    std::string folder, file;
  };
  struct Outcome {
    const char* result;
    uint32_t code;
    uint32_t process;  // 0: none
  };

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

  static unsigned char LetterOf(const std::string& option) {
    const unsigned char letter = option.size() > 1 ? static_cast<unsigned char>(option[1]) : 0;
    return letter >= 'a' && letter <= 'z' ? letter - 32 : letter;
  }

  void Body() {
    // /Q counts wherever it stands, also after a plain argument.
    for (const std::string& argument : arguments_) {
      const std::string a = ModelTrim(argument);
      quiet_ = quiet_ || (!a.empty() && IsOption(a) && LetterOf(a) == 'Q');
    }
    for (const std::string& argument : arguments_) {
      std::string a = ModelTrim(argument);
      if (a.empty()) continue;  // quoted blanks: neither an option nor a plain argument
      if (IsOption(a)) {
        const unsigned char letter = LetterOf(a);
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
        if (letter == 'I') expand_ = true;
        if (letter == 'K') comments_ = true;
        if (letter == 'A') skip_running_ = true;
        for (Given* given : {&o_, &t_, &v_, &s_, &d_, &p_, &r_})
          if (letter == given->letter) *given = {letter, true, value, third >= a.size()};
        continue;
      }
      if (arguments_.size() > 1) Usage();
      calls.push_back(kPrepareShell);
      Start({"", a, true, "", ""}, false);
      return;
    }
    if (expand_) {
      const std::pair<char, std::string*> kValues[] = {{'X', &x_},       {'B', &b_}, {'E', &e_},
                                                       {'D', &d_.value}, {'L', &l_}, {'O', &o_.value}};
      for (const auto& value : kValues) {
        std::string expanded;
        if (!Expanded(*value.second, &expanded))
          Refuse(std::string("/") + value.first + ":" + *value.second, "grows past 32767 characters");
        *value.second = expanded;
      }
    }
    if (l_.empty()) Usage();
    ListRun();
  }

  void ListRun() {
    no_exe_ = x_.empty();
    lookup_ = no_exe_ && (!b_.empty() || !e_.empty());
    ListEncoding encoding;
    if (!EncodingNamed(c_, &encoding))
      Refuse("/C:" + c_, "names no list encoding that this system can read");
    const std::string seconds = "is no number of seconds from 0 to 1000000 with at most three decimals";
    if (t_.given && !Milliseconds(t_.value, &bound_)) Refuse(t_, seconds);
    if (s_.given && !ShowState(s_.value, &show_))
      Refuse(s_, "is no window state: normal, min, max, hidden or 0 to 11");
    if (v_.given && list_.linux_port && !v_.value.empty() && Upper(v_.value) != "OPEN")
      Refuse(v_, "names no verb that this system can carry out");
    if (o_.given && o_.value.empty()) Refuse(o_, "names no file");
    std::string first, second;
    if (p_.given && !(OneOrTwo(p_.value, &first, &second) && Milliseconds(first, &pause_) &&
                      (!Comma(p_.value) || Milliseconds(second, &first_pause_))))
      Refuse(p_, seconds + ", nor two such numbers with a comma between");
    if (d_.given && !d_.bare && d_.value.empty()) Refuse(d_, "names no folder");
    if (r_.given && !(OneOrTwo(r_.value, &first, &second) && Count(first, &retries_) &&
                      (!Comma(r_.value) || Milliseconds(second, &retry_pause_, 3600))))
      Refuse(r_, "is no count of tries from 0 to 100, with the seconds between them from 0 to "
                 "3600 after a comma");
    if (skip_running_ && !(x_.empty() && b_.empty() && e_.empty()))
      Refuse("/A", "cannot go with /X, /B or /E, whose entries are a program's arguments");
    logging_ = o_.given && !preview_;
    calls.push_back("CreateFile(" + QuotedCall(l_) + ")");
    if (list_.open_fails) ListFailure(list_.open_error);
    if (logging_) {
      calls.push_back("IsSameFile(0xf11e, " + QuotedCall(o_.value) + ")");
      if (log_.is_list) Refuse(o_, "is the list file");
      calls.push_back("CreateFile(" + QuotedCall(o_.value) + ", append)");
      if (log_.open_fails) End(kLogOpenError);
      calls.push_back("EndsWithLineEnd(" + QuotedCall(o_.value) + ")");
      if (log_.torn) calls.push_back("AppendLine(0x106, \"\")");  // ends the torn line
    }
    calls.push_back(kPrepareShell);
    if (wait_ == kEnd) calls.push_back("KeepExitCodes()");
    ModelListFile file = ModelReader(list_.reads, encoding);
    size_t reads = 0;
    bool first_entry = true;
    for (const ModelEntry& entry : file.entries) {
      calls.insert(calls.end(), entry.reads - reads, kReadList);
      reads = entry.reads;
      // A comment is told by the line as written, and is no entry for the first pause.
      if (comments_ && (entry.text[0] == ';' || entry.text[0] == '#')) continue;
      if (first_entry && !preview_ && first_pause_ > 0)
        calls.push_back("Sleep(" + std::to_string(first_pause_) + ")");
      first_entry = false;
      std::string text = entry.text;
      if (expand_ && !Expanded(entry.text, &text)) {
        TooLong(entry.line, entry.text);
      } else if (!ModelTrim(text).empty()) {
        StartEntry(entry.line, text);
      }
    }
    calls.insert(calls.end(), file.reads - reads, kReadList);
    if (file.failure) ListFailure(file.failure);
    calls.push_back(kCloseList);
    if (list_.close_fails) ListFailure(list_.close_error);
    if (logging_) calls.push_back("CloseHandle(0x106)");
    if (preview_) calls.push_back("FinishOutput(\"" CORVANE_CAPTION "\", null)");
    if (quiet_ && failed_) End(1);
  }

  // One entry: told under /N; not started when its program runs (/A); else started, once more
  // while the shell refuses it and /R has tries left. Each try but the last shows no box.
  void StartEntry(unsigned long long line, const std::string& entry) {
    Request request = RequestFor(entry);
    if (preview_) return Show(Fields(request));
    if (skip_running_) {
      const uint32_t running = RunningProcess(request.file, request.folder);
      if (running) return Log(line, {"running", 0, running}, request);
    }
    if (any_started_ && pause_ > 0) calls.push_back("Sleep(" + std::to_string(pause_) + ")");
    any_started_ = true;
    bool box_try = false;  // the one try left, for the shell's box
    for (uint32_t tried = 0;; ++tried) {
      const bool last = tried == retries_ || box_try;
      const Outcome outcome = Start(request, quiet_ || !last);
      if (std::string(outcome.result) != "failed") walked_ = false;  // what runs may have changed
      const bool refused = std::string(outcome.result) == "failed";
      const bool final = refused && std::count(std::begin(kFinalCodes), std::end(kFinalCodes), outcome.code);
      // A declined elevation prompt is not asked again for the box.
      if (!refused || last || (final && (quiet_ || outcome.code == 1223))) {
        failed_ = failed_ || refused;
        return Log(line, outcome, request);
      }
      Log(line, {"retry", outcome.code, 0}, request);
      if (final)
        box_try = true;
      else if (retry_pause_ > 0)
        calls.push_back("Sleep(" + std::to_string(retry_pause_) + ")");
      request = RequestFor(entry);  // looked up afresh: a drive may be back
    }
  }

  Request RequestFor(std::string entry) {
    Request request{x_, "", false, d_.value, ModelEntryFile(entry)};
    if (d_.bare) {
      // The entry's own folder; a relative entry goes to it made full from the fake's current
      // folder, since the program would look for it from there again.
      const std::string own = ModelOwnFolder(request.file);
      const bool rooted = ModelFullPath(own) || own[0] == '/';
      if (!own.empty() && !rooted) entry = request.file = "C:\\work\\" + request.file;
      request.folder = ModelOwnFolder(request.file);
    }
    if (lookup_) {
      // The file the quoted entry names; a relative one is looked up where it starts.
      const std::string path = ModelEntryPath(entry);
      const std::string folder = ModelFullPath(path) ? ModelDirectory(path) : request.folder;
      calls.push_back("FindExecutable(" + QuotedCall(path) + ", " + QuotedCall(folder) +
                      ", cleared)");
      fake::FindResult found = FindAnswer(OutcomeByte(lookups_), lookups_);
      ++lookups_;
      request.program = found.code > 32 ? found.program.substr(0, kPathRoom - 1) : "";
      request.program = request.program.substr(0, request.program.find('\0'));
    }
    request.direct = no_exe_ && request.program.empty();
    if (request.direct && !lookup_ && kProgramFiles.count(request.file)) {
      // Started as it is, with no parameters; a bare name from the current folder.
      request.direct = false;
      request.program =
          request.file.find('/') == std::string::npos ? "./" + request.file : request.file;
      return request;
    }
    // A started program, unless on Linux, reads backslashes before a quote as escaping it.
    const std::string quoted = ModelQuote(entry, !request.direct && !list_.linux_port);
    request.command = ModelTrim(b_ + " " + quoted + " " + e_);
    return request;
  }

  // An entry that /I grows too long: nothing is started, and what is told is the entry as written.
  void TooLong(unsigned long long line, const std::string& entry) {
    Request request{no_exe_ ? "" : x_, "", no_exe_, d_.value, ""};
    request.command =
        ModelTrim(b_ + " " + ModelQuote(entry, !request.direct && !list_.linux_port) + " " + e_);
    if (preview_) return Show(Fields(request));
    if (!quiet_) calls.push_back("Diagnostic(\"corvane: an entry grows past 32767 characters with /I\")");
    failed_ = true;
    Log(line, {"failed", 206, 0}, request);
  }

  // The process /A finds already running in our own session: by name for a file without a
  // folder, else by its full image path; 0 for none.
  uint32_t RunningProcess(const std::string& file, const std::string& folder) {
    const bool by_name = ModelFolderPart(file).empty();
    std::string image = file;
    if (!by_name) {
      // Joined to the start folder with a slash; the fake makes the rest full from its current
      // folder.
      const bool rooted = ModelFullPath(file) || file[0] == '/';
      const std::string path = folder.empty() || rooted ? file : folder + "/" + file;
      const bool full = path[0] == '\\' || (path.size() > 1 && path[1] == ':');
      image = full ? path : "C:\\work\\" + path;
      if (image == kMissingFile) image.clear();
      Asked("ImagePath(" + QuotedCall(path) + ")", image.size());
    }
    if (image.empty()) return 0;
    const std::string name = image.substr(image.find_last_of("\\/") + 1);
    // One walk serves the entries up to the next start.
    if (!walked_) calls.push_back("Processes()");
    walked_ = true;
    for (const fake::Process& process : Processes()) {
      if (process.session != kOwnSession || !SameName(process.name, name)) continue;
      if (!by_name) Asked("ProcessImage(" + std::to_string(process.id) + ")", process.image.size());
      if (by_name || SameName(process.image, image)) return process.id;
    }
    return 0;
  }

  // A path the platform writes into the room of a MAX_PATH: asked again when it needs more.
  void Asked(const std::string& call, size_t needed) {
    calls.push_back(call);
    if (needed > kPathRoom) calls.push_back(call);
  }

  bool SameName(const std::string& a, const std::string& b) const {
    return list_.linux_port ? a == b : Upper(a) == Upper(b);
  }

  // What /I makes of a text: only one that holds a % goes to the system, and again when the
  // first room (its length and 64) was too small. False past 32767 UTF-16 units.
  bool Expanded(const std::string& text, std::string* expanded) {
    *expanded = text;
    if (text.find('%') == std::string::npos) return true;
    const std::string call = "ExpandEnvironmentStrings(" + QuotedCall(text) + ")";
    calls.push_back(call);
    const bool whole = ExpandNames(text, expanded);
    if (!whole || expanded->size() > text.size() + 64) calls.push_back(call);
    // A UTF-16 unit takes at most three bytes: a longer text is too long uncounted.
    return whole && expanded->size() <= 3 * 32767 && ModelUtf16Length(*expanded) <= 32767;
  }

  // %NAME% as the system reads it: a name that is set (in any letter case, but on Linux) becomes
  // its value; an unset one, %% and a lone % stay, and an unset name's closing % may open the
  // next name. False once the text grows past the fake's bound.
  bool ExpandNames(const std::string& text, std::string* expanded) const {
    expanded->clear();
    size_t at = 0;
    while (at < text.size() && expanded->size() <= kExpansionBound) {
      const size_t percent = std::min(text.find('%', at), text.size());
      expanded->append(text, at, percent - at);
      if (percent == text.size()) break;
      const size_t closing = text.find('%', percent + 1);
      const std::string* value =
          closing == std::string::npos ? nullptr : Variable(text.substr(percent + 1, closing - percent - 1));
      *expanded += value ? *value : "%";
      at = value ? closing + 1 : percent + 1;
    }
    return expanded->size() <= kExpansionBound;
  }

  const std::string* Variable(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (const auto& variable : Environment())
      if (list_.linux_port ? variable.first == name : Upper(variable.first) == Upper(name))
        return &variable.second;
    return nullptr;
  }

  // Digits, then at most three decimals after a point; 0 to most seconds.
  static bool Milliseconds(const std::string& text, uint32_t* milliseconds, uint32_t most = 1000000) {
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
    if (total > 1000ull * most) return false;
    *milliseconds = static_cast<uint32_t>(total);
    return true;
  }

  // Tries for /R: digits only, 0 to 100.
  static bool Count(const std::string& text, uint32_t* count) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::string significant = text.substr(std::min(text.find_first_not_of('0'), text.size()));
    if (significant.size() > 3 || (!significant.empty() && std::stoul(significant) > 100)) return false;
    *count = significant.empty() ? 0 : static_cast<uint32_t>(std::stoul(significant));
    return true;
  }

  // A value of one part, or two with a comma between; false for a second comma.
  static bool OneOrTwo(const std::string& value, std::string* first, std::string* second) {
    const size_t comma = value.find(',');
    *first = value.substr(0, comma);
    *second = comma == std::string::npos ? "" : value.substr(comma + 1);
    return second->find(',') == std::string::npos;
  }

  static bool Comma(const std::string& value) { return value.find(',') != std::string::npos; }

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

  void Refuse(const Given& option, const std::string& why) {
    Refuse(std::string("/") + static_cast<char>(option.letter) + ":" + option.value, why);
  }

  // A value that cannot be used: the usage box but under /Q, the line that says why, and 87.
  void Refuse(const std::string& option, const std::string& why) {
    if (!quiet_) calls.push_back(kUsageBox);
    calls.push_back("Diagnostic(" + QuotedCall("corvane: " + option + " " + why) + ")");
    End(87);
  }

  // A request as preview and log lines tell it: each field as the shell would read it (to its
  // first zero), on one line (control characters as blanks), in UTF-8 (U+FFFD for what is not).
  std::string Fields(const Request& request) const {
    const auto field = [](const std::string& text) {
      std::string shown = ModelRepaired(text.substr(0, text.find('\0')));
      for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
      return shown;
    };
    std::string fields = request.direct ? "open\t" + field(request.command)
                                        : "program\t" + field(request.program) + "\t" + field(request.command);
    if (v_.given || d_.given) fields += "\t" + field(v_.value) + "\t" + field(request.folder);
    return fields;
  }

  // One line of a preview; its failed write ends the process.
  void Show(const std::string& fields) {
    calls.push_back("Output(\"" + fields + "\")");
    if (outputs_++ == FailingOutput(outcomes_)) End(kOutputError);
  }

  // The log's line for an entry; a failed start's code comes with the fake's message for it,
  // "Error\t<code>.\r\nSecond line.\r\n", on one line.
  void Log(unsigned long long line, const Outcome& outcome, const Request& request) {
    if (!logging_) return;
    const bool failed = std::string(outcome.result) == "failed" || std::string(outcome.result) == "retry";
    const std::string code = std::to_string(outcome.code);
    calls.push_back("AppendLine(0x106, \"" + std::to_string(line) + "\t2026-12-09T07:45:02.120+01:00\t" +
                    outcome.result + "\t" + code + "\t" +
                    (outcome.process ? std::to_string(outcome.process) : "-") + "\t" +
                    (failed ? "Error " + code + ". Second line." : "") + "\t" + Fields(request) + "\")");
  }

  // The start and its wait. The fake's waits all end in time, with exit code 0. A refusal that
  // leaves no code tells the old one in hInstApp as the system code it stands for.
  Outcome Start(const Request& request, bool quiet) {
    const int mask = quiet ? 1344 : 320;
    calls.push_back(request.direct
                        ? ShellCall(request.command, nullptr, v_.value, request.folder, show_, mask)
                        : ShellCall(request.program, &request.command, v_.value, request.folder, show_, mask));
    fake::ShellResult answer{true, reinterpret_cast<void*>(default_handle_), 0};
    if (starts_ < outcomes_.size())
      answer = ShellAnswer(OutcomeByte(starts_), starts_);
    else
      default_handle_ += 4;
    ++starts_;
    if (!answer.ok) {
      const std::map<uintptr_t, uint32_t> kOldCodes = {
          {26, 32}, {27, 1155}, {28, 1156}, {29, 1156}, {30, 1156}, {31, 1155}, {32, 1157}};
      const auto old = kOldCodes.find(answer.inst_app);
      const uint32_t told = old != kOldCodes.end() ? old->second : static_cast<uint32_t>(answer.inst_app);
      return {"failed", answer.error ? answer.error : told, 0};
    }
    if (!answer.process) return {"started", 0, 0};
    const uintptr_t process = reinterpret_cast<uintptr_t>(answer.process);
    std::string handle = PointerCall(process), bounded = ", " + std::to_string(bound_) + ")";
    if (wait_ == kInputIdle) calls.push_back("WaitForInputIdle(" + handle + bounded);
    if (wait_ == kEnd) calls.push_back("WaitForSingleObject(" + handle + bounded);
    calls.push_back("CloseHandle(" + handle + ")");
    return {wait_ == kEnd ? "exited" : "started", 0, static_cast<uint32_t>(process)};
  }

  // A preview's box ends with the code it stops for.
  void ListFailure(uint32_t exit_code) {
    if (preview_)
      calls.push_back("FinishOutput(\"" CORVANE_CAPTION "\", " +
                      QuotedCall("The list could not be read: error " + std::to_string(exit_code)) +
                      ")");
    End(exit_code);
  }

  // The usage box, which /Q never shows: a run nobody watches ends at once instead.
  void Usage() {
    if (quiet_) End(87);
    calls.push_back(kUsageBox);
    End(0);
  }

  [[noreturn]] void End(uint32_t exit_code) {
    code = exit_code;
    calls.push_back(ExitCall(exit_code));
    throw Ended();
  }

  uint8_t OutcomeByte(size_t n) const { return n < outcomes_.size() ? outcomes_[n] : 0; }

  static constexpr const char* kUsageBox = "MessageBox(\"" CORVANE_USAGE "\", \"" CORVANE_CAPTION "\", 64)";

  const ListScript& list_;
  const LogScript log_;
  const std::string& outcomes_;
  std::vector<std::string> arguments_;
  std::string b_, c_, e_, l_, x_;
  Given o_{'O', false, "", false}, t_{'T', false, "", false}, v_{'V', false, "", false},
      s_{'S', false, "", false}, d_{'D', false, "", false}, p_{'P', false, "", false},
      r_{'R', false, "", false};
  Wait wait_ = kInputIdle;
  bool preview_ = false, quiet_ = false, expand_ = false, comments_ = false, skip_running_ = false;
  bool no_exe_ = true, lookup_ = false, logging_ = false;
  bool any_started_ = false, failed_ = false;
  uint32_t bound_ = 4294967295u, pause_ = 0, first_pause_ = 0, retries_ = 0, retry_pause_ = 5000;
  int show_ = 10;
  int outputs_ = 0;
  size_t starts_ = 0;
  size_t lookups_ = 0;
  uintptr_t default_handle_ = 0x100;
  bool walked_ = false;
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
  fake.names_in_any_case = !list.linux_port;
  fake.output_writes_left = FailingOutput(outcomes);
  fake.output_error = kOutputError;
  for (size_t n = 0; n < outcomes.size(); ++n) {
    fake.shell.push_back(ShellAnswer(outcomes[n], n));
    fake.find.push_back(FindAnswer(outcomes[n], n));
  }
  fake.environment = Environment();
  fake.processes = Processes();
  fake.own_session = kOwnSession;
  fake.missing_files = {kMissingFile};
  fake.program_files = kProgramFiles;
  const LogScript log = LogScriptOf(list.flags);
  fake.log_is_list = log.is_list;
  fake.log_torn = log.torn;
  fake.log_open_ok = !log.open_fails;
  fake.log_open_error = kLogOpenError;
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
