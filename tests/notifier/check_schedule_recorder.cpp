#include "check_schedule_recorder.h"

#include "check_schedule.h"

#include <QTimer>

namespace {

std::vector<ArmedCheck> armedChecks;
std::function<void(const ArmedCheck &)> onArmHook;

} // namespace

void scheduleCheck(int msec, QObject *context, std::function<void()> check)
{
    armedChecks.push_back(ArmedCheck{msec, context, std::move(check)});
    if (onArmHook)
        onArmHook(armedChecks.back());
}

namespace CheckSchedule {

std::vector<int> delays()
{
    std::vector<int> result;
    for (const ArmedCheck &check : armedChecks)
        result.push_back(check.msec);
    return result;
}

void clear()
{
    armedChecks.clear();
    onArmHook = nullptr;
}

void setOnArm(std::function<void(const ArmedCheck &)> onArm)
{
    onArmHook = std::move(onArm);
}

void fire(const ArmedCheck &check)
{
    if (check.context)
        QTimer::singleShot(0, check.context, check.check);
}

void runLast()
{
    if (armedChecks.empty() || !armedChecks.back().context)
        return;
    // A copy: the check may arm the next one, which can reallocate the list.
    const std::function<void()> check = armedChecks.back().check;
    check();
}

} // namespace CheckSchedule
