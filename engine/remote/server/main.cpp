// MorvexServer.exe: the log engine as a COM local server.
//   MorvexServer.exe -Embedding [--history DIR] [--idle-seconds N] [--hang-after N]
//   MorvexServer.exe /RegServer [--machine] [--history DIR] [--idle-seconds N] [--hang-after N]
//   MorvexServer.exe /UnregServer [--machine]
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "local_memory.h"
#include "registration.h"
#include "serve.h"
#include "server_arguments.h"

namespace {

constexpr char kUsage[] =
    "usage: MorvexServer.exe -Embedding [--history DIR] [--idle-seconds N] [--hang-after N]\n"
    "       MorvexServer.exe /RegServer [--machine] [--history DIR] [--idle-seconds N] [--hang-after N]\n"
    "       MorvexServer.exe /UnregServer [--machine]\n";

std::string Utf8(const std::wstring &text) {
  if (text.empty()) return {};
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), bytes, nullptr,
                        nullptr);
  return out;
}

void Fail(const std::wstring &message) { std::fprintf(stderr, "MorvexServer: %s\n", Utf8(message).c_str()); }

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> args;
  int count = 0;
  const morvex::server::LocalMemory<wchar_t *> list(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!list) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(list.get()[i]);
  return args;
}

std::wstring ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return {};
    if (length < size) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

int main() {
  using morvex::server::Mode;
  morvex::server::ServerArguments arguments;
  std::wstring error;
  if (!morvex::server::ParseServerArguments(Arguments(), &arguments, &error)) {
    Fail(error);
    std::fputs(kUsage, stderr);
    return 2;
  }
  switch (arguments.mode) {
    case Mode::kEmbedding:
      return morvex::server::Serve(arguments);
    case Mode::kRegister: {
      const std::wstring exe = ExecutablePath();
      if (exe.empty()) {
        Fail(L"cannot find this program's own path");
        return 1;
      }
      if (!morvex::server::Register(arguments, exe, &error)) {
        Fail(error);
        return 1;
      }
      return 0;
    }
    case Mode::kUnregister:
      if (!morvex::server::Unregister(arguments.machine, &error)) {
        Fail(error);
        return 1;
      }
      return 0;
  }
  return 1;
}
