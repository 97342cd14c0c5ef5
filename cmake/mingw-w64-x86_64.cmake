# Cross build of the Windows programs on Debian with mingw-w64 (the POSIX thread
# model, for std::thread). Test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(tbt_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${tbt_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${tbt_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${tbt_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${tbt_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# ctest and test discovery start every .exe through Wine.
find_program(TBT_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TBT_WINE})
# The C and C++ runtimes are linked in, so a program runs from any folder, and under
# Wine, without mingw's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
