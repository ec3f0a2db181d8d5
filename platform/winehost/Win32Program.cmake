# Win32 programs in C, built with Debian's mingw-w64 cross compiler for 32-bit Windows (the
# kind of program real lessons carry). Without the compiler nothing is built and the callers
# go on without the program.
find_program(KEL_MINGW_CC i686-w64-mingw32-gcc)

# kel_add_win32_program(TARGET SOURCE OUTPUT [GUI]): OUTPUT built from SOURCE by target TARGET
# (part of the default build); GUI makes a windowed program, else a console one.
function(kel_add_win32_program target source output)
    if(NOT KEL_MINGW_CC)
        return()
    endif()
    cmake_parse_arguments(arg "GUI" "" "" ${ARGN})
    set(flags -std=c11 -O2 -s -static -Wall -Wextra -Wpedantic)
    if(KEL_WERROR)
        list(APPEND flags -Werror)
    endif()
    if(arg_GUI)
        list(APPEND flags -mwindows)
    endif()
    add_custom_command(OUTPUT ${output}
        COMMAND ${KEL_MINGW_CC} ${flags} -o ${output} ${source}
        DEPENDS ${source}
        COMMENT "Building ${output} with mingw-w64"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
