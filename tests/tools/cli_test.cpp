// End to end: the stoka program on model files, its output and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;  // standard output and standard error together
};

Result Stoka(const std::string& args) {
  const std::string command = std::string(STOKA_CLI) + " " + args + " 2>&1";
  Result r{-1, ""};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("stoka-cli-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p) << text;
    return p.string();
  }
  fs::path dir_;
};

const char* const kModel = R"({
  "samples": 4000, "method": "latin", "seed": 11,
  "quantities": [
    {"name": "A", "family": "triangular", "min": 1, "mode": 2, "max": 4},
    {"name": "B", "family": "pert", "judged": {"P10": 12, "P50": 15, "P90": 22}},
    {"name": "C", "family": "normal", "mean": 10, "sd": 2}
  ],
  "correlations": [{"between": ["A", "B"], "coefficient": 0.6},
                   {"between": ["B", "C"], "coefficient": -0.3}]
})";

TEST_F(Cli, RunPrintsSummaryCorrelationsAndHistograms) {
  const Result r = Stoka("run " + Write("m.json", kModel));
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* part : {"Summary", "Total", "Correlations", "A / B", "Histograms",
                           "CalcPertDistributionBy3Perc", "4000 Latin hypercube samples"})
    EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
}

TEST_F(Cli, SameSeedSameNumbers) {
  const std::string model = Write("m.json", kModel);
  const Result a = Stoka("run " + model), b = Stoka("run " + model);
  ASSERT_EQ(a.status, 0);
  EXPECT_EQ(a.out, b.out);
  const Result c = Stoka("run --seed 12 " + model);
  EXPECT_NE(a.out, c.out);
}

TEST_F(Cli, CsvAndPlotAreWritten) {
  const std::string csv = (dir_ / "s.csv").string(), svg = (dir_ / "p.svg").string(),
                    html = (dir_ / "p.html").string();
  ASSERT_EQ(Stoka("run --csv " + csv + " --plot " + svg + " " + Write("m.json", kModel)).status, 0);
  ASSERT_EQ(Stoka("demo --samples 500 --plot " + html).status, 0);
  std::ifstream in(csv);
  std::string header;
  std::getline(in, header);
  EXPECT_EQ(header, "A,B,C");
  int lines = 0;
  for (std::string line; std::getline(in, line);) ++lines;
  EXPECT_EQ(lines, 4000);
  std::ifstream picture(svg);
  std::string text((std::istreambuf_iterator<char>(picture)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("<svg"), std::string::npos);
  EXPECT_NE(text.find("P90 = 22"), std::string::npos);  // judged points marked
  EXPECT_TRUE(fs::exists(html));
}

TEST_F(Cli, BadInputNamesThePlaceAndLeavesNoFile) {
  struct Case {
    const char* model;
    const char* says;
  } cases[] = {
      {"{\"quantities\": [ {\"name\": \"A\",, } ]}", "line 1, column"},
      {R"({"quantities": [{"name": "A", "family": "weibull", "scale": 2}]})", "unknown family \"weibull\""},
      {R"({"quantities": [{"name": "A", "family": "triangular", "min": 1, "max": 4}]})",
       "quantities[0] (\"A\"): a triangular quantity needs min, mode, max; \"mode\" is missing"},
      {R"({"quantities": [{"name": "A", "family": "pert", "judged": {"P10": 20, "P90": 10}}]})",
       "values must rise with their percentiles"},
      {R"({"quantities": [{"name": "A", "family": "uniform", "min": 1, "max": 2},
                          {"name": "B", "family": "uniform", "min": 1, "max": 2}],
           "correlations": [{"between": ["A", "B"], "coefficient": 1.2}]})",
       "correlations[0].coefficient: a correlation coefficient lies from -1 to 1"},
      {R"({"quantities": [{"name": "A", "family": "uniform", "min": 1, "max": 2},
                          {"name": "B", "family": "uniform", "min": 1, "max": 2},
                          {"name": "C", "family": "uniform", "min": 1, "max": 2}],
           "correlations": [{"between": ["A", "B"], "coefficient": 0.2},
                            {"between": ["B", "C"], "coefficient": 0.2},
                            {"between": ["C", "A"], "coefficient": 0.2}]})",
       "the correlations form a cycle"},
      {R"({"quantities": [{"name": "A", "family": "normal", "mean": 1, "sd": -2}]})",
       "it needs sd > 0"},
      {R"({"samples": 0, "quantities": [{"name": "A", "family": "normal", "mean": 1, "sd": 2}]})",
       "samples: must be a whole number from 2"},
      {R"({"quantities": [{"name": "A", "family": "normal", "mean": 1, "sd": 2, "judged": {"Q5": 1}}]})",
       "\"Q5\" is not a percentile"},
  };
  for (const auto& c : cases) {
    const std::string model = Write("bad.json", c.model), csv = (dir_ / "out.csv").string();
    const Result r = Stoka("run --csv " + csv + " " + model);
    EXPECT_EQ(r.status, 1) << c.model << "\n" << r.out;
    EXPECT_NE(r.out.find(model), std::string::npos) << "names the file: " << r.out;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.says << "\n" << r.out;
    EXPECT_FALSE(fs::exists(csv));
    for (const auto& e : fs::directory_iterator(dir_))
      EXPECT_EQ(e.path().string().find(".tmp-"), std::string::npos) << e.path();
  }
}

TEST_F(Cli, FitTablesGivenAgainstFitted) {
  const Result r = Stoka("fit triangular P10=80 P50=100 P90=150");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("CalcTriangularDistributionBy3Perc"), std::string::npos);
  EXPECT_NE(r.out.find("P50"), std::string::npos);
  const Result n = Stoka("fit normal P5=10 P95=20");
  ASSERT_EQ(n.status, 0) << n.out;
  EXPECT_NE(n.out.find("mean = 15"), std::string::npos) << n.out;
  const Result beta = Stoka("fit beta min=0 max=10 P25=3 P75=6");
  EXPECT_EQ(beta.status, 0) << beta.out;
  const Result none = Stoka("fit beta min=0 P50=3");
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.out.find("the cases are"), std::string::npos) << none.out;
  EXPECT_EQ(Stoka("fit pert P10=20 P90=10 P50=12").status, 1);
}

TEST_F(Cli, StatsRanksTheFittedFamilies) {
  std::string csv = "cost,other\n";
  for (int i = 0; i < 400; ++i)
    csv += std::to_string(10 + 5 * ((i * 7919) % 400) / 400.0 + ((i * 104729) % 400) / 100.0) +
           ",1\n";
  const Result r = Stoka("stats --column cost " + Write("d.csv", csv));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Statistics of cost (400 values)"), std::string::npos) << r.out;
  const Result bad = Stoka("stats " + Write("e.csv", "x\n1\nabc\n"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.out.find("line 3"), std::string::npos) << bad.out;
}

TEST_F(Cli, HelpStatesThePercentileConvention) {
  const Result r = Stoka("--help");
  EXPECT_NE(r.out.find("BELOW"), std::string::npos) << r.out;
  EXPECT_NE(Stoka("fit --help").out.find("Fitting cases"), std::string::npos);
}

}  // namespace
