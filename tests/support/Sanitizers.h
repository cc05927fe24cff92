#pragma once
// TARVELO_TEST_ASAN is 1 in a build with AddressSanitizer, whichever compiler
// made it: GCC says so with __SANITIZE_ADDRESS__, clang through
// __has_feature(address_sanitizer). Tests that preload libraries (fiu-run)
// skip themselves there.

#if defined(__SANITIZE_ADDRESS__)
#define TARVELO_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARVELO_TEST_ASAN 1
#endif
#endif
#ifndef TARVELO_TEST_ASAN
#define TARVELO_TEST_ASAN 0
#endif
