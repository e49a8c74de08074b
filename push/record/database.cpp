#include "push/record/database.h"

namespace lc::push {

Transaction::~Transaction() {
  if (!open_) return;
  try {
    db_.execute("ROLLBACK");
  } catch (const DatabaseError&) {
    // A failed statement may have ended the transaction already, or the connection with it.
  }
}

void Transaction::commit() {
  db_.execute("COMMIT");
  open_ = false;
}

}  // namespace lc::push
