// Forced into Lua's liolib.c (cmake/ThirdParty.cmake): io.read("*n") reads its number
// with ORBLuaScanNumber instead of fscanf("%lf"), which alone brings the C99 scanf
// family (about 17 KB) into every setup.
#pragma once
// liolib.c asks for these before stdio.h, and this header comes first.
#if !defined(_FILE_OFFSET_BITS)
#define _LARGEFILE_SOURCE 1
#define _FILE_OFFSET_BITS 64
#endif
#include <stdio.h>

// Reads a number from f as fscanf(f, "%lf", number) does with MinGW's C99 scanf: white
// space skipped, then the longest text of a number (decimal, 0x hexadecimal, inf,
// infinity, nan), converted as that scanf converts it. 1 when a number was read, 0 when
// the text is not one (what was read of it stays read), EOF at the end of the file.
int ORBLuaScanNumber(FILE* f, double* number);

#define fscanf(f, format, number) ORBLuaScanNumber((f), (number))
