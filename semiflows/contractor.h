// The rounds of the contraction (contraction.h) over one system: the
// classes of merged variables, their weights, the zeros and the equations
// in terms of the classes. Internal to contraction.cpp.
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
    int32_t cls;
    Integer coefficient;
  };
  void Reduce();
  bool Zeros();
  bool SumZeros();
  bool Merges();

  const SparseSystem& s_;
  const bool equal_only_;
  // The original system by equation.
  std::vector<int64_t> eq_start_;
  std::vector<int32_t> eq_var_;
  std::vector<int64_t> eq_coefficient_;
  // Each variable's class (a variable number, the class's first member
  // only by chance) and weight in it; a class is zero or not as a whole.
  std::vector<int32_t> cls_;
  std::vector<Integer> weight_;
  std::vector<bool> zero_;      // by class
  std::vector<bool> consumed_;  // equations gone as substitutions
  std::vector<bool> changed_;   // by class: zero or merged since the last Reduce
  int32_t merged_ = 0;
  // The equations in the classes: entries by class, no zero coefficient,
  // without the classes known zero when it was made.
  std::vector<int64_t> red_start_;
  std::vector<Entry> red_;
  std::vector<int64_t> old_start_;  // the last round's, for Reduce
  std::vector<Entry> old_;
};

}  // namespace vantira
