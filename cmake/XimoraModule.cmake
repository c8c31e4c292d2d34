# One static library per module folder: every .cpp under the folder belongs to it, so adding a
# file never needs an edit here. A module without sources yet is an interface library.
function(ximora_module name dir)
  ximora_module_excluding(${name} ${dir})
  set(${name}_kind ${${name}_kind} PARENT_SCOPE)
endfunction()

# One GoogleTest executable per test folder, run offscreen through ctest. Folders whose code
# links Qt Gui get a main that creates a QApplication first (tests/support/qt_test_main.cpp).
function(ximora_test name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  if(NOT sources)
    return()
  endif()
  if("Qt6::Test" IN_LIST ARGN)
    list(APPEND sources ${PROJECT_SOURCE_DIR}/tests/support/qt_test_main.cpp)
    set(test_main "")
  else()
    set(test_main GTest::gtest_main)
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock ${test_main})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_compile_definitions(${name} PRIVATE XIMORA_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  # The slowest case takes a few seconds under the sanitizers: one that hangs fails in minutes.
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120
    DISCOVERY_TIMEOUT 60)
endfunction()

# As ximora_module, leaving out the named subfolders (they are libraries of their own).
# Sets ${name}_kind to PUBLIC or INTERFACE for the caller's target_link_libraries.
function(ximora_module_excluding name dir)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${dir}/*.h)
  foreach(sub ${ARGN})
    list(FILTER sources EXCLUDE REGEX "^${dir}/${sub}/")
    list(FILTER headers EXCLUDE REGEX "^${dir}/${sub}/")
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources} ${headers})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    set(${name}_kind PUBLIC PARENT_SCOPE)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    set(${name}_kind INTERFACE PARENT_SCOPE)
  endif()
endfunction()
