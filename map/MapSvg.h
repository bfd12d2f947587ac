// The map scene as an SVG document that a browser shows: each item a group
// with its hover text as a <title>, the map's shapes cut at its frame.
#pragma once

#include <string>

#include "map/MapScene.h"

namespace skarn::map {

// The whole document, CR LF line ends; the same scene gives the same bytes
// on every platform (numbers are written without the C library).
std::string SceneSvg(const Scene& scene);

}  // namespace skarn::map
