#include "check_schedule_recorder.h"

#include "check_schedule.h"

namespace {

std::vector<ArmedCheck> armed;

} // namespace

std::function<void(const ArmedCheck &)> CheckSchedule::onArm;

void scheduleCheck(int msec, QObject *context, std::function<void()> check)
{
    armed.push_back(ArmedCheck{msec, context, std::move(check)});
    if (CheckSchedule::onArm)
        CheckSchedule::onArm(armed.back());
}

std::vector<int> CheckSchedule::delays()
{
    std::vector<int> result;
    for (const ArmedCheck &check : armed)
        result.push_back(check.msec);
    return result;
}

void CheckSchedule::clear()
{
    armed.clear();
    onArm = nullptr;
}

void CheckSchedule::runLast()
{
    if (armed.empty() || !armed.back().context)
        return;
    // A copy: the check may arm the next one, which can reallocate the list.
    const std::function<void()> check = armed.back().check;
    check();
}
