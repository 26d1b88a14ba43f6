// The compiler's own operations the engine's hot loops use, in one place: what the
// standard library does not say (yet), said for GCC and Clang.
#ifndef VANTOR_ENGINE_PLATFORM_BUILTINS_H_
#define VANTOR_ENGINE_PLATFORM_BUILTINS_H_

#include <cstdint>

namespace vantor {

// `word` with its bytes in the opposite order (std::byteswap, from C++23 on).
inline std::uint64_t ByteSwap64(std::uint64_t word) { return __builtin_bswap64(word); }

// Asks the processor to bring the bytes at `address` into its cache, for a read soon.
inline void Prefetch(const void* address) { __builtin_prefetch(address); }

}  // namespace vantor

#endif  // VANTOR_ENGINE_PLATFORM_BUILTINS_H_
