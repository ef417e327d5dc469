// What the processor offers beyond the x86-64 baseline, for the loops that have a wider form.
// Each answer is asked once per process. On other processors and compilers every answer is no.
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MORVANE_X86_DISPATCH 1
#endif

namespace morvane::gif {

inline bool HasAvx2() {
#if MORVANE_X86_DISPATCH
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

// AVX-512 foundation with byte and word lanes and the 128- and 256-bit forms (32 registers).
inline bool HasAvx512() {
#if MORVANE_X86_DISPATCH
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                          __builtin_cpu_supports("avx512vl");
  return has;
#else
  return false;
#endif
}

// The same with byte permutes across a whole register.
inline bool HasAvx512Vbmi() {
#if MORVANE_X86_DISPATCH
  static const bool has = HasAvx512() && __builtin_cpu_supports("avx512vbmi");
  return has;
#else
  return false;
#endif
}

}  // namespace morvane::gif
