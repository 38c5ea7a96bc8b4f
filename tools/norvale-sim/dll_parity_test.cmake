# Runs each scenario with norvale-sim.exe twice, through its built-in add-in
# code and through the DLL (send --json [--dll DLL] SCENARIO), and fails on
# any difference. Called by CTest with EMULATOR, SIM, DLL and SCENARIOS;
# Wine sees the file system on drive Z:.
foreach(scenario IN LISTS SCENARIOS)
  set(outputs)
  foreach(mode IN ITEMS core dll)
    # Only the DLL shows windows: the built-in run needs no display.
    set(args send --json Z:${scenario})
    set(display NORVALE_WINE_XVFB=0)
    if(mode STREQUAL "dll")
      list(APPEND args --dll Z:${DLL})
      set(display NORVALE_WINE_XVFB=1)
    endif()
    # Files, not pipes: Wine's server outlives the program and would hold a
    # pipe open for seconds.
    execute_process(COMMAND ${CMAKE_COMMAND} -E env ${display} ${EMULATOR} ${SIM} ${args}
                    RESULT_VARIABLE status OUTPUT_FILE ${WORK_DIR}/out.json
                    ERROR_FILE ${WORK_DIR}/err.txt)
    file(READ ${WORK_DIR}/out.json output)
    file(READ ${WORK_DIR}/err.txt errors)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${mode} run of ${scenario} exited with ${status}:\n${errors}")
    endif()
    list(APPEND outputs "${output}")
  endforeach()
  list(GET outputs 0 core)
  list(GET outputs 1 dll)
  if(NOT core STREQUAL dll)
    message(FATAL_ERROR "${scenario}: the DLL's output differs\ncore:\n${core}\ndll:\n${dll}")
  endif()
  get_filename_component(name ${scenario} NAME)
  message(STATUS "${name}: identical")
endforeach()
