// The one path a change to an image file takes, for the window and bkdisk alike: read it
// (under the writers' lock), check it is the image the asker knows, make the change in
// memory, and write it back only when the change succeeded and the file is still the one
// read. The asker only answers questions and shows the outcome.
#pragma once

#include "ImageEdit.h"

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// How a change is asked for.
struct ChangeRequest {
    // The image's bytes as the asker shows them; the change is refused when the file
    // holds others (another program changed it). Empty: whatever it holds.
    std::span<const uint8_t> known;
    // The writers' lock is held from reading to writing (a command); otherwise it is taken
    // to read and again to write, and the asker's questions come in between (the window),
    // so a holder of the image is looked for before any is asked.
    bool lockFirst = false;
    // Whether an image with other names (hard links), which the change splits from them,
    // is to be changed: (the image's printable path, its names). None: it is not.
    std::function<bool(const std::string&, uint64_t)> breakLinks;
    // The asker shows the image afterwards (the window): the outcome carries it as it is
    // then, with its free space. A command that only writes is spared reading it again.
    bool shown = false;
    // The disk changed; `known` is that disk's bytes as the BK sees them.
    EditTarget target;
    // Whether a disk that is not empty is to be made blank, losing what it holds (asked
    // once the disk is read). None, or a No: the change is declined.
    std::function<bool()> blankOver;
};

// One step of a change: none when it succeeded, else why in words; `nameRefused` when the
// refusal is of a name, which another name may mend.
struct ChangeStep {
    std::optional<std::string> error;
    bool nameRefused = false;
};
// The change itself, on the disk in memory; it puts the names of what it added, made or
// renamed into `made`.
using DiskChange = std::function<ChangeStep(CDiskEditor& editor, std::vector<std::string>& made)>;

struct ChangeOutcome {
    enum class Kind {
        Written,
        NotOpened,        // the file cannot be read, or its disk changed (`madeReadOnly`)
        ChangedElsewhere, // another program changed it: `image` is what it holds now
        Declined,         // the asker said no
        Refused,          // the change itself failed: nothing was changed
        NotWritten,       // the new image could not take the old one's place
    };
    Kind kind = Kind::Written;
    std::string text; // why, in words, unless Written or Declined (or what the asker knew
                      // was changed)
    bool nameRefused = false;
    bool madeReadOnly = false;          // NotOpened because the file lost its write permission
    bool hardLinked = false;            // NotWritten because the image has other names
    std::unique_ptr<CDiskImage> image;  // Written, ChangedElsewhere, when shown: the image now
    std::optional<FreeSpace> freeSpace; // and its free space
    std::vector<std::string> made;
};

ChangeOutcome ChangeImageFile(const std::string& path, const ChangeRequest& request,
                              const DiskChange& change);

// The outcome of one of the editor's changes as a step: a refusal in words, naming
// `subject` (UTF-8); on success the entry's name goes into `made`.
ChangeStep StepOf(const EditResult& result, const CDiskEditor& editor, std::string_view subject,
                  bool directory, std::vector<std::string>& made);

// A directory of the name typed (UTF-8) in directory `dir`.
ChangeStep MakeTypedDirectory(CDiskEditor& editor, int dir, const std::string& typed,
                              std::vector<std::string>& made);
// Entry `index` under the name typed over its row (UTF-8): a name alone renames it, a
// path moves it (ResolveTypedName). A path to no directory is refused as a name.
ChangeStep MoveToTypedName(CDiskEditor& editor, int index, const std::string& typed,
                           std::vector<std::string>& made);

// An entry to remove, and how a refusal names it (UTF-8).
struct Doomed {
    DiskEntry entry;
    std::string subject;
};
// Each entry found again by what it is (an earlier removal may have moved it) and removed
// with all it holds when `recursive`; one taken with an earlier one is not found.
ChangeStep RemoveEntries(CDiskEditor& editor, const std::vector<Doomed>& doomed, bool recursive);
