# ZEMRA_SANITIZE: the whole tree with AddressSanitizer and UndefinedBehaviorSanitizer
# (leaks included). Any report ends the process with an error, so a test fails.
# ZEMRA_FUZZ (clang only): libFuzzer's coverage in every library and the fuzz
# targets registered with ctest, each run for a bounded time.
option(ZEMRA_SANITIZE "Build everything with ASan and UBSan" OFF)
option(ZEMRA_FUZZ "Build the libFuzzer targets (clang only)" OFF)
set(ZEMRA_FUZZ_SECONDS 15 CACHE STRING "How long ctest runs each fuzz target")

# Shared libraries are linked with every symbol resolved, except under the
# sanitizers, whose runtime lives in the program that loads them.
set(ZEMRA_NO_UNDEFINED -Wl,--no-undefined)
if(ZEMRA_SANITIZE OR ZEMRA_FUZZ)
  set(ZEMRA_NO_UNDEFINED)
endif()

# The dynamic-type check is left out: it reads memory through a pipe it opens
# for the purpose, and so reports sound calls in tests that use up every
# descriptor on purpose.
if(ZEMRA_SANITIZE)
  set(sanitizers -fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=all)
  add_compile_options(${sanitizers} -fno-omit-frame-pointer)
  add_link_options(${sanitizers})
endif()

if(ZEMRA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ZEMRA_FUZZ needs clang (configure with CXX=clang++ CC=clang)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=fuzzer-no-link)
endif()

# zemra_add_fuzz_target(NAME SOURCES... LIBS...)
# A libFuzzer program from fuzz/NAME.cpp of the calling folder, with its seeds in
# fuzz/corpus/NAME. ctest runs it for ZEMRA_FUZZ_SECONDS on a scratch corpus
# that starts from the seeds; a crash, sanitizer report or trap fails the test.
function(zemra_add_fuzz_target name)
  if(NOT ZEMRA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/${name}.cpp ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name})
  set(scratch ${CMAKE_CURRENT_BINARY_DIR}/fuzz-corpus/${name})
  add_test(NAME ${name}_bounded
           COMMAND ${CMAKE_COMMAND} -E env --unset=ZEMRA_TEST_STATE
                   ${PROJECT_SOURCE_DIR}/scripts/run_fuzz_target.sh $<TARGET_FILE:${name}>
                   ${scratch} ${seeds} ${ZEMRA_FUZZ_SECONDS})
  math(EXPR limit "${ZEMRA_FUZZ_SECONDS} * 4 + 60")
  set_tests_properties(${name}_bounded PROPERTIES TIMEOUT ${limit} LABELS fuzz)
endfunction()
