# Runs one test program under Wine and prints what it wrote. There, QtTest's output to standard
# output never reaches CTest (without a console of its own it goes to the debugger), so the
# program writes it to a file instead.
# Usage: cmake -DEMULATOR=wine -DPROGRAM=tst_x.exe -DLOG=tst_x.txt -P wine_test.cmake
file(REMOVE "${LOG}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" -o "${LOG},txt" RESULT_VARIABLE result)
if(EXISTS "${LOG}")
    file(READ "${LOG}" output)
    message("${output}")
else()
    message("${PROGRAM} wrote no output")
endif()
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ended with ${result}")
endif()
