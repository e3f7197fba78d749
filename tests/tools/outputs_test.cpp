// End to end: what stoka's outputs do to files, and what bad input is told.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Runs a shell line with {s} the program, {m} the test model and {d} a fresh
// folder holding old.csv ("old", mode 600), link.csv -> old.csv, a FIFO p and
// a folder sub; returns the exit status and standard output and error.
struct Trial {
  fs::path d;
  int status = -1;
  std::string out;
  explicit Trial(std::string line, const std::string& model = "") {
    char name[] = "/tmp/stoka-out-XXXXXX";
    d = mkdtemp(name);
    std::ofstream(d / "old.csv") << "old\n";
    chmod((d / "old.csv").c_str(), 0600);
    fs::create_symlink("old.csv", d / "link.csv");
    mkfifo((d / "p").c_str(), 0644);
    fs::create_directory(d / "sub");
    std::ofstream(d / "in.json") << model;
    const std::string model_path = model.empty() ? std::string(STOKA_MODELS) + "/model.json" : (d / "in.json").string();
    for (const auto& [key, value] : {std::pair{"{s}", std::string(STOKA_CLI)}, {"{m}", model_path}, {"{d}", d.string()}})
      for (size_t at; (at = line.find(key)) != std::string::npos;) line.replace(at, 3, value);
    FILE* pipe = popen(("(" + line + ") 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int s = pclose(pipe);
    status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  }
  ~Trial() { fs::remove_all(d); }
  std::string Read(const std::string& f) const { std::stringstream s; s << std::ifstream(d / f).rdbuf(); return s.str(); }
};

// Each row: the shell line, the status, a fragment of what it says, and the
// files beside the fixed ones afterwards with the start of their text (a
// missing name is a file that must not be there). After every row old.csv
// keeps mode 600, link.csv is a link and p a FIFO, whatever was written.
TEST(Outputs, NeverDestroyAndLeaveNothingBehind) {
  const std::string rows[][4] = {
      {"{r} --csv {d}/old.csv --plot {d}/n.svg", "0", "Samples written to", "old.csv=A,B,C n.svg=<svg"},
      {"{r} --csv {d}/link.csv --plot {d}/n.html", "0", "Picture written", "old.csv=A,B,C n.html=<!DOCTYPE"},
      {"{r} --csv - --plot {d}/n.htm", "0", "A,B,C\n", "n.htm=<!DOCTYPE"},
      {"ulimit -f 100; {r} --samples 50000 --csv {d}/old.csv", "1", "old.csv: cannot be written: File too large", "old.csv=old"},
      {"{r} --csv {d}/p & cat {d}/p > {d}/got; wait $!", "0", "", "old.csv=old got=A,B,C"},
      {"{r} --csv /dev/stdout > {d}/got", "0", "", "got=Model"},
      {"{r} --samples 50000 --csv {d}/p & head -c 9 {d}/p > {d}/got; wait $!", "1", "p: cannot be written: Broken pipe", "old.csv=old got=A,B,C"},
      {"{r} --csv {m}", "1", "is an input of this run", "old.csv=old"},
      {"{r} --csv {d}/x.svg --plot {d}/x.svg", "1", "x.svg: is named for two outputs", "old.csv=old"},
      {"{r} --csv {d}/sub/../n.svg --plot {d}/n.svg", "1", "n.svg: is named for two outputs", "old.csv=old"},
      {"{r} --plot {d}/x.png", "1", "x.png: --plot writes .svg or .html pictures, not .png", ""},
      {"{r} --plot {d}/sub", "1", "sub: is a folder: name a file in it", ""},
      {"{r} --csv {d}/no/x.csv", "1", "no/x.csv: cannot be written: the folder", ""},
      // A run in blocks checks its outputs before its helper starts, and a
      // helper that fails or cannot start changes none of them.
      {"STOKA_PYTHON=/bin/false {r} --block-size 100 --plot {d}/x.png", "1", "x.png: --plot writes .svg or .html", ""},
      {"STOKA_PYTHON=/bin/false {r} --block-size 100 --csv {d}/old.csv --plot {d}/n.svg", "1", "", "old.csv=old"},
      {"STOKA_PYTHON={d}/none {r} --workers 2 --csv {d}/link.csv", "1", "/none for a run in blocks (No such file", "old.csv=old"},
      {"{r} --samples 0", "1", "--samples", ""},
      {"{r} --seed -1", "1", "--seed", ""},
      // Killed while it waits on a reader that never reads (the samples fill
      // the pipe), its picture's temporary file already made.
      {"{r} --plot {d}/n.svg --csv {d}/p & exec 3<{d}/p; kill -{k} $!; wait", "", "", "old.csv=old"},
  };
  for (const char* env : {"", "STOKA_NAMED_TEMPORARY=1 "}) {
    for (const auto& row : rows) {
      // A named temporary file is removed on SIGTERM; an unnamed one even on SIGKILL.
      const std::string line = std::regex_replace(std::regex_replace(row[0], std::regex("\\{r\\}"), env + std::string("{s} run {m}")), std::regex("\\{k\\}"), *env ? "TERM" : "KILL");
      const Trial r(line);
      if (!row[1].empty()) EXPECT_EQ(r.status, std::stoi(row[1])) << line << "\n" << r.out;
      EXPECT_NE(r.out.find(row[2]), std::string::npos) << line << "\n" << r.out;
      std::set<std::string> expected = {"old.csv", "link.csv", "p", "sub", "in.json"};
      std::istringstream files(row[3]);
      for (std::string f; files >> f;) {
        const auto eq = f.find('=');
        expected.insert(f.substr(0, eq));
        EXPECT_EQ(r.Read(f.substr(0, eq)).substr(0, f.size() - eq - 1), f.substr(eq + 1)) << line << " " << f;
      }
      for (const auto& e : fs::directory_iterator(r.d)) EXPECT_TRUE(expected.count(e.path().filename())) << line << ": left " << e.path();
      EXPECT_TRUE(fs::is_symlink(r.d / "link.csv") && fs::is_fifo(r.d / "p")) << line;
      EXPECT_EQ(fs::status(r.d / "old.csv").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write) << line;
    }
  }
}

// Each row: a model (empty: the test model), a shell line, the status and a
// fragment of what it says.
TEST(Outputs, SayWhatIsWrongInTheAnalystsWords) {
  const std::string q = R"({"quantities": [{"name": "A", "family": )", tri = R"("triangular", "min": 1, "mode": 2, "max": 4)";
  std::string ring = R"({"quantities": [)", chain;
  for (int i = 0; i < 100000; ++i) {
    ring += (i ? ",{" : "{") + std::string(R"("name": "Q)") + std::to_string(i) + R"(", "family": "uniform", "min": 0, "max": 1})";
    chain += (i ? ",{" : "{") + std::string(R"("between": ["Q)") + std::to_string(i) + R"(", "Q)" + std::to_string((i + 1) % 100000) + R"("], "coefficient": 0.5})";
  }
  const std::string rows[][4] = {
      {q + R"("discrete", "values": [1, 2], "weights": [0, 0]}]})", "{s} run {m}", "1", R"(quantities[0] ("A"): the weights are all 0)"},
      {q + R"("discrete", "values": [1, 2], "mode": 1}]})", "{s} run {m}", "1", R"("mode" is not a parameter of the discrete family)"},
      {q + R"("uniform", "min": 0, "max": 1e400}]})", "{s} run {m}", "1", "in.json: quantities[0].max: 1e400 is beyond the range of numbers"},
      {q + tri + R"(, "min": 3}]})", "{s} run {m}", "1", "in.json: quantities[0].min: is given twice"},
      {q + R"("pert", "judged": {"P1e1": 1, "P90": 3}}]})", "{s} run {m}", "1", R"("P1e1" is not a percentile)"},
      {q + tri + R"(}, {"name": "B", "family": )" + tri + R"(}], "correlations": [{"between": ["A", "B"], "coefficent": 0.5}]})", "{s} run {m}", "1", "correlations[0].coefficent: unknown key"},
      {ring + R"(], "correlations": [)" + chain + "]}", "{s} run {m}", "1", "Q99998 - Q99999 - Q0, 100000 quantities)"},
      {q + R"("uniform", "min": -1.7e308, "max": 1.7e308}, {"name": "B", "family": )" + tri + R"(}], "correlations": [{"between": ["A", "B"], "coefficient": 0.5}]})", "{s} run {m}", "1", "no sample could be drawn for B: a correlated"},
      {"", "{s} fit beta min=0 max=10 P25=3 P75=12", "1", "P75 = 12 is not below max = 10"},
      {"", "{s} fit triangular mod=3 P10=1 P50=2 P90=5", "1", R"("mod" is not a parameter of a triangular fit)"},
      {"", "{s} fit normal P50=1e308 P90=1.7e308", "1", "the fitted normal distribution reaches beyond the range of numbers"},
      {"", "{s} fit pert P10=12 P50=15 P90=22", "0", "Fitted pert to P10, P50, P90\n"},
      {"", "printf '\\357\\273\\277x\\n3\\n3\\n' > {d}/c.csv; {s} stats --column x {d}/c.csv", "0", "Statistics of x (2 values)\n  every value is 3: the column is constant"},
      {"", "{s} run --csv {d}/c.csv {m}; {s} stats {d}/missing.csv", "1", "File does not exist"},
      {"", "ulimit -v 300000; {s} run {m} --samples 60000000", "1", "stoka: out of memory"},
  };
  for (const auto& row : rows) {
#ifdef STOKA_SANITIZED
    if (row[1].find("ulimit") != std::string::npos) continue;  // the sanitizer reserves more
#endif
    const Trial r(row[1], row[0]);
    EXPECT_TRUE(r.status == std::stoi(row[2]) && r.out.find(row[3]) != std::string::npos) << row[1] << "\n" << r.out;
  }
}

// Names are data: quoted, and never a formula, in the CSV; read back by stats.
TEST(Outputs, NamesAreCsvData) {
  const std::string names[] = {"a,b", "say \"hi\"", "=1+2", "-x", "line\nbreak"}, csv = R"("a,b","say ""hi""",'=1+2,'-x,"line
break")";
  std::string model = R"({"samples": 10, "quantities": [)";
  for (const auto& n : names) model += (n == names[0] ? "{" : ",{") + std::string(R"("name": ")") + std::regex_replace(std::regex_replace(n, std::regex("\""), "\\\""), std::regex("\n"), "\\n") + R"(", "family": "uniform", "min": 1, "max": 2})";
  const Trial r("{s} run --csv {d}/n.csv {m} && {s} stats --column -x {d}/n.csv", model + "]}");
  EXPECT_TRUE(r.status == 0 && r.Read("n.csv").substr(0, csv.size() + 1) == csv + "\n" && r.out.find("Statistics of -x (10 values)") != std::string::npos) << r.out << r.Read("n.csv");
}

}  // namespace
