// The program's version text, shown in the banner and in the error log's header.
#pragma once

namespace morvane {

inline constexpr const char* kProgramVersion = "2.0 beta (09.04.2001)";

}  // namespace morvane
