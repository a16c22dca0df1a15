// Local axes and site-symmetry label of an atom on a special position, made to fit its crystallographic site.
#pragma once
#include "localaxes/axisrules.h"
#include "localaxes/sitefit.h"
#include "model/run.h"
#include "topology/environment.h"

namespace vorn {

// One way to set up an atom on a site: a key-table label on a frame built from the site's
// symmetry directions, with how it fits the site.
struct SiteChoice {
  std::string label;
  LocalFrame frame;
  SiteFit fit;
};

// The key-table label of a point group ("C" for -1), or an empty text when the table has none.
std::string table_label(const std::string& point_group);

// The best label and frame for a site whose chemically chosen label does not fit: the
// site's own symmetry where the key table knows it; else a label that fits it exactly;
// otherwise the label of the highest-order subgroup it knows, that is the one that covers
// the site with the fewest multipoles left for the refinement to constrain. `hint` is a direction
// for the X axis when the site fixes only Z (the first axis the rules chose).
SiteChoice best_site_choice(const SiteSym& s, const DVec3& hint);

// For atom k on a special position (run.sites): keeps the label and axes the rules chose in
// c and asym(k) when they are compatible with the site; otherwise replaces them by
// best_site_choice with Z and X along symmetry directions, each towards an atom lying on
// it or a dummy, and logs the change with the multipoles the refinement must still
// constrain. Atoms on general positions are left alone.
void fit_site(Run& run, int k, AxisChoice& c, const NeighborGrid& grid);

}  // namespace vorn
