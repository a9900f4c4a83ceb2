// Holds the table mutex for a scope.
#pragma once

#include "runtime/table/shared_table.h"

namespace vkt::runtime {

class TableLock {
  public:
    explicit TableLock(SharedTable* table) : table_(table), held_(table->Lock()) {}
    ~TableLock() {
        if (held_) table_->Unlock();
    }
    TableLock(const TableLock&) = delete;
    TableLock& operator=(const TableLock&) = delete;
    bool Held() const { return held_; }

  private:
    SharedTable* table_;
    bool held_;
};

}  // namespace vkt::runtime
