#pragma once
// Hot pixel loops are compiled twice, for AVX2 and for the baseline x86-64, and the loader picks
// the one the processor runs (GCC function multiversioning). Elsewhere the attribute is empty.
// Both versions compute in integers, so their results are identical.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__linux__)
#define XIMORA_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define XIMORA_VECTOR_CLONES
#endif
