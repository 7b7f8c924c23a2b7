#pragma once
// Drops and refusals said in the log without flooding it: a client that comes back each time
// it is cut off or refused must not bury the operator's log.

#include <QtGlobal>

#include <functional>
#include <string>

/// At most this many drops are logged one by one in a window; the rest are counted.
constexpr int DropLinesPerWindow = 5;
constexpr qint64 DropLogWindowMs = 10000;

class TDropLog {
  public:
    explicit TDropLog(std::function<void(const std::string&)> log) : Log(std::move(log)) {}

    /// Logs `line`, unless DropLinesPerWindow lines went in this window already.
    void Line(const std::string& line);
    /// Says how many went unlogged once their window has ended.
    void Tick(qint64 now);

  private:
    std::function<void(const std::string&)> Log;
    qint64 WindowStart = 0;
    int InWindow = 0;
};
