#pragma once

// ORRISBAY_SANITIZED is defined where a sanitizer's runtime brings its own
// allocator (GCC says so with a macro, clang with __has_feature).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORRISBAY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORRISBAY_SANITIZED 1
#endif
#endif
