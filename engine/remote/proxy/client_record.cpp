#include "client_record.h"

#include "module_count.h"

namespace morvex::proxy {

ClientRecord::ClientRecord() noexcept : texts_(2, 0) {
  secondOffset_ = 1;
  ModuleAddRef();
}

ClientRecord::~ClientRecord() { ModuleRelease(); }

HRESULT STDMETHODCALLTYPE ClientRecord::QueryInterface(REFIID iid, void **out) {
  if (out == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ILogRecord)) {
    AddRef();
    *out = static_cast<ILogRecord *>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClientRecord::AddRef() { return refs_.Add(); }

ULONG STDMETHODCALLTYPE ClientRecord::Release() {
  const ULONG left = refs_.Drop();
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE ClientRecord::GetObjectPath(const WCHAR **text) {
  if (text == nullptr) return E_INVALIDARG;
  *text = texts_.data();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ClientRecord::GetSecondText(const WCHAR **text) {
  if (text == nullptr) return E_INVALIDARG;
  *text = texts_.data() + secondOffset_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ClientRecord::GetNumber(LONG *number) {
  if (number == nullptr) return E_INVALIDARG;
  *number = number_;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE ClientRecord::GetTime(SYSTEMTIME *time) {
  if (time == nullptr) return E_INVALIDARG;
  *time = time_;
  return S_OK;
}

void ClientRecord::Fill(const std::uint8_t *batch, const wire::RecordView &view) {
  static_assert(sizeof(WCHAR) == sizeof(hf::NativeChar16), "16-bit text units");
  texts_.resize(std::size_t{view.pathUnits} + 1 + view.secondUnits + 1);
  WCHAR *at = texts_.data();
  wire::CopyUnits(batch + view.pathOffset, view.pathUnits, reinterpret_cast<hf::NativeChar16 *>(at));
  at[view.pathUnits] = 0;
  secondOffset_ = std::size_t{view.pathUnits} + 1;
  wire::CopyUnits(batch + view.secondOffset, view.secondUnits,
                  reinterpret_cast<hf::NativeChar16 *>(at + secondOffset_));
  at[secondOffset_ + view.secondUnits] = 0;
  number_ = view.number;
  const hf::Timestamp &t = view.time;
  time_ = {t.year, t.month, t.dayOfWeek, t.day, t.hour, t.minute, t.second, t.milliseconds};
}

}  // namespace morvex::proxy
