// Stands in for Windows PowerShell in the setup program's tests (Wine's own powershell.exe
// prints nothing): appends its command line, as one UTF-8 line, to the file named by
// VARNOLT_FAKE_POWERSHELL_LOG, then prints VARNOLT_FAKE_POWERSHELL_OUTPUT and exits 0.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string result(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
  return result;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t buffer[4096];
  const DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
  return length > 0 && length < 4096 ? std::wstring(buffer, length) : std::wstring();
}

}  // namespace

int main() {
  const std::wstring log = Environment(L"VARNOLT_FAKE_POWERSHELL_LOG");
  if (!log.empty()) {
    FILE* file = _wfopen(log.c_str(), L"ab");
    if (file == nullptr) return 3;
    const std::string line = Utf8(GetCommandLineW()) + "\n";
    const bool written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    if (std::fclose(file) != 0 || !written) return 3;
  }
  const std::string output = Utf8(Environment(L"VARNOLT_FAKE_POWERSHELL_OUTPUT").c_str());
  std::fwrite(output.data(), 1, output.size(), stdout);
  std::fputs("\r\n", stdout);
  return 0;
}
