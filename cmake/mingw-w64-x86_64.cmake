# Cross-builds for 64-bit Windows with Debian's mingw-w64 compilers (package
# g++-mingw-w64-x86-64-posix). The galaxy core and galaxy_bench alone:
#   cmake -S . -B build-win -DQUARRIMAX_CORE_ONLY=ON \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The whole program, against a Qt built for Windows with the same compilers
# (scripts/windows.sh does this, see scripts/build-qt-windows.sh):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=QT-FOR-WINDOWS -DQT_HOST_PATH=/usr \
#         -DCMAKE_AUTORCC_OPTIONS=--no-zstd -DCMAKE_CROSSCOMPILING_EMULATOR=wine
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The C++ runtime is linked as the DLLs libstdc++-6, libgcc_s_seh-1 and
# libwinpthread-1, the one runtime that Qt's DLLs use too; galaxy_bench.exe
# alone, which uses no Qt, carries it inside (bench/CMakeLists.txt).
