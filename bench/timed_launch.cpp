// Starts one program of the benchmark and times it, from its start to its end, without this
// launcher's own start-up. With --pipe it hands the program its items as the Explorer extension
// does (contextmenu/Launch.cpp): it makes a message-mode pipe of one instance, starts the
// program, waits for it to connect and writes each item as a record of common/ItemStream.h, the
// length then the text in two writes, and the terminator last; the pipe stays open until the
// program ends. The wait is bounded: a message box of the program (or any box on the desktop: a
// crash dialog) ends it at once, and so does the time limit; the program is then ended, its box
// named, and the launcher fails, so that a benchmark never hangs on a box nobody will answer
// (under Wine's null graphics driver a box exists and waits).
//
//   timed_launch [--timeout SECONDS] [--pipe LIST_FILE] PROGRAM [ARGUMENT...]
// LIST_FILE: UTF-8, one item a line; "{pipe}" among the arguments stands for the pipe's name
// ("\\.\pipe\varnolt-bench-..."). Arguments are quoted only when they hold a space.
// Prints "status=N seconds=S" (the program's exit status, signed) and exits with 0 when the
// program ended by itself; 3 when a box appeared, 4 at the time limit, 5 when it could not be
// started, 6 when the pipe failed, 2 for bad usage. bench/many_files.sh runs every program of
// its benchmark through it (target bench_many_files).
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/WideWin32.h"

#include "common/ItemStream.h"

namespace {

constexpr DWORD kPollMs = 200;  // how often the desktop is looked at for a box while waiting
constexpr DWORD kPipeBufferSize = 512;  // as the extension's

std::string Utf8(const std::wstring& wide) { return varnolt::Utf8FromWide(wide); }

struct Box {
  HWND window = nullptr;
  DWORD process = 0;
};

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t className[16];
  if (!IsWindowVisible(window) || GetClassNameW(window, className, 16) == 0 ||
      std::wstring(className) != L"#32770") {
    return TRUE;
  }
  auto* const box = reinterpret_cast<Box*>(found);
  box->window = window;
  GetWindowThreadProcessId(window, &box->process);
  return FALSE;
}

// A dialog box shown anywhere on the desktop, said with its caption and text; false if none.
bool BoxShown(DWORD program) {
  Box box;
  EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
  if (box.window == nullptr) return false;
  wchar_t caption[256] = L"", text[2048] = L"";
  GetWindowTextW(box.window, caption, 256);
  // A message box's text is the static of id 0xFFFF.
  const HWND label = GetDlgItem(box.window, 0xFFFF);
  if (label != nullptr) GetWindowTextW(label, text, 2048);
  std::printf("FAILED: a box appeared (%s): \"%s\": %s\n",
              box.process == program ? "the program's" : ("process " + std::to_string(box.process)).c_str(),
              Utf8(caption).c_str(), Utf8(text).c_str());
  return true;
}

enum class Waited { kEvent, kExited, kBox, kTimedOut, kFailed };

// Waits for `event` (none: only for the end of the program), the program's end, a box, or the
// deadline, whichever comes first.
Waited WaitFor(HANDLE event, HANDLE process, DWORD programId, ULONGLONG deadline) {
  for (;;) {
    // The event first: a write done just before the program ends is told as done.
    const HANDLE handles[] = {event ? event : process, process};
    const DWORD woken = WaitForMultipleObjects(event ? 2 : 1, handles, FALSE, kPollMs);
    if (woken == WAIT_OBJECT_0) return event ? Waited::kEvent : Waited::kExited;
    if (woken == WAIT_OBJECT_0 + 1) return Waited::kExited;
    if (woken != WAIT_TIMEOUT) return Waited::kFailed;
    if (BoxShown(programId)) return Waited::kBox;
    if (GetTickCount64() >= deadline) return Waited::kTimedOut;
  }
}

std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find(L' ') == std::wstring::npos) return argument;
  return L"\"" + argument + L"\"";
}

bool ReadList(const std::wstring& path, std::vector<std::string>& items) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    if (stop > start) items.push_back(bytes.substr(start, stop - start));
    start = end + 1;
  }
  return true;
}

class Feeder {
 public:
  Feeder(HANDLE pipe, HANDLE event, HANDLE process, DWORD programId, ULONGLONG deadline)
      : pipe(pipe), event(event), process(process), programId(programId), deadline(deadline) {}

  // Completes an overlapped call on the pipe; anything but its completion is said.
  Waited Finish(BOOL started, DWORD expected) {
    if (!started) {
      const DWORD error = GetLastError();
      if (error == ERROR_PIPE_CONNECTED) return Waited::kEvent;
      if (error != ERROR_IO_PENDING) {
        std::printf("FAILED: the pipe (error %lu)\n", error);
        return Waited::kFailed;
      }
      const Waited waited = WaitFor(event, process, programId, deadline);
      if (waited != Waited::kEvent) {
        CancelIoEx(pipe, &overlapped);
        DWORD ignored = 0;
        GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
        if (waited == Waited::kExited) std::printf("FAILED: the program ended before it took its items\n");
        return waited == Waited::kExited ? Waited::kFailed : waited;
      }
    }
    DWORD transferred = 0;
    if (!GetOverlappedResult(pipe, &overlapped, &transferred, FALSE) || transferred != expected) {
      std::printf("FAILED: the pipe (error %lu, %lu of %lu bytes)\n", GetLastError(), transferred, expected);
      return Waited::kFailed;
    }
    return Waited::kEvent;
  }

  Waited Connect() {
    Reset();
    return Finish(ConnectNamedPipe(pipe, &overlapped), 0);
  }

  Waited Write(const std::uint8_t* bytes, DWORD count) {
    Reset();
    return Finish(WriteFile(pipe, bytes, count, nullptr, &overlapped), count);
  }

 private:
  void Reset() {
    overlapped = OVERLAPPED{};
    overlapped.hEvent = event;
    ResetEvent(event);
  }

  HANDLE pipe, event, process;
  DWORD programId;
  ULONGLONG deadline;
  OVERLAPPED overlapped{};
};

// The whole selection, as the extension writes it: each record in two writes, then the end.
Waited Feed(Feeder& feeder, const std::vector<std::string>& items) {
  Waited waited = feeder.Connect();
  std::vector<std::uint8_t> record;
  for (std::size_t i = 0; i < items.size() && waited == Waited::kEvent; ++i) {
    record.clear();
    if (!varnolt::AppendItemRecord(record, items[i].c_str())) {
      std::printf("FAILED: an item too long for a record\n");
      return Waited::kFailed;
    }
    waited = feeder.Write(record.data(), 2);
    if (waited == Waited::kEvent) waited = feeder.Write(record.data() + 2, static_cast<DWORD>(record.size() - 2));
  }
  if (waited != Waited::kEvent) return waited;
  record.clear();
  varnolt::AppendTerminator(record);
  return feeder.Write(record.data(), static_cast<DWORD>(record.size()));
}

int Usage() {
  std::printf("usage: timed_launch [--timeout SECONDS] [--pipe LIST_FILE] PROGRAM [ARGUMENT...]\n");
  return 2;
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* const arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr) return Usage();
  double timeoutSeconds = 3600;
  std::wstring listFile;
  int next = 1;
  for (; next + 1 < count && arguments[next][0] == L'-' && arguments[next][1] == L'-'; next += 2) {
    const std::wstring option = arguments[next];
    if (option == L"--timeout") {
      timeoutSeconds = _wtof(arguments[next + 1]);
    } else if (option == L"--pipe") {
      listFile = arguments[next + 1];
    } else {
      return Usage();
    }
  }
  if (next >= count || timeoutSeconds <= 0) return Usage();

  std::vector<std::string> items;
  if (!listFile.empty() && !ReadList(listFile, items)) {
    std::printf("FAILED: cannot read %s\n", Utf8(listFile).c_str());
    return 6;
  }
  const std::wstring pipeName = L"\\\\.\\pipe\\varnolt-bench-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(GetTickCount());
  HANDLE pipe = INVALID_HANDLE_VALUE, event = nullptr;
  if (!listFile.empty()) {
    pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_FIRST_PIPE_INSTANCE | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                            kPipeBufferSize, kPipeBufferSize, 0, nullptr);
    event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (pipe == INVALID_HANDLE_VALUE || event == nullptr) {
      std::printf("FAILED: cannot make the pipe (error %lu)\n", GetLastError());
      return 6;
    }
  }
  std::wstring commandLine = Quoted(arguments[next]);
  for (int i = next + 1; i < count; ++i) {
    const std::wstring argument = arguments[i];
    commandLine += L' ' + (argument == L"{pipe}" ? pipeName : Quoted(argument));
  }

  // The program writes where the launcher does (the yardstick's counts, its failures): these
  // three handles are the only ones it inherits (the pipe and the event are not inheritable).
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (const HANDLE standard : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (standard != nullptr && standard != INVALID_HANDLE_VALUE) {
      SetHandleInformation(standard, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
  }
  std::fflush(stdout);
  PROCESS_INFORMATION started{};
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutSeconds * 1000);
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) {
    std::printf("FAILED: cannot start %s (error %lu)\n", Utf8(commandLine).c_str(), GetLastError());
    return 5;
  }
  CloseHandle(started.hThread);
  Waited waited = Waited::kEvent;
  if (pipe != INVALID_HANDLE_VALUE) {
    Feeder feeder(pipe, event, started.hProcess, started.dwProcessId, deadline);
    waited = Feed(feeder, items);
  }
  if (waited == Waited::kEvent) waited = WaitFor(nullptr, started.hProcess, started.dwProcessId, deadline);
  QueryPerformanceCounter(&end);
  int status = 0;
  if (waited == Waited::kExited) {
    DWORD code = 0;
    GetExitCodeProcess(started.hProcess, &code);
    std::printf("status=%d seconds=%.3f\n", static_cast<int>(code),
                static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  } else {
    if (waited == Waited::kTimedOut) std::printf("FAILED: no end after %.0f s\n", timeoutSeconds);
    status = waited == Waited::kBox ? 3 : waited == Waited::kTimedOut ? 4 : 6;
    TerminateProcess(started.hProcess, 255);
    WaitForSingleObject(started.hProcess, 10000);
  }
  CloseHandle(started.hProcess);
  if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
  if (event != nullptr) CloseHandle(event);
  LocalFree(arguments);
  return status;
}
