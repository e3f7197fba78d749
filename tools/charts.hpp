// The charts and tables of a cost-risk review: the total's S-curve, the
// tornado of its inputs, and a panel per quantity; as text, as an SVG picture
// and as a self-contained HTML page. Everything is written to a stream.
#ifndef STOKA_TOOLS_CHARTS_HPP
#define STOKA_TOOLS_CHARTS_HPP

#include <ostream>
#include <string>

#include "outcome.hpp"

namespace cli {

// Text for XML and HTML: & < > " ' as entities, so a name stays data.
std::string Escape(const std::string& text);

// The S-curve, the tornado and the panels in one SVG document.
void WriteSvg(std::ostream& out, const Outcome& outcome);
// The page: title, summary table, S-curve with its table, tornado, panels.
void WriteHtml(std::ostream& out, const Outcome& outcome);

}  // namespace cli

#endif
