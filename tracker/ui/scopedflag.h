// A flag set for the length of a scope, then given back the value it had before (so holds nest).
#pragma once

class TScopedFlag {
 public:
  explicit TScopedFlag(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~TScopedFlag() { flag_ = was_; }
  TScopedFlag(const TScopedFlag&) = delete;
  TScopedFlag& operator=(const TScopedFlag&) = delete;

 private:
  bool& flag_;
  bool was_;
};
