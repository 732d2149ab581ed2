// What an import carried and what it did not, with the reasons: printed at the end and written
// beside the target, so that nothing is left out without a word.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ornetta::import {

class Report {
 public:
  Report(std::string source, std::string target) : source_(std::move(source)), target_(std::move(target)) {}

  void SetSourceVersion(std::string version) { version_ = std::move(version); }
  void AddTable(const std::string& name, uint64_t rows, const std::string& checksum, int indexes);
  void AddView(const std::string& name);
  // Something of the source that the target lacks or holds otherwise: `object` names it
  // ("column Orders.Total"), `why` says what and why.
  void NotCarried(const std::string& object, const std::string& why);
  void AddNote(const std::string& note) { notes_.push_back(note); }

  bool Complete() const { return not_carried_.empty(); }
  size_t NotCarriedCount() const { return not_carried_.size(); }
  std::string Text(double seconds) const;

 private:
  struct TableLine {
    std::string name;
    uint64_t rows;
    std::string checksum;
    int indexes;
  };
  std::string source_, target_, version_;
  std::vector<TableLine> tables_;
  std::vector<std::string> views_;
  std::vector<std::pair<std::string, std::string>> not_carried_;
  std::vector<std::string> notes_;
};

}  // namespace ornetta::import
