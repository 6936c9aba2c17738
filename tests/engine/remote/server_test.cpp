// The engine served out of process, against the same engine in process. Run
// by server_wine.sh, which registers MorvexServer.exe for each group of tests
// (plain, with --hang-after, with --idle-seconds) and passes the history
// directory (MORVEX_OOP_HISTORY) and Morvex.dll's path (MORVEX_DLL).
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "abi/log_engine.h"
#include "com_ref.h"
#include "morvex_remote.h"

namespace {

using morvex::remote::ComRef;

const HRESULT kServerDiedInCall = static_cast<HRESULT>(0x800706BE);

std::string Environment(const char *name) {
  char buffer[4096];
  const DWORD length = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

CLSID EngineClass() {
  CLSID clsid;
  std::memcpy(&clsid, &hf::kClsidLogEngine, sizeof clsid);
  return clsid;
}

struct Record {
  std::wstring path;
  std::wstring second;
  LONG number = 0;
  SYSTEMTIME time{};
  bool operator==(const Record &o) const {
    auto fields = [](const SYSTEMTIME &t) {
      return std::make_tuple(t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond,
                             t.wMilliseconds);
    };
    return path == o.path && second == o.second && number == o.number && fields(time) == fields(o.time);
  }
};

// One Next(1) as the library calls it, the four getters in its order: S_OK
// with the record copied, or what Next answered.
HRESULT ReadOne(ILogCursor *cursor, Record *out) {
  ILogRecord *raw = nullptr;
  ULONG fetched = 0;
  const HRESULT result = cursor->Next(1, &raw, &fetched);
  if (result != S_OK) {
    EXPECT_EQ(raw, nullptr);
    EXPECT_EQ(fetched, 0u);
    return result;
  }
  EXPECT_EQ(fetched, 1u);
  ComRef<ILogRecord> record(raw);
  const WCHAR *path = nullptr;
  const WCHAR *second = nullptr;
  EXPECT_EQ(record->GetObjectPath(&path), S_OK);
  EXPECT_EQ(record->GetSecondText(&second), S_OK);
  EXPECT_EQ(record->GetNumber(&out->number), S_OK);
  EXPECT_EQ(record->GetTime(&out->time), S_OK);
  out->path = path != nullptr ? path : L"<null>";
  out->second = second != nullptr ? second : L"<null>";
  return S_OK;
}

struct LogRead {
  std::vector<Record> records;
  HRESULT last = E_FAIL;  // what ended the reading
};

LogRead ReadAll(ILogCursor *cursor) {
  LogRead read;
  Record record;
  while ((read.last = ReadOne(cursor, &record)) == S_OK) read.records.push_back(record);
  return read;
}

HRESULT Open(ILogEngine *engine, bool second, ComRef<ILogCursor> *cursor) {
  return second ? engine->OpenSecondLog(cursor->Put()) : engine->OpenFirstLog(cursor->Put());
}

// Both logs read by the engine in this process, from Morvex.dll.
class InProcessEngine {
 public:
  InProcessEngine() {
    ::SetEnvironmentVariableA("MORVEX_HISTORY_DIR", Environment("MORVEX_OOP_HISTORY").c_str());
    module_ = ::LoadLibraryA(Environment("MORVEX_DLL").c_str());
    if (module_ == nullptr) return;
    using GetClassObject = HRESULT(WINAPI *)(REFCLSID, REFIID, void **);
    const auto entry = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module_, "DllGetClassObject")));
    ComRef<IClassFactory> factory;
    if (entry == nullptr || FAILED(entry(EngineClass(), IID_IClassFactory, factory.PutVoid()))) return;
    factory->CreateInstance(nullptr, IID_ILogEngine, engine_.PutVoid());
  }
  ~InProcessEngine() {
    engine_.Reset();
    // The engine pins its library once it has made an object, so it is not freed here.
  }
  ILogEngine *Get() const { return engine_.Get(); }

  std::vector<Record> Read(bool second) {
    ComRef<ILogCursor> cursor;
    EXPECT_EQ(Open(engine_.Get(), second, &cursor), S_OK);
    EXPECT_EQ(cursor->Begin(), S_OK);
    const LogRead read = ReadAll(cursor.Get());
    EXPECT_EQ(read.last, S_FALSE);
    return read.records;
  }

 private:
  HMODULE module_ = nullptr;
  ComRef<ILogEngine> engine_;
};

// A COM apartment of the calling thread, as the library's workers enter it.
class Sta {
 public:
  Sta() { EXPECT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  ~Sta() { ::CoUninitialize(); }
  Sta(const Sta &) = delete;
  Sta &operator=(const Sta &) = delete;
};

HRESULT Activate(ComRef<ILogEngine> *engine) {
  return ::CoCreateInstance(EngineClass(), nullptr, CLSCTX_LOCAL_SERVER, IID_ILogEngine, engine->PutVoid());
}

// One handle, closed once.
class Handle {
 public:
  explicit Handle(HANDLE handle) noexcept : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~Handle() {
    if (handle_ != nullptr) ::CloseHandle(handle_);
  }
  Handle(const Handle &) = delete;
  Handle &operator=(const Handle &) = delete;
  HANDLE Get() const noexcept { return handle_; }

 private:
  HANDLE handle_;
};

// The server processes now running, by id.
std::vector<DWORD> ServerProcesses() {
  std::vector<DWORD> ids;
  const Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.Get() == nullptr) return ids;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
    if (::lstrcmpiW(entry.szExeFile, L"MorvexServer.exe") == 0) ids.push_back(entry.th32ProcessID);
  return ids;
}

// Waits until no server process runs, up to a deadline: true when none is left.
bool ServersGone(std::chrono::seconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!ServerProcesses().empty()) {
    if (std::chrono::steady_clock::now() > end) return false;
    ::Sleep(100);
  }
  return true;
}

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Environment("MORVEX_OOP_HISTORY").empty()) << "run through server_wine.sh";
    ASSERT_NE(inProcess_.Get(), nullptr) << "Morvex.dll at " << Environment("MORVEX_DLL");
    ASSERT_TRUE(ServersGone(std::chrono::seconds(20))) << "a server of an earlier test still runs";
  }
  InProcessEngine inProcess_;
};

// The library's two workers: each on its own STA thread, each with its own
// server, read their log to the end; every record equals the engine's own.
TEST_F(ServerTest, TwoWorkersReadBothLogsAsInProcess) {
  const std::vector<Record> expected[2] = {inProcess_.Read(false), inProcess_.Read(true)};
  ASSERT_FALSE(expected[0].empty());
  ASSERT_FALSE(expected[1].empty());
  LogRead got[2];
  HRESULT activation[2] = {E_FAIL, E_FAIL};
  std::thread workers[2];
  for (int w = 0; w < 2; ++w) {
    workers[w] = std::thread([w, &got, &activation] {
      Sta sta;
      ComRef<ILogEngine> engine;
      activation[w] = Activate(&engine);
      if (FAILED(activation[w])) return;
      ComRef<ILogCursor> cursor;
      if (FAILED(Open(engine.Get(), w == 1, &cursor))) return;
      cursor->Begin();
      got[w] = ReadAll(cursor.Get());
    });
  }
  for (std::thread &worker : workers) worker.join();
  for (int w = 0; w < 2; ++w) {
    SCOPED_TRACE(w == 0 ? "first log" : "second log");
    ASSERT_EQ(activation[w], S_OK);
    EXPECT_EQ(got[w].last, S_FALSE);
    ASSERT_EQ(got[w].records.size(), expected[w].size());
    for (std::size_t i = 0; i < expected[w].size(); ++i)
      ASSERT_TRUE(got[w].records[i] == expected[w][i]) << "record " << i;
  }
  EXPECT_TRUE(ServersGone(std::chrono::seconds(20))) << "each server ends with its last object";
}

TEST_F(ServerTest, EndAndBeginAsInProcess) {
  const std::vector<Record> expected = inProcess_.Read(false);
  Sta sta;
  ComRef<ILogEngine> engine;
  ASSERT_EQ(Activate(&engine), S_OK);
  ComRef<ILogCursor> cursor;
  ASSERT_EQ(engine->OpenFirstLog(cursor.Put()), S_OK);
  // Without Begin the cursor starts at the first record, as the engine's does.
  Record first;
  ASSERT_EQ(ReadOne(cursor.Get(), &first), S_OK);
  EXPECT_TRUE(first == expected.front());
  LogRead rest = ReadAll(cursor.Get());
  EXPECT_EQ(rest.last, S_FALSE);
  EXPECT_EQ(rest.records.size() + 1, expected.size());
  Record none;
  EXPECT_EQ(ReadOne(cursor.Get(), &none), S_FALSE) << "the end stays the end";

  ASSERT_EQ(cursor->Begin(), S_OK);
  const LogRead again = ReadAll(cursor.Get());
  EXPECT_EQ(again.last, S_FALSE);
  ASSERT_EQ(again.records.size(), expected.size());
  EXPECT_TRUE(again.records.front() == expected.front());
  EXPECT_TRUE(again.records.back() == expected.back());

  // A second cursor of the same engine reads on its own.
  ComRef<ILogCursor> other;
  ASSERT_EQ(engine->OpenFirstLog(other.Put()), S_OK);
  Record otherFirst;
  ASSERT_EQ(ReadOne(other.Get(), &otherFirst), S_OK);
  EXPECT_TRUE(otherFirst == expected.front());
}

// Registered with --hang-after 5: five records come, then the fetch hangs;
// killing the server makes the waiting Next fail with nothing stored.
TEST(ServerHangTest, KilledWhileHangingTheWaitingNextFails) {
  ASSERT_TRUE(ServersGone(std::chrono::seconds(20)));
  std::atomic<int> read{0};
  std::atomic<bool> done{false};
  HRESULT hung = S_OK;
  std::thread worker([&] {
    Sta sta;
    ComRef<ILogEngine> engine;
    if (FAILED(Activate(&engine))) {
      done = true;
      return;
    }
    ComRef<ILogCursor> cursor;
    engine->OpenFirstLog(cursor.Put());
    cursor->Begin();
    Record record;
    while ((hung = ReadOne(cursor.Get(), &record)) == S_OK) ++read;
    done = true;
  });
  // The reader reaches the hanging fetch and stays there.
  for (int i = 0; i < 100 && read < 5 && !done; ++i) ::Sleep(100);
  // Past the few seconds in which the server keeps its class registered
  // after a use, so killing it leaves no registration behind.
  ::Sleep(4000);
  EXPECT_FALSE(done) << "the sixth record's fetch hangs";
  EXPECT_EQ(read, 5);
  const std::vector<DWORD> servers = ServerProcesses();
  EXPECT_EQ(servers.size(), 1u);
  if (servers.empty()) {
    // Nothing to end the worker's wait; it goes with the process.
    worker.detach();
    FAIL() << "no server to kill";
  }
  {
    const Handle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, servers[0]));
    if (process.Get() != nullptr) {
      ::TerminateProcess(process.Get(), 9);
      ::WaitForSingleObject(process.Get(), 10000);
    }
  }
  worker.join();
  EXPECT_EQ(read, 5);
  EXPECT_EQ(hung, kServerDiedInCall);
}

// Registered with --idle-seconds 2: a client that holds its objects but
// calls nothing no longer keeps the server; later calls fail cleanly.
TEST(ServerIdleTest, AnIdleServerEndsAndLaterCallsFail) {
  ASSERT_TRUE(ServersGone(std::chrono::seconds(20)));
  Sta sta;
  ComRef<ILogEngine> engine;
  ASSERT_EQ(Activate(&engine), S_OK);
  ComRef<ILogCursor> cursor;
  ASSERT_EQ(engine->OpenFirstLog(cursor.Put()), S_OK);
  Record record;
  ASSERT_EQ(ReadOne(cursor.Get(), &record), S_OK);
  ASSERT_EQ(ServerProcesses().size(), 1u);
  EXPECT_TRUE(ServersGone(std::chrono::seconds(20))) << "the server ends by itself";
  EXPECT_TRUE(FAILED(cursor->Begin()));
  ComRef<ILogCursor> another;
  EXPECT_TRUE(FAILED(engine->OpenSecondLog(another.Put())));
}

}  // namespace
