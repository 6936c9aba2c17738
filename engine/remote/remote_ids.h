// The class identifiers private to the engine server and its proxy library.
// The interface identifiers come from the generated morvex_remote_i.c.
#pragma once

#include <windows.h>

namespace morvex::remote {

// {5D2A8C45-7B3E-4F19-9A60-1C4E8B2D7F05}: the proxy/stub factory of the
// remotable interfaces.
inline constexpr CLSID kClsidProxyStub = {0x5D2A8C45, 0x7B3E, 0x4F19, {0x9A, 0x60, 0x1C, 0x4E, 0x8B, 0x2D, 0x7F, 0x05}};
// {5D2A8C46-7B3E-4F19-9A60-1C4E8B2D7F05}: the client-side batching cursor, the
// unmarshal class of a cursor marshaled by value.
inline constexpr CLSID kClsidBatchingCursor = {0x5D2A8C46, 0x7B3E, 0x4F19, {0x9A, 0x60, 0x1C, 0x4E, 0x8B, 0x2D, 0x7F, 0x05}};

}  // namespace morvex::remote
