// A small fixture around the reference engine: a private history directory
// and the engine object of a freshly loaded Morvex.dll.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine_host.h"
#include "abi/log_engine.h"

namespace engine_test {

// Holds one reference and gives it back once.
template <class T>
class Ref {
 public:
  Ref() = default;
  ~Ref() { Reset(); }
  Ref(const Ref &) = delete;
  Ref &operator=(const Ref &) = delete;
  T **Put() {
    Reset();
    return &p_;
  }
  void **PutVoid() { return reinterpret_cast<void **>(Put()); }
  T *operator->() const { return p_; }
  T *Get() const { return p_; }
  void Reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }

 private:
  T *p_ = nullptr;
};

// What one engine record held when it was read.
struct ReadRecord {
  std::u16string path;
  std::u16string secondText;
  std::int32_t number = 0;
  hf::Timestamp time{};
};

inline auto Fields(const hf::Timestamp &t) {
  return std::make_tuple(t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds);
}

std::u16string ToU16(const hf::NativeChar16 *text);
ReadRecord CopyRecord(hf::ILogRecord *record);

// <build>, from HOTFOLDERS_BUILD_DIR (ctest sets it), else the parent of the
// current directory.
std::filesystem::path BuildDir();

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a log file of the history directory with exactly these bytes.
  void WriteLog(const char *name, const std::string &bytes) const;

  // Opens the first (or second) log, calls Begin and reads every record.
  std::vector<ReadRecord> ReadLog(bool first = true);

  // Opens a cursor over the first log, without Begin.
  void OpenFirst(Ref<hf::ILogCursor> *cursor);

  std::filesystem::path workDir_;
  std::unique_ptr<EngineLibrary> library_;
  Ref<hf::IClassFactoryAbi> factory_;
  Ref<hf::ILogEngine> engine_;
};

}  // namespace engine_test
