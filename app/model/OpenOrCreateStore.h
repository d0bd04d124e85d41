#pragma once

#include "core/store/DiskStore.h"
#include "core/store/KeyVault.h"

namespace snipstack {

// The live store under `layout`, opened with its key from the vault; or, when there is none (no
// pointer, an unreadable manifest, or a key that has vanished), a new empty store with a new key,
// made live. A current store whose key is gone is wiped first. Throws what opening or creating
// throws; a new store whose key or pointer could not be written is wiped and its key deleted.
// Touches no model state, so it may run on a worker thread.
DiskStore openOrCreateStore(const StoreLayout& layout, KeyVault& vault, Cipher cipher, bool requireAuth,
                            Date now);

} // namespace snipstack
