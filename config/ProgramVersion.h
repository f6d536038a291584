#pragma once
// The program's version as the About box and the files it describes itself in show it.

inline constexpr const char* kProgramName = "Mosvane";
inline constexpr const char* kProgramVersion = "2.0";
