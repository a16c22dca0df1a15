// Frames of the MoPro files.
#include "writers/mopro.h"

#include "model/outfile.h"
#include "util/format.h"

namespace vorn {

namespace {

// The entries of a per-atom text table that begin with prefix, in atom order.
void write_prefixed(std::ofstream& out, const std::vector<std::string>& table, const char* prefix) {
  for (size_t i = 1; i < table.size(); ++i)
    if (table[i].rfind(prefix, 0) == 0) out << table[i] << '\n';
}

}  // namespace

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
  write_prefixed(run.ires, run.text.res, "URATIO");
  run.ires << "!\n! end\n!\n";
  close_out(run.ires, "res_mopro.inp", "VORN");
}

void con_similarity_and_close(Run& run) {
  run.icon << "!\n! similarity (switched-off)\n!\n";
  write_prefixed(run.icon, run.text.mcon, "! CONPVM");
  run.icon << "!\n! end\n!\n";
  close_out(run.icon, "con_mopro.inp", "VORN");
}

}  // namespace vorn
