# Shared helpers for the layer CMakeLists.

set(KELM_NETNS_RUN ${CMAKE_SOURCE_DIR}/tests/netns-run.sh)
# A test that hangs fails after this many seconds instead of holding up the whole run.
set(KELM_TEST_TIMEOUT 300 CACHE STRING "Seconds before a hanging test is stopped")
set(KELM_CORPUS_DIR ${CMAKE_SOURCE_DIR}/../shared/edid-corpus CACHE PATH "Folder of real EDID images for tests and benchmarks")
# The slot history of every write the tests make goes here, not into the user's own data folder.
set(KELM_TEST_DATA_HOME ${CMAKE_BINARY_DIR}/test-data-home)

# kelm_sources(VAR dir...) collects the .cpp/.h files of the given folders (not recursive).
function(kelm_sources var)
  set(all)
  foreach(dir ${ARGN})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
    list(APPEND all ${found})
  endforeach()
  set(${var} ${all} PARENT_SCOPE)
endfunction()

# The tests that wait longest on the device's pauses (seconds, measured): ctest starts them first,
# so a parallel run is not left waiting on one of them at its end, even before it has timings of
# its own. Most of their time is waiting, not work, so the suite runs several tests per core (dev.sh).
set(KELM_LONG_TESTS tst_kelmctl_faults=206 tst_kelmctl_faults_bare_quarters=206 link_session_tests=154
  tst_one_operation=92 tst_kelmctl_backup=70 tst_kelmctl_backup_bare_quarters=70 firmware_e2e_isp_upload=55
  tst_device_failures=60 tst_device_failures_bare_quarters=60 tst_controller_page=38
  tst_controller_page_bare_quarters=38)
# Those of them that are run in parts side by side (tests/shard-run.sh): NAME=KIND:PARTS, KIND qt
# for a QtTest program (its test functions dealt out), gtest for a GoogleTest one. A part is named
# NAME_partN; kelm_test_environment reaches all of them.
set(KELM_TEST_PARTS tst_kelmctl_faults=qt:8 tst_kelmctl_faults_bare_quarters=qt:8 link_session_tests=gtest:6
  tst_one_operation=qt:4 tst_kelmctl_backup=qt:4 tst_kelmctl_backup_bare_quarters=qt:4
  firmware_e2e_isp_upload=gtest:3 tst_device_failures=qt:2 tst_device_failures_bare_quarters=qt:2
  tst_controller_page=qt:3 tst_controller_page_bare_quarters=qt:3)
set(KELM_SHARD_RUN ${CMAKE_SOURCE_DIR}/tests/shard-run.sh)

# Registers the test NAME (or its parts) running COMMAND...; sets its cost and its properties.
function(kelm_register_test name)
  set(kind)
  set(parts 1)
  foreach(entry ${KELM_TEST_PARTS})
    if(entry MATCHES "^${name}=([a-z]+):([0-9]+)$")
      set(kind ${CMAKE_MATCH_1})
      set(parts ${CMAKE_MATCH_2})
    endif()
  endforeach()
  set(names)
  if(kind)
    math(EXPR last "${parts} - 1")
    foreach(part RANGE ${last})
      math(EXPR number "${part} + 1")
      add_test(NAME ${name}_part${number} COMMAND sh ${KELM_SHARD_RUN} ${kind} ${part} ${parts} ${ARGN})
      list(APPEND names ${name}_part${number})
    endforeach()
  else()
    add_test(NAME ${name} COMMAND ${ARGN})
    set(names ${name})
  endif()
  set_property(GLOBAL PROPERTY KELM_TEST_NAMES_${name} ${names})
  set_tests_properties(${names} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT ${KELM_TEST_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KELM_CORPUS_DIR=${KELM_CORPUS_DIR};XDG_DATA_HOME=${KELM_TEST_DATA_HOME}")
  foreach(entry ${KELM_LONG_TESTS})
    if(entry MATCHES "^${name}=([0-9]+)$")
      math(EXPR cost "${CMAKE_MATCH_1} / ${parts}")
      set_tests_properties(${names} PROPERTIES COST ${cost})
    endif()
  endforeach()
endfunction()

# Adds VAR=VALUE... to the environment of the test NAME (of each of its parts).
function(kelm_test_environment name)
  get_property(names GLOBAL PROPERTY KELM_TEST_NAMES_${name})
  if(NOT names)
    set(names ${name})
  endif()
  set_property(TEST ${names} APPEND PROPERTY ENVIRONMENT ${ARGN})
endfunction()

# A test that must not see the host's network: it runs in a private network namespace with only
# loopback up. Where namespaces are not allowed the test is skipped (exit 77), never run outside one.
function(kelm_add_netns_test name)
  kelm_register_test(${name} ${KELM_NETNS_RUN} ${ARGN})
endfunction()

# A plain test with the offscreen platform and the corpus location in its environment.
function(kelm_add_test name)
  kelm_register_test(${name} ${ARGN})
endfunction()

# kelm_fuzz_target(name source libs...): a libFuzzer binary under clang; under g++ the same
# LLVMFuzzerTestOneInput is linked with a replay driver that feeds seeds and random mutations
# (compiled once for all of them).
function(kelm_fuzz_target name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARGN})
  if(KELM_LIBFUZZER)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    if(NOT TARGET kelm_fuzz_replay)
      add_library(kelm_fuzz_replay OBJECT ${CMAKE_SOURCE_DIR}/fuzz/ReplayDriver.cpp)
      set_target_properties(kelm_fuzz_replay PROPERTIES AUTOMOC OFF)
    endif()
    target_sources(${name} PRIVATE $<TARGET_OBJECTS:kelm_fuzz_replay>)
  endif()
endfunction()

# kelm_library(name DIRS dir... LIBS lib...): a static library of the .cpp files in the folders,
# with the repository root on the include path ("edid/EdidImage.h"). A layer with no sources yet
# is an interface library, so the layers above it can link it all the same.
function(kelm_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;LIBS" ${ARGN})
  kelm_sources(src ${ARG_DIRS})
  list(FILTER src INCLUDE REGEX "\\.cpp$")
  if(src)
    kelm_sources(all ${ARG_DIRS})
    add_library(${name} STATIC ${all})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()

# kelm_man_page(target NAME name SUMMARY text [PROSE file] [COMMANDS] [SEE_ALSO text]): the man page
# of a program made from its --help when building (cmake/ManPage.cmake), installed compressed.
function(kelm_man_page target)
  cmake_parse_arguments(ARG "COMMANDS" "NAME;SUMMARY;PROSE;SEE_ALSO" "DEPENDS" ${ARGN})
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${ARG_NAME}.1)
  set(extra "")
  set(deps ${target} ${ARG_DEPENDS} ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake)
  if(ARG_PROSE)
    list(APPEND extra -DPROSE=${ARG_PROSE})
    list(APPEND deps ${ARG_PROSE})
  endif()
  if(ARG_COMMANDS)
    list(APPEND extra -DCOMMANDS=ON)
  endif()
  if(ARG_SEE_ALSO)
    list(APPEND extra "-DSEE_ALSO=${ARG_SEE_ALSO}")
  endif()
  add_custom_command(OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${ARG_NAME} "-DSUMMARY=${ARG_SUMMARY}"
      -DVERSION=${PROJECT_VERSION} -DOUTPUT=${page} ${extra} -P ${CMAKE_SOURCE_DIR}/cmake/ManPage.cmake
    DEPENDS ${deps}
    VERBATIM)
  add_custom_target(${ARG_NAME}_man ALL DEPENDS ${page} ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# kelm_precompile(target std|core|widgets|gtest): headers most of a target's files include,
# parsed once per target instead of once per file. Worth it for targets of several files only.
set(KELM_PCH_STD <algorithm> <functional> <memory> <optional> <string> <vector>)
set(KELM_PCH_CORE ${KELM_PCH_STD} <QByteArray> <QHash> <QList> <QObject> <QString> <QStringList> <QTimer>)
set(KELM_PCH_WIDGETS ${KELM_PCH_CORE} <QApplication> <QBoxLayout> <QCheckBox> <QComboBox> <QGridLayout>
  <QGroupBox> <QLabel> <QLineEdit> <QPushButton> <QRadioButton> <QTableView> <QWidget>)
function(kelm_precompile target kind)
  if(kind STREQUAL "std")
    target_precompile_headers(${target} PRIVATE ${KELM_PCH_STD})
  elseif(kind STREQUAL "core")
    target_precompile_headers(${target} PRIVATE ${KELM_PCH_CORE})
  elseif(kind STREQUAL "widgets")
    target_precompile_headers(${target} PRIVATE ${KELM_PCH_WIDGETS})
  elseif(kind STREQUAL "gtest")
    target_precompile_headers(${target} PRIVATE ${KELM_PCH_STD} <gtest/gtest.h>)
  else()
    message(FATAL_ERROR "kelm_precompile: unknown kind ${kind}")
  endif()
endfunction()
