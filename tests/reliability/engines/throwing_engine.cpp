// A test engine whose first log raises a C++ exception out of the engine
// after two records: from Next, from GetObjectPath or from GetTime, as set
// through SetThrowingEngineMode. Other modes throw out of Release instead,
// after the object is gone: of the first log's third record, of the first
// log's cursor, or of every engine object. The second log reads normally. Every record
// is dated today; the first log's folder is C:\First\, the second log's
// folders are C:\Second\ (3 records) and C:\Both\ (1 record).
#include <atomic>
#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>

#include "abi/log_engine.h"

#ifdef _WIN32
#define THROWING_ENGINE_EXPORT extern "C" __declspec(dllexport)
#else
#define THROWING_ENGINE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

using hf::Guid;
using hf::HRESULT;
using hf::NativeChar16;
using NativeText = std::basic_string<NativeChar16>;

enum Mode : std::int32_t {
  kThrowFromNext = 0,
  kThrowFromPath = 1,
  kThrowFromTime = 2,
  kThrowFromRecordRelease = 3,
  kThrowFromCursorRelease = 4,
  kThrowFromEngineRelease = 5,
};

std::atomic<std::int32_t> gMode{kThrowFromNext};
std::atomic<std::int32_t> gLive{0};

NativeText Native(const char *text) {
  NativeText out;
  for (; *text != '\0'; ++text) out.push_back(static_cast<NativeChar16>(*text));
  return out;
}

hf::Timestamp Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return hf::Timestamp{static_cast<std::uint16_t>(local.tm_year + 1900), static_cast<std::uint16_t>(local.tm_mon + 1),
                       static_cast<std::uint16_t>(local.tm_wday), static_cast<std::uint16_t>(local.tm_mday),
                       9, 30, 0, 0};
}

template <typename Interface>
class Counted : public Interface {
 public:
  Counted() { ++gLive; }
  virtual ~Counted() { --gLive; }
  Counted(const Counted &) = delete;
  Counted &operator=(const Counted &) = delete;

  HRESULT QueryInterface(const Guid &, void **out) override {
    if (out != nullptr) *out = nullptr;
    return hf::kE_NOINTERFACE;
  }
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::uint32_t references_ = 1;
};

class Record final : public Counted<hf::ILogRecord> {
 public:
  Record(const char *path, bool throws) : path_(Native(path)), throws_(throws) {}

  std::uint32_t Release() override {
    const bool fault = throws_ && gMode == kThrowFromRecordRelease;
    const std::uint32_t left = Counted::Release();
    if (fault) throw std::runtime_error("engine fault in the record's Release");
    return left;
  }

  HRESULT GetObjectPath(const NativeChar16 **text) override {
    if (throws_ && gMode == kThrowFromPath) throw std::runtime_error("engine fault in GetObjectPath");
    *text = path_.c_str();
    return hf::kS_OK;
  }
  HRESULT GetSecondText(const NativeChar16 **text) override {
    *text = path_.c_str();
    return hf::kS_OK;
  }
  HRESULT GetNumber(std::int32_t *number) override {
    *number = 1;
    return hf::kS_OK;
  }
  HRESULT GetTime(hf::Timestamp *time) override {
    if (throws_ && gMode == kThrowFromTime) throw std::logic_error("engine fault in GetTime");
    *time = Today();
    return hf::kS_OK;
  }

 private:
  NativeText path_;
  bool throws_;
};

class Cursor final : public Counted<hf::ILogCursor> {
 public:
  explicit Cursor(bool first) : first_(first) {}

  std::uint32_t Release() override {
    const bool fault = first_ && gMode == kThrowFromCursorRelease;
    const std::uint32_t left = Counted::Release();
    if (fault) throw 7;
    return left;
  }

  HRESULT Next(std::uint32_t count, hf::ILogRecord **record, std::uint32_t *fetched) override {
    if (count != 1 || record == nullptr) return hf::kE_INVALIDARG;
    static const char *const kSecond[] = {"C:\\Second\\a.txt", "C:\\Both\\b.txt", "C:\\Second\\c.txt",
                                          "C:\\Second\\d.txt"};
    const int index = position_++;
    if (first_) {
      // Two good records, then the fault.
      if (index == 2 && gMode == kThrowFromNext) throw 42;
      if (index > 2) return hf::kS_FALSE;
      *record = new Record("C:\\First\\x.txt", index == 2);
    } else {
      if (index >= 4) return hf::kS_FALSE;
      *record = new Record(kSecond[index], false);
    }
    if (fetched != nullptr) *fetched = 1;
    return hf::kS_OK;
  }
  HRESULT Begin() override {
    position_ = 0;
    return hf::kS_OK;
  }

 private:
  bool first_;
  int position_ = 0;
};

class Engine final : public Counted<hf::ILogEngine> {
 public:
  std::uint32_t Release() override {
    const std::uint32_t left = Counted::Release();
    if (gMode == kThrowFromEngineRelease) throw std::logic_error("engine fault in the engine's Release");
    return left;
  }
  HRESULT OpenFirstLog(hf::ILogCursor **cursor) override {
    *cursor = new Cursor(true);
    return hf::kS_OK;
  }
  HRESULT OpenSecondLog(hf::ILogCursor **cursor) override {
    *cursor = new Cursor(false);
    return hf::kS_OK;
  }
};

class Factory final : public Counted<hf::IClassFactoryAbi> {
 public:
  HRESULT CreateInstance(hf::IUnknownAbi *outer, const Guid &iid, void **out) override {
    if (out == nullptr) return hf::kE_INVALIDARG;
    *out = nullptr;
    if (outer != nullptr || !(iid == hf::kIidLogEngine)) return hf::kE_NOINTERFACE;
    *out = static_cast<hf::ILogEngine *>(new Engine());
    return hf::kS_OK;
  }
  HRESULT LockServer(std::int32_t) override { return hf::kS_OK; }
};

}  // namespace

THROWING_ENGINE_EXPORT void SetThrowingEngineMode(std::int32_t mode) { gMode = mode; }

// Engine objects not yet released.
THROWING_ENGINE_EXPORT std::int32_t ThrowingEngineLiveObjects() { return gLive; }

THROWING_ENGINE_EXPORT HRESULT DllGetClassObject(const Guid &clsid, const Guid &iid, void **out) {
  if (out == nullptr) return hf::kE_INVALIDARG;
  *out = nullptr;
  if (!(clsid == hf::kClsidLogEngine)) return hf::kCLASS_E_CLASSNOTAVAILABLE;
  if (!(iid == hf::kIidClassFactory)) return hf::kE_NOINTERFACE;
  *out = static_cast<hf::IClassFactoryAbi *>(new Factory());
  return hf::kS_OK;
}
