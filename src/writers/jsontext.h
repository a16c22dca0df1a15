// JSON values for a data block inside an HTML page: strings that cannot end the script element.
#pragma once
#include <string>
#include <string_view>

namespace vorn {

// The text as a JSON string literal, quotes included. Quote, backslash and control characters
// are escaped; so are '<', '>' and '&' (a label holding "</script>" must not end the block) and
// U+2028/U+2029. Valid UTF-8 passes through; a byte that is not part of a valid UTF-8 sequence
// is read as Latin-1 and written as its \u00XX escape, so the page is always valid UTF-8.
std::string json_string(std::string_view s);

// A JSON number with d decimals; "null" for a value that is not finite.
std::string json_number(double v, int d);

}  // namespace vorn
