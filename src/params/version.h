// The program's version text, shown in the banner and in the error log's header; the
// version number comes from the build.
#pragma once

namespace morvane {

inline constexpr const char* kProgramVersion = MORVANE_VERSION " beta (09.04.2001)";

}  // namespace morvane
