# Delay-import libraries made with MinGW's dlltool, for system DLLs that are
# not on Windows' list of known DLLs (opengl32, glu32, winmm): a program
# linked against them loads each DLL only when asked to (the saver does so
# after it has restricted its library search to the system folder, and binds
# every function at once: src/host/win32/process_win32.cpp), so that a file
# of the same name beside the program is never taken instead.
#
#   frostvale_delay_imports(VARIABLE opengl32 glu32 winmm)
# sets VARIABLE to the libraries to link.
function(frostvale_delay_imports variable)
  find_program(FROSTVALE_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool REQUIRED)
  find_program(FROSTVALE_NM NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-nm REQUIRED)
  set(folder ${CMAKE_BINARY_DIR}/delay-imports)
  file(MAKE_DIRECTORY ${folder})
  set(libraries "")
  foreach(dll ${ARGN})
    find_library(import_${dll} ${dll} REQUIRED)
    # the exports: every __imp_ symbol of the ordinary import library
    execute_process(COMMAND ${FROSTVALE_NM} -g --defined-only ${import_${dll}}
                    OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "I __imp_[A-Za-z0-9_@]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "I __imp_" "")
    list(REMOVE_DUPLICATES imports)
    list(SORT imports)
    list(JOIN imports "\n" exports)
    file(WRITE ${folder}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${FROSTVALE_DLLTOOL} --input-def ${dll}.def --dllname ${dll}.dll
                            --output-delaylib lib${dll}_delay.a
                    WORKING_DIRECTORY ${folder} COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND libraries ${folder}/lib${dll}_delay.a)
  endforeach()
  set(${variable} ${libraries} PARENT_SCOPE)
endfunction()
