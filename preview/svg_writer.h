// A drawing as an SVG document, written as text by our own code: the same file on every platform.
#pragma once

#include <string>

#include "preview/drawing.h"

// The whole document, UTF-8. Texts are escaped, and a character that XML cannot hold (a control
// character in a name, bytes that are no UTF-8) becomes U+FFFD, so the file is always well-formed.
std::string SvgDocument(const SDrawing& drawing);
