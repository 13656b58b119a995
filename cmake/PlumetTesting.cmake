# plumet_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>] [TIMEOUT <s>])
#
# One QtTest executable registered with ctest. Every test gets a home of its own
# under the build tree: HOME and the XDG folders point there, so no test can touch
# the real home folder. GUI tests run offscreen.
function(plumet_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test plumet_test_support ${T_LIBS})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
  # Qt and the keyring daemon want a private runtime folder that exists.
  file(MAKE_DIRECTORY ${home}/runtime)
  file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS "${T_LABELS}"
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "HOME=${home};XDG_DATA_HOME=${home}/data;XDG_CONFIG_HOME=${home}/config;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/runtime;QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;PLUMET_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
endfunction()

# plumet_add_fuzzer(NAME <name> SOURCES <files...> [LIBS <targets...>] [CORPUS <dir>])
#
# A libFuzzer target, built only with -DPLUMET_FUZZ=ON (clang). ctest runs it for
# PLUMET_FUZZ_SECONDS seconds under ASan/UBSan with the label "fuzz".
set(PLUMET_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under ctest")
function(plumet_add_fuzzer)
  if(NOT PLUMET_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  set(work ${CMAKE_BINARY_DIR}/fuzz-work/${F_NAME})
  file(MAKE_DIRECTORY ${work}/corpus)
  set(seed_args)
  if(F_CORPUS)
    set(seed_args ${F_CORPUS})
  endif()
  add_test(NAME ${F_NAME}
           COMMAND ${F_NAME} -max_total_time=${PLUMET_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=10
                   -print_final_stats=1 ${work}/corpus ${seed_args}
           WORKING_DIRECTORY ${work})
  set_tests_properties(${F_NAME} PROPERTIES LABELS fuzz TIMEOUT 600
    ENVIRONMENT "HOME=${work};XDG_DATA_HOME=${work}/data;XDG_CONFIG_HOME=${work}/config;XDG_CACHE_HOME=${work}/cache;QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1")
endfunction()
