#include "planners/format_rules.h"

#include <optional>
#include <string>

#include "formats/ndr_record.h"
#include "formats/net_line.h"
#include "formats/tokens.h"
#include "planners/nupn_plan.h"
#include "planners/subnet_routes.h"

namespace vantira {

namespace {

// A braced name that no "}" closed: a CR in the line cut it short. Anything
// written behind it on the same line would become part of it.
bool OpenBrace(std::string_view name) {
  if (name.empty() || name[0] != '{') return false;
  if (name.size() < 2 || name.back() != '}') return true;
  std::size_t backslashes = 0;
  while (backslashes + 2 < name.size() && name[name.size() - 2 - backslashes] == '\\') ++backslashes;
  return backslashes % 2 == 1;  // the last "}" is escaped
}

class NetRules : public SubnetRules {
 public:
  explicit NetRules(Grammar grammar) : grammar_(grammar) {}

  // The net line.
  void Common(std::string_view record, SubnetPlan& plan) override {
    ParseNetLine(Line{record}, grammar_, line_);
    AddNetName(plan, "net ", line_.name, "\n");
  }

  // A place line that keeps the entries before the arrow (producers) or
  // those after it, in the one spacing the files use, ending in LF. A token
  // behind an open braced name is set off by a CR, as in the input, not by
  // a space.
  std::string_view OneSide(std::string_view record, bool producers, SubnetPlan& plan) override {
    ParseNetLine(Line{record}, grammar_, line_);
    bool open = false;
    const auto piece = [&](std::string_view name, std::string_view suffix = {}) {
      out_.push_back(open ? '\r' : ' ');
      out_.append(name).append(suffix);
      open = suffix.empty() && OpenBrace(name);
    };
    out_.assign("pl");
    piece(line_.name);
    if (line_.labelled) {
      piece(":");
      piece(line_.label);
    }
    if (!line_.marking.empty()) piece(line_.marking);
    for (std::size_t i = 0; i < line_.entries.size(); ++i) {
      if (i == line_.before_arrow && line_.arrow) piece("->");
      if ((i < line_.before_arrow) != producers) continue;
      piece(line_.entries[i].name, line_.entries[i].suffix);
    }
    if (line_.arrow && line_.before_arrow == line_.entries.size()) piece("->");
    out_.push_back('\n');
    return plan.Keep(out_);
  }

 private:
  Grammar grammar_;
  NetLine line_;
  std::string out_;
};

class NdrRules : public SubnetRules {
 public:
  // A comment or blank line, with an extra LF, or a net-name record:
  // "h name_zK rest", where rest is what followed the name on the line, its
  // LF included.
  void Common(std::string_view record, SubnetPlan& plan) override {
    ParseNdrRecord(Line{record}, record_);
    if (record_.kind != NdrRecord::Kind::kNetName) return plan.AddCommon(record, false, "\n");
    std::string rest = " ";
    rest.append(record_.rest).push_back('\n');
    AddNetName(plan, "h ", record_.name, rest);
  }

 private:
  NdrRecord record_;
};

class PnmlRules : public SubnetRules {
 public:
  PnmlRules(const NetLayout& layout, const SubnetMap& map) : subnets_(map.iSubNet) {
    // Each file holds the NUPN block cut down to its own places, or none
    // when the net's block is no tree of units over its places.
    if (!layout.nupn_cuts.empty() && layout.nupn_fault.empty()) nupn_.emplace(layout, map);
  }

  // The place of the number in the net's name text: "_zK" there, or
  // "<text/>" written "<text>_zK</text>".
  void Common(std::string_view record, SubnetPlan& plan) override {
    if (record.empty()) return plan.AddCommon("_z", true);
    plan.AddCommon(">_z", true, "</text>");
  }

  void Units(SubnetPlan& plan) override {
    if (!nupn_) return;
    for (int32_t k = 1; k <= subnets_; ++k) plan.AddFor(k, plan.Keep(nupn_->Block(k)));
  }

 private:
  int32_t subnets_;
  std::optional<NupnBlocks> nupn_;
};

}  // namespace

void WriteNET(std::string_view text, Grammar grammar, const NetLayout& layout, const SubnetMap& map, SubnetPlan& plan) {
  NetRules rules(grammar);
  RouteRecords(text, layout, map, rules, plan);
}

void WriteNDR(std::string_view text, const NetLayout& layout, const SubnetMap& map, SubnetPlan& plan) {
  NdrRules rules;
  RouteRecords(text, layout, map, rules, plan);
}

void WritePNML(std::string_view text, const NetLayout& layout, const SubnetMap& map, SubnetPlan& plan) {
  PnmlRules rules(layout, map);
  RouteRecords(text, layout, map, rules, plan);
}

}  // namespace vantira
