#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

namespace {


std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

int RemoveOne(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

// Progress of the running test: what the recorder logged and what corvane wrote grow.
std::mutex g_mutex;
std::string g_root;
std::set<pid_t> g_running;  // launched, not yet finished

long long Progress() {
  std::lock_guard<std::mutex> lock(g_mutex);
  long long bytes = 0;
  struct stat info;
  for (const char* name : {"/log", "/out", "/err"})
    if (!g_root.empty() && stat((g_root + name).c_str(), &info) == 0) bytes += info.st_size;
  return bytes;
}

// WaitFor is bounded by the time without progress. A test blocked anywhere else (on a FIFO that
// corvane never opens, say) is ended by a watchdog once nothing has happened outside a wait for
// this long, so that a hang fails within minutes on any host.
const int kStallSeconds = 120;
std::atomic<long long> g_last_progress_s{0};
std::atomic<int> g_waits{0};

long long NowSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void NoteProgress() { g_last_progress_s = NowSeconds(); }

void Watch() {
  for (;;) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (g_waits > 0 || NowSeconds() - g_last_progress_s < kStallSeconds) continue;
    std::fprintf(stderr, "no progress outside a wait for %d s: the test hangs\n", kStallSeconds);
    std::lock_guard<std::mutex> lock(g_mutex);
    for (pid_t pid : g_running) kill(pid, SIGKILL);
    _exit(1);
  }
}

}  // namespace

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

std::string ListOf(const std::vector<std::string>& lines) {
  std::string list;
  for (const std::string& line : lines) list += line + "\r\n";
  return list;
}

std::vector<std::vector<std::string>> LogLines(const std::string& path) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(ReadAll(path));
  for (std::string line; std::getline(in, line);) {
    lines.emplace_back();
    std::istringstream split(line + "\t");
    for (std::string field; std::getline(split, field, '\t');) lines.back().push_back(field);
  }
  return lines;
}

std::vector<Argv> Sorted(std::vector<Argv> argvs) {
  std::sort(argvs.begin(), argvs.end());
  return argvs;
}

std::vector<Argv> SortedArgvs(const std::vector<Start>& starts) {
  std::vector<Argv> argvs;
  for (const Start& start : starts) argvs.push_back(start.argv);
  return Sorted(argvs);
}

bool WaitFor(const std::function<bool()>& done, double seconds) {
  using Clock = std::chrono::steady_clock;
  const auto quiet_limit = std::chrono::duration<double>(seconds);
  ++g_waits;
  long long seen = Progress();
  auto quiet_since = Clock::now();
  bool ended = false;
  while (!(ended = done())) {
    const long long now = Progress();
    if (now != seen) {
      seen = now;
      quiet_since = Clock::now();
    } else if (Clock::now() - quiet_since > quiet_limit) {
      ended = done();
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  NoteProgress();
  --g_waits;
  return ended;
}

void E2eTest::SetUp() {
  static std::once_flag watchdog;
  NoteProgress();
  std::call_once(watchdog, [] { std::thread(Watch).detach(); });
  char pattern[] = "/tmp/corvane-e2e-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  root_ = pattern;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_root = root_;
  }
  for (const char* dir : {"/work", "/bin", "/home", "/data", "/sysdata", "/config", "/sysconfig"})
    ASSERT_EQ(mkdir((root_ + dir).c_str(), 0755), 0) << dir;
  // The recorder under the names corvane starts it by.
  ASSERT_EQ(symlink(Recorder().c_str(), (root_ + "/bin/xdg-open").c_str()), 0);
  ASSERT_EQ(symlink(Recorder().c_str(), AssociatedProgram().c_str()), 0);

  const char* path = getenv("PATH");
  SetEnv("PATH", (root_ + "/bin:" + (path ? path : "/usr/bin:/bin")).c_str());
  SetEnv("CORVANE_RECORD_LOG", (root_ + "/log").c_str());
  SetEnv("CORVANE_RECORD_HOLD", nullptr);
  SetEnv("HOME", (root_ + "/home").c_str());
  SetEnv("XDG_DATA_HOME", (root_ + "/data").c_str());
  SetEnv("XDG_DATA_DIRS", (root_ + "/sysdata").c_str());
  SetEnv("XDG_CONFIG_HOME", (root_ + "/config").c_str());
  SetEnv("XDG_CONFIG_DIRS", (root_ + "/sysconfig").c_str());
  SetEnv("XDG_CURRENT_DESKTOP", nullptr);
}

void E2eTest::TearDown() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_root.clear();
  }
  if (root_.empty()) return;
  // A recorder still holding would write into a removed tree; let it go first.
  WriteFile(root_ + "/release", "");
  nftw(root_.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

std::string E2eTest::Recorder() const { return CORVANE_RECORDER; }
std::string E2eTest::Corvane() const { return CORVANE_BINARY; }
std::string E2eTest::UsageLine() const {
  return "Usage: corvane [/X:<exe-file>] [/B:<b-params>] /L:<filelist> [/E:<e-params>]\n";
}

void E2eTest::WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << path;
}

std::vector<std::string> E2eTest::WorkFiles() const {
  std::vector<std::string> names;
  DIR* dir = opendir(Work().c_str());
  if (!dir) return names;
  while (dirent* e = readdir(dir))
    if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void E2eTest::SetEnv(const std::string& name, const char* value) {
  removed_env_.erase(std::remove(removed_env_.begin(), removed_env_.end(), name),
                     removed_env_.end());
  env_.erase(name);
  if (value)
    env_[name] = value;
  else
    removed_env_.push_back(name);
}

pid_t E2eTest::Launch(const std::vector<std::string>& args, int stdin_fd, bool leak_descriptor,
                      int stdout_fd) {
  std::vector<std::string> words = {Corvane()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);

  std::vector<std::string> variables;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    if (!env_.count(name) &&
        std::find(removed_env_.begin(), removed_env_.end(), name) == removed_env_.end())
      variables.push_back(entry);
  }
  for (const auto& pair : env_) variables.push_back(pair.first + "=" + pair.second);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(&variable[0]);
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdin_fd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdin_fd, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (stdout_fd >= 0)
    posix_spawn_file_actions_adddup2(&actions, stdout_fd, 1);
  else
    posix_spawn_file_actions_addopen(&actions, 1, (root_ + "/out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, (root_ + "/err").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, Work().c_str());
  // corvane starts with the standard descriptors only, whatever this test process holds...
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  // ...unless the test hands it one on purpose, without close-on-exec.
  if (leak_descriptor) posix_spawn_file_actions_addopen(&actions, 9, "/dev/null", O_RDONLY, 0);
  pid_t pid = -1;
  int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(error, 0) << "cannot start " << Corvane();
  if (error != 0) return -1;
  NoteProgress();
  std::lock_guard<std::mutex> lock(g_mutex);
  g_running.insert(pid);
  return pid;
}

Outcome E2eTest::Finish(pid_t pid, double seconds) {
  Outcome outcome = {-1, "", ""};
  if (pid <= 0) return outcome;
  int status = 0;
  if (!WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    ADD_FAILURE() << "corvane did not end, with no progress for " << seconds << " s";
  } else if (WIFEXITED(status)) {
    outcome.exit_code = WEXITSTATUS(status);
  } else {
    ADD_FAILURE() << "corvane ended by signal " << WTERMSIG(status);
  }
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_running.erase(pid);
  }
  outcome.out = ReadAll(root_ + "/out");
  outcome.err = ReadAll(root_ + "/err");
  return outcome;
}

std::vector<Start> E2eTest::Starts() const {
  std::vector<Start> starts;
  std::istringstream log(ReadAll(root_ + "/log"));
  std::string line;
  while (std::getline(log, line)) {
    std::vector<std::string> fields;
    size_t from = 0;
    for (;;) {
      size_t tab = line.find('\t', from);
      fields.push_back(Unescaped(line.substr(from, tab - from)));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    if (fields.size() < 3) {
      ADD_FAILURE() << "malformed log line: " << line;
      continue;
    }
    starts.push_back({fields[0], fields[1], {fields.begin() + 2, fields.end()}});
  }
  return starts;
}

size_t E2eTest::StartCount() const {
  std::string log = ReadAll(root_ + "/log");
  return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
}

void E2eTest::InstallAssociation() {
  // Plain glob files (no compiled cache anywhere on the search path) are what the MIME
  // database reads then, so no tool is needed to build one.
  ASSERT_EQ(mkdir((root_ + "/data/mime").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root_ + "/data/applications").c_str(), 0755), 0);
  WriteFile(root_ + "/data/mime/globs2", "50:application/x-corvane-test:*.ctest\n");
  WriteFile(root_ + "/data/applications/corvane-assoc.desktop",
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Name=corvane test recorder\n"
            "Exec=corvane-assoc --from-desktop-file %f\n"
            "MimeType=application/x-corvane-test;\n");
  WriteFile(root_ + "/config/mimeapps.list",
            "[Default Applications]\n"
            "application/x-corvane-test=corvane-assoc.desktop\n");
}
