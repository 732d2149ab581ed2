// Our own file operations on a failing disk: before each operation the test's `fault` is asked,
// with the operation's name ("copy", "sync", "rename" or "owner"); a non-empty error is that operation's
// result, otherwise the system carries it out.
#pragma once

#include <functional>
#include <memory>
#include <system_error>

#include "platform/file_ops.h"

namespace ornetta::testing {

class FaultFileOps : public platform::FileOps {
 public:
  using Fault = std::function<std::error_code(const char* operation)>;
  explicit FaultFileOps(Fault fault) : fault_(std::move(fault)) {}

  std::unique_ptr<platform::BackgroundCopy> StartCopy(const std::filesystem::path& from,
                                                      const std::filesystem::path& to) override {
    if (std::error_code ec = fault_("copy")) return std::make_unique<platform::BackgroundCopy>(ec);
    return FileOps::StartCopy(from, to);
  }
  std::error_code SyncFile(const std::filesystem::path& file) override {
    if (std::error_code ec = fault_("sync")) return ec;
    return FileOps::SyncFile(file);
  }
  std::error_code Sync(platform::GrowingFile& file) override {
    if (std::error_code ec = fault_("sync")) return ec;
    return FileOps::Sync(file);
  }
  std::error_code SyncDirectory(const std::filesystem::path& dir) override {
    if (std::error_code ec = fault_("sync")) return ec;
    return FileOps::SyncDirectory(dir);
  }
  std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
    if (std::error_code ec = fault_("rename")) return ec;
    return FileOps::Rename(from, to);
  }
  std::error_code CopyOwnerAndMode(const std::filesystem::path& model, const std::filesystem::path& file) override {
    if (std::error_code ec = fault_("owner")) return ec;
    return FileOps::CopyOwnerAndMode(model, file);
  }

 private:
  Fault fault_;
};

}  // namespace ornetta::testing
