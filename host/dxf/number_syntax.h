#pragma once
// Cheap syntax checks for the values of numeric groups. The reader runs them on every numeric
// value of a drawing, so they only look at characters; turning the text into a number happens when
// somebody asks for the value.

#include <optional>
#include <string_view>

#include "dxf/group_code.h"

namespace kx::dxf {

// [blanks] [+-] digits [. digits] [(e|E) [+-] digits] [blanks], with digits on at least one side
// of the point.
bool isRealText(std::string_view text);
// [blanks] [+-] digits [blanks]
bool isIntegerText(std::string_view text);
// [blanks] hex digits [blanks]; an empty handle is allowed (written by some programs as "0").
bool isHexText(std::string_view text);

// Whether `text` is a well-formed value for a group of type `type`. Strings always are.
bool isValidValue(ValueType type, std::string_view text);

std::optional<double> parseReal(std::string_view text);
std::optional<long long> parseInteger(std::string_view text);
std::optional<unsigned long long> parseHex(std::string_view text);

}  // namespace kx::dxf
