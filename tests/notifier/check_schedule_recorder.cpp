#include "check_schedule_recorder.h"

#include "check_schedule.h"

namespace {

std::vector<CheckSchedule::Armed> armed;

} // namespace

std::function<void(const CheckSchedule::Armed &)> CheckSchedule::onArm;

void scheduleCheck(int msec, QObject *, std::function<void()> check)
{
    armed.push_back(CheckSchedule::Armed{msec, std::move(check)});
    if (CheckSchedule::onArm)
        CheckSchedule::onArm(armed.back());
}

std::vector<int> CheckSchedule::delays()
{
    std::vector<int> result;
    for (const Armed &check : armed)
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
    // A copy: the check may arm the next one, which can reallocate the list.
    const std::function<void()> check = armed.back().check;
    check();
}
