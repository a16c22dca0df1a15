// Fractional/Cartesian transformation.
#include "util/geometry.h"

#include "util/err.h"

namespace vorn {

Vec3 rabs(const Transf& t, int iflag, const Vec3& x) {
  if (iflag == 0) return mat_vec(t.rm, x);
  if (iflag == 1) return mat_vec(t.rm1, x);
  err("rabs", "iflag is wrong...");
}

}  // namespace vorn
