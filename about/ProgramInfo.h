#pragma once
// The program's identity, defined once: its title (the caption of every message
// box) and its version.

namespace program {

inline constexpr char kTitle[] = "QuendleStoreEdit";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 2;
inline constexpr int kVersionRevision = 7;
inline constexpr char kVersionText[] = "1.02.0007";

} // namespace program
