// The block records of a lowering run, indexed late (see catch_up), and the
// hoisted declarations.
#include "translator/lowering_state.h"

#include <functional>

namespace corvane {

std::size_t ProcessedBlocks::PairHash::operator()(
    const std::pair<std::string, std::string>& key) const noexcept {
  const std::size_t first = std::hash<std::string_view>{}(key.first);
  const std::size_t second = std::hash<std::string_view>{}(key.second);
  return first ^ (second + 0x9e3779b97f4a7c15ULL + (first << 6) + (first >> 2));
}

void ProcessedBlocks::append(BlockRecord block) { blocks_.push_back(std::move(block)); }

void ProcessedBlocks::catch_up() const {
  for (; indexed_ < blocks_.size(); ++indexed_) {
    const BlockRecord& block = blocks_[indexed_];
    const std::size_t position = indexed_;
    first_by_label_.try_emplace(block.label, position);
    if (!block.condition.has_value()) continue;
    // A later record of the same label replaces an earlier one here.
    conditional_by_label_.insert_or_assign(block.label, position);
    index_branch(position);
  }
}

void ProcessedBlocks::index_branch(std::size_t position) const {
  const BlockRecord& block = blocks_[position];
  if (block.successors.size() != 2) return;
  const std::string_view a = block.successors[0];
  const std::string_view b = block.successors[1];
  branch_by_successor_.try_emplace(std::string(a), position);
  branch_by_successor_.try_emplace(std::string(b), position);
  if (a != b) {
    branch_by_pair_.try_emplace(a < b ? std::pair(std::string(a), std::string(b))
                                      : std::pair(std::string(b), std::string(a)),
                                position);
  }
}

BlockRecord* ProcessedBlocks::find_first(std::string_view label) {
  catch_up();
  auto it = first_by_label_.find(label);
  return it == first_by_label_.end() ? nullptr : &blocks_[it->second];
}

const BlockRecord* ProcessedBlocks::find_conditional(std::string_view label) const {
  catch_up();
  auto it = conditional_by_label_.find(label);
  return it == conditional_by_label_.end() ? nullptr : &blocks_[it->second];
}

const BlockRecord* ProcessedBlocks::find_branch_to(std::string_view first,
                                                   std::string_view second) const {
  catch_up();
  if (branches_stale_) {
    branch_by_successor_.clear();
    branch_by_pair_.clear();
    for (std::size_t position = 0; position < blocks_.size(); ++position) {
      if (blocks_[position].condition.has_value()) index_branch(position);
    }
    branches_stale_ = false;
  }
  if (first == second) {
    auto it = branch_by_successor_.find(first);
    return it == branch_by_successor_.end() ? nullptr : &blocks_[it->second];
  }
  std::pair<std::string, std::string> key =
      first < second ? std::pair(std::string(first), std::string(second))
                     : std::pair(std::string(second), std::string(first));
  auto it = branch_by_pair_.find(key);
  return it == branch_by_pair_.end() ? nullptr : &blocks_[it->second];
}

std::vector<BlockRecord> ProcessedBlocks::take() {
  indexed_ = 0;
  branches_stale_ = false;
  first_by_label_.clear();
  conditional_by_label_.clear();
  branch_by_successor_.clear();
  branch_by_pair_.clear();
  return std::move(blocks_);
}

void ProcessedBlocks::redirect(BlockRecord& block, std::string_view from, const std::string& to) {
  for (Name& successor : block.successors) {
    if (successor.view() == from) successor = Name(to);
  }
  // Labels and conditions stay; the branch index is built again when next asked.
  branches_stale_ = true;
}

void HoistedDecls::add_int(std::string name, Expr init, bool reusable) {
  if (reusable) int_names_.insert(name);
  statements_.push_back(IntDecl{std::move(name), std::move(init)});
}

bool HoistedDecls::has_int(std::string_view name) const {
  return int_names_.find(name) != int_names_.end();
}

std::vector<Stmt> HoistedDecls::take() {
  int_names_.clear();
  return std::move(statements_);
}

}  // namespace corvane
