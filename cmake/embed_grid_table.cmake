# cmake -DIN=table.bin -DOUT=table.c -P embed_grid_table.cmake
# Writes the grid table as a C array, for the library to carry it.
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR bytes "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
# Lines of about 120 characters: 24 bytes each.
string(REGEX REPLACE "((0x..,){24})" "\\1\n" body "${body}")
file(WRITE "${OUT}" "/* Generated from ${IN}: do not edit. */\n#include <stddef.h>\n"
     "extern const unsigned char morvane_grid_table[];\nextern const size_t morvane_grid_table_size;\n"
     "const unsigned char morvane_grid_table[] = {\n${body}\n};\n"
     "const size_t morvane_grid_table_size = ${bytes};\n")
