# cmake -DGENERATOR=tool "-DGENERATOR_ARGS=--plugins" -DCOMMITTED_DIR=data/Plugins -DOUT_DIR=dir
#       -DWHAT=Plugins -DTARGET=plugins -P CheckGenerated.cmake
# Makes the generator's files anew into OUT_DIR and fails on any file that differs from the
# committed ones, is missing from them or is not made by the generator.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${GENERATOR} ${GENERATOR_ARGS} ${OUT_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} ${GENERATOR_ARGS} failed: ${rc}")
endif()

file(GLOB_RECURSE made RELATIVE ${OUT_DIR} ${OUT_DIR}/*)
file(GLOB_RECURSE committed RELATIVE ${COMMITTED_DIR} ${COMMITTED_DIR}/*)
set(stale "")
foreach(name IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/${name}
                          ${COMMITTED_DIR}/${name}
                  RESULT_VARIABLE differs OUTPUT_QUIET ERROR_QUIET)
  if(differs)
    list(APPEND stale ${name})
  endif()
endforeach()
foreach(name IN LISTS committed)
  if(NOT name IN_LIST made)
    list(APPEND stale "${name} (not made by the generator)")
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "${WHAT} differ from what the generator makes: ${stale}\n"
          "Make them anew with: cmake --build <build dir> --target ${TARGET}")
endif()
