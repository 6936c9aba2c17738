// The client's batching cursor over a scripted batch source, in one process:
// records come out as the batches held them, the end and Begin behave as the
// engine's cursor does, and a failed or damaged fetch stores nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "batching_cursor.h"
#include "com_ref.h"
#include "record_batch.h"
#include "shared_section.h"

namespace {

using morvex::proxy::BatchingCursor;
using morvex::remote::ComRef;

// Where a scripted batch goes: in the call, into the shared section, or
// nowhere while the section size claimed is past the section's end.
enum class Via { kCall, kSection, kSectionOverrun };

// One scripted answer of Fetch.
struct Answer {
  HRESULT result;
  std::vector<std::uint8_t> bytes;
  Via via = Via::kCall;
};

class ScriptedSource final : public ILogBatchSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ILogBatchSource)) {
      AddRef();
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE Begin() override {
    ++begins;
    return beginResult;
  }
  HRESULT STDMETHODCALLTYPE Fetch(ULONG maxRecords, BOOL shared, ULONG *sharedSize, ULONG *size,
                                  byte **batch) override {
    asked.push_back(maxRecords);
    askedShared.push_back(shared != FALSE);
    *sharedSize = 0;
    *size = 0;
    *batch = nullptr;
    if (answers.empty()) return E_UNEXPECTED;
    Answer answer = answers.front();
    answers.pop_front();
    if (answer.via == Via::kSection) {
      std::copy(answer.bytes.begin(), answer.bytes.end(), section.Data());
      *sharedSize = static_cast<ULONG>(answer.bytes.size());
    } else if (answer.via == Via::kSectionOverrun) {
      *sharedSize = section.Size() + 1;
    } else if (!answer.bytes.empty()) {
      *batch = static_cast<byte *>(::CoTaskMemAlloc(answer.bytes.size()));
      std::copy(answer.bytes.begin(), answer.bytes.end(), *batch);
      *size = static_cast<ULONG>(answer.bytes.size());
    }
    return answer.result;
  }

  ULONG refs = 1;
  int begins = 0;
  HRESULT beginResult = S_OK;
  std::deque<Answer> answers;
  std::vector<ULONG> asked;
  std::vector<bool> askedShared;
  morvex::remote::SharedSection section;
};

const hf::Timestamp kTime{2026, 3, 0, 15, 8, 30, 5, 250};

// A batch of records named prefix0, prefix1, ... numbered from first.
std::vector<std::uint8_t> Batch(const std::wstring &prefix, int first, int count) {
  morvex::wire::BatchWriter writer;
  for (int i = first; i < first + count; ++i) {
    const std::wstring path = prefix + std::to_wstring(i);
    const std::wstring second = L"text" + std::to_wstring(i);
    writer.Add(path.c_str(), static_cast<std::uint32_t>(path.size()), second.c_str(),
               static_cast<std::uint32_t>(second.size()), i, kTime);
  }
  return std::vector<std::uint8_t>(writer.Data(), writer.Data() + writer.Size());
}

std::vector<std::uint8_t> EmptyBatch() {
  morvex::wire::BatchWriter writer;
  return std::vector<std::uint8_t>(writer.Data(), writer.Data() + writer.Size());
}

class BatchingCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cursor_ = ComRef<BatchingCursor>(new BatchingCursor());
    cursor_->Attach(&source_, 3);
  }
  void TearDown() override {
    cursor_.Reset();
    EXPECT_EQ(source_.refs, 1u) << "the cursor gives back its source";
  }

  // One Next(1): the result, and the record's path and number when one came.
  HRESULT NextOne(std::wstring *path = nullptr, LONG *number = nullptr) {
    ILogRecord *record = reinterpret_cast<ILogRecord *>(0x1);  // must stay untouched on failure
    ULONG fetched = 7;
    const HRESULT result = cursor_->Next(1, &record, &fetched);
    if (result != S_OK) {
      EXPECT_EQ(fetched, 0u);
      EXPECT_EQ(record, reinterpret_cast<ILogRecord *>(0x1)) << "nothing stored";
      return result;
    }
    EXPECT_EQ(fetched, 1u);
    ComRef<ILogRecord> held(record);
    const WCHAR *text = nullptr;
    EXPECT_EQ(record->GetObjectPath(&text), S_OK);
    if (path != nullptr) *path = text;
    if (number != nullptr) {
      EXPECT_EQ(record->GetNumber(number), S_OK);
    }
    return result;
  }

  ScriptedSource source_;
  ComRef<BatchingCursor> cursor_;
};

TEST_F(BatchingCursorTest, RecordsComeOutInOrderAcrossBatchesThenTheEnd) {
  source_.answers = {{S_OK, Batch(L"C:\\r", 0, 3)}, {S_FALSE, Batch(L"C:\\r", 3, 2)}};
  for (int i = 0; i < 5; ++i) {
    std::wstring path;
    LONG number = -1;
    ASSERT_EQ(NextOne(&path, &number), S_OK) << i;
    EXPECT_EQ(path, L"C:\\r" + std::to_wstring(i));
    EXPECT_EQ(number, i);
  }
  EXPECT_EQ(NextOne(), S_FALSE);
  EXPECT_EQ(NextOne(), S_FALSE) << "the end stays the end";
  EXPECT_EQ(source_.asked, (std::vector<ULONG>{3, 3})) << "one fetch a batch, none after the end";
}

TEST_F(BatchingCursorTest, AnEmptyLogEndsAtOnce) {
  source_.answers = {{S_FALSE, EmptyBatch()}};
  EXPECT_EQ(NextOne(), S_FALSE);
}

TEST_F(BatchingCursorTest, RecordTextsStayValidUntilReleaseAndAllFieldsArrive) {
  source_.answers = {{S_FALSE, Batch(L"C:\\keep", 0, 2)}};
  ILogRecord *first = nullptr;
  ILogRecord *second = nullptr;
  ULONG fetched = 0;
  ASSERT_EQ(cursor_->Next(1, &first, &fetched), S_OK);
  ASSERT_EQ(cursor_->Next(1, &second, &fetched), S_OK);
  ASSERT_NE(first, second) << "a record still held is not refilled";
  const WCHAR *path = nullptr;
  const WCHAR *text = nullptr;
  LONG number = -1;
  SYSTEMTIME time{};
  ASSERT_EQ(first->GetObjectPath(&path), S_OK);
  ASSERT_EQ(first->GetSecondText(&text), S_OK);
  ASSERT_EQ(first->GetNumber(&number), S_OK);
  ASSERT_EQ(first->GetTime(&time), S_OK);
  EXPECT_STREQ(path, L"C:\\keep0");
  EXPECT_STREQ(text, L"text0");
  EXPECT_EQ(number, 0);
  EXPECT_EQ(std::vector<int>({time.wYear, time.wMonth, time.wDayOfWeek, time.wDay, time.wHour, time.wMinute,
                              time.wSecond, time.wMilliseconds}),
            std::vector<int>({2026, 3, 0, 15, 8, 30, 5, 250}));
  EXPECT_EQ(first->GetObjectPath(nullptr), E_INVALIDARG);
  second->Release();
  first->Release();
}

TEST_F(BatchingCursorTest, SeveralAtOnceAsTheEngineAnswers) {
  source_.answers = {{S_OK, Batch(L"p", 0, 3)}, {S_FALSE, Batch(L"p", 3, 1)}};
  ILogRecord *records[5] = {};
  ULONG fetched = 0;
  ASSERT_EQ(cursor_->Next(2, records, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  ASSERT_EQ(cursor_->Next(5, records + 2, &fetched), S_FALSE) << "the log ends before five";
  EXPECT_EQ(fetched, 2u);
  for (int i = 0; i < 4; ++i) {
    LONG number = -1;
    records[i]->GetNumber(&number);
    EXPECT_EQ(number, i);
    records[i]->Release();
  }
  EXPECT_EQ(cursor_->Next(2, records, nullptr), E_INVALIDARG) << "several need a count";
  EXPECT_EQ(cursor_->Next(0, nullptr, &fetched), S_OK);
}

TEST_F(BatchingCursorTest, BeginDropsTheBufferAndAsksTheSourceAgain) {
  source_.answers = {{S_OK, Batch(L"a", 0, 3)}, {S_FALSE, Batch(L"a", 0, 1)}};
  ASSERT_EQ(NextOne(), S_OK);
  ASSERT_EQ(cursor_->Begin(), S_OK);
  EXPECT_EQ(source_.begins, 1);
  LONG number = -1;
  ASSERT_EQ(NextOne(nullptr, &number), S_OK);
  EXPECT_EQ(number, 0) << "from the first record again, not from the old buffer";
  EXPECT_EQ(NextOne(), S_FALSE);
  source_.answers = {{S_FALSE, Batch(L"a", 0, 1)}};
  ASSERT_EQ(cursor_->Begin(), S_OK);
  EXPECT_EQ(NextOne(), S_OK) << "Begin after the end reads again";
  source_.beginResult = static_cast<HRESULT>(0x800706BA);
  EXPECT_EQ(cursor_->Begin(), static_cast<HRESULT>(0x800706BA));
}

// Whatever a fetch brings that is not a good batch is answered as a failure
// with nothing stored, and the cursor stays usable.
TEST_F(BatchingCursorTest, FailedOrDamagedFetchesStoreNothing) {
  std::vector<std::uint8_t> truncated = Batch(L"t", 0, 2);
  truncated.pop_back();
  std::vector<std::uint8_t> badMagic = Batch(L"m", 0, 1);
  badMagic[0] ^= 0xFF;
  const struct {
    const char *name;
    Answer answer;
    HRESULT expected;
  } cases[] = {
      {"server gone", {static_cast<HRESULT>(0x800706BA), {}}, static_cast<HRESULT>(0x800706BA)},
      {"server died in the call", {static_cast<HRESULT>(0x800706BE), {}}, static_cast<HRESULT>(0x800706BE)},
      {"truncated", {S_OK, truncated}, RPC_E_INVALID_DATA},
      {"bad magic", {S_OK, badMagic}, RPC_E_INVALID_DATA},
      {"no bytes at all", {S_OK, {}}, RPC_E_INVALID_DATA},
      {"goes on but sends nothing", {S_OK, EmptyBatch()}, RPC_E_INVALID_DATA},
  };
  for (const auto &c : cases) {
    source_.answers = {c.answer, {S_FALSE, Batch(L"after", 0, 1)}};
    EXPECT_EQ(NextOne(), c.expected) << c.name;
    std::wstring path;
    EXPECT_EQ(NextOne(&path), S_OK) << c.name << ": the next fetch is tried";
    EXPECT_EQ(path, L"after0") << c.name;
    ASSERT_EQ(cursor_->Begin(), S_OK);
  }
}

// With the source's shared section open, batches come through it; one that
// did not fit comes in the call; a size past the section's end is refused.
TEST_F(BatchingCursorTest, BatchesThroughTheSharedSection) {
  ASSERT_TRUE(source_.section.Create(64 * 1024));
  cursor_->Attach(&source_, 3, source_.section.Name(), source_.section.Size());
  std::vector<std::uint8_t> truncated = Batch(L"t", 0, 2);
  truncated.pop_back();
  source_.answers = {{S_OK, Batch(L"s", 0, 3), Via::kSection},
                     {S_OK, Batch(L"c", 3, 1), Via::kCall},
                     {S_OK, {}, Via::kSectionOverrun},
                     {S_OK, truncated, Via::kSection},
                     {S_FALSE, Batch(L"s", 4, 1), Via::kSection}};
  const wchar_t *expected[] = {L"s0", L"s1", L"s2", L"c3"};
  for (const wchar_t *path : expected) {
    std::wstring got;
    ASSERT_EQ(NextOne(&got), S_OK);
    EXPECT_EQ(got, path);
  }
  EXPECT_EQ(NextOne(), RPC_E_INVALID_DATA) << "a size past the section";
  EXPECT_EQ(NextOne(), RPC_E_INVALID_DATA) << "a damaged batch in the section";
  std::wstring last;
  ASSERT_EQ(NextOne(&last), S_OK);
  EXPECT_EQ(last, L"s4");
  EXPECT_EQ(NextOne(), S_FALSE);
  EXPECT_EQ(source_.askedShared, std::vector<bool>(5, true));
}

TEST_F(BatchingCursorTest, ASectionThatDoesNotOpenLeavesTheCall) {
  cursor_->Attach(&source_, 3, L"Local\\MorvexBatchNoSuchSection", 4096);
  source_.answers = {{S_FALSE, Batch(L"c", 0, 1)}};
  EXPECT_EQ(NextOne(), S_OK);
  EXPECT_EQ(source_.askedShared, std::vector<bool>{false});
}

TEST(BatchingCursorUnattachedTest, AnswersWithoutASource) {
  ComRef<BatchingCursor> cursor(new BatchingCursor());
  ILogRecord *record = nullptr;
  ULONG fetched = 0;
  EXPECT_EQ(cursor->Next(1, &record, &fetched), E_UNEXPECTED);
  EXPECT_EQ(record, nullptr);
  EXPECT_EQ(cursor->Begin(), E_UNEXPECTED);
}

}  // namespace
