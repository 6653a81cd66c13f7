// The POSIX store: a registry image file, read once when opened and written
// once, by atomic replace, on commit. Runs are serialised by an exclusive
// lock on "<image>.lock", held from before the read to after the rename.
#pragma once

#include <memory>
#include <string>

#include "platform/codepage.h"
#include "platform/store.h"

namespace kestrum {

// $KESTRUM_REGISTRY, else ${XDG_STATE_HOME:-$HOME/.local/state}/kestrum/registry.reg.
std::string imageFilePath();

// Locks and reads the image at `path`. Never null: when the image cannot be
// locked, read or parsed, firstFailure() says why and commit() writes nothing.
std::unique_ptr<Store> openImageFileStore(const std::string& path, const CodePage& codePage);

}  // namespace kestrum
