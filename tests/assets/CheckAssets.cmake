# cmake -DGENERATOR=qv-assetgen -DMASK_TOOL=qv-mask -DASSET_DIR=assets -DOUT_DIR=dir -P CheckAssets.cmake
# Draws the assets anew into OUT_DIR and fails on any difference from the committed ones;
# also runs the mask tool on the committed picture.
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${GENERATOR} ${OUT_DIR} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "qv-assetgen failed: ${rc}")
endif()
execute_process(COMMAND ${MASK_TOOL} ${ASSET_DIR}/Character.bmp ${OUT_DIR}/FromTool.mask2
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "qv-mask failed: ${rc}")
endif()

set(stale "")
file(GLOB made RELATIVE ${OUT_DIR} ${OUT_DIR}/*)
list(REMOVE_ITEM made FromTool.mask2)
foreach(name IN LISTS made)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/${name} ${ASSET_DIR}/${name}
                  RESULT_VARIABLE differs)
  if(differs)
    list(APPEND stale ${name})
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/FromTool.mask2
                ${ASSET_DIR}/Character.mask2 RESULT_VARIABLE differs)
if(differs)
  list(APPEND stale "Character.mask2 (from qv-mask)")
endif()
if(stale)
  message(FATAL_ERROR "Assets differ from what qv-assetgen draws: ${stale}\n"
          "Redraw them with: cmake --build <build dir> --target assets")
endif()
