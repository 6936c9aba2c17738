// Marks a test engine's entry points as exported, undecorated, with C linkage.
#pragma once

#ifdef _WIN32
#define TEST_ENGINE_EXPORT extern "C" __declspec(dllexport)
#else
#define TEST_ENGINE_EXPORT extern "C" __attribute__((visibility("default")))
#endif
