// The rounds of the contraction over one system (the method is in
// contraction.h and docs/semiflows.md): the classes of merged variables,
// their weights, the zeros and the equations in terms of the classes, then
// the smaller system they leave. Contract (contraction.cpp) is its one user.
#pragma once

#include <cstdint>
#include <vector>

#include "semiflows/contraction.h"
#include "semiflows/integer.h"
#include "semiflows/semiflows.h"

namespace vantira {

// With `equal_only`, only equations of two equal magnitudes merge.
class Contractor {
 public:
  Contractor(const SparseSystem& s, bool equal_only);
  // False when a coefficient of the smaller system does not fit 64 bits.
  bool Run(Contraction& out);

 private:
  struct Entry {
    int32_t class_id;
    Integer coefficient;
  };
  // An equation of two classes that may merge them.
  struct Pair {
    int32_t equation, a, b;  // its two classes
    Integer of_a, of_b;      // and their coefficients' magnitudes
  };
  struct Edge {
    int32_t to, equation;
    const Integer* mine;    // |coefficient| of this end
    const Integer* theirs;  // of the other
  };
  // The edges of class c are edges[start[c] .. start[c + 1]).
  struct Graph {
    std::vector<int64_t> start;
    std::vector<Edge> edges;
  };
  // The spanning forest of the merges, by class: its root (-1 when not
  // reached), y_c = (p_c / q_c).y_root, and the component in hand.
  struct Spanning {
    std::vector<int32_t> root;
    std::vector<Integer> p, q;
    std::vector<int32_t> component;
  };
  void Reduce();
  bool Zeros();
  bool SumZeros();
  bool Merges();
  std::vector<Pair> MergeablePairs() const;
  Graph PairGraph(const std::vector<Pair>& pairs) const;
  void Spread(int32_t start, const Graph& graph, Spanning& tree);
  static void ScaleToIntegers(Spanning& tree);
  std::vector<int32_t> NumberClasses(Contraction& out) const;
  bool WriteReduced(const std::vector<int32_t>& number, Contraction& out) const;

  const SparseSystem& s_;
  const bool equal_only_;
  // The original system by equation.
  std::vector<int64_t> equation_start_;
  std::vector<int32_t> equation_variable_;
  std::vector<int64_t> equation_coefficient_;
  // Each variable's class (a variable number, the class's first member
  // only by chance) and weight in it; a class is zero or not as a whole.
  std::vector<int32_t> class_of_;
  std::vector<Integer> weight_;
  std::vector<bool> zero_;      // by class
  std::vector<bool> consumed_;  // equations gone as substitutions
  std::vector<bool> changed_;   // by class: zero or merged since the last Reduce
  int32_t merged_ = 0;
  // The equations in the classes: entries by class, no zero coefficient,
  // without the classes known zero when it was made.
  std::vector<int64_t> reduced_start_;
  std::vector<Entry> reduced_;
  std::vector<int64_t> old_start_;  // the last round's, for Reduce
  std::vector<Entry> old_;
};

}  // namespace vantira
