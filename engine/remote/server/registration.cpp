#include "registration.h"

#include <windows.h>

#include <vector>

#include "abi/log_engine.h"
#include "guid_text.h"
#include "local_memory.h"
#include "morvex_remote.h"
#include "registry_key.h"
#include "remote_ids.h"

namespace morvex::server {
namespace {

constexpr wchar_t kClasses[] = L"Software\\Classes";
constexpr wchar_t kProxyFile[] = L"MorvexProxy.dll";
// A value of the engine's class key: which of Software\Classes, CLSID and
// Interface the registration created, so that unregistering removes them again
// and nothing else.
constexpr wchar_t kCreatedValue[] = L"MorvexServerCreated";
constexpr wchar_t kClassesNote[] = L"Classes";

struct RemotableInterface {
  const IID *iid;
  const wchar_t *name;
};

// Every interface whose proxy/stub lives in MorvexProxy.dll.
const RemotableInterface kInterfaces[] = {
    {&IID_ILogEngine, L"ILogEngine"},
    {&IID_ILogCursor, L"ILogCursor"},
    {&IID_ILogBatchSource, L"ILogBatchSource"},
};

HKEY Root(bool machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring ClassKey(const GUID &id) { return L"CLSID\\" + GuidText(id); }
std::wstring InterfaceKey(const GUID &id) { return L"Interface\\" + GuidText(id); }

// Every key of ours, below Software\Classes.
std::vector<std::wstring> OurKeys() {
  std::vector<std::wstring> keys = {ClassKey(ToGuid(hf::kClsidLogEngine)), ClassKey(remote::kClsidProxyStub),
                                    ClassKey(remote::kClsidBatchingCursor)};
  for (const RemotableInterface &entry : kInterfaces) keys.push_back(InterfaceKey(*entry.iid));
  return keys;
}

std::wstring SystemMessage(LONG code) {
  wchar_t *text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
  const LocalMemory<wchar_t> owned(text);
  std::wstring message = L"error " + std::to_wstring(code);
  if (length > 0 && text != nullptr) {
    std::wstring system(text, length);
    while (!system.empty() && (system.back() == L'\n' || system.back() == L'\r' || system.back() == L' '))
      system.pop_back();
    message += L": " + system;
  }
  return message;
}

// Writes subkey path (below Software\Classes) with a default value and, when
// given, one more named value.
LONG WriteKey(HKEY classes, const std::wstring &path, const std::wstring &value, const wchar_t *name = nullptr,
              const std::wstring &named = std::wstring()) {
  RegistryKey key;
  LONG result = key.Create(classes, path);
  if (result == ERROR_SUCCESS) result = key.SetText(L"", value);
  if (result == ERROR_SUCCESS && name != nullptr) result = key.SetText(name, named);
  return result;
}

std::wstring Directory(const std::wstring &path) {
  const std::size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

bool IsFile(const std::wstring &path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring FullPath(const std::wstring &path) {
  const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

LONG WriteAll(HKEY classes, const ServerArguments &arguments, const std::wstring &exePath,
              const std::wstring &proxyPath) {
  // COM appends -Embedding to this command line itself.
  std::wstring command = L"\"" + exePath + L"\"";
  ServerArguments carried = arguments;
  // The server runs in another directory than this one, so a relative
  // history directory is made full now.
  if (!carried.history.empty()) carried.history = FullPath(carried.history);
  for (const std::wstring &option : CarriedOptions(carried)) command += L" " + QuoteArgument(option);

  const std::wstring engine = ClassKey(ToGuid(hf::kClsidLogEngine));
  LONG result = WriteKey(classes, engine + L"\\LocalServer32", command);

  const std::wstring proxyStub = ClassKey(remote::kClsidProxyStub);
  if (result == ERROR_SUCCESS) result = WriteKey(classes, proxyStub, L"Morvex proxy/stub");
  if (result == ERROR_SUCCESS)
    result = WriteKey(classes, proxyStub + L"\\InprocServer32", proxyPath, L"ThreadingModel", L"Both");

  const std::wstring cursor = ClassKey(remote::kClsidBatchingCursor);
  if (result == ERROR_SUCCESS) result = WriteKey(classes, cursor, L"Morvex batching cursor");
  if (result == ERROR_SUCCESS)
    result = WriteKey(classes, cursor + L"\\InprocServer32", proxyPath, L"ThreadingModel", L"Both");

  const std::wstring proxyStubText = GuidText(remote::kClsidProxyStub);
  for (const RemotableInterface &entry : kInterfaces) {
    const std::wstring key = InterfaceKey(*entry.iid);
    if (result == ERROR_SUCCESS) result = WriteKey(classes, key, entry.name);
    if (result == ERROR_SUCCESS) result = WriteKey(classes, key + L"\\ProxyStubClsid32", proxyStubText);
  }
  return result;
}

// True when the note (names separated by ';') holds name.
bool Noted(const std::wstring &note, const wchar_t *name) {
  return (L";" + note + L";").find(std::wstring(L";") + name + L";") != std::wstring::npos;
}

void DeleteIfEmpty(HKEY parent, const wchar_t *name) {
  RegistryKey key;
  if (key.Open(parent, name) != ERROR_SUCCESS) return;
  const bool empty = key.Empty();
  key.Close();
  if (empty) ::RegDeleteKeyW(parent, name);
}

// Removes our keys, then those of Software\Classes, CLSID and Interface that
// the registration created (as it noted in kCreatedValue) and that are empty
// again; keys that were there before stay, empty or not.
LONG RemoveAll(bool machine) {
  RegistryKey classes;
  LONG result = classes.Open(Root(machine), kClasses);
  if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (result != ERROR_SUCCESS) return result;
  std::wstring created;
  {
    RegistryKey engine;
    if (engine.Open(classes.Get(), ClassKey(ToGuid(hf::kClsidLogEngine))) == ERROR_SUCCESS)
      created = engine.Text(kCreatedValue);
  }
  for (const std::wstring &key : OurKeys()) {
    const LONG removed = ::RegDeleteTreeW(classes.Get(), key.c_str());
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND) return removed;
    RegistryKey check;
    if (check.Open(classes.Get(), key) == ERROR_SUCCESS) return ERROR_ACCESS_DENIED;
  }
  for (const wchar_t *parent : {L"CLSID", L"Interface"})
    if (Noted(created, parent)) DeleteIfEmpty(classes.Get(), parent);
  classes.Close();
  if (Noted(created, kClassesNote)) DeleteIfEmpty(Root(machine), kClasses);
  return ERROR_SUCCESS;
}

}  // namespace

bool Register(const ServerArguments &arguments, const std::wstring &exePath, std::wstring *error) {
  const std::wstring proxyPath = Directory(exePath) + kProxyFile;
  if (!IsFile(proxyPath)) {
    *error = L"the proxy library is missing beside the server: " + proxyPath;
    return false;
  }
  LONG result = RemoveAll(arguments.machine);
  if (result == ERROR_SUCCESS) {
    RegistryKey classes;
    bool madeClasses = false;
    bool madeClassIds = false;
    bool madeInterfaces = false;
    result = classes.Create(Root(arguments.machine), kClasses, &madeClasses);
    RegistryKey parent;
    if (result == ERROR_SUCCESS) result = parent.Create(classes.Get(), L"CLSID", &madeClassIds);
    if (result == ERROR_SUCCESS) result = parent.Create(classes.Get(), L"Interface", &madeInterfaces);
    parent.Close();
    std::wstring created;
    if (madeClasses) created += std::wstring(kClassesNote) + L";";
    if (madeClassIds) created += L"CLSID;";
    if (madeInterfaces) created += L"Interface;";
    // The note goes first, so a registration that fails halfway is removed whole.
    if (result == ERROR_SUCCESS)
      result = WriteKey(classes.Get(), ClassKey(ToGuid(hf::kClsidLogEngine)), L"Morvex log engine", kCreatedValue,
                        created);
    if (result == ERROR_SUCCESS) result = WriteAll(classes.Get(), arguments, exePath, proxyPath);
  }
  if (result != ERROR_SUCCESS) {
    static_cast<void>(RemoveAll(arguments.machine));
    *error = L"cannot write the registration: " + SystemMessage(result);
    return false;
  }
  return true;
}

bool Unregister(bool machine, std::wstring *error) {
  const LONG result = RemoveAll(machine);
  if (result != ERROR_SUCCESS) {
    *error = L"cannot remove the registration: " + SystemMessage(result);
    return false;
  }
  return true;
}

}  // namespace morvex::server
