// The command line: options as control-file lines, the structure file's format, usage and mistakes.
#include "driver/cmdline.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "util/text.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Extensions that name the reader. A new reader adds its rows here (and a sniffer below).
struct ByExtension {
  const char* ext;
  const char* format;
};
constexpr ByExtension kExtensions[] = {
    {".res", "shelx"}, {".ins", "shelx"}, {".cif", "cif"},     {".mas", "xd"},
    {".ang", "platon"}, {".pla", "platon"}, {".tab", "aim2tab"}, {".pdb", "pdb"}, {".ent", "pdb"},
};

// What the first lines of each format hold, for files whose extension says nothing.
struct Clues {
  bool data = false, atom_site = false, cell = false, sfac = false, end_atom = false, aim = false, atom = false;
  bool macro = false;  // mmCIF atom sites in Cartesian coordinates (_atom_site.Cartn_x)
  bool pdb = false;    // CRYST1, or ATOM/HETATM records with a serial number
};

Clues clues_of(const std::string& path) {
  Clues c;
  std::ifstream in(path);
  std::string line;
  for (int n = 0; n < 2000 && std::getline(in, line); ++n) {
    const std::string u = upper(line);
    const std::string w = u.substr(0, u.find(' '));
    if (line.rfind("data_", 0) == 0) c.data = true;
    if (line.rfind("_atom_site", 0) == 0 || line.rfind("_cell_length", 0) == 0) c.atom_site = true;
    if (w == "CELL") c.cell = true;
    if (w == "SFAC") c.sfac = true;
    if (u.rfind("END ATOM", 0) == 0) c.end_atom = true;
    if (u.find("NUMBER OF ATOMS READ =") != std::string::npos) c.aim = true;
    if (w == "ATOM") c.atom = true;
    if (line.rfind("_atom_site.Cartn_x", 0) == 0 || line.rfind("_atom_site.group_PDB", 0) == 0) c.macro = true;
    if (line.rfind("CRYST1", 0) == 0) c.pdb = true;
    if ((line.rfind("ATOM  ", 0) == 0 || line.rfind("HETATM", 0) == 0) && line.size() >= 54) {
      const std::string serial = line.substr(6, 5);
      const size_t k = serial.find_first_not_of(' ');
      if (k != std::string::npos && parse_int(serial.substr(k)).has_value()) c.pdb = true;
    }
  }
  return c;
}

struct Sniffer {
  const char* format;
  bool (*matches)(const Clues&);
};
constexpr Sniffer kSniffers[] = {
    {"aim2tab", [](const Clues& c) { return c.aim; }},
    {"mmcif", [](const Clues& c) { return c.data && c.macro; }},
    {"pdb", [](const Clues& c) { return c.pdb && !c.data; }},
    {"cif", [](const Clues& c) { return c.data && c.atom_site; }},
    {"xd", [](const Clues& c) { return c.end_atom && c.cell; }},
    {"shelx", [](const Clues& c) { return c.cell && c.sfac; }},
    {"platon", [](const Clues& c) { return c.atom && !c.cell; }},
};

const char* const kFormatsNamed =
    ".res/.ins (SHELX), .cif (CIF or mmCIF), .mas with its .inp (XD), .ang/.pla (PLATON), .tab (AIM2TAB) or "
    ".pdb/.ent (PDB; .pdb.gz, .cif.gz gzipped)";

// The XD parameter file that goes with a master file: the same stem with .inp, else .res.
std::string xd_partner(const std::string& mas) {
  for (const char* ext : {".inp", ".res"}) {
    const fs::path p = fs::path(mas).replace_extension(ext);
    std::error_code ec;
    if (fs::is_regular_file(p, ec)) return p.string();
  }
  return "";
}

// A path as seen from the output directory, where the run works.
std::string from_outdir(const std::string& path, const std::string& outdir) {
  if (outdir.empty() || fs::path(path).is_absolute()) return path;
  const fs::path abs = fs::absolute(path).lexically_normal();
  const fs::path rel = abs.lexically_relative(fs::absolute(outdir).lexically_normal());
  return rel.empty() ? abs.string() : rel.string();
}

CmdLine mistake(const std::string& message, int status = 2) {
  CmdLine c;
  c.action = CmdLine::Action::mistake;
  c.message = message;
  c.status = status;
  return c;
}

bool is_int(const std::string& s) { return parse_int(s).has_value(); }
bool is_real(const std::string& s) { return parse_real(s).has_value(); }

struct ScaleName {
  const char* option;
  const char* word;
};
constexpr ScaleName kScaleNames[] = {{"sigma", "SIGMA"}, {"diff", "DIFF"},  {"difference", "DIFF"},
                                      {"fract", "FRAC"},  {"frac", "FRAC"}, {"fraction", "FRAC"}};

}  // namespace

std::string usage_line() { return "usage: vorn [FILE [FILE.inp]] [options]   (vorn --help lists the options)"; }

std::string usage_text() {
  return usage_line() +
         "\n"
         "\n"
         "  vorn                  run the job of ./vorn.inp in the current directory\n"
         "  vorn FILE [options]   run the whole job on one structure file, without a control file:\n"
         "                        " + std::string(kFormatsNamed) + "\n"
         "                        defaults: RINGS 3 8, NCELLS 1, xd_vorn.inp written, fragment charges 0\n"
         "                        (a PDB/mmCIF model's formal charges where it gives them)\n"
         "  vorn -h               print a sample control file\n"
         "\n"
         "options (each is the control-file line in brackets):\n"
         "  -o DIR                write the outputs into DIR (made if missing)\n"
         "  --rings MIN MAX       ring search over MIN..MAX atoms          [RINGS MIN MAX]\n"
         "  --no-rings            no ring search\n"
         "  --ncells N            complete molecules within N cells; 0: off [NCELLS N]\n"
         "  --extend-h            hydrogens to neutron distances            [EXTEND_H]\n"
         "  --databank FILE       take parameters from a databank           [DATABANK FILE]\n"
         "  --tsc FILE            form-factor table vorn.tsc for the reflections of FILE [TSC FILE]\n"
         "  --tscb FILE           the same table binary, vorn.tscb (NoSpherA2) [TSC FILE BINARY]\n"
         "  --radial EL N0 N1 N2 N3 N4 ZETA  multipole radial functions of element EL [RADIAL ...]\n"
         "  --scale sigma|diff|fract  rescaling method of Pv                [SCALE *...]\n"
         "  --charge Q            net charge Q of every fragment            [CHFRAG Q *all]\n"
         "  --verbose N           amount of log output                      [VERBOSE N]\n"
         "  --plain               plain conversion to XD files              [INPUT FILE *toxd]\n"
         "  --control FILE        read a control file; options given here come after it\n"
         "  -q, --quiet           console: warnings and the closing summary only (the log keeps all)\n"
         "  --help                this text\n"
         "  --version             the program's version\n"
         "\n"
         "exit status: 0 complete run, 1 fatal error (message in vorn.out and on the console),\n"
         "             2 command-line mistake\n";
}

Detected detect_format(const std::string& path) {
  Detected d;
  std::string ext = lower(fs::path(path).extension().string());
  // gzipped models: the name inside tells the format, and only the macromolecular reader unzips
  const bool gz = ext == ".gz";
  if (gz) ext = lower(fs::path(path).stem().extension().string());
  for (const ByExtension& e : kExtensions)
    if (ext == e.ext) d.format = e.format;
  if (gz) d.format = ext == ".pdb" || ext == ".ent" ? "pdb" : ext == ".cif" ? "mmcif" : "";
  // a .cif of a macromolecule goes to the mmCIF reader
  if (!gz && d.format == "cif" && clues_of(path).macro) d.format = "mmcif";
  if (d.format.empty() && !gz) {
    const Clues c = clues_of(path);
    for (const Sniffer& s : kSniffers)
      if (s.matches(c)) {
        d.format = s.format;
        break;
      }
  }
  if (d.format.empty()) {
    d.message = "Cannot tell the format of " + path + ": give a " + kFormatsNamed + " file";
    return d;
  }
  if (d.format == "xd") {
    d.partner = xd_partner(path);
    if (d.partner.empty())
      d.message = "No XD parameter file beside " + path + " (" + fs::path(path).replace_extension(".inp").string() + ")";
  }
  return d;
}

CmdLine parse_cmdline(const std::vector<std::string>& args) {
  CmdLine c;
  if (args.empty()) return c;
  // the historical switch: any first argument beginning with -h prints the sample control file
  if (args[0].substr(0, 20).rfind("-h", 0) == 0) {
    c.action = CmdLine::Action::sample;
    return c;
  }
  if (args[0] == "--help") {
    c.action = CmdLine::Action::usage;
    return c;
  }
  if (args[0] == "--version") {
    c.action = CmdLine::Action::version;
    return c;
  }
  c.from_args = true;
  std::vector<std::string> files, options;
  std::string control_file;
  bool no_rings = false, rings = false, ncells = false, plain = false;
  const std::string binary = " BINARY";  // --tscb: TSC FILE BINARY
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& a = args[k];
    // the n words after the option; none when the line ends first
    auto value = [&](size_t n) -> std::vector<std::string> {
      if (k + n >= args.size()) return {};
      std::vector<std::string> v(args.begin() + static_cast<long>(k) + 1, args.begin() + static_cast<long>(k + n) + 1);
      k += n;
      return v;
    };
    if (a.empty() || a[0] != '-' || a == "-") {
      files.push_back(a);
    } else if (a == "-o") {
      auto v = value(1);
      if (v.empty()) return mistake("Option -o needs a directory");
      c.outdir = v[0];
    } else if (a == "-q" || a == "--quiet") {
      c.quiet = true;
    } else if (a == "--rings") {
      auto v = value(2);
      if (v.empty() || !is_int(v[0]) || !is_int(v[1])) return mistake("Option --rings needs two whole numbers");
      options.push_back("RINGS " + v[0] + " " + v[1]);
      rings = true;
    } else if (a == "--no-rings") {
      no_rings = true;
    } else if (a == "--ncells") {
      auto v = value(1);
      if (v.empty() || !is_int(v[0])) return mistake("Option --ncells needs a whole number");
      // 0 turns completion off, as a user reads it; a negative number too
      options.push_back("NCELLS " + std::string(*parse_int(v[0]) > 0 ? v[0] : "-1"));
      ncells = true;
    } else if (a == "--extend-h") {
      options.push_back("EXTEND_H");
    } else if (a == "--databank") {
      auto v = value(1);
      if (v.empty()) return mistake("Option --databank needs a file name");
      options.push_back("DATABANK " + v[0]);
    } else if (a == "--tsc" || a == "--tscb") {
      auto v = value(1);
      if (v.empty()) return mistake("Option " + a + " needs a reflection file name");
      options.push_back("TSC " + v[0] + (a == "--tscb" ? binary : ""));
    } else if (a == "--radial") {
      auto v = value(7);
      if (v.empty()) return mistake("Option --radial needs an element, five powers n0..n4 and an exponent");
      std::string line = "RADIAL";
      for (const std::string& w : v) line += " " + w;
      options.push_back(line);
    } else if (a == "--scale") {
      auto v = value(1);
      const ScaleName* hit = nullptr;
      for (const ScaleName& s : kScaleNames)
        if (!v.empty() && lower(v[0]) == s.option) hit = &s;
      if (!hit) return mistake("Option --scale needs sigma, diff or fract");
      options.push_back(std::string("SCALE *") + hit->word);
    } else if (a == "--charge") {
      auto v = value(1);
      if (v.empty() || !is_real(v[0])) return mistake("Option --charge needs a number");
      options.push_back("CHFRAG " + v[0] + " *all");
    } else if (a == "--verbose") {
      auto v = value(1);
      if (v.empty() || !is_int(v[0])) return mistake("Option --verbose needs a whole number");
      options.push_back("VERBOSE " + v[0]);
    } else if (a == "--plain") {
      plain = true;
    } else if (a == "--control") {
      auto v = value(1);
      if (v.empty()) return mistake("Option --control needs a file name");
      control_file = v[0];
    } else {
      return mistake("Unknown option " + a);
    }
  }
  // paths given relative to the current directory, seen from where the run works
  const std::string od = c.outdir;
  for (std::string& o : options)
    if (o.rfind("DATABANK ", 0) == 0) o = "DATABANK " + from_outdir(o.substr(9), od);
    else if (o.rfind("TSC ", 0) == 0) {
      const size_t end = o.size() > 4 + binary.size() && o.ends_with(binary) ? o.size() - binary.size() : o.size();
      o = "TSC " + from_outdir(o.substr(4, end - 4), od) + o.substr(end);
    }

  if (!control_file.empty()) {
    std::ifstream in(control_file);
    if (!in) return mistake("Unable to open control file " + control_file, 1);
    std::string line;
    while (std::getline(in, line)) c.lines.push_back(line);
  } else {
    if (files.empty()) return mistake("No structure file given");
    // the one-liner's defaults, each turned off by its option
    if (!no_rings && !rings) c.lines.push_back("RINGS 3 8");
    if (!ncells) c.lines.push_back("NCELLS 1");
    c.lines.push_back("XDPAR");
  }
  if (no_rings) options.erase(std::remove_if(options.begin(), options.end(),
                                             [](const std::string& o) { return o.rfind("RINGS", 0) == 0; }),
                              options.end());
  if (files.size() > 2) return mistake("More than one structure file given: " + files[0] + " and " + files[1]);
  if (!files.empty()) {
    c.unattended = true;
    std::error_code ec;
    if (!fs::exists(files[0], ec)) return mistake("Structure file " + files[0] + " does not exist", 1);
    const Detected d = detect_format(files[0]);
    if (files.size() == 2 && d.format != "xd")
      return mistake("More than one structure file given: " + files[0] + " and " + files[1]);
    if (!d.message.empty() && !(d.format == "xd" && files.size() == 2)) return mistake(d.message, 1);
    std::string input = "INPUT " + from_outdir(files[0], od);
    if (d.format == "xd") input += " " + from_outdir(files.size() == 2 ? files[1] : d.partner, od);
    if (plain) input += " *toxd";
    c.lines.push_back("FORMAT *" + d.format);
    c.lines.push_back(input);
  } else if (plain) {
    return mistake("Option --plain needs a structure file");
  }
  c.lines.insert(c.lines.end(), options.begin(), options.end());
  return c;
}

}  // namespace vorn
