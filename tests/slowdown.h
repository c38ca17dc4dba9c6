#pragma once
// How much slower this build runs than a plain one: timing limits are
// multiplied by it, as the sanitizers slow every step severalfold.

#ifdef __SANITIZE_ADDRESS__
constexpr int slowdown = 4;
#else
constexpr int slowdown = 1;
#endif
