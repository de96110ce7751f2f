#ifndef FRESHWELL_TESTS_CHECK_SCHEDULE_RECORDER_H
#define FRESHWELL_TESTS_CHECK_SCHEDULE_RECORDER_H

#include "check_schedule.h"

#include <vector>

// Replaces the notifier's scheduleCheck() in the one test file of a program that includes
// this: every check the program arms is recorded instead of starting a timer, and runs
// only when the test says.
namespace CheckSchedule {

struct Armed
{
    int msec = 0;
    std::function<void()> check;
};

std::vector<Armed> armed;
// Called after each arm is recorded (for instance to fire it or to end the event loop).
std::function<void(const Armed &)> onArm;

std::vector<int> delays()
{
    std::vector<int> result;
    for (const Armed &check : armed)
        result.push_back(check.msec);
    return result;
}

// Runs the last armed check at once and returns when it has finished.
void runLast()
{
    // A copy: the check may arm the next one, which can reallocate the list.
    const std::function<void()> check = armed.back().check;
    check();
}

} // namespace CheckSchedule

void scheduleCheck(int msec, QObject *, std::function<void()> check)
{
    CheckSchedule::armed.push_back(CheckSchedule::Armed{msec, std::move(check)});
    if (CheckSchedule::onArm)
        CheckSchedule::onArm(CheckSchedule::armed.back());
}

#endif
