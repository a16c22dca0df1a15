// One atom's local coordinate system: the axis rules, then its kappa set and records.
#include "localaxes/defloc.h"

#include "localaxes/sitelabel.h"

namespace vorn {

void defloc(Run& run, int k, LocalContext& ctx) {
  AxisChoice c = choose_axes(run, k, ctx.grid);
  fit_site(run, k, c, ctx.grid);
  setup_atom(run, k, c, ctx.kappas, &ctx.grid);
}

}  // namespace vorn
