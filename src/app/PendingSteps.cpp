#include "app/PendingSteps.h"

#include "app/AppLog.h"

const std::vector<PendingStepInfo>& pendingSteps() {
  static const std::vector<PendingStepInfo> steps = {
      {PendingStep::PaymentObject, "the payment object CPay", "payment"},
  };
  return steps;
}

void logPendingStep(PendingStep step, const std::string& where, const std::string& detail) {
  for (const PendingStepInfo& info : pendingSteps())
    if (info.step == step) {
      appLogNotBuilt(where, std::string(info.what) + detail);
      return;
    }
}
