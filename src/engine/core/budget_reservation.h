#pragma once
// Work that runs side by side (thumbnails on worker threads, files in flight in a batch run)
// and holds whole pictures shares the memory budget: each piece of work sets aside what it
// expects to hold, and waits while the others leave too little of the budget for it.

#include <cstdint>

namespace ximora::engine {

class BudgetReservation {
  public:
    /// Sets aside `bytes`, first waiting until the other reservations and these fit the memory
    /// budget together. A reservation that would be alone never waits: its work checks the
    /// budget itself and fails with error 3 when it is too large. A thread holds one at a time
    /// (a second one could wait for the first).
    explicit BudgetReservation(uint64_t bytes);
    /// Gives the bytes back and wakes the work waiting for them.
    ~BudgetReservation();
    BudgetReservation(const BudgetReservation&) = delete;
    BudgetReservation& operator=(const BudgetReservation&) = delete;

    /// Bytes reserved by all reservations at this moment (for tests).
    static uint64_t reserved();

  private:
    uint64_t bytes_;
};

}  // namespace ximora::engine
