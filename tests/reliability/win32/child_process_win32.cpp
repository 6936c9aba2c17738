#include "child_process.h"

#include <windows.h>

namespace hf::test {
namespace {

std::wstring Wide(const std::string &text) {
  return std::wstring(text.begin(), text.end());  // the commands are ASCII
}

std::wstring ExecutableDirectory() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  const std::wstring self(path, length);
  return self.substr(0, self.find_last_of(L"\\/") + 1);
}

// One argument as the C run-time splits a command line back into words.
void AppendQuoted(std::wstring &line, const std::wstring &argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

}  // namespace

std::vector<int> RunAllAtOnce(const std::vector<std::vector<std::string>> &commands,
                              const std::function<void()> &started) {
  const std::wstring directory = ExecutableDirectory();
  std::vector<HANDLE> children;
  for (const auto &command : commands) {
    const std::wstring program = directory + Wide(command.at(0)) + L".exe";
    std::wstring line;
    AppendQuoted(line, program);
    for (std::size_t i = 1; i < command.size(); ++i) {
      line += L' ';
      AppendQuoted(line, Wide(command[i]));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &startup, &process)) {
      ::CloseHandle(process.hThread);
      children.push_back(process.hProcess);
    } else {
      children.push_back(nullptr);
    }
  }
  started();
  std::vector<int> codes;
  for (HANDLE child : children) {
    DWORD code = 0;
    if (child == nullptr || ::WaitForSingleObject(child, INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(child, &code))
      codes.push_back(-1);
    else
      codes.push_back(static_cast<int>(code));
    if (child != nullptr) ::CloseHandle(child);
  }
  return codes;
}

}  // namespace hf::test
