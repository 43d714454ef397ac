// UTF-8 texts and the UTF-16 of the wide Windows calls, for the probe and the driver alike: the
// tests keep every text as UTF-8 and convert only at a call.
#ifndef CORVANE_TESTS_E2E_WINDOWS_UTF16_H_
#define CORVANE_TESTS_E2E_WINDOWS_UTF16_H_

#include <windows.h>

#include <string>

inline std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int count =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(count, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], count);
  return wide;
}

inline std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                  0, nullptr, nullptr);
  std::string utf8(count, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &utf8[0], count,
                      nullptr, nullptr);
  return utf8;
}

#endif  // CORVANE_TESTS_E2E_WINDOWS_UTF16_H_
