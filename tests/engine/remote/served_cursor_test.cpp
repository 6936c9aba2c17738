// The server's side and the client's side of a cursor joined in one process,
// without the call between them: the records that reach the client equal the
// engine's own, however the batches are cut and whichever way they travel;
// and the server's cursor travels by value only where it should.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "batch_source.h"
#include "batching_cursor.h"
#include "com_ref.h"
#include "log_engine_object.h"
#include "marshaling_cursor.h"
#include "remote_ids.h"

namespace {

using morvex::remote::ComRef;

struct Record {
  std::wstring path;
  std::wstring second;
  LONG number = 0;
  std::tuple<int, int, int, int, int, int, int, int> time;
  bool operator==(const Record &o) const {
    return path == o.path && second == o.second && number == o.number && time == o.time;
  }
};

// Reads a cursor to its end, one record at a time, through the declared interface.
std::vector<Record> ReadAll(ILogCursor *cursor, HRESULT *last) {
  std::vector<Record> records;
  for (;;) {
    ILogRecord *raw = nullptr;
    ULONG fetched = 0;
    *last = cursor->Next(1, &raw, &fetched);
    if (*last != S_OK) break;
    ComRef<ILogRecord> record(raw);
    const WCHAR *path = nullptr;
    const WCHAR *second = nullptr;
    Record r;
    SYSTEMTIME t{};
    record->GetObjectPath(&path);
    record->GetSecondText(&second);
    record->GetNumber(&r.number);
    record->GetTime(&t);
    r.path = path;
    r.second = second;
    r.time = {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
    records.push_back(r);
  }
  return records;
}

class ServedCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    wchar_t temp[MAX_PATH];
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    dir_ = std::wstring(temp) + L"morvex-served-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(dir_.c_str(), nullptr);
    // A long path, texts outside ASCII, an empty second text and a malformed line.
    std::string log =
        "# comment\n"
        "2026-03-15 08:30:05.250\t7\tC:\\dir\\a.txt\topen\n"
        "not a record\n"
        "2026-03-14 23:59:59.999\t-3\tC:\\\xc3\xa9\xe4\xb8\xad\\\xf0\x9f\x98\x80.txt\t\xc3\xbc\n"
        "2026-01-01 00:00:00.000\t0\tD:\\" + std::string(3000, 'p') + "\t\n";
    for (int i = 0; i < 500; ++i)
      log += "2026-02-0" + std::to_string(1 + i % 9) + " 10:00:00.000\t" + std::to_string(i) + "\tC:\\many\\f" +
             std::to_string(i) + "\tsecond " + std::to_string(i) + "\n";
    const std::wstring file = dir_ + L"first.log";
    FILE *out = _wfopen(file.c_str(), L"wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(log.data(), 1, log.size(), out);
    std::fclose(out);
    ::SetEnvironmentVariableW(L"MORVEX_HISTORY_DIR", dir_.c_str());
    engine_ = ComRef<hf::ILogEngine>(new morvex::LogEngineObject());
  }
  void TearDown() override {
    engine_.Reset();
    ::DeleteFileW((dir_ + L"first.log").c_str());
    ::RemoveDirectoryW(dir_.c_str());
    ::SetEnvironmentVariableW(L"MORVEX_HISTORY_DIR", nullptr);
    ::CoUninitialize();
  }

  ComRef<hf::ILogCursor> OpenEngineCursor() {
    ComRef<hf::ILogCursor> cursor;
    EXPECT_EQ(engine_->OpenFirstLog(cursor.Put()), S_OK);
    return cursor;
  }

  std::wstring dir_;
  ComRef<hf::ILogEngine> engine_;
};

TEST_F(ServedCursorTest, RecordsReachTheClientAsTheEngineGivesThem) {
  HRESULT last = E_FAIL;
  ComRef<hf::ILogCursor> direct = OpenEngineCursor();
  // The engine's record and the declared one share their layout.
  const std::vector<Record> expected = ReadAll(reinterpret_cast<ILogCursor *>(direct.Get()), &last);
  ASSERT_EQ(last, S_FALSE);
  ASSERT_EQ(expected.size(), 503u);

  struct Case {
    const char *name;
    std::uint32_t clientBatch;
    std::uint32_t batchBytes;
    std::uint32_t sectionBytes;
  };
  const Case cases[] = {
      {"big batches through the section", 4096, 1 << 20, 4 << 20},
      {"one record a fetch", 1, 1 << 20, 4 << 20},
      {"small batches in the call", 7, 1 << 20, 0},
      {"cut by size", 4096, 1, 4 << 20},
      {"the long record does not fit the section", 64, 1 << 20, 4096},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    morvex::server::ServeOptions options;
    options.batchBytes = c.batchBytes;
    options.sectionBytes = c.sectionBytes;
    ComRef<hf::ILogCursor> engineCursor = OpenEngineCursor();
    ComRef<morvex::server::BatchSource> source(new morvex::server::BatchSource(engineCursor.Get(), options));
    EXPECT_EQ(source->SectionName().empty(), c.sectionBytes == 0);
    ComRef<morvex::proxy::BatchingCursor> client(new morvex::proxy::BatchingCursor());
    client->Attach(source.Get(), c.clientBatch, source->SectionName(), source->SectionBytes());
    const std::vector<Record> got = ReadAll(client.Get(), &last);
    EXPECT_EQ(last, S_FALSE);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_TRUE(got[i] == expected[i]) << "record " << i;
    // Begin goes back to the first record.
    ASSERT_EQ(client->Begin(), S_OK);
    const std::vector<Record> again = ReadAll(client.Get(), &last);
    ASSERT_EQ(again.size(), expected.size());
    EXPECT_TRUE(again.front() == expected.front());
  }
}

TEST_F(ServedCursorTest, FetchChecksItsArguments) {
  ComRef<hf::ILogCursor> engineCursor = OpenEngineCursor();
  ComRef<morvex::server::BatchSource> source(
      new morvex::server::BatchSource(engineCursor.Get(), morvex::server::ServeOptions{}));
  ULONG sharedSize = 1;
  ULONG size = 1;
  byte *batch = reinterpret_cast<byte *>(1);
  EXPECT_EQ(source->Fetch(0, TRUE, &sharedSize, &size, &batch), E_INVALIDARG);
  EXPECT_EQ(batch, nullptr);
  EXPECT_EQ(source->Fetch(1, TRUE, nullptr, &size, &batch), E_POINTER);
}

// By value only to another process, for a normal marshaling of the cursor;
// everything else goes to the standard marshaler.
TEST_F(ServedCursorTest, TravelsByValueOnlyToAnotherProcess) {
  ComRef<hf::ILogCursor> engineCursor = OpenEngineCursor();
  engineCursor->AddRef();
  ComRef<morvex::server::MarshalingCursor> cursor(
      new morvex::server::MarshalingCursor(engineCursor.Get(), morvex::server::ServeOptions{}));
  ComRef<IMarshal> marshal;
  ASSERT_EQ(cursor->QueryInterface(IID_IMarshal, marshal.PutVoid()), S_OK);
  const struct {
    const char *name;
    const IID *iid;
    DWORD context;
    DWORD flags;
    bool byValue;
  } cases[] = {
      {"cursor to another process", &IID_ILogCursor, MSHCTX_LOCAL, MSHLFLAGS_NORMAL, true},
      {"IUnknown to another process", &IID_IUnknown, MSHCTX_LOCAL, MSHLFLAGS_NORMAL, true},
      {"another apartment", &IID_ILogCursor, MSHCTX_INPROC, MSHLFLAGS_NORMAL, false},
      {"another machine", &IID_ILogCursor, MSHCTX_DIFFERENTMACHINE, MSHLFLAGS_NORMAL, false},
      {"no shared memory", &IID_ILogCursor, MSHCTX_NOSHAREDMEM, MSHLFLAGS_NORMAL, false},
      {"table marshaling", &IID_ILogCursor, MSHCTX_LOCAL, MSHLFLAGS_TABLESTRONG, false},
  };
  for (const auto &c : cases) {
    CLSID clsid{};
    ASSERT_EQ(marshal->GetUnmarshalClass(*c.iid, nullptr, c.context, nullptr, c.flags, &clsid), S_OK) << c.name;
    EXPECT_EQ(IsEqualCLSID(clsid, morvex::remote::kClsidBatchingCursor) != FALSE, c.byValue) << c.name;
  }
}

}  // namespace
