// The per-user settings hive on Linux: a key is a directory under
// $XDG_CONFIG_HOME/hkcu (or $HOME/.config/hkcu), a value is the file
// "<name>.value" holding a 4-byte little-endian type and then the data.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/settings_store.h"

namespace hf::platform {
namespace {

constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
constexpr Status kErrorInvalidParameter = 87;
constexpr Status kErrorMoreData = 234;
constexpr std::size_t kHeaderBytes = 4;

// The one translation from errno to the registry's status codes.
Status FromErrno(int error) noexcept {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrorAccessDenied;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    default:
      return kErrorBadDb;
  }
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor &) = delete;
  FileDescriptor &operator=(const FileDescriptor &) = delete;
  int get() const noexcept { return fd_; }
  explicit operator bool() const noexcept { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded.
  bool Close() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

struct OpenedKey {
  std::string directory;
  std::uint32_t access;
};

std::string HiveRoot() {
  const char *config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config != '\0') return std::string(config) + "/hkcu";
  const char *home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return std::string(home) + "/.config/hkcu";
  return std::string();
}

void AppendUtf8(std::string &out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// "<directory>/<name as UTF-8>.value"; false for a name that would leave the
// key's directory. A lone surrogate becomes U+FFFD.
bool ValueFilePath(const OpenedKey &key, const char16_t *name, std::string &path) {
  path = key.directory;
  path.push_back('/');
  for (const char16_t *p = name; *p != u'\0'; ++p) {
    std::uint32_t cp = *p;
    if (cp == u'/') return false;
    if (cp >= 0xD800 && cp <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (p[1] - 0xDC00);
      ++p;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(path, cp);
  }
  path += ".value";
  return true;
}

bool WriteAll(int fd, const std::uint8_t *data, std::size_t bytes) noexcept {
  while (bytes > 0) {
    const ssize_t written = ::write(fd, data, bytes);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    bytes -= static_cast<std::size_t>(written);
  }
  return true;
}

class FileHive final : public SettingsStore {
 public:
  Status OpenKey(std::uint32_t access, KeyHandle *key) override {
    if (key == nullptr) return kErrorInvalidParameter;
    try {
      const std::string root = HiveRoot();
      if (root.empty()) return kErrorFileNotFound;
      std::string directory = root + "/Software/Quorvane";
      struct stat info {};
      if (::stat(directory.c_str(), &info) != 0) return FromErrno(errno);
      if (!S_ISDIR(info.st_mode)) return kErrorFileNotFound;
      if ((access & (kKeySetValue | kKeyCreateSubKey)) != 0 &&
          ::access(directory.c_str(), W_OK | X_OK) != 0)
        return kErrorAccessDenied;
      if ((access & kKeyQueryValue) != 0 && ::access(directory.c_str(), R_OK | X_OK) != 0)
        return kErrorAccessDenied;
      *key = new OpenedKey{std::move(directory), access};
      return kErrorSuccess;
    } catch (const std::bad_alloc &) {
      return kErrorNotEnoughMemory;
    }
  }

  Status QuerySize(KeyHandle key, const char16_t *name, std::uint32_t *bytes) override {
    return QueryData(key, name, nullptr, bytes);
  }

  Status QueryData(KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                   std::uint32_t *bytes) override {
    if (key == nullptr || name == nullptr || bytes == nullptr) return kErrorInvalidParameter;
    const auto &opened = *static_cast<const OpenedKey *>(key);
    if ((opened.access & kKeyQueryValue) == 0) return kErrorAccessDenied;
    try {
      std::string path;
      if (!ValueFilePath(opened, name, path)) return kErrorInvalidParameter;
      FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
      if (!file) return FromErrno(errno);
      struct stat info {};
      if (::fstat(file.get(), &info) != 0) return FromErrno(errno);
      // A directory or anything else that is not a plain file of at least
      // the header's size is a damaged value.
      if (!S_ISREG(info.st_mode)) return kErrorBadDb;
      const auto size = static_cast<std::uint64_t>(info.st_size);
      if (size < kHeaderBytes || size - kHeaderBytes > UINT32_MAX) return kErrorBadDb;
      const auto dataBytes = static_cast<std::uint32_t>(size - kHeaderBytes);
      if (buffer == nullptr) {
        *bytes = dataBytes;
        return kErrorSuccess;
      }
      if (dataBytes > *bytes) {
        *bytes = dataBytes;
        return kErrorMoreData;
      }
      std::uint32_t got = 0;
      while (got < dataBytes) {
        const ssize_t n = ::pread(file.get(), buffer + got, dataBytes - got,
                                  static_cast<off_t>(kHeaderBytes + got));
        if (n < 0) {
          if (errno == EINTR) continue;
          return FromErrno(errno);
        }
        if (n == 0) break;
        got += static_cast<std::uint32_t>(n);
      }
      *bytes = got;
      return kErrorSuccess;
    } catch (const std::bad_alloc &) {
      return kErrorNotEnoughMemory;
    }
  }

  Status SetValue(KeyHandle key, const char16_t *name, std::uint32_t type,
                  const std::uint8_t *data, std::uint32_t bytes) override {
    if (key == nullptr || name == nullptr || (data == nullptr && bytes != 0))
      return kErrorInvalidParameter;
    const auto &opened = *static_cast<const OpenedKey *>(key);
    if ((opened.access & kKeySetValue) == 0) return kErrorAccessDenied;
    try {
      std::string path;
      if (!ValueFilePath(opened, name, path)) return kErrorInvalidParameter;
      // The new file is written whole beside the old one and renamed over it,
      // so a reader sees either the old value or the new one.
      std::string temporary = path + ".XXXXXX";
      std::vector<char> pattern(temporary.begin(), temporary.end());
      pattern.push_back('\0');
      FileDescriptor file(::mkstemp(pattern.data()));
      if (!file) return FromErrno(errno);
      temporary.assign(pattern.data());

      const std::uint8_t header[kHeaderBytes] = {
          static_cast<std::uint8_t>(type & 0xFF), static_cast<std::uint8_t>((type >> 8) & 0xFF),
          static_cast<std::uint8_t>((type >> 16) & 0xFF), static_cast<std::uint8_t>(type >> 24)};
      bool ok = WriteAll(file.get(), header, kHeaderBytes) &&
                (bytes == 0 || WriteAll(file.get(), data, bytes)) && ::fsync(file.get()) == 0;
      int error = ok ? 0 : errno;
      if (!file.Close() && ok) {
        ok = false;
        error = errno;
      }
      if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
      }
      if (!ok) {
        ::unlink(temporary.c_str());
        return FromErrno(error);
      }
      FileDescriptor directory(::open(opened.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (directory) (void)::fsync(directory.get());
      return kErrorSuccess;
    } catch (const std::bad_alloc &) {
      return kErrorNotEnoughMemory;
    }
  }

  void CloseKey(KeyHandle key) override { delete static_cast<OpenedKey *>(key); }
};

}  // namespace

SettingsStore &SystemSettings() {
  static FileHive hive;
  return hive;
}

}  // namespace hf::platform
