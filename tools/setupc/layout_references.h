#pragma once
// The files a page set names, found the way the setup reads its layout files: the
// text ends at its first zero byte and is cut at every carriage return; each piece is
// trimmed of characters at or below the space; a piece that begins with "[" starts a
// section. Only what names a file is looked at.

#include <cstddef>
#include <string>
#include <vector>

#include "base/byte_io.h"

namespace setup::setupc {

// A file name written in a layout file, with the line it stands on (from 1).
struct LayoutReference {
  std::string name;
  size_t line = 0;
};

// A trimmed, non-empty piece of a layout file and its line (from 1).
struct LayoutPiece {
  std::string text;
  size_t line = 0;
};

// The pieces of a layout file grouped into sections, each beginning with its "[Name]"
// piece (the first may not, when the text begins without one).
std::vector<std::vector<LayoutPiece>> LayoutSections(ByteView bytes);

// The page files of "Pages.txt": the lines of its "[Pages]" sections, in order.
std::vector<LayoutReference> PageFileNames(ByteView pageSet);

// The files a page file loads: the "File" values of its picture ("TImage") and rich
// edit ("TRichEdit") sections. A rich edit's value that holds a text macro ("<%")
// names an entry only at run time and is left out.
std::vector<LayoutReference> PageFileReferences(ByteView pageFile);

// The line (from 1) of the first line feed not preceded by a carriage return, or 0.
// The setup splits layout lines at carriage returns only, so such a file would be
// read as one long line.
size_t FirstBareLineFeed(ByteView text);

}  // namespace setup::setupc
