# Helpers shared by the test, fuzz and benchmark folders.
include_guard(GLOBAL)

# varnesk_add_gtest(NAME name SOURCES ... LIBS ... [LABELS unit gl])
function(varnesk_add_gtest)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    VARNESK_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VARNESK_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 600)
endfunction()

# varnesk_add_fuzzer(NAME name SOURCES ... LIBS ... SEEDS dir [SECONDS n])
# Builds a libFuzzer target and a CTest smoke run over its seed corpus.
function(varnesk_add_fuzzer)
  cmake_parse_arguments(F "" "NAME;SEEDS;SECONDS" "SOURCES;LIBS" ${ARGN})
  # a smoke run: the seeds replayed and a moment of mutation; real fuzzing runs for minutes by hand
  if(NOT F_SECONDS)
    set(F_SECONDS 1)
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  # the smoke run works on a copy so that new corpus entries never land in the source tree
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}-corpus)
  add_test(NAME ${F_NAME}-smoke
    COMMAND sh -c "rm -rf '${work}' && mkdir -p '${work}' && cp -r '${F_SEEDS}'/. '${work}'/ && exec '$<TARGET_FILE:${F_NAME}>' -max_total_time=${F_SECONDS} -rss_limit_mb=2048 -timeout=10 '${work}'")
  set_tests_properties(${F_NAME}-smoke PROPERTIES LABELS fuzz-smoke TIMEOUT 120)
endfunction()

# The fuzz targets only learn from coverage of code built with the fuzzer's instrumentation:
# every library that a fuzz target drives calls this.
function(varnesk_fuzz_instrument target)
  if(VARNESK_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
