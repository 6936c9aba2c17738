#include "server_arguments.h"

namespace morvex::server {
namespace {

constexpr std::uint32_t kMaxIdleSeconds = 7u * 24 * 3600;

std::wstring Lower(const std::wstring &text) {
  std::wstring lower(text);
  for (wchar_t &c : lower)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return lower;
}

// -Name or /Name, any case: the name in lower case, else empty.
std::wstring SwitchName(const std::wstring &arg) {
  if (arg.size() < 2 || (arg[0] != L'-' && arg[0] != L'/') || arg[1] == L'-') return {};
  return Lower(arg.substr(1));
}

bool ParseCount(const std::wstring &text, std::uint32_t max, std::uint32_t *value) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t number = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    number = number * 10 + static_cast<std::uint64_t>(c - L'0');
  }
  if (number > max) return false;
  *value = static_cast<std::uint32_t>(number);
  return true;
}

}  // namespace

bool ParseServerArguments(const std::vector<std::wstring> &args, ServerArguments *parsed, std::wstring *error) {
  *parsed = ServerArguments{};
  bool haveMode = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring &arg = args[i];
    const std::wstring name = SwitchName(arg);
    if (!name.empty() && (name == L"embedding" || name == L"regserver" || name == L"unregserver")) {
      if (haveMode) {
        *error = L"more than one of -Embedding, /RegServer, /UnregServer";
        return false;
      }
      haveMode = true;
      parsed->mode = name == L"embedding" ? Mode::kEmbedding
                     : name == L"regserver" ? Mode::kRegister
                                            : Mode::kUnregister;
      continue;
    }
    if (arg == L"--machine") {
      parsed->machine = true;
      continue;
    }
    const bool takesValue = arg == L"--history" || arg == L"--idle-seconds" || arg == L"--hang-after";
    if (!takesValue) {
      *error = L"unknown argument: " + arg;
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = arg + L" needs a value";
      return false;
    }
    const std::wstring &value = args[++i];
    if (arg == L"--history") {
      if (value.empty()) {
        *error = L"--history needs a directory";
        return false;
      }
      parsed->history = value;
    } else if (arg == L"--idle-seconds") {
      if (!ParseCount(value, kMaxIdleSeconds, &parsed->idleSeconds) || parsed->idleSeconds == 0) {
        *error = L"--idle-seconds needs a whole number of seconds from 1 to 604800: " + value;
        return false;
      }
      parsed->idleGiven = true;
    } else {
      if (!ParseCount(value, 0xFFFFFFFFu, &parsed->hangAfter)) {
        *error = L"--hang-after needs a whole number of records: " + value;
        return false;
      }
      parsed->hang = true;
    }
  }
  if (!haveMode) {
    *error = L"expected -Embedding, /RegServer or /UnregServer";
    return false;
  }
  if (parsed->machine && parsed->mode == Mode::kEmbedding) {
    *error = L"--machine belongs to /RegServer and /UnregServer";
    return false;
  }
  return true;
}

std::vector<std::wstring> CarriedOptions(const ServerArguments &parsed) {
  std::vector<std::wstring> options;
  if (!parsed.history.empty()) {
    options.push_back(L"--history");
    options.push_back(parsed.history);
  }
  if (parsed.idleGiven) {
    options.push_back(L"--idle-seconds");
    options.push_back(std::to_wstring(parsed.idleSeconds));
  }
  if (parsed.hang) {
    options.push_back(L"--hang-after");
    options.push_back(std::to_wstring(parsed.hangAfter));
  }
  return options;
}

std::wstring QuoteArgument(const std::wstring &arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  // Backslashes are literal except before a quote, where each one doubles.
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') quoted.append(backslashes * 2 + 1, L'\\');
    else quoted.append(backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

}  // namespace morvex::server
