# Compiler warnings and sanitizer switches shared by every target.
# Real targets link `project_warnings` and `project_options` PRIVATE.

option(ORV_ENABLE_ASAN "AddressSanitizer + UndefinedBehaviorSanitizer" OFF)
option(ORV_ENABLE_TSAN "ThreadSanitizer" OFF)
option(ORV_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" ON)

if(ORV_ENABLE_ASAN AND ORV_ENABLE_TSAN)
  message(FATAL_ERROR "AddressSanitizer and ThreadSanitizer cannot be combined")
endif()

add_library(project_warnings INTERFACE)
target_compile_options(project_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                       -Wold-style-cast -Wcast-align -Woverloaded-virtual -Wpedantic)
if(ORV_WARNINGS_AS_ERRORS)
  target_compile_options(project_warnings INTERFACE -Werror)
endif()

add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_17)
if(ORV_ENABLE_ASAN)
  target_compile_options(project_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                         -fno-sanitize-recover=undefined)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
elseif(ORV_ENABLE_TSAN)
  target_compile_options(project_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(project_options INTERFACE -fsanitize=thread)
endif()

# Debian's hardening flags (stack protector, fortified functions, full
# RELRO) for the code the packages ship, so that the tests run it as it is
# shipped. The path-mapping flag is left out, so that debuggers find the
# sources.
option(ORV_DEBIAN_BUILDFLAGS "Build the shipped code with the hardening flags of dpkg-buildflags" ON)
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
function(orv_harden)
  if(NOT ORV_DEBIAN_BUILDFLAGS OR NOT DPKG_BUILDFLAGS OR ORV_ENABLE_ASAN OR ORV_ENABLE_TSAN)
    return()
  endif()
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^-ffile-prefix-map=")
    foreach(target IN LISTS ARGN)
      if(kind STREQUAL "LDFLAGS")
        target_link_options(${target} PRIVATE ${flags})
      else()
        target_compile_options(${target} PRIVATE ${flags})
      endif()
    endforeach()
  endforeach()
endfunction()

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
  set(CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()
