// Opening text inputs: only regular files, a leading UTF-8 byte-order mark skipped, lines read with a bound.
#pragma once
#include <fstream>
#include <istream>
#include <string>

namespace vorn {

// Physical lines longer than this are cut while reading, so a file of one endless line costs
// no more than this much memory; every reader refuses far shorter lines anyway.
constexpr size_t kLineKeep = 4096;

// Opens name for reading. A name that exists but is not a regular file (a directory, a device
// such as /dev/zero, a FIFO) stops the run from `place` with "<what> <name> is not a regular
// file": reading one would hang, grow without limit or read nothing. Returns false when the file
// does not open, leaving the message to the caller. A UTF-8 byte-order mark is skipped.
bool open_text(std::ifstream& in, const std::string& name, const std::string& place, const std::string& what);

// True when name exists but is no regular file (a directory, a device, a FIFO).
bool not_regular(const std::string& name);

// Consumes a UTF-8 byte-order mark at the stream's current position, if one is there.
void skip_bom(std::istream& in);

// One physical line without its newline and a carriage return before it; false at the end of
// the input. At most kLineKeep characters are kept: `cut` tells that the rest was read and dropped.
bool read_line(std::istream& in, std::string& line, bool& cut);

// The whole of a regular file as text (for parsers that take memory), the byte-order mark
// dropped; the same refusals as open_text.
bool slurp_text(const std::string& name, std::string& text, const std::string& place, const std::string& what);

}  // namespace vorn
