# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DNAME=<symbol> -P EmbedFile.cmake
# Writes a C++ source defining `extern const unsigned char NAME[]` (the file's bytes followed by
# two NULs) and `extern const unsigned long NAME_SIZE` (the file's size without them), so that a
# shipped data file also stands inside the program as the copy it falls back on.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n  " bytes "${bytes}")
file(WRITE ${OUTPUT}.tmp
  "// Generated from ${INPUT} by cmake/EmbedFile.cmake; do not edit.\n"
  "extern const unsigned char ${NAME}[] = {\n  ${bytes}0x00, 0x00};\n"
  "extern const unsigned long ${NAME}_SIZE = ${size}ul;\n")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
