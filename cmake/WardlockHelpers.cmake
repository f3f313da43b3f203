# Shared build settings for every Wardlock target.

function(wardlock_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-unused-parameter)
  if(WARDLOCK_ASAN)
    target_compile_options(${target} PRIVATE -fsanitize=address -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address)
  endif()
  if(WARDLOCK_UBSAN)
    # No vptr check: providers are loaded at run time with local symbols, so a
    # test that looks into a provider's class has no typeinfo to check against.
    target_compile_options(${target} PRIVATE -fsanitize=undefined -fno-sanitize=vptr
                                             -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=undefined)
  endif()
endfunction()

# wardlock_add_library(<target> ALIAS <Name> [OUTPUT_NAME <file>] [MODULE]
#                      SOURCES ... [PUBLIC_LINK ...] [PRIVATE_LINK ...])
# A shared library with a Wardlock::<Name> alias, version, public headers from
# the folder's include/ and an installed export.
function(wardlock_add_library target)
  cmake_parse_arguments(ARG "MODULE" "ALIAS;OUTPUT_NAME" "SOURCES;PUBLIC_LINK;PRIVATE_LINK" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  add_library(Wardlock::${ARG_ALIAS} ALIAS ${target})
  set_target_properties(${target} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    EXPORT_NAME ${ARG_ALIAS}
    CXX_VISIBILITY_PRESET default)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  endif()
  if(ARG_MODULE)
    # Loaded at run time by file name: no SONAME versioning games.
    # (Unset, not empty: an empty VERSION names the file "libX.so.")
    set_property(TARGET ${target} PROPERTY VERSION)
    set_property(TARGET ${target} PROPERTY SOVERSION)
  endif()
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/include)
    target_include_directories(${target} PUBLIC
      $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
      $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
    install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  endif()
  target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_LINK} PRIVATE ${ARG_PRIVATE_LINK})
  # The public headers need C++20: a program that links the target gets it.
  target_compile_features(${target} PUBLIC cxx_std_20)
  wardlock_set_warnings(${target})
  install(TARGETS ${target} EXPORT WardlockTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# wardlock_test_environment(<variable> [FULL_STACKS]): the environment a test
# runs with. Widget code runs offscreen unless the test sets otherwise; in
# sanitizer builds LeakSanitizer takes the project's suppressions. FULL_STACKS
# records whole allocation stacks (slower): a suppression then also matches a
# frame below a system library built without frame pointers, such as Qt.
function(wardlock_test_environment variable)
  cmake_parse_arguments(ARG "FULL_STACKS" "" "" ${ARGN})
  set(full_stacks "")
  if(ARG_FULL_STACKS)
    set(full_stacks ":fast_unwind_on_malloc=0")
  endif()
  set(environment "QT_QPA_PLATFORM=offscreen")
  if(WARDLOCK_ASAN)
    # Tests that start the example programs preload a small library of their own.
    list(APPEND environment "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp"
                            "ASAN_OPTIONS=verify_asan_link_order=0${full_stacks}")
  endif()
  set(${variable} "${environment}" PARENT_SCOPE)
endfunction()

# wardlock_add_realwindow_test(<name> <script> [TIMEOUT <s>] ARGS ...): a
# test script driving a program with real X input (bash <script> ARGS...).
# It runs only when the test script started Xvfb (exit 77: skipped), and one
# at a time: X input goes to whichever window has the focus. The program runs
# on its own, so its leak report needs whole stacks.
function(wardlock_add_realwindow_test name script)
  cmake_parse_arguments(ARG "" "TIMEOUT" "ARGS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 180)
  endif()
  wardlock_test_environment(environment FULL_STACKS)
  add_test(NAME ${name} COMMAND bash ${script} ${ARG_ARGS})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT ${ARG_TIMEOUT}
    RESOURCE_LOCK x_display ENVIRONMENT "${environment}")
endfunction()

# wardlock_add_test(<name> SOURCES ... LINK ...): one GoogleTest program, one
# CTest entry. Widget code runs offscreen unless the test sets otherwise.
function(wardlock_add_test name)
  if(NOT WARDLOCK_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LINK;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LINK} GTest::gtest GTest::gmock)
  wardlock_set_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  wardlock_test_environment(environment)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 600)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
