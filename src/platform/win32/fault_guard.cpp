// The fault guard around an engine library's DllGetClassObject: a frame-based
// structured exception handler, as __try/__except(EXCEPTION_EXECUTE_HANDLER)
// would install. mingw-w64 has no __try, so a small trampoline written in
// assembly carries the handler in its unwind data. A fault that no frame
// inside the call handles is unwound to the trampoline's landing point; a C++
// exception thrown by the call passes through and is caught below.
#include <windows.h>

#include <cstdint>

#include "platform/modules.h"

namespace {

// What the trampoline returns after a fault: no HRESULT is this wide.
constexpr std::uint64_t kFaulted = std::uint64_t{1} << 32;

// The exception code of a C++ exception thrown by g++'s run-time.
constexpr DWORD kGccException = 0x20474343;

}  // namespace

extern "C" {

// Calls fn(*clsid, *iid, out) and returns its HRESULT zero-extended to 64
// bits, or kFaulted when a fault in the call was unwound to the landing point.
std::uint64_t hf_guarded_call(hf::platform::GetClassObjectFn fn, const hf::Guid *clsid,
                              const hf::Guid *iid, void **out);
void hf_guard_landing();

// The trampoline's exception handler: unwinds every fault to the landing point.
EXCEPTION_DISPOSITION hf_guard_handler(EXCEPTION_RECORD *record, void *frame, CONTEXT *context,
                                       void *dispatch) {
  if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0) return ExceptionContinueSearch;
  if (record->ExceptionCode == kGccException) return ExceptionContinueSearch;
  auto *dispatcher = static_cast<DISPATCHER_CONTEXT *>(dispatch);
  RtlUnwindEx(frame, reinterpret_cast<void *>(&hf_guard_landing), record,
              reinterpret_cast<void *>(kFaulted), context, dispatcher->HistoryTable);
  return ExceptionContinueSearch;  // not reached: the unwind resumes at the landing point
}

}  // extern "C"

// rcx = fn, rdx = clsid, r8 = iid, r9 = out. The instruction after the call
// keeps the return address out of the epilogue, so the unwinder treats the
// trampoline as a body frame and calls its handler.
asm(R"(
    .text
    .p2align 4
    .globl hf_guarded_call
    .def hf_guarded_call; .scl 2; .type 32; .endef
    .seh_proc hf_guarded_call
hf_guarded_call:
    .seh_handler hf_guard_handler, @except
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    movq %rcx, %rax
    movq %rdx, %rcx
    movq %r8, %rdx
    movq %r9, %r8
    callq *%rax
    movl %eax, %eax
    .globl hf_guard_landing
hf_guard_landing:
    addq $40, %rsp
    retq
    .seh_endproc
)");

namespace hf::platform {

bool CallGuarded(GetClassObjectFn fn, const Guid &clsid, const Guid &iid, void **out,
                 HRESULT *result) noexcept {
  if (fn == nullptr) return false;
  try {
    const std::uint64_t outcome = hf_guarded_call(fn, &clsid, &iid, out);
    if (outcome == kFaulted) return false;
    if (result != nullptr) *result = static_cast<HRESULT>(static_cast<std::uint32_t>(outcome));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace hf::platform
