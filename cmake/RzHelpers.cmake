# rz_add_library(NAME DIR LIBS...): one static library per src/ folder, its
# sources picked up from the folder so that adding a file needs no edit here.
function(rz_add_library name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  if(NOT srcs)
    # A folder whose first file has not arrived yet.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE -Wall -Wextra)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# add_app_test(AREA LIBS...): one Qt Test executable per area from tests/AREA/*.cpp,
# run headless by ctest with settings and data folders isolated per run.
function(add_app_test area)
  file(GLOB srcs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/${area}/*.cpp
                                   ${PROJECT_SOURCE_DIR}/tests/${area}/*.h)
  if(NOT srcs)
    return()
  endif()
  set(exe test_${area})
  add_executable(${exe} ${srcs})
  target_link_libraries(${exe} PRIVATE rz_testsupport ${ARGN} Qt6::Test)
  target_compile_options(${exe} PRIVATE -Wall -Wextra)
  add_test(NAME ${area} COMMAND ${exe})
  set_tests_properties(${area} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;RZ90_TEST_MODE=1;QTEST_DISABLE_STACK_DUMP=1"
    TIMEOUT 300)
endfunction()
