#include "ops/server_step_progress.h"

#include "res/resource_ids.h"
#include "sql/server_progress.h"

namespace harrowlander {

ServerMessageHandler ShowServerProgress(Platform& platform, RunProgress::Step step,
                                        std::string text) {
  return [&platform, step, text = std::move(text)](const ServerMessage& message) {
    const std::optional<int> percent = sql::PercentProcessed(message);
    if (!percent) {
      return;
    }
    platform.window.SetControlTextNow(res::IDC_STATUS, text + " " + std::to_string(*percent) + "%");
    RunProgress progress;
    progress.step = step;
    progress.percent = percent;
    platform.window.ReportProgress(progress);
  };
}

}  // namespace harrowlander
