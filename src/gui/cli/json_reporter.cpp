#include "gui/cli/json_line.h"
#include "gui/cli/reporter.h"

namespace harrowlander::cli {
namespace {

class JsonReporter : public Reporter {
 public:
  explicit JsonReporter(Console& console) : m_console(console) {}

  void Status(const std::string& text) override {
    Emit(JsonLine().Text("type", "status").Text("text", text));
  }

  void Message(const std::string& text, const std::string& caption,
               const std::string& answer) override {
    JsonLine line;
    line.Text("type", "message").Text("text", text).Text("caption", caption);
    if (!answer.empty()) {
      line.Text("answer", answer);
    }
    Emit(line);
  }

  void Progress(std::uint64_t total, std::uint64_t copied) override {
    if (copied == 0 && total != 0) {
      m_steps = TenthSteps();
      m_clock = CopyClock();
    }
    const CopyReading reading = m_clock.Read(total, copied);
    if (!m_steps.Passed(reading)) {
      return;
    }
    JsonLine line;
    line.Text("type", "progress")
        .Text("step", "copy")
        .Number("copied", static_cast<std::int64_t>(reading.copied))
        .Number("total", static_cast<std::int64_t>(reading.total))
        .Number("percent", static_cast<std::int64_t>(reading.percent))
        .Number("bytesPerSecond", reading.bytesPerSecond);
    if (reading.secondsLeft) {
      line.Number("secondsLeft", *reading.secondsLeft);
    } else {
      line.Null("secondsLeft");
    }
    Emit(line);
  }

  void ServerProgress(const std::string& step, int percent) override {
    if (step != m_serverStep) {
      m_serverStep = step;
      m_serverSteps = TenthSteps();
    }
    CopyReading reading;
    reading.percent = percent;
    if (m_serverSteps.Passed(reading)) {
      Emit(JsonLine()
               .Text("type", "progress")
               .Text("step", step)
               .Number("percent", static_cast<std::int64_t>(percent)));
    }
  }

  void Listed(const std::string& kind, const std::string& name) override {
    Emit(JsonLine().Text("type", kind).Text("name", name));
  }

  void Error(const std::string& text) override {
    Emit(JsonLine().Text("type", "error").Text("text", text));
  }

  void Signal(const std::string& signal, const std::string& text) override {
    Emit(JsonLine().Text("type", "signal").Text("signal", signal).Text("text", text));
  }

  void DatabaseEnded(const DatabaseBackupResult& r) override {
    JsonLine line;
    line.Text("type", "backup").Text("database", r.database).Boolean("ok", r.done);
    line.Text("file", r.file);
    if (r.done) {
      if (r.bytes) {
        line.Number("bytes", static_cast<std::int64_t>(*r.bytes));
      }
      line.Text("sha256", r.sha256).Boolean("verified", r.verified);
    } else {
      line.Text("failure", r.failure);
    }
    line.Number("seconds", r.seconds);
    Emit(line);
  }

  void Deleted(const Deletion& d) override {
    Emit(JsonLine()
             .Text("type", "deleted")
             .Text("database", d.database)
             .Text("file", d.file)
             .Boolean("sidecar", d.sidecar)
             .Boolean("dryRun", d.dryRun));
  }

  void Finished(const RunResult& result) override {
    JsonLine line;
    line.Text("type", "result")
        .Text("command", result.command)
        .Boolean("ok", result.exitCode == 0)
        .Number("exitCode", static_cast<std::int64_t>(result.exitCode));
    if (!result.outcome.empty()) {
      line.Text("outcome", result.outcome);
    }
    line.Text("status", result.status);
    if (!result.reason.empty()) {
      line.Text("reason", result.reason);
    }
    if (result.file) {
      line.Text("file", *result.file);
    }
    if (result.bytes) {
      line.Number("bytes", static_cast<std::int64_t>(*result.bytes));
    }
    if (result.sha256) {
      line.Text("sha256", *result.sha256);
    }
    if (result.verified) {
      line.Boolean("verified", *result.verified);
    }
    if (result.backedUp) {
      line.Number("backedUp", static_cast<std::int64_t>(*result.backedUp));
      line.TextList("failed", result.failedDatabases);
    }
    line.Number("seconds", result.seconds);
    Emit(line);
  }

 private:
  void Emit(const JsonLine& line) { m_console.Write(Stream::kOutput, line.Finish()); }

  Console& m_console;
  CopyClock m_clock;
  TenthSteps m_steps;
  std::string m_serverStep;
  TenthSteps m_serverSteps;
};

}  // namespace

std::unique_ptr<Reporter> MakeJsonReporter(Console& console) {
  return std::make_unique<JsonReporter>(console);
}

}  // namespace harrowlander::cli
