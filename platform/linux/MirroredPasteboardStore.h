#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/linux/SystemClipboard.h"
#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// The shared pasteboard store with the general pasteboard mirrored on the desktop's clipboard,
// so the two are one clipboard for the user. Every other pasteboard passes straight through.
//
// Writing the general pasteboard stores the new contents and then takes the clipboard with
// them; when the desktop does not take them the write fails, so nobody reports it as done.
// Reading it gives what the clipboard's owner offers:
// - Watching (the long-running agent): a worker imports every copy made in another program
//   into the store as new contents (the change count moves) as soon as the desktop announces
//   it; reads wait, boundedly, for an announced copy to be imported. When the clipboard is left
//   without an owner (its program ended), the stored contents take it again, so what a
//   short-lived program copied stays on the clipboard.
// - Plain (every other program): a read asks a foreign owner for its contents and stores them
//   as new contents only when they differ from what is stored, so reading alone doesn't move
//   the change count.
// Contents owned by another of our processes are in the store already and are read from it.
//
// Where only the agent can reach the clipboard (a portal session is the agent's alone), the
// agent claims for the others: `claimForOthers` makes a Watching read take the clipboard with
// stored contents that another of our processes wrote and no clipboard holds yet.
class MirroredPasteboardStore : public PasteboardStore {
  public:
    enum class Mode { Plain, Watching };

    MirroredPasteboardStore(std::shared_ptr<PasteboardStore> files,
                            std::unique_ptr<SystemClipboard> clipboard, Mode mode,
                            bool claimForOthers = false);
    ~MirroredPasteboardStore() override;

    Result<Snapshot> read(const std::string& name) override;
    Result<int64_t> update(const std::string& name, const Editor& edit) override;
    Status release(const std::string& name) override;
    Result<std::string> makeUniqueName() override;

    SystemClipboard& clipboard() { return *clipboard_; }
    // Longest wait of a read for an announced copy to be imported.
    static constexpr std::chrono::milliseconds kImportWait{5000};

  private:
    static bool isGeneral(const std::string& name);
    void ownerChanged(SystemClipboard::Owner owner);
    // Plain mode: the foreign owner's contents into the store when they differ.
    void importIfChanged();
    // Takes the clipboard with the stored contents; an empty store only when `evenEmpty`.
    // False when the desktop did not take them. With claiming_ held.
    bool claimStored(bool evenEmpty);

    std::shared_ptr<PasteboardStore> files_;
    std::unique_ptr<SystemClipboard> clipboard_;
    Mode mode_;
    bool claimForOthers_;
    // Held from reading or writing the general pasteboard's contents to taking the clipboard
    // with them, and from checking a fetch's owner to storing what it gave, so the clipboard
    // and the store never end up with contents of different writes.
    std::mutex claiming_;
    // The change count of the general pasteboard's contents last taken from or given to the
    // clipboard; -1 before any.
    int64_t mirrored_ = -1;
};

}  // namespace platform
