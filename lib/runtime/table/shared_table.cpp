// Opening the shared table: the table memory, then the mutex. Every failure closes what was
// opened and removes a table name this call created that nobody would initialise.
#include "runtime/table/shared_table.h"

#include <memory>
#include <new>

namespace vkt::runtime {

SharedTable* SharedTable::Open(bool* created) {
    *created = false;
    std::unique_ptr<SharedTable> table(new (std::nothrow) SharedTable);
    if (table == nullptr) return nullptr;
    if (!table->memory_.Open("Tabla", kTableSize)) return nullptr;
    if (!table->mutex_.Open()) {
        table->memory_.RemoveName();
        return nullptr;
    }
    table->slot_ = static_cast<SessionSlot*>(table->memory_.View());
    *created = table->memory_.Created();
    return table.release();
}

}  // namespace vkt::runtime
