# Turns a file into a C++ source that defines `std::string_view SYMBOL()` holding its bytes.
# Usage: cmake -DINPUT=... -DOUTPUT=... -DSYMBOL=... -DNAMESPACE=... -P embed_file.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(([^,]*,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${INPUT}; do not edit.
#include <string_view>
namespace ${NAMESPACE} {
namespace {
constexpr char kBytes[] = {
${bytes}
'\\0'};
}  // namespace
std::string_view ${SYMBOL}() { return std::string_view(kBytes, ${byte_count}); }
}  // namespace ${NAMESPACE}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
