#include "engine/core/budget_reservation.h"

#include <condition_variable>
#include <mutex>

#include "engine/core/memory_budget.h"

namespace ximora::engine {
namespace {

std::mutex gMutex;
std::condition_variable gReleased;
uint64_t gReserved = 0;

}  // namespace

BudgetReservation::BudgetReservation(uint64_t bytes) : bytes_(bytes) {
    std::unique_lock lock(gMutex);
    gReleased.wait(lock, [&] { return gReserved == 0 || gReserved + bytes_ <= memoryLimit(); });
    gReserved += bytes_;
}

BudgetReservation::~BudgetReservation() {
    {
        const std::lock_guard lock(gMutex);
        gReserved -= bytes_;
    }
    gReleased.notify_all();
}

uint64_t BudgetReservation::reserved() {
    const std::lock_guard lock(gMutex);
    return gReserved;
}

}  // namespace ximora::engine
