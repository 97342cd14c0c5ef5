# tbt-nvm run as a user runs it: write a demo image, then update the emulated machine
# with it. The Windows build runs the program under Wine (EMULATOR).
#   cmake -DTOOL=<tbt-nvm> -DEMULATOR=<wine or empty> -DWORK=<folder> -P UpdateDemoImage.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(run_tool)
  execute_process(COMMAND ${EMULATOR} "${TOOL}" ${ARGN} WORKING_DIRECTORY "${WORK}"
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "tbt-nvm ${ARGN} ended with ${status}\n${out}${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run_tool(demo-image demo.bin)
set(ENV{TBT_PLATFORM} emulated)
run_tool(update demo.bin)
if(NOT out MATCHES "written: +yes" OR NOT out MATCHES "0x00000000 TBU_OK")
  message(FATAL_ERROR "the update did not report a written image:\n${out}")
endif()
file(REMOVE_RECURSE "${WORK}")
