// The server's command line: what it is asked to do and the options carried
// with it. Portable, so the rules are tested on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morvex::server {

enum class Mode { kEmbedding, kRegister, kUnregister };

struct ServerArguments {
  Mode mode = Mode::kEmbedding;
  bool machine = false;          // register under HKLM instead of HKCU
  std::wstring history;          // empty: the engine's own lookup
  std::uint32_t idleSeconds = 60;
  bool hang = false;             // test only: hang after hangAfter records
  std::uint32_t hangAfter = 0;
  bool idleGiven = false;        // whether --idle-seconds was on the line
};

// Parses the arguments after the program name. Exactly one of -Embedding,
// /RegServer, /UnregServer (either prefix, any case), in any position;
// --machine only with the registration modes. False with a message in error
// for anything else.
[[nodiscard]] bool ParseServerArguments(const std::vector<std::wstring> &args, ServerArguments *parsed,
                                        std::wstring *error);

// The options a registration carries into the command line COM starts the
// server with (COM appends -Embedding itself).
std::vector<std::wstring> CarriedOptions(const ServerArguments &parsed);

// One argument quoted so that the C run-time and CommandLineToArgvW read it
// back unchanged.
std::wstring QuoteArgument(const std::wstring &arg);

}  // namespace morvex::server
