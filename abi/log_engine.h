// The log engine's binary interfaces, as the library calls them. The engine
// library (and any test engine) implements the same declarations.
#pragma once

#include <cstdint>

#include "abi/com_types.h"

namespace hf {

// {5D2A8C41-7B3E-4F19-9A60-1C4E8B2D7F05}
constexpr Guid kClsidLogEngine = {0x5D2A8C41, 0x7B3E, 0x4F19, {0x9A, 0x60, 0x1C, 0x4E, 0x8B, 0x2D, 0x7F, 0x05}};
// {5D2A8C40-7B3E-4F19-9A60-1C4E8B2D7F05}
constexpr Guid kIidLogEngine = {0x5D2A8C40, 0x7B3E, 0x4F19, {0x9A, 0x60, 0x1C, 0x4E, 0x8B, 0x2D, 0x7F, 0x05}};
// {5D2A8C42-7B3E-4F19-9A60-1C4E8B2D7F05}
constexpr Guid kIidLogCursor = {0x5D2A8C42, 0x7B3E, 0x4F19, {0x9A, 0x60, 0x1C, 0x4E, 0x8B, 0x2D, 0x7F, 0x05}};
// {5D2A8C43-7B3E-4F19-9A60-1C4E8B2D7F05}
constexpr Guid kIidLogRecord = {0x5D2A8C43, 0x7B3E, 0x4F19, {0x9A, 0x60, 0x1C, 0x4E, 0x8B, 0x2D, 0x7F, 0x05}};
// {00000001-0000-0000-C000-000000000046}
constexpr Guid kIidClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000000-0000-0000-C000-000000000046}
constexpr Guid kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Pure virtual functions only and no virtual destructor: the vtable layout of
// a COM interface on both platforms.
class IUnknownAbi {
 public:
  virtual HRESULT QueryInterface(const Guid &iid, void **out) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;
};

class IClassFactoryAbi : public IUnknownAbi {
 public:
  virtual HRESULT CreateInstance(IUnknownAbi *outer, const Guid &iid, void **out) = 0;
  virtual HRESULT LockServer(std::int32_t lock) = 0;
};

class ILogRecord : public IUnknownAbi {
 public:
  virtual HRESULT GetObjectPath(const NativeChar16 **text) = 0;
  virtual HRESULT GetSecondText(const NativeChar16 **text) = 0;
  virtual HRESULT GetNumber(std::int32_t *number) = 0;
  virtual HRESULT GetTime(Timestamp *time) = 0;
};

class ILogCursor : public IUnknownAbi {
 public:
  virtual HRESULT Next(std::uint32_t count, ILogRecord **record, std::uint32_t *fetched) = 0;
  virtual HRESULT Begin() = 0;
};

class ILogEngine : public IUnknownAbi {
 public:
  virtual HRESULT OpenFirstLog(ILogCursor **cursor) = 0;
  virtual HRESULT OpenSecondLog(ILogCursor **cursor) = 0;
};

}  // namespace hf
