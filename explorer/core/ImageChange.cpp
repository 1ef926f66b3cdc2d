#include "ImageChange.h"

#include "CatalogPath.h"
#include "Cp1251.h"
#include "HostNames.h"
#include "RavelkoStrings.h"

#include <algorithm>

using namespace ravelko;

namespace {

ChangeOutcome Outcome(ChangeOutcome::Kind kind, std::string text = {}) {
    ChangeOutcome outcome;
    outcome.kind = kind;
    outcome.text = std::move(text);
    return outcome;
}

// A save refused because another program changed the file shows the file as it is now.
ChangeOutcome SaveRefused(const std::string& path, CImageFileEdit::SaveRefusal refusal,
                          bool shown) {
    if (refusal.kind == hostfiles::ChangeFailure::Changed) {
        auto now = shown ? OpenDiskImage(path) : nullptr;
        if (!shown || now) {
            ChangeOutcome outcome =
                Outcome(ChangeOutcome::Kind::ChangedElsewhere, std::move(refusal.text));
            if (now)
                outcome.freeSpace = FloppyFreeSpace(*now);
            outcome.image = std::move(now);
            return outcome;
        }
    }
    ChangeOutcome outcome = Outcome(ChangeOutcome::Kind::NotWritten, std::move(refusal.text));
    outcome.hardLinked = refusal.kind == hostfiles::ChangeFailure::HardLinked;
    return outcome;
}

void ShowAsItIs(const CImageFileEdit& edit, const ChangeRequest& request, ChangeOutcome& outcome) {
    if (!request.shown)
        return;
    outcome.image = edit.Image();
    outcome.freeSpace = FreeSpaceOf(&edit.Editor());
}

} // namespace

ChangeOutcome ChangeImageFile(const std::string& path, const ChangeRequest& request,
                              const DiskChange& change) {
    using Kind = ChangeOutcome::Kind;
    std::string error;
    bool readOnly = false;
    auto edit = CImageFileEdit::Open(path, error, &readOnly, request.lockFirst, request.target);
    if (!edit) {
        ChangeOutcome outcome = Outcome(Kind::NotOpened, error);
        outcome.madeReadOnly = readOnly;
        return outcome;
    }
    if (!request.known.empty() && !edit->DiskWas(request.known)) {
        ChangeOutcome outcome = Outcome(Kind::ChangedElsewhere);
        ShowAsItIs(*edit, request, outcome);
        return outcome;
    }
    if (!request.lockFirst) {
        if (const auto held = HeldElsewhereText(path))
            return Outcome(Kind::NotWritten, *held);
    }
    // Without a question, the save refuses an image with other names and says why.
    const bool breakLinks = edit->Links() > 1 && request.breakLinks;
    if (breakLinks && !request.breakLinks(PrintableHostPath(path), edit->Links()))
        return Outcome(Kind::Declined);
    if (edit->BlankedOverContents() && !(request.blankOver && request.blankOver()))
        return Outcome(Kind::Declined);
    std::vector<std::string> made;
    if (const ChangeStep step = change(edit->Editor(), made); step.error) {
        ChangeOutcome outcome = Outcome(Kind::Refused, *step.error);
        outcome.nameRefused = step.nameRefused;
        return outcome;
    }
    if (auto refusal = edit->Save(breakLinks))
        return SaveRefused(path, std::move(*refusal), request.shown);
    ChangeOutcome outcome = Outcome(Kind::Written);
    ShowAsItIs(*edit, request, outcome);
    outcome.made = std::move(made);
    return outcome;
}

ChangeStep StepOf(const EditResult& result, const CDiskEditor& editor, std::string_view subject,
                  bool directory, std::vector<std::string>& made) {
    if (result.error != EditError::None)
        return {EditErrorText(result.error, subject, editor.Disk().GetFormatName(), directory),
                IsNameError(result.error)};
    if (result.index >= 0)
        made.push_back(editor.Disk().Entries()[static_cast<size_t>(result.index)].name);
    return {};
}

ChangeStep MakeTypedDirectory(CDiskEditor& editor, int dir, const std::string& typed,
                              std::vector<std::string>& made) {
    const auto stored = Utf8ToCp1251Exactly(typed);
    const EditResult result =
        stored ? editor.MakeDirectory(dir, *stored) : EditResult{EditError::NameBadCharacter};
    return StepOf(result, editor, typed, true, made);
}

ChangeStep MoveToTypedName(CDiskEditor& editor, int index, const std::string& typed,
                           std::vector<std::string>& made) {
    const DiskEntry entry = editor.Disk().Entries()[static_cast<size_t>(index)];
    const auto stored = Utf8ToCp1251Exactly(typed);
    const auto to = ResolveTypedName(editor.Disk(), entry.holdingDir, stored.value_or(""));
    const EditResult result =
        !stored   ? EditResult{EditError::NameBadCharacter}
        : !to.dir ? EditResult{EditError::NotFound}
                  : editor.Move(index, *to.dir, to.name.empty() ? entry.name : to.name);
    ChangeStep step = StepOf(result, editor, typed, entry.IsDirectory(), made);
    step.nameRefused = step.nameRefused || result.error == EditError::NotFound;
    return step;
}

ChangeStep RemoveEntries(CDiskEditor& editor, const std::vector<Doomed>& doomed, bool recursive) {
    std::vector<std::string> made;
    for (const Doomed& gone : doomed) {
        const DiskEntry* now = editor.FindAgain(gone.entry);
        const EditResult result =
            now ? editor.Remove(now->index, recursive) : EditResult{EditError::NotFound};
        if (result.error != EditError::None)
            return StepOf(result, editor, gone.subject, false, made);
    }
    return {};
}
