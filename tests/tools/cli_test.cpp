// End to end: the stoka program on model files, its output and exit codes.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;  // standard output and standard error together
  bool Says(const std::string& text) const { return out.find(text) != std::string::npos; }
};

Result Stoka(const std::string& args) {
  Result r{-1, ""};
  FILE* pipe = popen((std::string(STOKA_CLI) + " " + args + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Read(const fs::path& p) {
  std::stringstream s;
  s << std::ifstream(p).rdbuf();
  return s.str();
}

// Each test works in a temporary directory of its own.
class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/stoka-cli-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name) << text;
    return (dir_ / name).string();
  }
  fs::path dir_;
};

// The model files, read where they are.
std::string Model(const std::string& name) { return std::string(STOKA_MODELS) + "/" + name + ".json"; }

// A run prints its summary, correlations and histograms and writes the CSV and
// the picture with the judged points marked; the same seed prints the same
// numbers, another seed others. A model of rank correlations takes a cycle.
TEST_F(Cli, RunWritesSamplesAndPicturesAndRepeatsItsSeed) {
  const std::string model = Model("model"), csv = (dir_ / "s.csv").string();
  const Result r = Stoka("run --csv " + csv + " --plot " + (dir_ / "p.svg").string() + " " + model);
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* part : {"Summary", "Total", "Correlations", "A / B", "Histograms", "total lies below)\n  P10 ",
                           "  P80 ", "Pearson  Spearman", "Sensitivity of the total (tornado)",
                           "pert min=11.4011 mode=11.4011 max=40.121  (fitted to P10, P50, P90)",
                           "4000 Latin hypercube samples"})
    EXPECT_TRUE(r.Says(part)) << part << "\n" << r.out;
  const std::string samples = Read(csv);
  EXPECT_EQ(samples.substr(0, 6), "A,B,C\n");
  EXPECT_EQ(std::count(samples.begin(), samples.end(), '\n'), 4001);
  const std::string svg = Read(dir_ / "p.svg");
  for (const char* part : {"<svg", "P90 = 22", "S-curve of the total", "Tornado", "P80 = ", "Axis from P0.5 to P99.5",
                           "rings: where the fit puts those it misses", "<title>the fit puts P50 at 15.1189"})
    EXPECT_NE(svg.find(part), std::string::npos) << part;
  const Result again = Stoka("run " + model);
  EXPECT_EQ(r.out.substr(0, r.out.find("\nSamples written")), again.out);
  EXPECT_NE(Stoka("run --seed 12 " + model).out, again.out);
  const Result rank = Stoka("run " + Model("rank"));
  EXPECT_TRUE(rank.status == 0 && rank.Says("of ranks (Spearman)") && rank.Says("0.500     0.50")) << rank.out;
  // Normal against LogNormal(sigma 1) allows 0.763 at most; against sigma 0.5, 0.943.
  const std::string missed = Stoka("run " + Model("missed")).out, mark = "missed; the bound of the two is 0.7";
  EXPECT_TRUE(missed.find("0.900     0.7") < missed.find(mark) && missed.find("0.900     0.89") > missed.find(mark) &&
              missed.rfind("missed;") == missed.find(mark)) << missed;
  ASSERT_EQ(Stoka("demo --samples 500 --plot " + (dir_ / "p.html").string()).status, 0);
  const std::string page = Read(dir_ / "p.html");
  for (const char* part : {"<h1>Small building project: cost risk</h1>", "<td>P95</td>", "<th>Total</th>", "<th>P80</th>"})
    EXPECT_NE(page.find(part), std::string::npos) << part;
}

// Command, model and what comes out: options of the report, and model fields
// that are refused with a message.
TEST_F(Cli, ReportOptionsAndModelFields) {
  const std::string model = Model("model");
  const struct {
    std::string args, model_text;  // the model file: model.json when no text is given
    int status;
    std::string says;
  } cases[] = {
      {"--quiet", "", 0, ""},
      {"--quiet --percentiles 5,99.5", "", 0, ""},
      {"--percentiles 10,abc", "", 1, "--percentiles: \"Pabc\" is not a percentile"},
      {"--percentiles 120", "", 1, "P120 lies outside P0 to P100"},
      {"", R"({"quantities": [{"name": "E", "family": "pert", "min": 1, "mode": 2, "max": 4, "occurs": 1.5}]})", 1,
       "quantities[0] (\"E\").occurs: the chance that a risk event occurs lies from 0 to 1"},
      {"", R"({"quantities": [{"name": "E", "family": "uniform", "min": 1, "max": 4, "low": 3, "high": 2}]})", 1,
       "\"low\" must lie below \"high\""},
      {"", R"({"quantities": [{"name": "E", "family": "uniform", "min": 1, "max": 4, "low": 5}]})", 1,
       "quantities[0] (\"E\"): no value of the distribution lies between \"low\" and \"high\""},
      {"", R"({"quantities": [{"name": "E", "family": "uniform", "min": 1, "max": 4, "total": 0}]})", 1,
       "quantities[0] (\"E\").total: must be true or false"},
      {"", R"({"title": 3, "quantities": [{"name": "E", "family": "uniform", "min": 1, "max": 4}]})", 1,
       "title: must be a text"},
  };
  for (const auto& c : cases) {
    const Result r = Stoka("run " + c.args + " " + (c.model_text.empty() ? model : Write("m.json", c.model_text)));
    EXPECT_EQ(r.status, c.status) << c.args << c.model_text << "\n" << r.out;
    EXPECT_TRUE(c.says.empty() ? r.out.empty() : r.Says(c.says)) << c.says << "\n" << r.out;
  }
  EXPECT_TRUE(Stoka("run --help").Says("pairwise method (default) targets Pearson"));
}

// Risk events, truncation and quantities outside the total, through the JSON
// report, under each sampling and correlation method: each number within five
// Monte Carlo standard errors of its closed form.
TEST_F(Cli, RiskEventsWindowsAndTheTotalInJson) {
  using P = nlohmann::json::json_pointer;
  const struct {
    const char* at;
    double low, high;
  } ranges[] = {
      // Normal(100, 20) within [80, 150]: 100 + 20 (phi(-1) - phi(2.5)) / (Phi(2.5) - Phi(-1)).
      {"/quantities/0/summary/mean", 105.375 - 0.55, 105.375 + 0.55},
      {"/quantities/0/summary/min", 80, 80.5}, {"/quantities/0/summary/max", 149.5, 150},
      // Triangular(10, 20, 60) occurring with chance 0.3: mean 0.3 * 30, P50 zero.
      {"/quantities/1/summary/mean", 9 - 0.55, 9 + 0.55}, {"/quantities/1/summary/P50", 0, 0},
      // A standard normal above 0: sqrt(2 / pi); discrete 1..4 within [2, 3].
      {"/quantities/3/summary/mean", 0.79788 - 0.02, 0.79788 + 0.02},
      {"/quantities/4/summary/mean", 2.5 - 0.02, 2.5 + 0.02},
      {"/quantities/4/summary/min", 2, 2}, {"/quantities/4/summary/max", 3, 3},
      {"/total/summary/mean", 117.67 - 0.8, 117.67 + 0.8},
      {"/total/percentiles/2/percentile", 80, 80},
      // The impact of the risk event is correlated.
      {"/correlations/0/pearson", 0.66, 0.73}, {"/correlations/0/spearman", 0.66, 0.73},
  };
  const std::string model = Read(Model("events"));
  for (const char* methods : {"", R"("method": "montecarlo", )", R"("correlation_method": "rank", )"}) {
    const Result r = Stoka("run --json --percentiles 10,50,80,90 " + Write("e.json", "{" + std::string(methods) + model.substr(1)));
    ASSERT_EQ(r.status, 0) << r.out;
    const auto j = nlohmann::json::parse(r.out);
    for (const auto& n : ranges) {
      const double x = j.at(P(n.at)).get<double>();
      EXPECT_TRUE(x >= n.low && x <= n.high) << methods << n.at << " = " << x;
    }
    EXPECT_EQ(j.at(P("/quantities/2/in_total")), false);
    double shares = 0;
    for (const auto& s : j["sensitivity"]) {
      EXPECT_NE(s["name"], "Rate");
      shares += s["variance_share"].get<double>();
    }
    EXPECT_EQ(j["sensitivity"].size(), 4u);
    EXPECT_NEAR(shares, 1.0, 1e-9);
    EXPECT_EQ(j["sensitivity"][0]["name"], "A");
    EXPECT_EQ(j["title"], "Events <and> windows");
  }
}

// Names are data: in the SVG and HTML they are escaped, in JSON kept verbatim.
TEST_F(Cli, HostileNamesStayText) {
  const std::string names[] = {"<script>alert(1)</script>", "</text><image href=x onerror=alert(2) />", "a\\\"b'&"};
  std::string model = R"({"title": "<i>", "quantities": [)";
  for (int i = 0; i < 3; ++i)
    model += std::string(i ? "," : "") + R"({"family": "uniform", "min": 1, "max": 2, "name": ")" +
             (i == 1 ? names[1] : i == 0 ? names[0] : std::string("a\\\"b'&")) + "\"}";
  model = Write("h.json", model + "]}");
  for (const char* picture : {"h.svg", "h.html"}) {
    ASSERT_EQ(Stoka("run --quiet --plot " + (dir_ / picture).string() + " " + model).status, 0);
    const std::string text = Read(dir_ / picture);
    for (const char* markup : {"<script", "<image", "<i>", "'&"}) EXPECT_EQ(text.find(markup), std::string::npos) << markup;
    EXPECT_NE(text.find("&lt;/text&gt;&lt;image href=x onerror=alert(2) /&gt;"), std::string::npos);
  }
  const auto j = nlohmann::json::parse(Stoka("run --json " + model).out);
  EXPECT_EQ(j["quantities"][1]["name"], names[1]);
}

// Bad input gets a message naming the file and the place, exit status 1, and
// no file left behind.
TEST_F(Cli, BadInputNamesThePlaceAndLeavesNoFile) {
  const std::string cases[][2] = {
      {"syntax", "line 1, column"},
      {"missing_mode", "quantities[0] (\"A\"): a triangular quantity needs min, mode, max; \"mode\" is missing"},
      {"falling_percentiles", "values must rise with their percentiles"},
      {"cycle", "the correlations form a cycle (A - B - C - A); pairwise correlations must form a tree, "
                "while \"correlation_method\": \"rank\" takes any matrix"},
      {"bad_correlation_method", "correlation_method: must be \"pairwise\" or \"rank\""},
      {"bad_samples", "samples: must be a whole number from 2"},
      {"unmeetable", "quantities[0] (\"A\"): no triangle puts P50 at 900 with P10 at 780 and P90 at 1150; the closest puts it at 921.3"}};

  for (const auto& c : cases) {
    const Result r = Stoka("run --strict --csv " + (dir_ / "out.csv").string() + " " + Model(c[0]));
    EXPECT_TRUE(r.status == 1 && r.Says(Model(c[0])) && r.Says(c[1])) << c[1] << "\n" << r.out;
    EXPECT_TRUE(fs::is_empty(dir_)) << "left behind";
  }
}

// fit tables the given values against the fitted ones; stats ranks the fitted
// families; --help states the percentile convention.
TEST_F(Cli, FitStatsAndHelp) {
  const Result t = Stoka("fit triangular P10=80 P50=100 P90=150"), n = Stoka("fit normal P5=10 P95=20");
  EXPECT_TRUE(t.status == 0 && t.Says("Fitted triangular to P10, P50, P90\n")) << t.out;
  EXPECT_TRUE(n.status == 0 && n.Says("mean = 15")) << n.out;
  const std::string triangle = "triangular P10=780 P50=900 P90=1150";
  const Result near = Stoka("fit " + triangle), strict = Stoka("fit --strict " + triangle);
  EXPECT_TRUE(near.status == 0 && near.Says("note: no triangle puts P50 at 900 with P10 at 780 and P90 at 1150; the closest puts it at 921.3\n")) << near.out;
  EXPECT_TRUE(strict.status == 1 && strict.Says("the closest puts it at 921.3")) << strict.out;
  const Result none = Stoka("fit beta min=0 P50=3");
  EXPECT_TRUE(none.status == 1 && none.Says("the cases are")) << none.out;
  std::string csv = "cost,other\n";
  for (int i = 0; i < 400; ++i)
    csv += std::to_string(10 + 5 * ((i * 7919) % 400) / 400.0 + ((i * 104729) % 400) / 100.0) + ",1\n";
  const Result r = Stoka("stats --column cost " + Write("d.csv", csv));
  EXPECT_TRUE(r.status == 0 && r.Says("Statistics of cost (400 values)") &&
              r.Says("Families fitted by minimizing Pearson's chi-square")) << r.out;
  for (const char* family : {"uniform", "triangular", "pert", "beta", "lognormal"})
    EXPECT_TRUE(r.Says(std::string("  ") + family + " ")) << family;
  const Result bad = Stoka("stats " + Write("e.csv", "x\n1\nabc\n"));
  EXPECT_TRUE(bad.status == 1 && bad.Says("line 3")) << bad.out;
  EXPECT_TRUE(Stoka("--help").Says("BELOW") && Stoka("fit --help").Says("Fitting cases"));
}

}  // namespace
