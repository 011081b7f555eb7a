# Helpers that build a core library and its tests once per variant:
# "" (plain), "_asan" (AddressSanitizer + UBSan), "_tsan" (ThreadSanitizer).
# CMake lists drop empty elements, so the plain variant is spelled "_plain"
# here and mapped to an empty suffix by qx_suffix().
set(QX_VARIANTS _plain)
if(QX_SANITIZER_VARIANTS)
  list(APPEND QX_VARIANTS _asan _tsan)
endif()

macro(qx_suffix out variant)
  if("${variant}" STREQUAL "_plain")
    set(${out} "")
  else()
    set(${out} "${variant}")
  endif()
endmacro()

set(QX_FLAGS_asan -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined
    -fno-sanitize-recover=undefined)
set(QX_FLAGS_tsan -O1 -g -fno-omit-frame-pointer -fsanitize=thread)

# The GUI libraries and their tests: plain, and under AddressSanitizer+UBSan
# with the core's "_asan" variants (ThreadSanitizer is left out: Qt is not
# built with it). Line tables only: the reports name file and line, and the
# many GUI test programs link far faster.
set(QX_GUI_VARIANTS _plain)
if(QX_SANITIZER_VARIANTS)
  list(APPEND QX_GUI_VARIANTS _asan)
endif()

function(qx_apply_gui_variant target variant)
  if(variant STREQUAL "_asan")
    qx_apply_variant(${target} _asan)
    # GCC's flow analysis at -O1 under the sanitizers reports uninitialised
    # members inside libstdc++'s std::regex that are not.
    target_compile_options(${target} PRIVATE -g1 -Wno-maybe-uninitialized)
  endif()
endfunction()

function(qx_apply_variant target variant)
  if(variant STREQUAL "_asan")
    target_compile_options(${target} PRIVATE ${QX_FLAGS_asan})
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  elseif(variant STREQUAL "_tsan")
    target_compile_options(${target} PRIVATE ${QX_FLAGS_tsan})
    target_link_options(${target} PUBLIC -fsanitize=thread)
  endif()
endfunction()

# qx_core_library(<name> [DEPS core libs...] [LIBS external libs...])
# Sources: every .cpp under the calling directory (not in subfolders named
# in EXCLUDE).
function(qx_core_library name)
  cmake_parse_arguments(A "" "" "DEPS;LIBS;EXCLUDE" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT srcs)
    return()  # not written yet
  endif()
  foreach(var IN LISTS QX_VARIANTS)
    qx_suffix(v ${var})
    add_library(${name}${v} STATIC ${srcs})
    target_include_directories(${name}${v} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    set(deps "")
    foreach(d IN LISTS A_DEPS)
      if(TARGET ${d}${v})
        list(APPEND deps ${d}${v})
      endif()
    endforeach()
    target_link_libraries(${name}${v} PUBLIC ${deps} ${A_LIBS} Threads::Threads)
    qx_apply_variant(${name}${v} "${v}")
  endforeach()
endfunction()

# qx_core_tests(<subdir> LIBS core libs... [EXTERNAL libs...])
# Every tests/<subdir>/*_test.cpp becomes one executable per variant; the
# .cpp files in tests/<subdir>/support are shared by them.
function(qx_core_tests subdir)
  cmake_parse_arguments(A "" "" "LIBS;EXTERNAL" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${subdir}/*_test.cpp)
  file(GLOB support CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${subdir}/support/*.cpp)
  foreach(var IN LISTS QX_VARIANTS)
    qx_suffix(v ${var})
    set(libs "")
    foreach(l IN LISTS A_LIBS)
      list(APPEND libs ${l}${v})
    endforeach()
    if(support)
      add_library(qxtest_${subdir}_support${v} STATIC ${support})
      target_include_directories(qxtest_${subdir}_support${v} PUBLIC
        ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/src)
      target_link_libraries(qxtest_${subdir}_support${v} PUBLIC ${libs} ${A_EXTERNAL} GTest::gtest)
      qx_apply_variant(qxtest_${subdir}_support${v} "${v}")
      list(PREPEND libs qxtest_${subdir}_support${v})
    endif()
    foreach(t IN LISTS tests)
      get_filename_component(stem ${t} NAME_WE)
      set(exe ${subdir}_${stem}${v})
      string(REGEX REPLACE "_test$" "" tname ${stem})
      add_executable(${exe} ${t})
      target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
      target_link_libraries(${exe} PRIVATE ${libs} ${A_EXTERNAL} GTest::gtest GTest::gtest_main GTest::gmock)
      qx_apply_variant(${exe} "${v}")
      set(label plain)
      if(v)
        string(SUBSTRING ${v} 1 -1 label)
      endif()
      add_test(NAME ${subdir}.${tname}${v} COMMAND ${exe} --gtest_brief=1)
      set_tests_properties(${subdir}.${tname}${v} PROPERTIES
        LABELS "${subdir};${label}" TIMEOUT 600
        ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1;QX_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp")
    endforeach()
  endforeach()
endfunction()

# qx_gui_tests(<subdir> LIBS libs...): Qt tests, plain variant only, run
# offscreen.
function(qx_gui_tests subdir)
  cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${subdir}/*_test.cpp)
  string(REPLACE "/" "_" flat ${subdir})
  foreach(t IN LISTS tests)
    get_filename_component(stem ${t} NAME_WE)
    set(exe ${flat}_${stem})
    string(REGEX REPLACE "_test$" "" tname ${stem})
    add_executable(${exe} ${t})
    target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${exe} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
    add_test(NAME ${flat}.${tname} COMMAND ${exe} --gtest_brief=1)
    set_tests_properties(${flat}.${tname} PROPERTIES LABELS "gui;plain" TIMEOUT 600
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QX_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp")
  endforeach()
endfunction()

# qx_app_tests(<subdir> [SUPPORT lib] [LABELS labels...] [ENVIRONMENT
# vars...]): widget tests of the application, run offscreen unless
# ENVIRONMENT says otherwise; they link the whole GUI and a main that creates
# the QApplication (SUPPORT, default qxtest_gui_support, without suffix). Every test program is
# built once per GUI variant; under "_asan" a leak, an address error or
# undefined behaviour fails the program even when its tests pass (leaks
# report at exit with a failing exit code). Qt's own leaks are suppressed
# in tests/lsan.supp.
function(qx_app_tests subdir)
  cmake_parse_arguments(A "" "SUPPORT" "ENVIRONMENT;LABELS" ${ARGN})
  if(NOT A_SUPPORT)
    set(A_SUPPORT qxtest_gui_support)
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${subdir}/*_test.cpp)
  foreach(var IN LISTS QX_GUI_VARIANTS)
    qx_suffix(v ${var})
    set(label plain)
    if(v)
      string(SUBSTRING ${v} 1 -1 label)
    endif()
    foreach(t IN LISTS tests)
      get_filename_component(stem ${t} NAME_WE)
      set(exe ${subdir}_${stem}${v})
      string(REGEX REPLACE "_test$" "" tname ${stem})
      add_executable(${exe} ${t})
      target_link_libraries(${exe} PRIVATE ${A_SUPPORT}${v})
      qx_apply_gui_variant(${exe} "${v}")
      add_test(NAME ${subdir}.${tname}${v} COMMAND ${exe} --gtest_brief=1)
      set(env QT_QPA_PLATFORM=offscreen QX_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp
        XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/testtmp/${exe}-config ${A_ENVIRONMENT}
        ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:exitcode=1
        LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
      set_tests_properties(${subdir}.${tname}${v} PROPERTIES LABELS "gui;${A_LABELS};${label}" TIMEOUT 600
        ENVIRONMENT "${env}")
    endforeach()
  endforeach()
endfunction()
