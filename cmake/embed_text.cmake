# Writes a C++ source that returns the text of one file, so the program carries it without the source tree.
# Usage: cmake -DIN=file -DOUT=file.cpp -DFUNC=name -DHEADER=dir/header.h -P embed_text.cmake
file(READ "${IN}" text)
get_filename_component(name "${IN}" NAME)
# The text goes into one raw string literal; its closing sequence must not occur in the text.
set(delim "vorntext")
string(FIND "${text}" ")${delim}\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${IN} holds the sequence )${delim}\" that closes the embedded literal")
endif()
string(LENGTH "${text}" n)
file(WRITE "${OUT}.tmp"
  "// Generated from ${name} by cmake/embed_text.cmake; do not edit.\n"
  "#include \"${HEADER}\"\n\nnamespace vorn {\n\nstd::string_view ${FUNC}() {\n"
  "  static constexpr char text[] = R\"${delim}(${text})${delim}\";\n"
  "  static_assert(sizeof text == ${n} + 1);\n"
  "  return {text, sizeof text - 1};\n}\n\n}  // namespace vorn\n")
# an unchanged text keeps its object file
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
