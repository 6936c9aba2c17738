// Reads today's date, engine scripts and folder texts out of a fuzz input.
#pragma once

#include <cstddef>
#include <string>

#include "input_reader.h"
#include "scripted_platform.h"

namespace hf::fuzz {

// A valid local date and time from 1980 to 2107 (the clock's range).
Timestamp ReadToday(InputReader &input);

// One answer of Next with its record. Most records carry a date close to
// today, so that the counting window is exercised; the rest any 16 bytes.
ScriptedStep ReadStep(InputReader &input, const Timestamp &today);

// The route to the engine, the host path, and up to maxSteps steps per log.
EngineScript ReadScript(InputReader &input, const Timestamp &today, std::size_t maxSteps);

// A path text: usually built from a few folder-like pieces ("C:", "\\", "->",
// mixed case, surrogates), sometimes raw code units.
std::u16string ReadPath(InputReader &input);

NativeText ToNative(std::u16string_view text);
std::u16string FromNative(const NativeText &text);

// The folder of an object path: up to and including the last backslash before
// the first "->" (or of the whole path); empty when there is none.
std::u16string_view FolderOfPath(std::u16string_view path) noexcept;

// Equality under ASCII case folding; every other unit must be identical.
bool EqualFoldingAscii(std::u16string_view a, std::u16string_view b) noexcept;

}  // namespace hf::fuzz
