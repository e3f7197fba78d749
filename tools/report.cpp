// Statistics, files, terminal histograms and pictures of the stoka program.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli.hpp"

namespace cli {

Summary Summarise(const std::vector<double>& sample) {
  const double* d = sample.data();
  const int n = static_cast<int>(sample.size());
  return {stoka_stats_mean(d, n),
          stoka_stats_sd(d, n),
          stoka_stats_min(d, n),
          stoka_stats_percentile(d, n, 5.0, false),
          stoka_stats_median(d, n),
          stoka_stats_percentile(d, n, 95.0, false),
          stoka_stats_max(d, n)};
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw InputError(path, std::string("cannot be read: ") + std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

namespace {
struct Bins {
  double low, width;
  std::vector<int> counts;
};

Bins Count(const std::vector<double>& sample, int bins) {
  Bins b{0, 1, std::vector<int>(bins, 0)};
  if (sample.empty()) return b;
  const auto [lo, hi] = std::minmax_element(sample.begin(), sample.end());
  b.low = *lo;
  b.width = (*hi - *lo) / bins;
  for (double x : sample) {
    int k = b.width > 0 ? static_cast<int>((x - b.low) / b.width) : 0;
    b.counts[std::clamp(k, 0, bins - 1)]++;
  }
  return b;
}

std::string Number(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", x);
  return text;
}
}  // namespace

std::string Histogram(const std::vector<double>& sample, int bins, int width) {
  const Bins b = Count(sample, bins);
  const int most = std::max(1, *std::max_element(b.counts.begin(), b.counts.end()));
  std::ostringstream out;
  for (int k = 0; k < bins; ++k) {
    char label[64];
    std::snprintf(label, sizeof label, "  %10.4g .. %-10.4g |", b.low + k * b.width,
                  b.low + (k + 1) * b.width);
    const int bar = static_cast<int>(std::lround(static_cast<double>(b.counts[k]) * width / most));
    out << label << std::string(bar, '#') << ' ' << b.counts[k] << '\n';
  }
  return out.str();
}

void PlotDocument(std::ostream& svg, const std::vector<Quantity>& quantities,
                  const std::vector<Sample>& samples, bool html) {
  // One panel per quantity: histogram bars, the cumulative curve over them, and
  // the judged values marked on the curve.
  const int panel_w = 560, panel_h = 240, margin = 40, bins = 30;
  const int height = static_cast<int>(quantities.size()) * (panel_h + margin) + margin;
  if (html)
    svg << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>stoka run</title></head>"
           "<body>\n<p>Bars: histogram of each sample. Red curve: cumulative share. Dots: judged "
           "values at their percentiles.</p>\n";
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << panel_w + 2 * margin
      << "\" height=\"" << height << "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  for (size_t q = 0; q < quantities.size(); ++q) {
    const auto& sample = samples[q];
    if (sample.empty()) continue;
    const Bins b = Count(sample, bins);
    const int most = std::max(1, *std::max_element(b.counts.begin(), b.counts.end()));
    const double x0 = margin, y0 = margin + q * (panel_h + margin);
    const double lo = b.low, span = b.width > 0 ? b.width * bins : 1.0;
    auto X = [&](double v) { return x0 + (v - lo) / span * panel_w; };
    auto Y = [&](double share) { return y0 + panel_h * (1 - share); };
    svg << "<text x=\"" << x0 << "\" y=\"" << y0 - 8 << "\" font-weight=\"bold\">"
        << quantities[q].name << " (" << quantities[q].family << ")</text>\n";
    svg << "<rect x=\"" << x0 << "\" y=\"" << y0 << "\" width=\"" << panel_w << "\" height=\""
        << panel_h << "\" fill=\"none\" stroke=\"#999\"/>\n";
    for (int k = 0; k < bins; ++k) {
      const double h = static_cast<double>(b.counts[k]) / most;
      svg << "<rect x=\"" << X(lo + k * b.width) << "\" y=\"" << Y(h) << "\" width=\""
          << panel_w / static_cast<double>(bins) - 1 << "\" height=\"" << panel_h * h
          << "\" fill=\"#8fb3d9\"/>\n";
    }
    std::vector<double> sorted = sample;
    std::sort(sorted.begin(), sorted.end());
    svg << "<polyline fill=\"none\" stroke=\"#c0392b\" stroke-width=\"1.5\" points=\"";
    const size_t step = std::max<size_t>(1, sorted.size() / 200);
    for (size_t i = 0; i < sorted.size(); i += step)
      svg << X(sorted[i]) << ',' << Y(static_cast<double>(i + 1) / sorted.size()) << ' ';
    svg << X(sorted.back()) << ',' << Y(1.0) << "\"/>\n";
    for (const auto& j : quantities[q].judged) {
      svg << "<circle cx=\"" << X(j.value) << "\" cy=\"" << Y(j.below / 100) << "\" r=\"4\" "
          << "fill=\"#2c3e50\"><title>P" << Number(j.below) << " = " << Number(j.value)
          << "</title></circle>\n";
    }
    svg << "<text x=\"" << x0 << "\" y=\"" << y0 + panel_h + 14 << "\">" << Number(lo)
        << "</text><text x=\"" << x0 + panel_w << "\" y=\"" << y0 + panel_h + 14
        << "\" text-anchor=\"end\">" << Number(lo + span) << "</text>\n";
  }
  svg << "</svg>\n";
  if (html) svg << "</body></html>\n";
}

}  // namespace cli
