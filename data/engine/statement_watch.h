// Watches the statements that run on one connection while it lives: the caller looks in every
// so often (a window repaints and takes its Cancel button's click there), and a statement can be
// stopped, by the caller's answer or from another thread or a signal handler.
//
// A stopped statement fails with the engine's "interrupted" error and its changes are rolled
// back: every statement runs in a transaction of its own.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <atomic>
#include <chrono>
#include <functional>

namespace ornetta {

class StatementWatch {
 public:
  // Answers whether the statement may go on; `elapsed` is the time since the watch began.
  using LookIn = std::function<bool(std::chrono::milliseconds elapsed)>;

  // `look_in` (may be empty) is called at most once every `interval` while the engine works.
  StatementWatch(sqlite3* db, LookIn look_in, std::chrono::milliseconds interval = std::chrono::milliseconds(50));
  ~StatementWatch();
  StatementWatch(const StatementWatch&) = delete;
  StatementWatch& operator=(const StatementWatch&) = delete;

  // Stops the statement that runs now, and any later one under this watch. Safe from any
  // thread and from a signal handler.
  void Stop();

  // True once a statement was asked to stop (by Stop or by the look-in's answer). A statement
  // that still succeeded had finished first; one that failed was stopped.
  bool stopped() const { return stop_.load(); }

 private:
  static int OnProgress(void* self);

  sqlite3* db_;
  LookIn look_in_;
  std::chrono::milliseconds interval_;
  std::chrono::steady_clock::time_point start_, next_look_;
  std::atomic<bool> stop_{false};
};

}  // namespace ornetta
