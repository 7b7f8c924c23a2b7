#pragma once
// An owned file descriptor: closed exactly once, on every way out, and never copied.

#include <unistd.h>

#include <utility>

class TUniqueFd {
  public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : Fd(fd) {}
    ~TUniqueFd() { Close(); }
    TUniqueFd(TUniqueFd&& other) noexcept : Fd(std::exchange(other.Fd, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept {
        if (this != &other) {
            Close();
            Fd = std::exchange(other.Fd, -1);
        }
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;

    /// The descriptor, or -1 when none is held.
    int Get() const { return Fd; }
    bool Valid() const { return Fd >= 0; }
    /// Closes the descriptor now and returns what close() returned (0 when none was held): a
    /// write error can first show at close.
    int Close() {
        const int result = Fd >= 0 ? ::close(Fd) : 0;
        Fd = -1;
        return result;
    }

  private:
    int Fd = -1;
};
