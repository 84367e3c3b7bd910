# Registers a GoogleTest executable with ctest as a few shards: each shard is one process that
# prints GoogleTest's own summary, and the shards run in parallel. The DesktopInput suites (every
# suite whose name starts so) send real keyboard input to the foreground window, which a parallel
# test process could take at any moment; with DESKTOP_INPUT they run as a test of their own, alone.
function(tavrel_add_gtest target prefix shards)
  cmake_parse_arguments(PARSE_ARGV 3 arg "DESKTOP_INPUT" "" "")
  math(EXPR last "${shards} - 1")
  foreach(index RANGE ${last})
    add_test(NAME ${prefix}.shard${index}
      COMMAND ${target} --gtest_brief=1 --gtest_filter=-DesktopInput*.*)
    set_tests_properties(${prefix}.shard${index} PROPERTIES
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${index}")
  endforeach()
  if(arg_DESKTOP_INPUT)
    add_test(NAME ${prefix}.desktop_input
      COMMAND ${target} --gtest_brief=1 --gtest_filter=DesktopInput*.*)
    set_tests_properties(${prefix}.desktop_input PROPERTIES RUN_SERIAL TRUE)
  endif()
endfunction()
