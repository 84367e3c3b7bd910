# Registers a GoogleTest executable with ctest as a few shards: each shard is one process that
# prints GoogleTest's own summary, and the shards run in parallel.
function(tavrel_add_gtest target prefix shards)
  math(EXPR last "${shards} - 1")
  foreach(index RANGE ${last})
    add_test(NAME ${prefix}.shard${index} COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${prefix}.shard${index} PROPERTIES
      ENVIRONMENT "GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${index}")
  endforeach()
endfunction()
