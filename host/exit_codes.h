// The exit statuses of orderhost (the usage and input ones after sysexits.h).
#pragma once

namespace host {

inline constexpr int kTrue = 0;          // the function answered true
inline constexpr int kFalse = 1;         // it answered false
inline constexpr int kNil = 2;           // send answered nil: no positions
inline constexpr int kRuntimeError = 3;  // the runtime raised its error
inline constexpr int kUsage = 64;
inline constexpr int kBadInput = 65;     // the order file is not valid or names no member
inline constexpr int kNoInput = 66;      // a file cannot be read
inline constexpr int kInternal = 70;     // anything else: a fault of orderhost's own

}  // namespace host
