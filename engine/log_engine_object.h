// The engine object: opens cursors over the two history logs.
#pragma once

#include "com_object.h"

namespace morvex {

class LogEngineObject final : public ComObject<hf::ILogEngine> {
 public:
  hf::HRESULT QueryInterface(const hf::Guid &iid, void **out) override;
  // Stores a new cursor over first.log / second.log of the history directory.
  hf::HRESULT OpenFirstLog(hf::ILogCursor **cursor) override;
  hf::HRESULT OpenSecondLog(hf::ILogCursor **cursor) override;

 private:
  static hf::HRESULT OpenLog(const char *fileName, hf::ILogCursor **cursor) noexcept;
};

}  // namespace morvex
