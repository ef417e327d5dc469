# Every library under src/ is reached through an include root of its own: a directory in the
# build tree that holds one link, <name> -> src/<name>. A target sees the roots of the libraries
# it links, and no others, so "#include "<name>/header.h"" of a library it does not link fails to
# compile.
function(morvane_include_root target name)
  set(root ${PROJECT_BINARY_DIR}/include-roots/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${name} ${root}/${name} SYMBOLIC)
  target_include_directories(${target} PUBLIC ${root})
endfunction()
