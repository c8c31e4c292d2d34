#pragma once
// The undo history of one editor document: one snapshot of the whole image per edit step, as an
// uncompressed BMP "$$Undo001.bmp", "$$Undo002.bmp", ... Every editor keeps its snapshots in a
// private folder that it creates inside the working folder ("Undo-" plus a unique suffix made
// by the file system), so two editors, in one process or in two, never touch each other's
// files, and the clean-up of one removes only its own. The folder holds a lock file
// "owner.lock" that its editor keeps locked while it lives, so that the folders of a program
// that was killed are told apart from those of one that runs and removed at the next start.

#include <QString>
#include <vector>

#include "engine/core/image.h"

namespace ximora::editor {

class UndoStore {
  public:
    /// Files: BMP snapshots on disk (the editor). Memory: copies in memory (the batch program,
    /// which may run many documents at once). CountOnly: counts steps, keeps nothing (a batch
    /// run whose commands never undo).
    enum class Kind { Files, Memory, CountOnly };
    /// The step count past which no snapshot is taken (a 16-bit counter).
    static constexpr int kLimit = 32767;

    UndoStore() = default;
    ~UndoStore();
    UndoStore(const UndoStore&) = delete;
    UndoStore& operator=(const UndoStore&) = delete;

    /// Binds the store to a working folder (ending in "/"); the private folder is made on the
    /// first snapshot.
    void setWorkFolder(const QString& folder, Kind kind = Kind::Files);
    QString workFolder() const { return workFolder_; }
    Kind kind() const { return kind_; }

    int count() const { return count_; }
    /// Forgets the history (the files stay for reuse until cleanUp).
    void reset() { count_ = 0; }

    enum class Push { Written, WriteFailed, Overflow };
    /// Counts one step and keeps `image` as its snapshot. Overflow at the limit: nothing
    /// changes. WriteFailed: the step is counted but its snapshot is missing (undo to it then
    /// does nothing); the engine's last error says why.
    Push push(const engine::Image& image);

    /// Loads the snapshot of the current step into `out`, with the palette transparency and the
    /// metadata blocks the picture had; false (nothing changed) when it does not exist. `path`
    /// receives the snapshot file (empty for memory snapshots).
    bool load(engine::Image& out, QString& path) const;
    /// Goes one step back (after a successful load).
    void pop() {
        if (count_ > 0) --count_;
    }

    /// The snapshot file of step k: private folder + "$$Undo" + k as "000" + ".bmp".
    QString snapshotName(int k) const;
    /// Deletes every "$$*.bmp" of this store's private folder and the folder; errors ignored.
    void cleanUp();

    /// Removes the private folders in `workFolder` whose editors are gone (their lock is free,
    /// or they have no lock file and are more than a minute old), never one that a running
    /// editor holds. Returns how many were removed.
    static int removeAbandonedFolders(const QString& workFolder);

  private:
    bool ensureFolder();

    QString workFolder_;
    QString privateFolder_;  // ends in "/"; empty until made
    Kind kind_ = Kind::Files;
    int count_ = 0;
    std::vector<engine::Image> memory_;  // memory_[k - 1] is step k
    // What a BMP snapshot cannot hold, kept in memory beside it: the palette with its
    // transparent entries, and the EXIF, XMP and ICC blocks. kept_[k - 1] is step k.
    struct Kept {
        std::vector<engine::Colour> palette;
        engine::Metadata metadata;
    };
    std::vector<Kept> kept_;
    int ownerLock_ = -1;  // the locked "owner.lock" of the private folder
};

}  // namespace ximora::editor
