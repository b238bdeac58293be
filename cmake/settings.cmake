# Settings shared by every target, and the helper that declares one
# subsystem library together with its unit-test binary.

add_library(zps_settings INTERFACE)
target_compile_features(zps_settings INTERFACE cxx_std_20)
target_include_directories(zps_settings INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_options(zps_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)

if(ZPS_SANITIZE)
  set(zps_sanitize_flags -fsanitize=${ZPS_SANITIZE} -fno-sanitize-recover=all
      -fno-omit-frame-pointer)
  target_compile_options(zps_settings INTERFACE ${zps_sanitize_flags})
  target_link_options(zps_settings INTERFACE ${zps_sanitize_flags})
endif()

if(ZPS_FUZZ)
  # Coverage for libFuzzer in every library; the targets add the runtime.
  target_compile_options(zps_settings INTERFACE -fsanitize=fuzzer-no-link)
  target_link_options(zps_settings INTERFACE -fsanitize=fuzzer-no-link)
endif()

# The sanitizers exit with status 1 by default, which is also the tool's own
# failure status; tests tell them apart through a status of their own.
set(ZPS_TEST_ENVIRONMENT
    "ASAN_OPTIONS=exitcode=86:detect_leaks=1"
    "UBSAN_OPTIONS=exitcode=86:print_stacktrace=1:halt_on_error=1"
    "TSAN_OPTIONS=exitcode=86:halt_on_error=1:second_deadlock_stack=1")

# zps_library(name SOURCES ... [TESTS ...] [DEPS ...] [PRIVATE_DEPS ...])
# declares the static library zps_<name> and, when tests are built and TESTS
# is given, the test binary <name>_test that links only that library.
function(zps_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;TESTS;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(zps_${name} STATIC ${ARG_SOURCES})
  target_link_libraries(zps_${name} PUBLIC zps_settings ${ARG_DEPS}
                        PRIVATE ${ARG_PRIVATE_DEPS})
  target_compile_options(zps_${name} PRIVATE -fno-exceptions)
  if(ZPS_BUILD_TESTS AND ARG_TESTS)
    add_executable(${name}_test ${ARG_TESTS})
    target_link_libraries(${name}_test PRIVATE zps_${name} zps_testutil
                          GTest::gtest_main)
    gtest_discover_tests(${name}_test
                         PROPERTIES ENVIRONMENT "${ZPS_TEST_ENVIRONMENT}"
                         DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
