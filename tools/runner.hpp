// The draw of a model: its quantities made (the judged ones fitted) once, then
// drawn as often as asked, each draw seeded afresh. `stoka run` draws once;
// a run in blocks draws each block through the same steps (libstoka_model).
#ifndef STOKA_TOOLS_RUNNER_HPP
#define STOKA_TOOLS_RUNNER_HPP

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "outcome.hpp"

namespace cli {

// The samples of one draw where they are kept (the correlation manager's
// storage, the rank path's matrix, the copies that windows and risk events
// changed), with the handles that keep them, released in the order the
// library asks: manager, then methods.
struct Draw {
  Draw() = default;
  Draw(const Draw&) = delete;
  Draw& operator=(const Draw&) = delete;
  ~Draw();

  CorrelationManager* manager = nullptr;
  RankCorrelation* rank = nullptr;
  std::vector<AbstractGenerationMethod*> methods;
  std::vector<double> matrix;  // the rank path's reordered samples
  OwnedSamples changed;
  std::vector<Sample> samples;     // one per quantity, in the model's order
  std::vector<PairOutcome> pairs;  // each target beside what was reached
  double repaired = 0.0;           // rank matrices: the largest change made to the targets
};

class ModelRunner {
 public:
  // Checks the correlations and makes every quantity, telling `made` the name
  // of each; under strict, a judged value its fit misses is an error.
  ModelRunner(Model model, bool strict, const std::function<void(const std::string&)>& made = {});
  ModelRunner(const ModelRunner&) = delete;
  ModelRunner& operator=(const ModelRunner&) = delete;

  const Model& model() const { return model_; }
  const std::vector<Quantity>& quantities() const { return quantities_; }

  // n samples of every quantity, both of the library's random sources seeded
  // with seed first: correlated, reordered by ranks, windowed, risk events.
  // With pairs, each target correlation is measured (Draw::pairs) before the
  // risk events apply.
  std::unique_ptr<Draw> Run(unsigned n, uint32_t seed, bool pairs = true) const;
  // What a draw of Run(n, seed) found, with the total at the percents asked for.
  Outcome Analyse(const Draw& draw, unsigned n, uint32_t seed, const std::vector<double>& percents) const;
  // A model of rank correlations: the largest change its targets need to make
  // a valid matrix (0 when they make one, and for pairwise correlations).
  double RankRepair() const;

  // The report's list of quantities: a "Quantities" line, then one per quantity.
  void Describe(std::ostream& out) const;

 private:
  Model model_;
  std::vector<Quantity> quantities_;
  Windows windows_;  // over model_
};

// The text report of a run (`stoka run` without --json).
void WriteText(std::ostream& out, const ModelRunner& runner, const Outcome& outcome);

}  // namespace cli

#endif
