#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/x11/X11Clipboard.h"
#include "platform/pasteboard/PasteboardStore.h"

namespace platform {

// The shared pasteboard store with the general pasteboard mirrored on the X11 CLIPBOARD, so
// the two are one clipboard for the user. Every other pasteboard passes straight through.
//
// Writing the general pasteboard stores the new contents and then takes the CLIPBOARD with
// them. Reading it gives what the CLIPBOARD's owner offers:
// - Watching (the long-running agent): a worker imports every copy made in another program
//   into the store as new contents (the change count moves) as soon as the server announces
//   it; reads wait, boundedly, for an announced copy to be imported. When the clipboard is left
//   without an owner (its program ended), the stored contents take it again, so what a
//   short-lived program copied stays on the clipboard.
// - Plain (every other program): a read asks a foreign owner for its contents and stores them
//   as new contents only when they differ from what is stored, so reading alone doesn't move
//   the change count.
// Contents owned by another of our processes are in the store already and are read from it.
class X11PasteboardStore : public PasteboardStore {
  public:
    enum class Mode { Plain, Watching };

    // `files` mirrored on the display's clipboard; `files` itself when there is no display.
    static std::shared_ptr<PasteboardStore> mirror(std::shared_ptr<PasteboardStore> files,
                                                   Mode mode, X11Clipboard::Options options = {});
    // The same for a store just opened; an error passes through.
    static Result<std::shared_ptr<PasteboardStore>> wrap(
        Result<std::shared_ptr<FilePasteboardStore>> files, Mode mode,
        X11Clipboard::Options options = {});
    X11PasteboardStore(std::shared_ptr<PasteboardStore> files,
                       std::unique_ptr<X11Clipboard> clipboard, Mode mode);
    ~X11PasteboardStore() override;

    Result<Snapshot> read(const std::string& name) override;
    Result<int64_t> update(const std::string& name, const Editor& edit) override;
    Status release(const std::string& name) override;
    Result<std::string> makeUniqueName() override;

    X11Clipboard& clipboard() { return *clipboard_; }
    // Longest wait of a read for an announced copy to be imported.
    static constexpr std::chrono::milliseconds kImportWait{5000};

  private:
    static bool isGeneral(const std::string& name);
    void ownerChanged(X11Clipboard::Owner owner);
    // Plain mode: the foreign owner's contents into the store when they differ.
    void importIfChanged();
    // Takes the clipboard with the stored contents; an empty store only when `evenEmpty`.
    // With claiming_ held.
    void claimStored(bool evenEmpty);

    std::shared_ptr<PasteboardStore> files_;
    std::unique_ptr<X11Clipboard> clipboard_;
    Mode mode_;
    // Held from reading or writing the general pasteboard's contents to taking the clipboard
    // with them, and from checking a fetch's owner to storing what it gave, so the clipboard
    // and the store never end up with contents of different writes.
    std::mutex claiming_;
};

}  // namespace platform
