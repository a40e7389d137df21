# The compiler warnings of every C++ file of the program, its tests, its
# benchmarks and its fuzz targets, with GCC and with clang alike: the usual
# sets, strict ISO C++, and every implicit conversion that may change a value
# (with clang that includes those that change the sign).
#
# They stay warnings in a plain build, so that a newer compiler with new
# warnings still builds the program for a player. The scripts' builds
# configure with -DCMAKE_COMPILE_WARNING_AS_ERROR=ON and stop on any of them.
add_compile_options(
  "$<$<COMPILE_LANG_AND_ID:CXX,GNU,Clang>:-Wall;-Wextra;-Wpedantic;-Wconversion>"
)
