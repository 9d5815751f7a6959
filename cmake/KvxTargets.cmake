# Warnings are set per target so that third-party code is never held to them.
function(kvx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
  if(KVX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The core must build without Qt; a stray include is caught at configure time,
# before it can slip through on a machine that happens to have Qt headers.
function(kvx_check_core_is_qt_free dir)
  file(GLOB_RECURSE files CONFIGURE_DEPENDS ${dir}/*.hpp ${dir}/*.cpp ${dir}/*.h)
  foreach(f IN LISTS files)
    file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q[A-Za-z]")
    if(hits)
      message(FATAL_ERROR "Qt include in the core: ${f}: ${hits}")
    endif()
  endforeach()
endfunction()
