#include "analysis/lp.h"

#include <glpk.h>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace vantira {

namespace {

// A GLPK problem, deleted with its owner.
struct GlpProblem {
  glp_prob* lp;
  // GLPK's messages (scaling, ...) would land on standard output.
  GlpProblem() : lp((glp_term_out(GLP_OFF), glp_create_prob())) {}
  GlpProblem(const GlpProblem&) = delete;
  GlpProblem& operator=(const GlpProblem&) = delete;
  ~GlpProblem() { glp_delete_prob(lp); }
};

// What a region's solve costs beyond its iterations, in LpAnswer::work's
// units: the problem's setup, measured to match a small region's whole solve.
constexpr std::size_t kSolveWork = 5000;

// How far the rows of a part that holds no token are moved for a solve (see
// StateEquation::Maximize), at least.
constexpr double kPerturbation = 1e-5;

// How far row i's bound moves in a perturbed program: by its own amount,
// well above GLPK's tolerance of 1e-7 and the same on every run (a
// multiplicative hash of the row).
double RowShift(int i) {
  const double share = static_cast<double>((static_cast<uint32_t>(i) * 2654435761U) >> 22) / 1024.0;
  return kPerturbation * (1.0 + share);
}

glp_smcp Quiet() {
  glp_smcp parm;
  glp_init_smcp(&parm);
  parm.msg_lev = GLP_MSG_OFF;
  parm.meth = GLP_PRIMAL;   // a new objective keeps the basis primal feasible; its rays are what an unbounded answer needs
  parm.presolve = GLP_OFF;  // keeps the basis between solves
  return parm;
}

// Runs the simplex, once more from the standard basis when the first run
// fails (a basis gone singular in floating point); true when it finished
// within `iterations` (0: no limit).
bool Solve(glp_prob* lp, int iterations = 0, int method = GLP_PRIMAL) {
  glp_smcp parm = Quiet();
  parm.meth = method;
  if (iterations > 0) parm.it_lim = iterations;
  const int result = glp_simplex(lp, &parm);
  if (result == 0) return true;
  if (result == GLP_EITLIM) return false;
  glp_std_basis(lp);
  return glp_simplex(lp, &parm) == 0;
}

// Matrix entries in GLPK's 1-based triplets.
struct Triplets {
  std::vector<int> row{0}, column{0};
  std::vector<double> value{0.0};
  void Add(int i, int j, double v) {
    row.push_back(i);
    column.push_back(j);
    value.push_back(v);
  }
  void Load(glp_prob* lp) {
    glp_load_matrix(lp, static_cast<int>(row.size() - 1), row.data(), column.data(), value.data());
  }
};

// The ray of an unbounded program: the nonbasic variable that grows without
// end and the basic variables that grow with it (its column of the simplex
// table), turned the way that raises the objective; `transition_of` names
// each structural column's transition. Leaves `answer` as it is when GLPK
// gives no ray.
void ReadRay(glp_prob* lp, int rows, const std::vector<int32_t>& transition_of, LpAnswer& answer) {
  const int k = glp_get_unbnd_ray(lp);
  if (k <= 0) return;
  if (!glp_bf_exists(lp) && glp_factorize(lp) != 0) return;
  std::vector<int> index(static_cast<std::size_t>(rows) + 1);
  std::vector<double> alpha(static_cast<std::size_t>(rows) + 1);
  const int length = glp_eval_tab_col(lp, k, index.data(), alpha.data());
  std::vector<std::pair<int32_t, double>> ray;
  double gain = 0.0;
  auto add = [&](int variable, double value) {
    if (variable <= rows) return;  // a row's auxiliary variable
    ray.push_back({transition_of[static_cast<std::size_t>(variable - rows)], value});
    gain += glp_get_obj_coef(lp, variable - rows) * value;
  };
  add(k, 1.0);
  for (int i = 1; i <= length; ++i) add(index[static_cast<std::size_t>(i)], alpha[static_cast<std::size_t>(i)]);
  std::sort(ray.begin(), ray.end());
  const double sign = gain < 0 ? -1.0 : 1.0;
  answer.status = LpAnswer::kUnbounded;
  for (const auto& [t, v] : ray) {
    answer.nodes.push_back(t);
    answer.values.push_back(sign * v);
  }
}

}  // namespace

struct RegionLp::Problem {
  const TokenNet& net;
  GlpProblem glp;
  std::vector<int32_t> own;  // the objective's places, sorted
  std::vector<int32_t> rows_place{0};
  std::vector<int32_t> columns_transition{0};
  std::unordered_map<int32_t, int> row_of, column_of;
  std::vector<double> objective;  // by column

  explicit Problem(const TokenNet& n) : net(n) {}
};

RegionLp::RegionLp(const TokenNet& net, std::span<const int32_t> objective) : problem_(std::make_unique<Problem>(net)) {
  Problem& p = *problem_;
  glp_set_obj_dir(p.glp.lp, GLP_MAX);
  p.own.assign(objective.begin(), objective.end());
  std::sort(p.own.begin(), p.own.end());
  Add(objective);
  for (int32_t q : objective) {
    for (const Weighted& entry : net.Row(q)) {
      const int j = p.column_of[entry.node];
      p.objective[static_cast<std::size_t>(j)] += static_cast<double>(entry.weight);
    }
  }
  for (std::size_t j = 1; j < p.objective.size(); ++j) {
    glp_set_obj_coef(p.glp.lp, static_cast<int>(j), p.objective[j]);
  }
}

RegionLp::~RegionLp() = default;

bool RegionLp::Holds(int32_t place) const { return problem_->row_of.count(place) != 0; }
std::span<const int32_t> RegionLp::Places() const { return std::span<const int32_t>(problem_->rows_place).subspan(1); }
std::size_t RegionLp::Columns() const { return problem_->columns_transition.size() - 1; }
std::size_t RegionLp::Size() const { return problem_->rows_place.size() - 1; }

void RegionLp::Add(std::span<const int32_t> places) {
  Problem& p = *problem_;
  glp_prob* lp = p.glp.lp;
  const std::size_t first_row = p.rows_place.size();
  const std::size_t first_column = p.columns_transition.size();
  for (int32_t q : places) {
    if (p.net.Row(q).empty() || p.row_of.count(q) != 0) continue;
    p.row_of.emplace(q, static_cast<int>(p.rows_place.size()));
    p.rows_place.push_back(q);
    for (const Weighted& entry : p.net.Row(q)) {
      if (p.column_of.emplace(entry.node, static_cast<int>(p.columns_transition.size())).second) {
        p.columns_transition.push_back(entry.node);
      }
    }
  }
  if (p.columns_transition.size() > first_column) {
    glp_add_cols(lp, static_cast<int>(p.columns_transition.size() - first_column));
    for (std::size_t j = first_column; j < p.columns_transition.size(); ++j) {
      glp_set_col_bnds(lp, static_cast<int>(j), GLP_LO, 0.0, 0.0);
    }
    p.objective.resize(p.columns_transition.size(), 0.0);
  }
  // Entries of new rows and, for new columns, of the old rows they meet.
  std::vector<int> index;
  std::vector<double> value;
  if (p.rows_place.size() > first_row) glp_add_rows(lp, static_cast<int>(p.rows_place.size() - first_row));
  for (std::size_t i = first_row; i < p.rows_place.size(); ++i) {
    // Row i is (C.s)_q >= -M0(q).
    const int32_t q = p.rows_place[i];
    glp_set_row_bnds(lp, static_cast<int>(i), GLP_LO, -static_cast<double>(p.net.Marking(q)), 0.0);
    index.assign(1, 0);
    value.assign(1, 0.0);
    for (const Weighted& entry : p.net.Row(q)) {
      index.push_back(p.column_of[entry.node]);
      value.push_back(static_cast<double>(entry.weight));
    }
    glp_set_mat_row(lp, static_cast<int>(i), static_cast<int>(index.size() - 1), index.data(), value.data());
  }
  for (std::size_t j = first_column; j < p.columns_transition.size(); ++j) {
    index.assign(1, 0);
    value.assign(1, 0.0);
    for (const Weighted& entry : p.net.Column(p.columns_transition[j])) {
      const auto row = p.row_of.find(entry.node);
      if (row == p.row_of.end() || static_cast<std::size_t>(row->second) >= first_row) continue;
      index.push_back(row->second);
      value.push_back(static_cast<double>(entry.weight));
    }
    if (index.size() == 1) continue;
    // The column's entries in new rows are set already; keep them.
    const int length = glp_get_mat_col(lp, static_cast<int>(j), nullptr, nullptr);
    std::vector<int> old_index(static_cast<std::size_t>(length) + 1);
    std::vector<double> old_value(static_cast<std::size_t>(length) + 1);
    glp_get_mat_col(lp, static_cast<int>(j), old_index.data(), old_value.data());
    for (int k = 1; k <= length; ++k) {
      index.push_back(old_index[static_cast<std::size_t>(k)]);
      value.push_back(old_value[static_cast<std::size_t>(k)]);
    }
    glp_set_mat_col(lp, static_cast<int>(j), static_cast<int>(index.size() - 1), index.data(), value.data());
  }
}

LpAnswer RegionLp::Maximize(bool exact) {
  Problem& p = *problem_;
  glp_prob* lp = p.glp.lp;
  LpAnswer answer;
  const int rows = static_cast<int>(p.rows_place.size()) - 1;
  const int columns = static_cast<int>(p.columns_transition.size()) - 1;
  if (rows == 0) return answer;
  const int before = glp_get_it_cnt(lp);
  const bool solved = Solve(lp);
  answer.work = kSolveWork + static_cast<std::size_t>(glp_get_it_cnt(lp) - before) * static_cast<std::size_t>(rows + columns);
  if (!solved) return answer;
  if (exact) {
    glp_smcp parm = Quiet();
    if (glp_exact(lp, &parm) != 0) return answer;
  }
  const int status = glp_get_status(lp);
  if (status == GLP_OPT) {
    answer.status = LpAnswer::kOptimal;
    // z = e_S + y, y_q = -(the dual of row q): the reduced costs c + y.C
    // of a maximum are <= 0.
    for (int i = 1; i <= rows; ++i) {
      const int32_t q = p.rows_place[static_cast<std::size_t>(i)];
      double z = -glp_get_row_dual(lp, i);
      if (std::binary_search(p.own.begin(), p.own.end(), q)) z += 1.0;
      if (z != 0.0) {
        answer.nodes.push_back(q);
        answer.values.push_back(z);
      }
    }
    std::vector<std::pair<int32_t, double>> firing;
    for (int j = 1; j <= columns; ++j) {
      const double s = glp_get_col_prim(lp, j);
      if (s != 0.0) firing.push_back({p.columns_transition[static_cast<std::size_t>(j)], s});
    }
    std::sort(firing.begin(), firing.end());
    for (const auto& [t, s] : firing) {
      answer.firing.transitions.push_back(t);
      answer.firing.counts.push_back(s);
    }
    // Weightings are read in place order.
    std::vector<std::size_t> order(answer.nodes.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&answer](std::size_t a, std::size_t b) { return answer.nodes[a] < answer.nodes[b]; });
    LpAnswer sorted;
    sorted.status = answer.status;
    for (std::size_t i : order) {
      sorted.nodes.push_back(answer.nodes[i]);
      sorted.values.push_back(answer.values[i]);
    }
    sorted.firing = std::move(answer.firing);
    return sorted;
  }
  if (status == GLP_UNBND) ReadRay(lp, rows, p.columns_transition, answer);
  return answer;
}

struct StateEquation::Problem {
  GlpProblem glp;
  std::vector<int32_t> place_of;  // row -> place
  std::vector<int32_t> transition_of;
  std::unordered_map<int32_t, int> column_of;  // transition -> column
  std::vector<int> objective;                  // columns whose objective coefficient is set
  std::vector<double> coefficient;             // by column, scratch
  std::vector<bool> listed;                    // by column: in `objective` (or `touched`)
  std::vector<double> pi, reduced;             // by row and by column, scratch of KeepsOptimum
  std::vector<int> touched;
  bool perturbed = false;  // the rows' bounds moved (SetRowBounds)
  bool tokenless = true;   // no place of the part is marked
};

StateEquation::StateEquation(const TokenNet& net, std::span<const int32_t> places)
    : net_(net), problem_(std::make_unique<Problem>()) {
  Problem& p = *problem_;
  glp_prob* lp = p.glp.lp;
  glp_set_obj_dir(lp, GLP_MAX);
  p.place_of.assign(1, 0);
  p.place_of.insert(p.place_of.end(), places.begin(), places.end());
  p.transition_of.push_back(0);
  // Columns in transition order.
  for (int32_t q : places) {
    for (const Weighted& entry : net.Row(q)) p.transition_of.push_back(entry.node);
  }
  std::sort(p.transition_of.begin() + 1, p.transition_of.end());
  p.transition_of.erase(std::unique(p.transition_of.begin() + 1, p.transition_of.end()), p.transition_of.end());
  for (std::size_t j = 1; j < p.transition_of.size(); ++j) p.column_of.emplace(p.transition_of[j], static_cast<int>(j));
  const int rows = static_cast<int>(places.size());
  const int columns = static_cast<int>(p.transition_of.size()) - 1;
  if (rows == 0) return;
  glp_add_rows(lp, rows);
  glp_add_cols(lp, columns);
  Triplets triplets;
  for (int i = 1; i <= rows; ++i) {
    // Row i is (C.s)_q >= -M0(q).
    const int32_t q = p.place_of[static_cast<std::size_t>(i)];
    glp_set_row_bnds(lp, i, GLP_LO, -static_cast<double>(net.Marking(q)), 0.0);
    p.tokenless &= net.Marking(q) == 0;
    for (const Weighted& entry : net.Row(q)) triplets.Add(i, p.column_of[entry.node], static_cast<double>(entry.weight));
  }
  for (int j = 1; j <= columns; ++j) glp_set_col_bnds(lp, j, GLP_LO, 0.0, 0.0);
  triplets.Load(lp);
  glp_scale_prob(lp, GLP_SF_AUTO);
  p.coefficient.assign(static_cast<std::size_t>(columns) + 1, 0.0);
  p.listed.assign(static_cast<std::size_t>(columns) + 1, false);
  p.reduced.assign(static_cast<std::size_t>(columns) + 1, 0.0);
}

StateEquation::~StateEquation() = default;

void StateEquation::SetRowBounds(bool perturbed) {
  Problem& p = *problem_;
  if (p.perturbed == perturbed) return;
  p.perturbed = perturbed;
  const int rows = static_cast<int>(p.place_of.size()) - 1;
  for (int i = 1; i <= rows; ++i) {
    const double tokens = static_cast<double>(net_.Marking(p.place_of[static_cast<std::size_t>(i)]));
    glp_set_row_bnds(p.glp.lp, i, GLP_LO, -tokens - (perturbed ? RowShift(i) : 0.0), 0.0);
  }
}

namespace {

// An optimum's dual weighting z = e_S + y, y_q = -(the dual of row q): the
// reduced costs c + y.C of a maximum are <= 0. In row order, which is
// place order.
void ReadWeighting(glp_prob* lp, const std::vector<int32_t>& place_of, std::span<const int32_t> places,
                   LpAnswer& answer) {
  std::vector<int32_t> own(places.begin(), places.end());
  std::sort(own.begin(), own.end());
  std::size_t next = 0;
  const int rows = glp_get_num_rows(lp);
  for (int i = 1; i <= rows; ++i) {
    const int32_t q = place_of[static_cast<std::size_t>(i)];
    double z = -glp_get_row_dual(lp, i);
    while (next < own.size() && own[next] < q) ++next;
    if (next < own.size() && own[next] == q) z += 1.0;
    if (z != 0.0) {
      answer.nodes.push_back(q);
      answer.values.push_back(z);
    }
  }
}

}  // namespace

void StateEquation::SetObjective(std::span<const int32_t> places) {
  Problem& p = *problem_;
  glp_prob* lp = p.glp.lp;
  // Only the last objective's coefficients are cleared.
  for (int j : p.objective) glp_set_obj_coef(lp, j, 0.0);
  p.objective.clear();
  for (int32_t q : places) {
    for (const Weighted& entry : net_.Row(q)) {
      const int j = p.column_of[entry.node];
      // A sum may pass through 0: each column is listed once.
      if (!p.listed[static_cast<std::size_t>(j)]) p.objective.push_back(j);
      p.listed[static_cast<std::size_t>(j)] = true;
      p.coefficient[static_cast<std::size_t>(j)] += static_cast<double>(entry.weight);
    }
  }
  for (int j : p.objective) {
    glp_set_obj_coef(lp, j, p.coefficient[static_cast<std::size_t>(j)]);
    p.coefficient[static_cast<std::size_t>(j)] = 0.0;
    p.listed[static_cast<std::size_t>(j)] = false;
  }
}

// GLPK's constraints are x_R = A.x_S with the basis a set of columns of
// (I | -A): the duals pi solve B'.pi = c_B, a structural column's reduced
// cost is c_j + pi.a_j and a row's is -pi_i. A simplex run costs a pass over
// the whole problem even when it makes no step, so the basis is first
// tested here, sparsely: pi is nonzero only on a few rows.
bool StateEquation::KeepsOptimum(std::span<const int32_t> places, LpAnswer& answer) {
  Problem& p = *problem_;
  glp_prob* lp = p.glp.lp;
  if (glp_get_status(lp) != GLP_OPT || !glp_bf_exists(lp)) return false;
  const int rows = glp_get_num_rows(lp);
  std::vector<double>& pi = p.pi;
  pi.assign(static_cast<std::size_t>(rows) + 1, 0.0);
  for (int j : p.objective) {
    const int k = glp_get_col_bind(lp, j);
    if (k > 0) pi[static_cast<std::size_t>(k)] = glp_get_obj_coef(lp, j);
  }
  glp_btran(lp, pi.data());
  constexpr double kTolerance = 1e-9;
  std::vector<double>& reduced = p.reduced;  // by column, scratch
  std::vector<int>& touched = p.touched;
  touched.clear();
  bool optimal = true;
  for (int i = 1; i <= rows && optimal; ++i) {
    const double y = pi[static_cast<std::size_t>(i)];
    if (y == 0.0) continue;
    if (y < -kTolerance && glp_get_row_stat(lp, i) != GLP_BS) optimal = false;
    for (const Weighted& entry : net_.Row(p.place_of[static_cast<std::size_t>(i)])) {
      const int j = p.column_of[entry.node];
      if (!p.listed[static_cast<std::size_t>(j)]) touched.push_back(j);
      p.listed[static_cast<std::size_t>(j)] = true;
      reduced[static_cast<std::size_t>(j)] += y * static_cast<double>(entry.weight);
    }
  }
  for (int j : p.objective) {
    if (!p.listed[static_cast<std::size_t>(j)]) touched.push_back(j);
    p.listed[static_cast<std::size_t>(j)] = true;
  }
  for (int j : touched) {
    const double d = reduced[static_cast<std::size_t>(j)] + glp_get_obj_coef(lp, j);
    if (d > kTolerance * std::max(1.0, std::fabs(glp_get_obj_coef(lp, j))) && glp_get_col_stat(lp, j) != GLP_BS) {
      optimal = false;
    }
    reduced[static_cast<std::size_t>(j)] = 0.0;
    p.listed[static_cast<std::size_t>(j)] = false;
  }
  if (!optimal) return false;
  answer.status = LpAnswer::kOptimal;
  answer.work = static_cast<std::size_t>(rows);
  std::vector<int32_t> own(places.begin(), places.end());
  std::sort(own.begin(), own.end());
  std::size_t next = 0;
  for (int i = 1; i <= rows; ++i) {
    const int32_t q = p.place_of[static_cast<std::size_t>(i)];
    double z = pi[static_cast<std::size_t>(i)];
    while (next < own.size() && own[next] < q) ++next;
    if (next < own.size() && own[next] == q) z += 1.0;
    if (z != 0.0) {
      answer.nodes.push_back(q);
      answer.values.push_back(z);
    }
  }
  for (int32_t q : places) {
    double tokens = static_cast<double>(net_.Marking(q));
    for (const Weighted& entry : net_.Row(q)) {
      tokens += static_cast<double>(entry.weight) * glp_get_col_prim(lp, p.column_of[entry.node]);
    }
    answer.value += tokens;
  }
  return true;
}

LpAnswer StateEquation::Maximize(std::span<const int32_t> places, bool exact, int iterations) {
  Problem& p = *problem_;
  glp_prob* lp = p.glp.lp;
  LpAnswer answer;
  if (p.place_of.size() == 1) return answer;
  if (!exact) {
    SetObjective(places);
    if (KeepsOptimum(places, answer)) return answer;
    const int before = glp_get_it_cnt(lp);
    // A part that holds no token is a cone whose one vertex is s = 0, where
    // every row is tight: there the primal simplex pivots for thousands of
    // steps without moving. So its solves go first on the perturbed program,
    // whose vertices are not degenerate. Its rays are the program's own (the
    // same cone of directions); its optimum is taken back to the program by
    // the dual simplex, from a basis dual feasible for both.
    const bool perturbed = p.tokenless;
    SetRowBounds(perturbed);
    bool solved = Solve(lp, iterations);
    if (perturbed && solved && glp_get_status(lp) == GLP_OPT) {
      SetRowBounds(false);
      solved = Solve(lp, iterations, GLP_DUALP);
    }
    answer.work = static_cast<std::size_t>(glp_get_it_cnt(lp) - before + 1) *
                  static_cast<std::size_t>(glp_get_num_rows(lp) + glp_get_num_cols(lp));
    if (!solved) return answer;
  } else {
    SetRowBounds(false);
    glp_smcp parm = Quiet();
    if (glp_exact(lp, &parm) != 0) return answer;
  }
  const int status = glp_get_status(lp);
  if (status == GLP_OPT) {
    answer.status = LpAnswer::kOptimal;
    ReadWeighting(lp, p.place_of, places, answer);
    answer.value = glp_get_obj_val(lp);
    for (int32_t q : places) answer.value += static_cast<double>(net_.Marking(q));
    const int columns = glp_get_num_cols(lp);
    for (int j = 1; j <= columns; ++j) {
      const double s = glp_get_col_prim(lp, j);
      if (s == 0.0) continue;
      answer.firing.transitions.push_back(p.transition_of[static_cast<std::size_t>(j)]);
      answer.firing.counts.push_back(s);
    }
    return answer;
  }
  if (status == GLP_UNBND) ReadRay(lp, glp_get_num_rows(lp), p.transition_of, answer);
  return answer;
}

PieceAnswer SolvePiece(const TokenNet& net, std::span<const int32_t> places, std::span<const int32_t> transitions,
                       std::span<const int32_t> exits, std::size_t budget) {
  PieceAnswer answer;
  const int rows = static_cast<int>(places.size() + exits.size());
  const int firings = static_cast<int>(transitions.size());
  std::unordered_map<int32_t, int> row_of, column_of;
  for (std::size_t i = 0; i < places.size(); ++i) row_of.emplace(places[i], static_cast<int>(i + 1));
  for (std::size_t j = 0; j < transitions.size(); ++j) column_of.emplace(transitions[j], static_cast<int>(j + 1));
  GlpProblem problem;
  glp_prob* lp = problem.lp;
  glp_set_obj_dir(lp, GLP_MAX);
  if (rows > 0) glp_add_rows(lp, rows);
  glp_add_cols(lp, firings + rows);
  Triplets triplets;
  for (int j = 1; j <= firings; ++j) {
    glp_set_col_bnds(lp, j, GLP_LO, 0.0, 0.0);
    for (const Weighted& entry : net.Column(transitions[static_cast<std::size_t>(j - 1)])) {
      const auto row = row_of.find(entry.node);
      if (row != row_of.end()) triplets.Add(row->second, j, static_cast<double>(entry.weight));
    }
  }
  for (std::size_t k = 0; k < exits.size(); ++k) {
    triplets.Add(static_cast<int>(places.size() + k + 1), column_of.at(exits[k]), 1.0);
  }
  for (int i = 1; i <= rows; ++i) {
    triplets.Add(i, firings + i, -1.0);
    glp_set_col_bnds(lp, firings + i, GLP_DB, 0.0, 1.0);
    glp_set_obj_coef(lp, firings + i, 1.0);
  }
  triplets.Load(lp);
  glp_scale_prob(lp, GLP_SF_AUTO);
  // Every row is tight at s = 0, the one vertex of the cone: the simplex
  // would pivot there without moving (see StateEquation::Maximize). So the
  // rows are first moved apart, and the optimum taken back by the dual simplex.
  const auto size = static_cast<std::size_t>(firings + 2 * rows);
  const int limit = static_cast<int>(std::min<std::size_t>(budget / size + 1, 1u << 30));
  for (int i = 1; i <= rows; ++i) glp_set_row_bnds(lp, i, GLP_LO, -RowShift(i), 0.0);
  bool solved = Solve(lp, limit) && glp_get_status(lp) == GLP_OPT;
  if (solved) {
    for (int i = 1; i <= rows; ++i) glp_set_row_bnds(lp, i, GLP_LO, 0.0, 0.0);
    solved = Solve(lp, std::max(1, limit - glp_get_it_cnt(lp)), GLP_DUALP) && glp_get_status(lp) == GLP_OPT;
  }
  answer.work = static_cast<std::size_t>(glp_get_it_cnt(lp) + 1) * size;
  if (!solved) return answer;
  answer.solved = true;
  for (int j = 1; j <= firings; ++j) answer.counts.push_back(glp_get_col_prim(lp, j));
  for (std::size_t i = 1; i <= places.size(); ++i) answer.weights.push_back(-glp_get_row_dual(lp, static_cast<int>(i)));
  return answer;
}

LpAnswer StructuralBound(const TokenNet& net, std::span<const int32_t> places, std::span<const int32_t> transitions) {
  LpAnswer answer;
  std::vector<int> column_of(static_cast<std::size_t>(net.Places()) + 1, 0);
  for (std::size_t j = 0; j < places.size(); ++j)
    column_of[static_cast<std::size_t>(places[j])] = static_cast<int>(j + 1);
  {
    // min sum y subject to y.C_t <= 0, y >= 1.
    GlpProblem problem;
    glp_prob* lp = problem.lp;
    glp_set_obj_dir(lp, GLP_MIN);
    glp_add_cols(lp, static_cast<int>(places.size()));
    if (!transitions.empty()) glp_add_rows(lp, static_cast<int>(transitions.size()));
    Triplets triplets;
    for (std::size_t i = 0; i < transitions.size(); ++i) {
      glp_set_row_bnds(lp, static_cast<int>(i + 1), GLP_UP, 0.0, 0.0);
      for (const Weighted& entry : net.Column(transitions[i])) {
        triplets.Add(static_cast<int>(i + 1), column_of[static_cast<std::size_t>(entry.node)],
                     static_cast<double>(entry.weight));
      }
    }
    for (std::size_t j = 1; j <= places.size(); ++j) {
      glp_set_col_bnds(lp, static_cast<int>(j), GLP_LO, 1.0, 0.0);
      glp_set_obj_coef(lp, static_cast<int>(j), 1.0);
    }
    triplets.Load(lp);
    glp_scale_prob(lp, GLP_SF_AUTO);
    if (!Solve(lp)) return answer;
    const int status = glp_get_status(lp);
    if (status == GLP_OPT) {
      answer.status = LpAnswer::kOptimal;
      for (std::size_t j = 0; j < places.size(); ++j) {
        answer.nodes.push_back(places[j]);
        answer.values.push_back(glp_get_col_prim(lp, static_cast<int>(j + 1)));
      }
      return answer;
    }
    if (status != GLP_NOFEAS) return answer;
  }
  // None: max sum_q (C.s)_q subject to C.s >= 0, 0 <= s <= 1, whose optimum
  // is then positive.
  std::vector<int> row_of(static_cast<std::size_t>(net.Places()) + 1, 0);
  GlpProblem problem;
  glp_prob* lp = problem.lp;
  glp_set_obj_dir(lp, GLP_MAX);
  if (!places.empty()) glp_add_rows(lp, static_cast<int>(places.size()));
  glp_add_cols(lp, static_cast<int>(transitions.size()));
  for (std::size_t i = 0; i < places.size(); ++i) {
    glp_set_row_bnds(lp, static_cast<int>(i + 1), GLP_LO, 0.0, 0.0);
    row_of[static_cast<std::size_t>(places[i])] = static_cast<int>(i + 1);
  }
  Triplets triplets;
  for (std::size_t j = 0; j < transitions.size(); ++j) {
    double sum = 0;
    for (const Weighted& entry : net.Column(transitions[j])) {
      triplets.Add(row_of[static_cast<std::size_t>(entry.node)], static_cast<int>(j + 1),
                   static_cast<double>(entry.weight));
      sum += static_cast<double>(entry.weight);
    }
    glp_set_col_bnds(lp, static_cast<int>(j + 1), GLP_DB, 0.0, 1.0);
    glp_set_obj_coef(lp, static_cast<int>(j + 1), sum);
  }
  triplets.Load(lp);
  glp_scale_prob(lp, GLP_SF_AUTO);
  if (!Solve(lp) || glp_get_status(lp) != GLP_OPT) return answer;
  answer.status = LpAnswer::kUnbounded;
  for (std::size_t j = 0; j < transitions.size(); ++j) {
    answer.nodes.push_back(transitions[j]);
    answer.values.push_back(glp_get_col_prim(lp, static_cast<int>(j + 1)));
  }
  return answer;
}

}  // namespace vantira
