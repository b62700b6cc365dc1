#include <chrono>
#include <cstdio>

#include "gui/cli/reporter.h"

namespace harrowlander::cli {
namespace {

using Clock = std::chrono::steady_clock;

class TextReporter : public Reporter {
 public:
  explicit TextReporter(Console& console)
      : m_console(console), m_liveBar(console.IsTerminal(Stream::kError)) {}

  void Status(const std::string& text) override { Line(text); }

  void Message(const std::string& text, const std::string&, const std::string& answer) override {
    Line(answer.empty() ? text : text + "\n-> " + answer);
  }

  void Progress(std::uint64_t total, std::uint64_t copied) override {
    if (copied == 0 && total != 0) {
      m_steps = TenthSteps();
      m_clock = CopyClock();
    }
    const CopyReading reading = m_clock.Read(total, copied);
    if (!m_liveBar) {
      if (m_steps.Passed(reading)) {
        Line("copied " + DescribeReading(reading));
      }
      return;
    }
    // A terminal is redrawn a few times a second at most, and once more at the end.
    const Clock::time_point now = Clock::now();
    if (reading.percent < 100 && m_barShown && now - m_lastDraw < std::chrono::milliseconds(200)) {
      return;
    }
    m_lastDraw = now;
    m_console.Write(Stream::kError, "\r" + ProgressBar(reading) + "\x1b[K");
    m_barShown = true;
  }

  void ServerProgress(const std::string& step, int percent) override {
    if (step != m_serverStep) {
      m_serverStep = step;
      m_serverSteps = TenthSteps();
    }
    CopyReading reading;
    reading.percent = percent;
    const std::string text = step + " " + std::to_string(percent) + "%";
    if (!m_liveBar) {
      if (m_serverSteps.Passed(reading)) {
        Line(text);
      }
      return;
    }
    constexpr int kWidth = 24;
    const int filled = percent * kWidth / 100;
    m_console.Write(Stream::kError, "\r[" + std::string(static_cast<size_t>(filled), '#') +
                                        std::string(static_cast<size_t>(kWidth - filled), '.') +
                                        "] " + text + "\x1b[K");
    m_barShown = true;
  }

  void Listed(const std::string&, const std::string& name) override {
    m_console.Write(Stream::kOutput, name + "\n");
  }

  void Error(const std::string& text) override { Line("harrowlander-cli: " + text); }

  void Signal(const std::string& signal, const std::string& text) override {
    Line("harrowlander-cli: " + signal + ": " + text);
  }

  void DatabaseEnded(const DatabaseBackupResult& r) override {
    if (!r.done) {
      Line("[" + r.database + "] FAILED: " + r.failure);
      return;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", r.seconds);
    Line("[" + r.database + "] backed up to " + r.file + " (" +
         (r.bytes ? std::to_string(*r.bytes) + " bytes, " : std::string()) + seconds +
         (r.verified ? ", verified" : "") + ", sha256 " + r.sha256 + ")");
  }

  // The status line said it.
  void Deleted(const Deletion&) override {}

  void Finished(const RunResult&) override { EndBar(); }

 private:
  void EndBar() {
    if (m_barShown) {
      m_console.Write(Stream::kError, "\n");
      m_barShown = false;
    }
  }

  void Line(const std::string& text) {
    EndBar();
    m_console.Write(Stream::kError, text + "\n");
  }

  Console& m_console;
  const bool m_liveBar;
  bool m_barShown = false;
  Clock::time_point m_lastDraw;
  CopyClock m_clock;
  TenthSteps m_steps;
  std::string m_serverStep;
  TenthSteps m_serverSteps;
};

}  // namespace

CopyReading CopyClock::Read(std::uint64_t total, std::uint64_t copied) {
  const Clock::time_point now = Clock::now();
  if (!m_start) {
    m_start = now;
  }
  return CopyReading::Of(total, copied, std::chrono::duration<double>(now - *m_start).count());
}

std::unique_ptr<Reporter> MakeTextReporter(Console& console) {
  return std::make_unique<TextReporter>(console);
}

}  // namespace harrowlander::cli
