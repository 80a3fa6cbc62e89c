# ostrel_test(<name> LABEL <layer> SOURCES <files>... LIBS <targets>... [X11]
#             [OWN_CASES <suite.case>...] [WINDOW_MANAGERS <window manager>...])
#
# One GoogleTest executable; every test case in it becomes a CTest test carrying the layer's
# label, so `ctest -L storage` runs one layer. An X11 test executable runs as one CTest test:
# it starts its own X server and window manager once, from inside the executable (see
# tests/system/x11), so it needs nothing from the environment and runs beside the others.
# A case of such an executable that may skip itself goes in OWN_CASES: it then runs as a CTest
# test of its own (<name>.<case>, with its own X server) that reports the skip, instead of
# hiding it among the passes of the rest.
# With WINDOW_MANAGERS it runs once per window manager, as the CTest tests <name>.<window manager>;
# a run whose window manager is not installed reports itself skipped (the harness's skip code).
set(OSTREL_LSAN_SUPPRESSIONS "${PROJECT_SOURCE_DIR}/tests/lsan.supp")
# The window managers the restore road is checked under (the harness knows how to start each).
set(OSTREL_WINDOW_MANAGERS openbox fluxbox icewm metacity xfwm4 kwin_x11 mutter marco muffin)
set(OSTREL_SOFTWARE_COMPOSITORS mutter muffin)

function(ostrel_test name)
  cmake_parse_arguments(ARG "X11" "LABEL" "SOURCES;LIBS;OWN_CASES;WINDOW_MANAGERS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set(env
    "QT_QPA_PLATFORM=offscreen"
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
    "LSAN_OPTIONS=suppressions=${OSTREL_LSAN_SUPPRESSIONS}:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  set(labels ${ARG_LABEL})
  if(ARG_X11)
    list(APPEND labels x11)
  endif()
  if(ARG_X11)
    set(filter "")
    if(ARG_OWN_CASES)
      foreach(case ${ARG_OWN_CASES})
        add_test(NAME ${name}.${case} COMMAND ${name} --gtest_filter=${case})
        # GoogleTest's summary line for a run whose one case skipped itself; a name that matches
        # no case must not pass as a run of nothing.
        set_tests_properties(${name}.${case} PROPERTIES LABELS "${labels}" ENVIRONMENT "${env}" TIMEOUT 600
          SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\] 1 test" FAIL_REGULAR_EXPRESSION "Running 0 tests")
      endforeach()
      list(JOIN ARG_OWN_CASES ":" own)
      set(filter "--gtest_filter=-${own}")
    endif()
  endif()
  if(ARG_X11 AND ARG_WINDOW_MANAGERS)
    foreach(wm ${ARG_WINDOW_MANAGERS})
      add_test(NAME ${name}.${wm} COMMAND ${name} ${filter})
      set_tests_properties(${name}.${wm} PROPERTIES LABELS "${labels}"
        ENVIRONMENT "${env};OSTREL_TEST_WINDOW_MANAGER=${wm}" SKIP_RETURN_CODE 77 TIMEOUT 600)
      # Mutter and Muffin always composite, in software here; beside seven other tests they can
      # take longer than the program's 0.6 s write timeout to apply a move, and the run would
      # judge the machine's load instead of the program. They run alone.
      if(wm IN_LIST OSTREL_SOFTWARE_COMPOSITORS)
        set_tests_properties(${name}.${wm} PROPERTIES RUN_SERIAL TRUE)
      endif()
    endforeach()
  elseif(ARG_X11)
    add_test(NAME ${name} COMMAND ${name} ${filter})
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" ENVIRONMENT "${env}" TIMEOUT 600)
  else()
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS "${labels}" TIMEOUT 300)
    # A list-valued property given to gtest_discover_tests keeps only its first element, so
    # the environment is set on the discovered tests by a script run after the discovery.
    set(env_script "${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake")
    file(GENERATE OUTPUT "${env_script}" CONTENT
      "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT [==[${env}]==])\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${env_script}")
  endif()
endfunction()
