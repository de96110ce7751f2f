#ifndef FRESHWELL_TESTS_CHECK_SCHEDULE_RECORDER_H
#define FRESHWELL_TESTS_CHECK_SCHEDULE_RECORDER_H

#include "check_schedule.h"

#include <vector>

// Included by one test file of a program, replaces scheduleCheck(): every check the program
// arms is recorded instead of starting a timer, and runs only when the test says.
namespace CheckSchedule {

std::vector<int> delays;
std::function<void()> lastCheck;
// Called after each arm is recorded (for instance to fire it or to end the event loop).
std::function<void()> onArm;

// Runs a copy: the check may arm the next one in its place.
void runLast()
{
    std::function<void()>{lastCheck}();
}

} // namespace CheckSchedule

void scheduleCheck(int msec, QObject *, std::function<void()> check)
{
    CheckSchedule::delays.push_back(msec);
    CheckSchedule::lastCheck = std::move(check);
    if (CheckSchedule::onArm)
        CheckSchedule::onArm();
}

#endif
