// Marks a level kernel to be built twice, plain and for AVX2, the better one
// picked when the program loads. Only x86-64 with GCC or clang has that;
// elsewhere the plain kernel alone is built. No fused multiply-add is ever
// enabled, so both give the same doubles.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ORV_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ORV_AVX2_CLONES
#endif
