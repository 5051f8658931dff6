# ruv_library(<name> DIR <folder under src/> [DEPS ...] [QT])
# Every .cpp under the folder (not its subfolders named in EXCLUDE) goes into one static library.
function(ruv_library name)
  cmake_parse_arguments(ARG "QT" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${ARG_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${ARG_DIR}/*.h)
  if(NOT sources)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources} ${headers})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PUBLIC Qt6::Widgets Qt6::Gui Qt6::Core)
    target_precompile_headers(${name} PRIVATE <QtWidgets> <QtGui> <QtCore>)
  endif()
endfunction()

# ruv_test(<name> DIR <folder under tests/> [DEPS ...] [LABELS ...] [QT])
# One GoogleTest binary per test folder. Files under <folder>/thread/ go into a
# separate binary <name>_thread labelled "thread", which the ThreadSanitizer
# build runs alone.
function(ruv_test name)
  cmake_parse_arguments(ARG "" "DIR" "DEPS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${ARG_DIR}/*.cpp)
  file(GLOB thread_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${ARG_DIR}/thread/*.cpp)
  if(sources AND NOT RUV_TSAN)
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} ruv_testsupport GTest::gtest GTest::gmock)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    gtest_discover_tests(${name}
      DISCOVERY_TIMEOUT 120
      PROPERTIES LABELS "${ARG_LABELS}" ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
  endif()
  if(thread_sources)
    add_executable(${name}_thread ${thread_sources})
    target_link_libraries(${name}_thread PRIVATE ${ARG_DEPS} ruv_testsupport GTest::gtest GTest::gmock)
    set_target_properties(${name}_thread PROPERTIES AUTOMOC ON)
    gtest_discover_tests(${name}_thread
      DISCOVERY_TIMEOUT 120
      PROPERTIES LABELS "thread" ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1")
    add_dependencies(thread_tests ${name}_thread)
  endif()
endfunction()
