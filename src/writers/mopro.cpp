// Frames of the MoPro files.
#include "writers/mopro.h"

#include "util/format.h"

namespace vorn {

void mopro_par_header(Run& run) {
  run.ipro << fmt::rep('!', 80) << '\n'
           << "!           CREATED BY PROGRAM << VORN >>\n"
           << fmt::rep('!', 80) << '\n'
           << "!  \n";
}

void con_header(Run& run) { run.icon << "!\n! local symmetry  \n!\n"; }

void res_header(Run& run) { run.ires << "!\n! X-H distances\n!\n"; }

void res_uratio_and_close(Run& run) {
  run.ires << "!\n! isotropic H atoms ADPs\n!\n";
  for (size_t i = 1; i < run.text.res.size(); ++i)
    if (run.text.res[i].rfind("URATIO", 0) == 0) run.ires << run.text.res[i] << '\n';
  run.ires << "!\n! end\n!\n";
  run.ires.close();
}

void con_similarity_and_close(Run& run) {
  run.icon << "!\n! similarity (switched-off)\n!\n";
  for (size_t i = 1; i < run.text.mcon.size(); ++i)
    if (run.text.mcon[i].rfind("! CONPVM", 0) == 0) run.icon << run.text.mcon[i] << '\n';
  run.icon << "!\n! end\n!\n";
  run.icon.close();
}

}  // namespace vorn
