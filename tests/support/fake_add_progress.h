// Stands in for the progress dialog of adding files: records what it was told
// and presses Cancel at a chosen step, as a user would.
#pragma once

#include "tasks/services.h"

#include <functional>
#include <vector>

class FakeAddProgress : public AddProgress {
public:
    void Begin(int total) override { totals.push_back(total); }
    void Step(int done) override {
        steps.push_back(done);
        if (onStep) {
            onStep(done);
        }
    }
    bool Cancelled() const override {
        return cancelAtStep > 0 && !steps.empty() && steps.back() >= cancelAtStep;
    }
    void End() override { ++ends; }

    std::vector<int> totals; // one per Begin
    std::vector<int> steps;
    int ends = 0;
    // Cancel is pressed once this many files were taken; 0: never.
    int cancelAtStep = 0;
    std::function<void(int done)> onStep;
};
