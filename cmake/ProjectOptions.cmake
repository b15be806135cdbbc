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

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
  set(CMAKE_C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
endif()
