// The charts and tables of a cost-risk review, as text, SVG and HTML.
#include "charts.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cli {
namespace {

const int kWidth = 760;           // of every chart
const double kClipLow = 0.5;      // the axes of the S-curve and the panels
const double kClipHigh = 99.5;    // run from this percentile to that one
const char* const kClipWords = "P0.5 to P99.5";

std::string Format(const char* format, double v) {
  char text[48];
  std::snprintf(text, sizeof text, format, v);
  return text;
}
std::string Short(double v) { return Format("%.6g", v == 0 ? 0.0 : v); }  // no "-0"
std::string At(double v) { return Format("%.1f", v); }                     // a coordinate

// At most `bytes` bytes of a UTF-8 text, never half a character, with an
// ellipsis when cut.
std::string Cut(const std::string& text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t end = bytes - 1;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end) + "\u2026";
}

// A value of the x axis between lo and hi, and a value of the y axis between
// ylo and yhi, as coordinates of the frame.
struct Frame {
  double left, top, width, height;
  double lo, hi, ylo = 0, yhi = 100;
  double X(double v) const { return left + (v - lo) / (hi - lo) * width; }
  double Y(double v) const { return top + height * (1 - (v - ylo) / (yhi - ylo)); }
  double Right() const { return left + width; }
  double Bottom() const { return top + height; }
};

// Round steps of 1, 2 or 5 times a power of ten, about `want` of them over
// [lo, hi]; labels with the decimals the step needs.
struct Ticks {
  std::vector<double> at;
  int decimals = 0;
  std::string Label(double v) const {
    if (std::fabs(v) >= 1e9) return Short(v);
    char text[48];
    std::snprintf(text, sizeof text, "%.*f", decimals, v == 0 ? 0.0 : v);
    return text;
  }
};
Ticks NiceTicks(double lo, double hi, int want) {
  Ticks t;
  const double raw = (hi - lo) / want, power = std::pow(10.0, std::floor(std::log10(raw)));
  if (!(raw > 0) || !std::isfinite(raw) || !(power > 0)) return t;
  const double r = raw / power, step = (r < 1.5 ? 1 : r < 3 ? 2 : r < 7 ? 5 : 10) * power;
  t.decimals = std::min(12, std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9))));
  // Counted, not stepped: a step below the spacing of doubles near lo would
  // never move.
  const double first = std::ceil(lo / step - 1e-9);
  for (int k = 0; k <= 2 * want && (first + k) * step <= hi + step * 1e-9; ++k)
    t.at.push_back((first + k) * step);
  return t;
}

// The axis range of a sample: P0.5 to P99.5, widened when they coincide.
std::pair<double, double> Clip(const std::vector<double>& sorted) {
  const int n = static_cast<int>(sorted.size());
  double lo = stoka_stats_percentile(sorted.data(), n, kClipLow, false);
  double hi = stoka_stats_percentile(sorted.data(), n, kClipHigh, false);
  if (!(hi > lo)) {
    const double pad = std::max(std::fabs(lo) * 0.05, 0.5);
    lo -= pad;
    hi += pad;
  }
  return {lo, hi};
}

// The share of the sample outside [lo, hi], in percent.
double Outside(const std::vector<double>& sorted, double lo, double hi) {
  const auto inside = std::upper_bound(sorted.begin(), sorted.end(), hi) -
                      std::lower_bound(sorted.begin(), sorted.end(), lo);
  return 100.0 * static_cast<double>(sorted.size() - inside) / sorted.size();
}

void Text(std::ostream& out, double x, double y, const std::string& text,
          const char* attributes = "") {
  out << "<text x=\"" << At(x) << "\" y=\"" << At(y) << "\"" << attributes << '>' << Escape(text)
      << "</text>\n";
}
void Line(std::ostream& out, double x1, double y1, double x2, double y2, const char* style) {
  out << "<line x1=\"" << At(x1) << "\" y1=\"" << At(y1) << "\" x2=\"" << At(x2) << "\" y2=\""
      << At(y2) << "\" " << style << "/>\n";
}
const char* const kGrid = "stroke=\"#ddd\"";
const char* const kAxis = "stroke=\"#444\"";

// Ticks, labels and gridlines of the x axis, and its name.
void XAxis(std::ostream& out, const Frame& f, const std::string& name) {
  const Ticks ticks = NiceTicks(f.lo, f.hi, 6);
  for (double v : ticks.at) {
    Line(out, f.X(v), f.top, f.X(v), f.Bottom(), kGrid);
    Line(out, f.X(v), f.Bottom(), f.X(v), f.Bottom() + 4, kAxis);
    Text(out, f.X(v), f.Bottom() + 16, ticks.Label(v), " text-anchor=\"middle\"");
  }
  Line(out, f.left, f.Bottom(), f.Right(), f.Bottom(), kAxis);
  Text(out, f.left + f.width / 2, f.Bottom() + 32, name, " text-anchor=\"middle\"");
}

// The y axis on the left (or right) with its ticks, and gridlines when asked.
void YAxis(std::ostream& out, const Frame& f, const Ticks& ticks, const std::string& suffix,
           bool right, bool grid) {
  const double x = right ? f.Right() : f.left, dx = right ? 4 : -4;
  for (double v : ticks.at) {
    if (grid) Line(out, f.left, f.Y(v), f.Right(), f.Y(v), kGrid);
    Line(out, x, f.Y(v), x + dx, f.Y(v), kAxis);
    Text(out, x + 2 * dx, f.Y(v) + 4, ticks.Label(v) + suffix,
         right ? "" : " text-anchor=\"end\"");
  }
  Line(out, x, f.top, x, f.Bottom(), kAxis);
}

// A vertical name beside the y axis.
void YName(std::ostream& out, double x, const Frame& f, const std::string& name) {
  const double y = f.top + f.height / 2;
  out << "<text transform=\"translate(" << At(x) << ',' << At(y)
      << ") rotate(-90)\" text-anchor=\"middle\">" << Escape(name) << "</text>\n";
}

// A cumulative curve of a sorted sample over the frame's x range.
void Curve(std::ostream& out, const Frame& f, const std::vector<double>& sorted,
           const char* colour) {
  out << "<polyline fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"1.8\" points=\"";
  const size_t n = sorted.size(), step = std::max<size_t>(1, n / 400);
  auto point = [&](size_t i) {
    if (sorted[i] >= f.lo && sorted[i] <= f.hi)
      out << At(f.X(sorted[i])) << ',' << At(f.Y(100.0 * (i + 1) / n)) << ' ';
  };
  for (size_t i = 0; i < n; i += step) point(i);
  if ((n - 1) % step) point(n - 1);
  out << "\"/>\n";
}

std::string OutsideWords(double share, const std::string& of) {
  return "Axis from " + std::string(kClipWords) + " of " + of + ": " + Format("%.1f", share) +
         " % of the samples lie outside it.";
}

// The S-curve of the total, with the percentiles asked for marked.
const double kCurveHeight = 380;
void SCurve(std::ostream& out, const Outcome& o) {
  const auto [lo, hi] = Clip(o.sorted_total);
  const Frame f{80, 40, kWidth - 130.0, 260, lo, hi};
  Text(out, f.left, 22, "S-curve of the total: the chance that it lies below a value",
       " font-weight=\"bold\"");
  XAxis(out, f, "Total");
  Ticks percent;
  for (int p = 0; p <= 100; p += 10) percent.at.push_back(p);
  YAxis(out, f, percent, " %", false, true);
  YName(out, 24, f, "Chance of lying below");
  Curve(out, f, o.sorted_total, "#1f5f99");
  for (size_t k = 0; k < o.percents.size(); ++k) {
    const double v = o.total_at[k], p = o.percents[k];
    if (!(v >= lo && v <= hi)) continue;
    const double x = f.X(v), y = f.Y(p);
    const char* dash = "stroke=\"#c0392b\" stroke-dasharray=\"4 3\"";
    Line(out, f.left, y, x, y, dash);
    Line(out, x, y, x, f.Bottom(), dash);
    out << "<circle cx=\"" << At(x) << "\" cy=\"" << At(y) << "\" r=\"4\" fill=\"#c0392b\"/>\n";
    // Below and right of the point, clear of a curve that rises to the right.
    const bool room = x < f.Right() - 120;
    Text(out, room ? x + 8 : x - 8, room ? y + 15 : y - 6, "P" + Short(p) + " = " + Short(v),
         room ? "" : " text-anchor=\"end\"");
  }
  Text(out, f.left, f.Bottom() + 52, OutsideWords(Outside(o.sorted_total, lo, hi), "the total"),
       " fill=\"#555\"");
}

// The tornado: each input's rank correlation with the total, largest first,
// with its share of the total's variance.
double TornadoHeight(const Outcome& o) { return 84 + 24.0 * std::max<size_t>(1, o.sensitivity.size()); }
void Tornado(std::ostream& out, const Outcome& o) {
  const double rows = static_cast<double>(std::max<size_t>(1, o.sensitivity.size()));
  const Frame f{230, 44, 360, 24 * rows, -1, 1};
  Text(out, 20, 22, "Tornado: rank correlation of each input with the total",
       " font-weight=\"bold\"");
  Text(out, f.Right() + 20, f.top - 8, "share of variance", " fill=\"#555\"");
  XAxis(out, f, "Rank correlation with the total (Spearman)");
  Line(out, f.X(0), f.top, f.X(0), f.Bottom(), kAxis);
  if (o.sensitivity.empty()) Text(out, f.X(0), f.top + 16, "No quantity enters the total.", " text-anchor=\"middle\"");
  for (size_t i = 0; i < o.sensitivity.size(); ++i) {
    const Sensitivity& s = o.sensitivity[i];
    const double y = f.top + 24.0 * i, r = s.rank_correlation;
    Text(out, f.left - 10, y + 16, Cut(s.name, 28), " text-anchor=\"end\"");
    out << "<rect x=\"" << At(f.X(std::min(0.0, r))) << "\" y=\"" << At(y + 4) << "\" width=\""
        << At(std::fabs(f.X(r) - f.X(0))) << "\" height=\"16\" fill=\""
        << (r >= 0 ? "#1f5f99" : "#d35400") << "\"><title>" << Escape(s.name) << ": "
        << Format("%.3f", r) << "</title></rect>\n";
    Text(out, r >= 0 ? f.X(r) + 4 : f.X(r) - 4, y + 16, Format("%.2f", r),
         r >= 0 ? " font-size=\"11\"" : " font-size=\"11\" text-anchor=\"end\"");
    Text(out, f.Right() + 20, y + 16, Format("%.1f %%", 100 * s.variance_share));
  }
}

// One quantity: histogram (share of the samples per bin, left axis) and
// cumulative curve (right axis), the judged values as dots and, where the
// fit misses one, a ring where the fit puts it.
const double kPanelHeight = 320;
void Panel(std::ostream& out, const Outcome& o, size_t q) {
  const Quantity& quantity = (*o.quantities)[q];
  const QuantitySpec& spec = o.model->quantities[q];
  std::vector<double> sorted = (*o.samples)[q];
  std::sort(sorted.begin(), sorted.end());
  const auto [lo, hi] = Clip(sorted);
  const int bins = 30;
  std::vector<double> share(bins, 0.0);
  for (double x : sorted)
    if (x >= lo && x <= hi)
      share[std::min(bins - 1, static_cast<int>((x - lo) / (hi - lo) * bins))] += 100.0 / sorted.size();
  const double most = std::max(*std::max_element(share.begin(), share.end()), 1e-9);
  const Ticks left = NiceTicks(0, most, 4);
  Frame f{80, 36, kWidth - 160.0, 200, lo, hi, 0, left.at.empty() ? most : std::max(most, left.at.back())};

  std::string title = quantity.name + " (" + quantity.family;
  if (spec.occurs < 1) title += "; a risk event occurring with chance " + Short(spec.occurs);
  if (!WindowWords(spec).empty()) title += "; " + WindowWords(spec);
  if (!spec.in_total) title += "; not in the total";
  Text(out, 20, 20, title + ")", " font-weight=\"bold\"");
  for (int k = 0; k < bins; ++k)
    out << "<rect x=\"" << At(f.X(lo + (hi - lo) * k / bins) + 0.5) << "\" y=\"" << At(f.Y(share[k]))
        << "\" width=\"" << At(f.width / bins - 1) << "\" height=\"" << At(f.Bottom() - f.Y(share[k]))
        << "\" fill=\"#9ec3e6\"/>\n";
  XAxis(out, f, quantity.name);
  YAxis(out, f, left, " %", false, true);
  YName(out, 24, f, "Share of samples per bar");
  Frame cumulative = f;
  cumulative.ylo = 0;
  cumulative.yhi = 100;
  Ticks quarters;
  quarters.at = {0, 25, 50, 75, 100};
  YAxis(out, cumulative, quarters, " %", true, false);
  YName(out, f.Right() + 62, f, "Chance of lying below");
  Curve(out, cumulative, sorted, "#c0392b");

  std::vector<FitPoint> points = quantity.fit_points;
  if (points.empty())
    for (const auto& j : quantity.judged) points.push_back({j.below, j.value, j.value});
  bool rings = false;
  for (const FitPoint& p : points) {
    const double y = cumulative.Y(p.below);
    const bool missed = !quantity.miss.empty() && std::fabs(p.fitted - p.judged) > 1e-3 * (hi - lo);
    if (missed && p.fitted >= lo && p.fitted <= hi) {
      rings = true;
      if (p.judged >= lo && p.judged <= hi)
        Line(out, f.X(p.judged), y, f.X(p.fitted), y, "stroke=\"#2c3e50\" stroke-width=\"1.5\"");
      out << "<circle cx=\"" << At(f.X(p.fitted)) << "\" cy=\"" << At(y)
          << "\" r=\"6\" fill=\"none\" stroke=\"#2c3e50\" stroke-width=\"2\"><title>the fit puts P"
          << Short(p.below) << " at " << Short(p.fitted) << "</title></circle>\n";
    }
    if (p.judged < lo || p.judged > hi) continue;
    out << "<circle cx=\"" << At(f.X(p.judged)) << "\" cy=\"" << At(y)
        << "\" r=\"4\" fill=\"#2c3e50\"><title>P" << Short(p.below) << " = " << Short(p.judged)
        << " (judged)</title></circle>\n";
    Text(out, f.X(p.judged) + 6, y - 6, "P" + Short(p.below) + " = " + Short(p.judged),
         " font-size=\"11\"");
  }
  std::string caption = OutsideWords(Outside(sorted, lo, hi), "this quantity");
  if (!points.empty())
    caption += rings ? " Dots: judged values; rings: where the fit puts those it misses."
                     : " Dots: judged values.";
  Text(out, f.left, f.Bottom() + 52, caption, " fill=\"#555\" font-size=\"11\"");
  if (!quantity.miss.empty())
    Text(out, f.left, f.Bottom() + 68, "Note: " + quantity.miss, " fill=\"#555\" font-size=\"11\"");
}

void SvgOpen(std::ostream& out, double height) {
  out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kWidth << "\" height=\""
      << At(height) << "\" viewBox=\"0 0 " << kWidth << ' ' << At(height)
      << "\" font-family=\"sans-serif\" font-size=\"12\">\n"
         "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
}

template <class Draw>
void Group(std::ostream& out, double top, Draw draw) {
  out << "<g transform=\"translate(0," << At(top) << ")\">\n";
  draw();
  out << "</g>\n";
}

void SummaryRow(std::ostream& out, const std::string& name, const std::string& family,
                const Summary& s) {
  out << "<tr><th>" << Escape(name) << "</th><td class=\"family\">" << Escape(family) << "</td>";
  for (double v : {s.mean, s.sd, s.min, s.p5, s.p50, s.p95, s.max}) out << "<td>" << Short(v) << "</td>";
  out << "</tr>\n";
}

}  // namespace

std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

void WriteSvg(std::ostream& out, const Outcome& o) {
  const size_t panels = o.quantities->size();
  const double tornado = TornadoHeight(o);
  SvgOpen(out, kCurveHeight + tornado + kPanelHeight * panels);
  Group(out, 0, [&] { SCurve(out, o); });
  Group(out, kCurveHeight, [&] { Tornado(out, o); });
  for (size_t q = 0; q < panels; ++q)
    Group(out, kCurveHeight + tornado + kPanelHeight * q, [&] { Panel(out, o, q); });
  out << "</svg>\n";
}

void WriteHtml(std::ostream& out, const Outcome& o) {
  const Model& m = *o.model;
  const std::string title = m.title.empty() ? "stoka run: " + m.file : m.title;
  out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>"
      << Escape(title) << "</title>\n<style>body{font-family:sans-serif;margin:24px;color:#222}"
         "table{border-collapse:collapse;margin:8px 0 16px}td,th{padding:3px 10px;text-align:right;"
         "border-bottom:1px solid #ddd}th{text-align:left}td.family{text-align:left;color:#555}"
         "svg{display:block;margin:8px 0 24px}.meta{color:#555}</style></head>\n<body>\n<h1>"
      << Escape(title) << "</h1>\n";
  if (!m.description.empty()) out << "<p>" << Escape(m.description) << "</p>\n";
  out << "<p class=\"meta\">Model " << Escape(m.file) << ": " << o.quantities->size()
      << " quantities, " << o.n << ' ' << (m.latin ? "Latin hypercube" : "Monte Carlo") << " samples";
  if (o.blocks) out << " in " << o.blocks->count << (o.blocks->count == 1 ? " block of " : " blocks of ")
        << o.blocks->size;
  out << ", seed " << o.seed << ".";
  if (o.blocks)
    out << " Percentiles and charts come from the order statistics each block kept (each "
           "percentile at most " << Short(o.blocks->percentile_error) << " points above the exact one).";
  out << " P10 is the value with a 10 % chance of lying below it.</p>\n"
      << "<h2>Summary</h2>\n<table>\n<tr><th>quantity</th><td class=\"family\">family</td>";
  for (const char* h : {"mean", "sd", "min", "P5", "P50", "P95", "max"}) out << "<td>" << h << "</td>";
  out << "</tr>\n";
  for (size_t q = 0; q < o.quantities->size(); ++q)
    SummaryRow(out, (*o.quantities)[q].name, (*o.quantities)[q].family, o.summaries[q]);
  SummaryRow(out, "Total", "", o.total_summary);
  out << "</table>\n<h2>S-curve of the total</h2>\n<table>\n";
  for (size_t k = 0; k < o.percents.size(); ++k)
    out << "<tr><th>P" << Short(o.percents[k]) << "</th><td>" << Short(o.total_at[k]) << "</td></tr>\n";
  out << "</table>\n";
  SvgOpen(out, kCurveHeight);
  SCurve(out, o);
  out << "</svg>\n<h2>Sensitivity of the total</h2>\n";
  SvgOpen(out, TornadoHeight(o));
  Tornado(out, o);
  out << "</svg>\n<h2>Quantities</h2>\n";
  for (size_t q = 0; q < o.quantities->size(); ++q) {
    SvgOpen(out, kPanelHeight);
    Panel(out, o, q);
    out << "</svg>\n";
  }
  out << "</body></html>\n";
}

}  // namespace cli
