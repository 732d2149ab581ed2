#include "repair/access_application.h"

namespace ornetta::repair {

namespace {
class LocalApplication : public AccessApplication {
 public:
  void Call(int32_t) override {}
};
}  // namespace

AccessApplicationFactory DefaultAccessApplicationFactory() {
  return [] { return std::make_unique<LocalApplication>(); };
}

}  // namespace ornetta::repair
