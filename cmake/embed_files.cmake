# Writes OUT, a C++ source holding the files FILES (paths separated by |) as byte arrays,
# named by their file names, for the table of host/serve/page_files.h.
#   cmake -DOUT=page.cpp "-DFILES=a.html|b.js" -P embed_files.cmake
string(REPLACE "|" ";" FILES "${FILES}")
set(arrays "")
set(rows "")
set(index 0)
foreach(path IN LISTS FILES)
  get_filename_component(name ${path} NAME)
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const unsigned char file${index}[] = {\n${bytes}0};\n")
  string(APPEND rows "    {\"${name}\", file${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT}.tmp
  "// Generated from host/serve/page by cmake/embed_files.cmake: do not edit.\n"
  "#include \"host/serve/page_files.h\"\n\nnamespace {\n${arrays}}  // namespace\n\n"
  "const EmbeddedFile EMBEDDED_PAGE_FILES[] = {\n${rows}};\n"
  "const size_t EMBEDDED_PAGE_FILE_COUNT = ${index};\n")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
