// vorn.html: one offline page that draws every atom's local axes beside a table of their definitions.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "model/run.h"
#include "writers/localframe.h"

namespace vorn {

// The label xd_vorn.mas gives the axis point of an iar code (an atom, or ia + a dummy
// number), trailing blanks removed; empty when the code names nothing.
std::string point_label(const Run& run, int code);

// The frame xd_vorn.mas defines for atom k (1..ia): towards the atoms or dummies its iar
// entries name, so an axis that pointed to a symmetry image points to the dummy put there.
LocalFrame atom_frame(const Run& run, int k);

// The symmetry images drawn for context, ascending: generated atoms bonded to an atom of the
// asymmetric unit or lying on a dummy that an axis points to.
std::vector<int> context_images(const Run& run);

// The page's data block (the JSON of <script id="vorn-data">): cell, atoms, dummies, images.
void write_page_data(std::ostream& out, const Run& run);

// The whole page: the template with the data block and the viewer library inlined.
void write_page(std::ostream& out, const Run& run);

// Writes vorn.html into the working directory; a file that cannot be written stops the run.
void write_html(const Run& run);

}  // namespace vorn
