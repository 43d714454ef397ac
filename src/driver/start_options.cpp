#include "driver/start_options.h"

#include <cstring>

#include "driver/run.h"
#include "driver/settings.h"
#include "platform/platform.h"
#include "text/helpers.h"

namespace {

const uint32_t kMostSeconds = 1000000;

// Digits only, however many, for a number no greater than most.
bool NumberUpTo(const Text& digits, uint32_t most, uint32_t* number) {
  if (digits.Empty()) return false;
  *number = 0;
  for (size_t i = 1; i <= digits.Length(); ++i) {
    if (digits.At(i) < '0' || digits.At(i) > '9') return false;
    *number = *number * 10 + (digits.At(i) - '0');
    if (*number > most) return false;
  }
  return true;
}

const char kSecondsWhy[] = "is no number of seconds from 0 to 1000000 with at most three decimals";

}  // namespace

void RefuseValue(char letter, const Text& value, const char* why) {
  ShowUsageBox();
  const char option[] = {'/', letter, ':', 0};
  const char* parts[] = {"corvane: ", option, ZeroTerminatedOf(value), " ", why};
  Text line;
  for (const char* part : parts) line.Append(part, std::strlen(part));
  platform::WriteDiagnostic(ZeroTerminatedOf(line));
  platform::EndProcess(platform::kInvalidParameter);
}

bool MillisecondsOf(const Text& seconds, uint32_t* milliseconds) {
  const auto digit = [&seconds](size_t i) { return seconds.At(i) >= '0' && seconds.At(i) <= '9'; };
  const size_t length = seconds.Length();
  unsigned long long total = 0;
  size_t i = 1;
  for (; i <= length && digit(i); ++i) {
    total = total * 10 + (seconds.At(i) - '0');
    if (total > kMostSeconds) return false;
  }
  if (i == 1) return false;
  total *= 1000;
  if (i <= length) {
    if (seconds.At(i++) != '.') return false;
    const size_t first = i;
    for (unsigned scale = 100; i <= length && i < first + 3 && digit(i); ++i, scale /= 10)
      total += (seconds.At(i) - '0') * scale;
    if (i == first || i <= length) return false;  // one to three digits, and nothing after
  }
  if (total > 1000ull * kMostSeconds) return false;
  *milliseconds = static_cast<uint32_t>(total);
  return true;
}

bool ShowStateOf(const Text& state, int32_t* show) {
  static const struct {
    const char* name;
    int32_t show;
  } kNames[] = {{"NORMAL", platform::kShowNormal},
                {"MIN", platform::kShowMinNoActive},
                {"MAX", platform::kShowMaximized},
                {"HIDDEN", platform::kShowHide}};
  for (const auto& name : kNames) {
    if (!SameInAnyCase(state, name.name)) continue;
    *show = name.show;
    return true;
  }
  uint32_t number = 0;
  if (!NumberUpTo(state, static_cast<uint32_t>(platform::kShowLast), &number)) return false;
  *show = static_cast<int32_t>(number);
  return true;
}

ListEncoding CheckedEncoding() {
  ListEncoding encoding;
  if (!ListEncodingNamed(Encoding, &encoding))
    RefuseValue('C', Encoding, "names no list encoding that this system can read");
  return encoding;
}

StartSettings CheckedStartSettings() {
  StartSettings settings;
  settings.wait = Wait;
  settings.quiet = Quiet;
  if (WaitBound.given && !MillisecondsOf(WaitBound.value, &settings.wait_bound_ms))
    RefuseValue('T', WaitBound.value, kSecondsWhy);
  if (ShowState.given && !ShowStateOf(ShowState.value, &settings.show))
    RefuseValue('S', ShowState.value, "is no window state: normal, min, max, hidden or 0 to 11");
  if (Verb.given && !platform::VerbKnown(ZeroTerminatedOf(Verb.value)))
    RefuseValue('V', Verb.value, "names no verb that this system can carry out");
  if (LogFile.given && LogFile.value.Empty()) RefuseValue('O', LogFile.value, "names no file");
  settings.verb = Verb.value;
  settings.report_verb_and_folder = Verb.given || StartFolder.given;
  return settings;
}

uint32_t CheckedPause() {
  uint32_t milliseconds = 0;
  if (PauseTime.given && !MillisecondsOf(PauseTime.value, &milliseconds))
    RefuseValue('P', PauseTime.value, kSecondsWhy);
  return milliseconds;
}
