// Databank parameters reaching the files: occupancy-weighted populations in xd_vorn.inp.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../support.h"
#include "driver/vorn.h"

using namespace vorn;
namespace fs = std::filesystem;

namespace {

// Pv of the free atoms, so that the scaling leaves them as transferred.
const char* kDb =
    "ATOM 6 C methyl carbon\nNEIG 4 2 0 0 3m planar F\n 1 1 3\n 2 8 1\nPVAL 4.0 0.99 0.85 0.05\n"
    "PLMS 3 0 0.15 3 3 0.25\n"
    "ATOM 8 O hydroxyl oxygen\nNEIG 2 2 0 0 m planar T\n 1 1 1\n 2 6 1\nEXCEPT GROUP alcohol\nPVAL 6.0 0.98 1.0 0.08\nPLMS 1 1 0.04\n"
    "ATOM 1 H any hydrogen\nPRNT 8 2 1 cyl\nEXCEPT GROUP alcohol\nPVAL 1.0 1.16 1.2 0.04\nPLMS 1 0 0.14\n"
    "ATOM 1 H any hydrogen\nPRNT 6 4 3 cyl\nPVAL 1.0 1.16 1.2 0.04\nPLMS 1 0 0.12\n";

class Transfer : public test::InTempDir {};

}  // namespace

TEST_F(Transfer, HalfOccupiedAtomsCarryHalfTheEntry) {
  fs::copy_file(test::data_path("databank/half_methanol.res"), "m.res");
  test::write_file("t.db", kDb);
  test::write_file("vorn.inp", "FORMAT *shelx\nINPUT m.res\nDISORD extend *db\nDATABANK t.db\nCHFRAG 0.\n");
  std::ostringstream con;
  std::istringstream in;
  vorn_main({}, con, in);
  ASSERT_EQ(con.str().find("ERROR"), std::string::npos) << con.str();
  EXPECT_NE(con.str().find(" ATOMS SEARCHED in DB, FOUND in DB, NOT FOUND in DB =        6       6       0"),
            std::string::npos);
  const auto lines = test::lines_of(test::slurp("xd_vorn.inp"));
  auto populations = [&](const std::string& label) {
    for (size_t k = 0; k + 2 < lines.size(); ++k)
      if (lines[k].rfind(label, 0) == 0) return lines[k + 2] + "|" + lines[k + 3];
    return std::string("missing");
  };
  // pv, (0,0), (1,1), (1,-1), (1,0), (2,0) ... then (3,0) leads the second line
  EXPECT_EQ(populations("C(1)"), "  2.0000  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000  0.0000|"
                                 "  0.0750  0.0000  0.0000  0.0000  0.0000  0.1250  0.0000  0.0000  0.0000  0.0000");
  EXPECT_EQ(populations("O(1)").substr(0, 24), "  3.0000  0.0000  0.0200");
  EXPECT_EQ(populations("H(1)").substr(0, 40), "  0.5000  0.0000  0.0000  0.0000  0.0700");
  EXPECT_EQ(populations("H(4)").substr(0, 40), "  0.5000  0.0000  0.0000  0.0000  0.0600");
}
