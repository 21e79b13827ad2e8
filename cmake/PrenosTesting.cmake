# Helpers that register test programs with CTest, with their area and ledger labels.
#
# prenos_add_test(NAME name SOURCES ... LIBS ... LABELS area...)
#   One GoogleTest or Qt Test program, run once.
# prenos_add_ledger_test(NAME name SOURCES ... LIBS ... LABELS area...)
#   One program run twice: NAME_sqlite and NAME_postgres, with PRENOS_LEDGER set to
#   the backend and the backend's label added, so each suite runs on both real ledgers.

set(PRENOS_TEST_ENV
  "QT_QPA_PLATFORM=offscreen"
  "LC_ALL=C.UTF-8"
  "PRENOS_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
  "PRENOS_BUILD_DIR=${CMAKE_BINARY_DIR}")

function(prenos_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} test_support GTest::gtest GTest::gtest_main)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${PRENOS_TEST_ENV}")
endfunction()

function(prenos_add_ledger_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ledger_fixture test_support GTest::gtest GTest::gtest_main)
  foreach(backend sqlite postgres)
    add_test(NAME ${T_NAME}_${backend} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME}_${backend} PROPERTIES
      LABELS "${T_LABELS};${backend}"
      ENVIRONMENT "${PRENOS_TEST_ENV};PRENOS_LEDGER=${backend}")
  endforeach()
endfunction()

# A Qt Test program (QTEST_MAIN), run offscreen.
function(prenos_add_qt_test)
  cmake_parse_arguments(T "LEDGER" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gui_test_support)
  if(T_LEDGER)
    target_link_libraries(${T_NAME} PRIVATE ledger_fixture)
    foreach(backend sqlite postgres)
      add_test(NAME ${T_NAME}_${backend} COMMAND ${T_NAME})
      set_tests_properties(${T_NAME}_${backend} PROPERTIES
        LABELS "${T_LABELS};${backend}"
        ENVIRONMENT "${PRENOS_TEST_ENV};PRENOS_LEDGER=${backend}")
    endforeach()
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${PRENOS_TEST_ENV}")
  endif()
endfunction()
