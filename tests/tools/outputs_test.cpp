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
  const char* const run = "{s} run {m} ";
  const std::string rows[][4] = {
      {"--csv {d}/old.csv --plot {d}/n.svg", "0", "Samples written to", "old.csv=A,B,C n.svg=<svg"},
      {"--csv {d}/link.csv --plot {d}/n.html", "0", "Picture written", "old.csv=A,B,C n.html=<!DOCTYPE"},
      {"--csv - --plot {d}/n.htm", "0", "A,B,C\n", "n.htm=<!DOCTYPE"},
      {"--csv {d}/p & cat {d}/p > {d}/got; wait $!", "0", "", "old.csv=old got=A,B,C"},
      {"--samples 200000 --csv {d}/p & head -c 9 {d}/p > {d}/got; wait $!", "1", "p: cannot be written: Broken pipe", "old.csv=old got=A,B,C"},
      {"--csv {m}", "1", "is an input of this run", "old.csv=old"},
      {"--csv {d}/x.svg --plot {d}/x.svg", "1", "x.svg: is named for two outputs", "old.csv=old"},
      {"--csv {d}/sub/../n.svg --plot {d}/n.svg", "1", "n.svg: is named for two outputs", "old.csv=old"},
      {"--plot {d}/x.png", "1", "x.png: --plot writes .svg or .html pictures, not .png", ""},
      {"--plot {d}/sub", "1", "sub: is a folder: name a file in it", ""},
      {"--csv {d}/no/x.csv", "1", "no/x.csv: cannot be written: the folder", ""},
      {"--samples 0", "1", "--samples", ""},
      {"--seed -1", "1", "--seed", ""},
      // Killed while it waits to write its picture, its CSV written.
      {"--csv {d}/old.csv --plot {d}/p & exec 3<{d}/p; kill -{k} $!; wait", "", "", "old.csv=old"},
  };
  for (const char* env : {"", "STOKA_NAMED_TEMPORARY=1 "}) {
    for (const auto& row : rows) {
      // A named temporary file is removed on SIGTERM; an unnamed one even on SIGKILL.
      const std::string line = std::regex_replace(env + std::string(run) + row[0], std::regex("\\{k\\}"), *env ? "TERM" : "KILL");
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

}  // namespace
