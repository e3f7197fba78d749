// End to end: the stoka program on model files, its output and exit codes.
#include <gtest/gtest.h>
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
  for (const char* part : {"Summary", "Total", "Correlations", "A / B", "Histograms",
                           "pert min=11.4011 mode=11.4011 max=40.121  (fitted to P10, P50, P90)", "4000 Latin hypercube samples"})
    EXPECT_TRUE(r.Says(part)) << part << "\n" << r.out;
  const std::string samples = Read(csv);
  EXPECT_EQ(samples.substr(0, 6), "A,B,C\n");
  EXPECT_EQ(std::count(samples.begin(), samples.end(), '\n'), 4001);
  const std::string svg = Read(dir_ / "p.svg");
  EXPECT_TRUE(svg.find("<svg") != std::string::npos && svg.find("P90 = 22") != std::string::npos);
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
  EXPECT_TRUE(fs::exists(dir_ / "p.html"));
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
