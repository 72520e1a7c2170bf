// Stands in for Varnolt.exe in the extension's tests: started through App Paths with
// " -a -p <pipe>", it opens the pipe as the program does (WaitNamedPipeA, then CreateFileA for
// reading and writing without sharing), reads the records with the common ItemStreamReader and
// writes what it saw to received.txt next to itself. It erases nothing.
//
// mode.txt next to it picks its behaviour: "normal" (default), "slow" (50 ms between records,
// so the extension's writes meet a full pipe buffer), "pause N" (N ms after the first record, as
// the program collecting a large directory), "die" (after the first record, starts a copy of
// itself that keeps the pipe open for 20 s, reports its "holder=" process id and ends), "never"
// (ends without opening the pipe), "confirm" (after reading, asks in a "Confirmation" box as the
// program does, and reports the answer).
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "common/ItemStream.h"

namespace {

std::string Directory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path, length);
  return text.substr(0, text.find_last_of('\\') + 1);
}

std::string ReadMode(const std::string& directory, DWORD* pauseMs) {
  std::ifstream in(directory + "mode.txt");
  std::string mode;
  in >> mode;
  *pauseMs = 0;
  if (mode == "pause") in >> *pauseMs;
  return mode.empty() ? "normal" : mode;
}

// Keeps the pipe open in a process of its own (the handle inherited) while the reader ends.
std::string StartHolder(HANDLE pipe) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string command = std::string("\"") + path + "\" hold";
  SetHandleInformation(pipe, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return "error=no holder (" + std::to_string(GetLastError()) + ")";
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return "holder=" + std::to_string(process.dwProcessId);
}

std::string SidText(PSID sid) {
  char* text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "?";
  std::string result = text;
  LocalFree(text);
  return result;
}

// Who the pipe's access list lets in, as SIDs separated by ';'.
std::string PipeAccessList(HANDLE pipe) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return "unreadable";
  }
  std::string list = dacl ? "" : "none";
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      list += "type" + std::to_string(header->AceType) + ";";
      continue;
    }
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    list += SidText(&allowed->SidStart) + ";";
  }
  LocalFree(descriptor);
  return list;
}

std::string OwnUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "?";
  BYTE buffer[256];
  DWORD size = sizeof buffer;
  std::string user = "?";
  if (GetTokenInformation(token, TokenUser, buffer, size, &size)) {
    user = SidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
  }
  CloseHandle(token);
  return user;
}

class PipeSource : public varnolt::ByteSource {
 public:
  PipeSource(HANDLE pipe, bool slow) : pipe(pipe), slow(slow) {}
  std::size_t ReadSome(void* buffer, std::size_t count) override {
    DWORD read = 0;
    if (!ReadFile(pipe, buffer, static_cast<DWORD>(count), &read, nullptr)) {
      // The server writes records as messages; a read smaller than the message says so and
      // delivers what fits, like a byte-stream read.
      if (GetLastError() != ERROR_MORE_DATA) return 0;
    }
    return read;
  }
  void Pause() {
    if (slow) Sleep(50);
  }

 private:
  HANDLE pipe;
  bool slow;
};

void Publish(const std::string& directory, const std::string& text) {
  const std::string temporary = directory + "received.tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
  }
  MoveFileExA(temporary.c_str(), (directory + "received.txt").c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "hold") {
    Sleep(20000);
    return 0;
  }
  const std::string directory = Directory();
  // Proof of the start, before anything else can go wrong.
  { std::ofstream(directory + "started.txt") << GetCommandLineA(); }
  DWORD pauseMs = 0;
  const std::string mode = ReadMode(directory, &pauseMs);
  if (mode == "never") return 0;

  std::ostringstream report;
  report << "argc=" << argc << "\n";
  for (int i = 1; i < argc; ++i) report << "arg=" << argv[i] << "\n";
  // As the extension starts the program: "-a -u -p NAME".
  if (argc != 5 || std::string(argv[1]) != "-a" || std::string(argv[2]) != "-u" || std::string(argv[3]) != "-p") {
    report << "error=bad arguments\n";
    Publish(directory, report.str());
    return 1;
  }
  const char* name = argv[4];
  WaitNamedPipeA(name, NMPWAIT_WAIT_FOREVER);
  const HANDLE pipe = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (pipe == INVALID_HANDLE_VALUE) {
    report << "error=cannot open the pipe (" << GetLastError() << ")\n";
    Publish(directory, report.str());
    return -1;
  }
  report << "user=" << OwnUser() << "\n";
  report << "dacl=" << PipeAccessList(pipe) << "\n";

  PipeSource source(pipe, mode == "slow");
  varnolt::ItemStreamReader reader(source);
  std::string item;
  for (int count = 1; reader.Next(item); ++count) {
    report << "item=" << item << "\n";
    if (count == 1 && mode == "die") {
      report << StartHolder(pipe) << "\n";
      Publish(directory, report.str());
      return 0;
    }
    if (count == 1 && mode == "pause") Sleep(pauseMs);
    source.Pause();
  }
  CloseHandle(pipe);
  report << "end\n";
  if (mode == "confirm") {
    const int answer = MessageBoxA(nullptr, "Broyer les \xE9l\xE9ments choisis ?", "Confirmation",
                                   MB_YESNO | MB_ICONQUESTION);
    report << "answer=" << (answer == IDYES ? "yes" : answer == IDNO ? "no" : std::to_string(answer)) << "\n";
  }
  Publish(directory, report.str());
  return 0;
}
