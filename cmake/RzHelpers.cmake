# The warnings every target of the project is built with: the program, the
# tests, the benchmarks and the fuzz targets.
set(RZ_WARNINGS -Wall -Wextra)

# rz_add_library(NAME DIR LIBS...): one static library per src/ folder, its
# sources picked up from the folder and its subfolders (the store's engines)
# so that adding a file needs no edit here.
function(rz_add_library name dir)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
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
  target_compile_options(${name} PRIVATE ${RZ_WARNINGS})
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
  target_compile_options(${exe} PRIVATE ${RZ_WARNINGS})
  add_test(NAME ${area} COMMAND ${exe})
  set_tests_properties(${area} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTEST_DISABLE_STACK_DUMP=1"
    TIMEOUT 300)
endfunction()
