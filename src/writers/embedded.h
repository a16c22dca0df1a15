// Texts built into the program at build time: the page of vorn.html and the viewer it inlines.
#pragma once
#include <string_view>

namespace vorn {

// The page of vorn.html (src/writers/vornpage.html) with its markers for the data and the viewer.
std::string_view page_template();

// 3Dmol.js, the pinned minified release vendored in third_party/3dmol (BSD-3-Clause).
std::string_view viewer_js();

}  // namespace vorn
