# cmake -DIN=table.bin -DOUT=table.cpp -P embed_grid_table.cmake
# Writes the grid table as an array with C linkage, for the library to
# carry it (C++, so that it is compiled as the rest of the core is).
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR bytes "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
# Lines of about 120 characters: 24 bytes each.
string(REGEX REPLACE "((0x..,){24})" "\\1\n" body "${body}")
file(WRITE "${OUT}" "// Generated from ${IN}: do not edit.\n#include <cstddef>\n"
     "extern \"C\" const unsigned char morvane_grid_table[];\nextern \"C\" const std::size_t morvane_grid_table_size;\n"
     "const unsigned char morvane_grid_table[] = {\n${body}\n};\n"
     "const std::size_t morvane_grid_table_size = ${bytes};\n")
