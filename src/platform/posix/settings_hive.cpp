// The per-user settings hive on Linux: a key is a directory (its place comes
// from hive_location.h), a value is the file "<name>.value" holding a 4-byte
// little-endian type and then the data.
#include "platform/posix/settings_hive.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/hive_location.h"
#include "platform/settings_store.h"

namespace hf::platform {

// The one translation from errno to the registry's status codes.
Status FromErrno(int error) noexcept {
  switch (error) {
    case ENOENT:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrorAccessDenied;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return kErrorDiskFull;
    default:
      return kErrorBadDb;
  }
}

namespace {

constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;
constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
constexpr Status kErrorInvalidParameter = 87;
constexpr Status kErrorMoreData = 234;
constexpr std::size_t kHeaderBytes = 4;

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
  // Takes over fd, closing the one held before.
  void Reset(int fd) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
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
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;  // no progress and no reason: do not spin
      return false;
    }
    data += written;
    bytes -= static_cast<std::size_t>(written);
  }
  return true;
}

// Whether a file of this many bytes may be written under the process's file
// size limit. Past it the kernel raises SIGXFSZ, which ends the host unless it
// handles the signal; the write is refused before it starts instead.
bool FitsFileSizeLimit(std::uint64_t bytes) noexcept {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return true;
  return bytes <= static_cast<std::uint64_t>(limit.rlim_cur);
}

class FileHive final : public SettingsStore {
 public:
  Status OpenKey(std::uint32_t access, KeyHandle *key) override {
    if (key == nullptr) return kErrorInvalidParameter;
    try {
      char path[PATH_MAX];
      const std::size_t length = HiveKeyDirectory(path, sizeof path);
      // No root, or one too long for any file call to reach: there is no key.
      if (length == 0 || length >= sizeof path) return kErrorFileNotFound;
      std::string directory(path, length);
      struct stat info {};
      if (::stat(directory.c_str(), &info) != 0) {
        // A file where a directory of the path should be: the key is missing.
        return errno == ENOTDIR ? kErrorFileNotFound : FromErrno(errno);
      }
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

  // Answers from the file's size alone; nothing of the data is read.
  Status QuerySize(KeyHandle key, const char16_t *name, std::uint32_t *bytes) override {
    if (bytes == nullptr) return kErrorInvalidParameter;
    try {
      FileDescriptor file(-1);
      return OpenValue(key, name, file, *bytes);
    } catch (const std::bad_alloc &) {
      return kErrorNotEnoughMemory;
    }
  }

  // Reads the data only when all of it fits in the caller's *bytes, and never
  // more than that, even if the file grew since its size was taken.
  Status QueryData(KeyHandle key, const char16_t *name, std::uint8_t *buffer,
                   std::uint32_t *bytes) override {
    if (buffer == nullptr) return QuerySize(key, name, bytes);
    if (bytes == nullptr) return kErrorInvalidParameter;
    try {
      FileDescriptor file(-1);
      std::uint32_t dataBytes = 0;
      const Status status = OpenValue(key, name, file, dataBytes);
      if (status != kErrorSuccess) return status;
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
        if (n == 0) break;  // the file shrank: deliver what there was
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
    if (!FitsFileSizeLimit(kHeaderBytes + static_cast<std::uint64_t>(bytes))) return FromErrno(EFBIG);
    try {
      std::string path;
      if (!ValueFilePath(opened, name, path)) return kErrorInvalidParameter;
      // The new file is written whole beside the old one and renamed over it,
      // so a reader sees either the old value or the new one. Writers hold the
      // user's lock, so one fixed name per value is never in use by another
      // writer: whatever stands there was left by a writer that was killed. It
      // is removed and the file made afresh, so that nothing it linked to is
      // written through.
      const std::string temporary = path + ".tmp";
      (void)::unlink(temporary.c_str());
      FileDescriptor file(::open(temporary.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (!file) return FromErrno(errno);

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

 private:
  // Opens the value's file for reading and stores the byte count of its data.
  // Nothing here can block: a symlink is not followed and a FIFO or device
  // opens without waiting (on a regular file O_NONBLOCK changes nothing, so it
  // stays set). Anything but a regular file of at least the
  // header's size is damaged; so is one too long for a 32-bit size.
  static Status OpenValue(KeyHandle key, const char16_t *name, FileDescriptor &file,
                          std::uint32_t &dataBytes) {
    if (key == nullptr || name == nullptr) return kErrorInvalidParameter;
    const auto &opened = *static_cast<const OpenedKey *>(key);
    if ((opened.access & kKeyQueryValue) == 0) return kErrorAccessDenied;
    std::string path;
    if (!ValueFilePath(opened, name, path)) return kErrorInvalidParameter;
    file.Reset(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!file) return FromErrno(errno);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) return FromErrno(errno);
    if (!S_ISREG(info.st_mode)) return kErrorBadDb;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size < kHeaderBytes || size - kHeaderBytes > UINT32_MAX) return kErrorBadDb;
    dataBytes = static_cast<std::uint32_t>(size - kHeaderBytes);
    return kErrorSuccess;
  }
};

}  // namespace

SettingsStore &SystemSettings() {
  static FileHive hive;
  return hive;
}

}  // namespace hf::platform
