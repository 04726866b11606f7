#include "tasks/services.h"

namespace {

class SilentAddProgress : public AddProgress {
public:
    void Begin(int) override {}
    void Step(int) override {}
    bool Cancelled() const override { return false; }
    void End() override {}
};

} // namespace

AddProgress& UserDialogs::AddingProgress() {
    static SilentAddProgress silent;
    return silent;
}
