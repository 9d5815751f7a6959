# Warnings are set per target so that third-party code is never held to them.
function(kvx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
  # GCC 12 at -O3 reports overlapping copies inside libstdc++'s own string
  # concatenation (a known false positive of that release, fixed in 13),
  # wherever a literal is prepended to a temporary string.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
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

# A part of the tree that needs a package beyond the build packages: with the
# switch at AUTO it is built when the package is found and left out, with a
# line that says so, when not; ON fails without it. Sets <switch>_ENABLED.
function(kvx_optional_part switch package what debian_package)
  set(mode "${${switch}}")
  string(TOUPPER "${mode}" mode)
  set(enabled OFF)
  if(mode STREQUAL "ON" OR mode STREQUAL "TRUE" OR mode STREQUAL "1" OR mode STREQUAL "YES")
    find_package(${package} REQUIRED)
    set(enabled ON)
  elseif(mode STREQUAL "AUTO")
    find_package(${package} QUIET)
    if(${package}_FOUND)
      set(enabled ON)
    else()
      message(STATUS "Left out ${what}: ${package} was not found (Debian package ${debian_package}; ./test installs it)")
    endif()
  endif()
  set(${switch}_ENABLED ${enabled} PARENT_SCOPE)
endfunction()

# Optimised builds are hardened as distributions build their packages:
# checked string and memory calls, stack canaries, a read-only relocation
# table bound at start, and position-independent programs. The sanitizer
# builds leave fortification out, which they do better and which fights them.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
if(NOT KVX_SANITIZE AND NOT KVX_FUZZ)
  set(kvx_optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
  add_compile_options($<${kvx_optimised}:-U_FORTIFY_SOURCE> $<${kvx_optimised}:-D_FORTIFY_SOURCE=2>)
endif()
add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro LINKER:-z,now)
