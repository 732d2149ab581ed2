#include "data/engine/statement_watch.h"

namespace ornetta {

namespace {
// Engine instructions between two of the handler's calls: a few microseconds of work, so a stop
// takes effect at once while the clock is read rarely enough to cost nothing measurable.
constexpr int kInstructionsPerCall = 1000;
static_assert(std::atomic<bool>::is_always_lock_free, "Stop is called from signal handlers");
}  // namespace

StatementWatch::StatementWatch(sqlite3* db, LookIn look_in, std::chrono::milliseconds interval)
    : db_(db),
      look_in_(std::move(look_in)),
      interval_(interval),
      start_(std::chrono::steady_clock::now()),
      next_look_(start_ + interval) {
  sqlite3_progress_handler(db_, kInstructionsPerCall, &StatementWatch::OnProgress, this);
}

StatementWatch::~StatementWatch() { sqlite3_progress_handler(db_, 0, nullptr, nullptr); }

void StatementWatch::Stop() {
  stop_.store(true);
  sqlite3_interrupt(db_);
}

int StatementWatch::OnProgress(void* self) {
  auto* watch = static_cast<StatementWatch*>(self);
  if (watch->stop_.load()) return 1;
  if (!watch->look_in_) return 0;
  const auto now = std::chrono::steady_clock::now();
  if (now < watch->next_look_) return 0;
  const bool go_on = watch->look_in_(std::chrono::duration_cast<std::chrono::milliseconds>(now - watch->start_));
  // The look-in's own time (a window painting) is not the engine's: the next look is one
  // interval of work away.
  watch->next_look_ = std::chrono::steady_clock::now() + watch->interval_;
  if (go_on && !watch->stop_.load()) return 0;
  watch->stop_.store(true);
  return 1;
}

}  // namespace ornetta
