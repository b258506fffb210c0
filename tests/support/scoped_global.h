// Puts a global back as it was when the test is over: tests of one program
// share its globals, and a shuffled run must not see what another test left.
#pragma once

#include <utility>

template <class T>
class ScopedGlobal {
public:
    explicit ScopedGlobal(T& global) : global_(global), saved_(global) {}
    ScopedGlobal(T& global, T value) : ScopedGlobal(global) { global_ = std::move(value); }
    ~ScopedGlobal() { global_ = std::move(saved_); }
    ScopedGlobal(const ScopedGlobal&) = delete;
    ScopedGlobal& operator=(const ScopedGlobal&) = delete;

private:
    T& global_;
    T saved_;
};
