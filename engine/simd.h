// SSE2, part of every x86-64: the engine's wide steps use it where the
// compiler offers it (MORVEX_SSE2), and plain code elsewhere.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#define MORVEX_SSE2 1
#endif
