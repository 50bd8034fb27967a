// Whether this build runs under AddressSanitizer, which replaces the heap's
// functions, moves frames off the stack and reports crashes itself: what
// counts heap calls, measures stacks or names crashes stands aside then.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif
