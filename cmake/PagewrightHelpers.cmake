# pw_add_test(NAME name LABEL unit|gui|net SOURCES ... LIBS ... [QT_MAIN])
# One GoogleTest executable registered with CTest under one label. QT_MAIN gives it a
# main() that creates a QApplication (window tests run on the offscreen platform).
find_package(GTest QUIET)

function(pw_add_test)
  cmake_parse_arguments(T "QT_MAIN" "NAME;LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(T_QT_MAIN)
    target_sources(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests/qt_test_main.cpp)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock Qt6::Widgets)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  endif()
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(${T_NAME} PRIVATE
    PW_SOURCE_DIR="${CMAKE_SOURCE_DIR}" PW_INSTALL_DIR="${PW_INSTALL_DIR}")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES LABELS ${T_LABEL}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu")
endfunction()
