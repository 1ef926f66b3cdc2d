// One change of an image file: our writers take turns, and an image that another program
// holds open, that changed meanwhile, that has other names or whose link was re-pointed is
// left byte for byte as it was.
#include "CatalogPath.h"
#include "HostNames.h"
#include "ImageBuilders.h"
#include "ImageChange.h"
#include "RavelkoStrings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/xattr.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace testimg;
namespace fs = std::filesystem;
using hostfiles::ChangeFailure;

namespace {

// A blank MKDOS image in the folder; its path (UTF-8).
std::string BlankImage(const TempDir& dir, const std::string& name) {
    const std::string path = Utf8FromPath(dir.Path() / name);
    const auto formats = WritableFormats();
    const auto mkdos = std::find_if(formats.begin(), formats.end(), [](const FileSystemFormat* f) {
        return std::string_view(f->name) == "MKDOS";
    });
    EXPECT_FALSE(WriteBlankImage(path, **mkdos));
    return path;
}

// The image with one file more, as the window makes a change: read, changed, saved.
std::optional<CImageFileEdit::SaveRefusal> AddOne(const std::string& path, const std::string& name,
                                                  bool breakLinks = false) {
    std::string error;
    auto edit = CImageFileEdit::Open(path, error);
    EXPECT_TRUE(edit) << error;
    const std::vector<uint8_t> data = {1, 2, 3};
    EXPECT_EQ(edit->Editor().AddFile(0, name, 01000, data, false).error, EditError::None);
    return edit->Save(breakLinks);
}

} // namespace

TEST(ImageChange, OurWritersTakeTurnsAndWaitOnlySoLong) {
    TempDir dir;
    const fs::path image = PathFromUtf8(BlankImage(dir, "turns.img"));
    ChangeFailure failure;
    auto first = hostfiles::ReplaceableFile::Open(image, 1 << 20, true, kChangeLockWait, failure);
    ASSERT_TRUE(first);
    std::optional<hostfiles::ReplaceableFile> second;
    // Another thread: a Windows mutex lets its own thread in again.
    std::thread([&] {
        second = hostfiles::ReplaceableFile::Open(image, 1 << 20, true,
                                                  std::chrono::milliseconds(100), failure);
    }).join();
    EXPECT_FALSE(second);
    EXPECT_EQ(failure.kind, ChangeFailure::Locked);
    first.reset();
    std::thread([&] {
        second = hostfiles::ReplaceableFile::Open(image, 1 << 20, true,
                                                  std::chrono::milliseconds(100), failure);
    }).join();
    EXPECT_TRUE(second);
}

TEST(ImageChange, AnImageChangedHeldOrLinkedMeanwhileIsLeftAsItWas) {
    TempDir dir;
    const std::string image = BlankImage(dir, "held.img");
    std::string error;
    auto edit = CImageFileEdit::Open(image, error);
    ASSERT_TRUE(edit);
    ASSERT_EQ(edit->Editor().AddFile(0, "NEW", 01000, std::vector<uint8_t>{7}, false).error,
              EditError::None);

    // Another program, with the image inserted: the emulator's words, whatever the host.
    auto before = ReadAll(PathFromUtf8(image));
    {
        std::fstream emulator(PathFromUtf8(image), std::ios::in | std::ios::out | std::ios::binary);
        const auto refusal = edit->Save();
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->text, PrintableHostPath(image) +
                                     " is open in another program: take the disk out of the "
                                     "emulator first. Nothing was changed.");
        EXPECT_EQ(ReadAll(PathFromUtf8(image)), before);
    }
    // A byte written in place by another program meanwhile.
    {
        std::fstream other(PathFromUtf8(image), std::ios::in | std::ios::out | std::ios::binary);
        other.seekp(01000);
        other.put('\x55');
    }
    before = ReadAll(PathFromUtf8(image));
    const auto changed = edit->Save();
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->kind, ChangeFailure::Changed);
    EXPECT_EQ(ReadAll(PathFromUtf8(image)), before);

    // A second name: kept unless the user says otherwise, and then it keeps the old disk.
    const fs::path other = dir.Path() / "other.img";
    fs::create_hard_link(PathFromUtf8(image), other);
    const auto linked = AddOne(image, "A");
    ASSERT_TRUE(linked);
    EXPECT_EQ(linked->text, PrintableHostPath(image) +
                                " has 2 names (hard links): a change under this one would "
                                "leave the others with the disk as it was. Nothing was changed.");
    EXPECT_EQ(ReadAll(PathFromUtf8(image)), before);
    EXPECT_FALSE(AddOne(image, "A", true));
    EXPECT_EQ(ReadAll(other), before);
    EXPECT_NE(ReadAll(PathFromUtf8(image)), before);
}

// The one path of a change, as the window and bkdisk take it: what it made is written and
// named; a refused name, a disk changed since it was shown, and a No to splitting hard
// links each leave the file as it was and say which it was.
TEST(ImageChange, EveryOutcomeOfTheOnePath) {
    using Kind = ChangeOutcome::Kind;
    TempDir dir;
    const std::string image = BlankImage(dir, "path.img");
    const auto makeDir = [](const std::string& name) {
        return [name](CDiskEditor& editor, std::vector<std::string>& made) {
            return MakeTypedDirectory(editor, 0, name, made);
        };
    };
    // A command that only writes gets no image read back.
    const ChangeOutcome quiet = ChangeImageFile(image, {}, makeDir("QUIET"));
    EXPECT_EQ(quiet.kind, Kind::Written);
    EXPECT_FALSE(quiet.image);
    // A hard disk, with its header or without, is changed only on a logical disk named.
    const Bytes hardDisk = HardDiskOf({MicroDosBuilder(true).Image()});
    for (const Bytes& disk : {hardDisk, Bytes(hardDisk.begin() + 512, hardDisk.end())}) {
        const ChangeOutcome refusal = ChangeImageFile(dir.Write("hd.img", disk), {}, makeDir("X"));
        EXPECT_EQ(refusal.kind, Kind::NotOpened);
        EXPECT_NE(refusal.text.find("is a hard disk"), std::string::npos) << refusal.text;
    }
    const auto shown = ReadAll(PathFromUtf8(image));
    ChangeOutcome done = ChangeImageFile(image, {shown, false, {}, true, {}, {}}, makeDir("ИГРЫ"));
    ASSERT_EQ(done.kind, Kind::Written) << done.text;
    EXPECT_EQ(done.made, (std::vector<std::string>{"\xC8\xc3\xd0\xdb"}));
    const auto written = ReadAll(PathFromUtf8(image));
    EXPECT_EQ(written, std::vector<uint8_t>(done.image->FloppyBytes().begin(),
                                            done.image->FloppyBytes().end()));

    const ChangeOutcome refused = ChangeImageFile(image, {}, makeDir("игры"));
    EXPECT_EQ(refused.kind, Kind::Refused);
    EXPECT_TRUE(refused.nameRefused);
    EXPECT_EQ(refused.text.find("игры: "), 0u) << refused.text;

    const ChangeOutcome stale =
        ChangeImageFile(image, {shown, false, {}, true, {}, {}}, makeDir("NEW"));
    EXPECT_EQ(stale.kind, Kind::ChangedElsewhere);
    EXPECT_TRUE(stale.image && stale.image->FloppyBytes().size() == written.size());

    fs::create_hard_link(PathFromUtf8(image), dir.Path() / "twin.img");
    uint64_t names = 0;
    ChangeRequest ask{{},
                      false,
                      [&](const std::string&, uint64_t links) {
                          names = links;
                          return false;
                      },
                      false,
                      {},
                      {}};
    EXPECT_EQ(ChangeImageFile(image, ask, makeDir("NEW")).kind, Kind::Declined);
    EXPECT_EQ(names, 2u);
    const ChangeOutcome unasked = ChangeImageFile(image, {}, makeDir("NEW"));
    EXPECT_EQ(unasked.kind, Kind::NotWritten);
    EXPECT_TRUE(unasked.hardLinked);
    EXPECT_EQ(ReadAll(PathFromUtf8(image)), written);

    // Opened for changes where the file may be written, else only read, with the reason.
    EXPECT_FALSE(OpenImageForChanges(image).readOnly);
    fs::permissions(PathFromUtf8(image), fs::perms::all, fs::perm_options::remove);
    fs::permissions(PathFromUtf8(image), fs::perms::owner_read, fs::perm_options::add);
    const OpenedImage readOnly = OpenImageForChanges(image);
    ASSERT_TRUE(readOnly.image);
    EXPECT_EQ(readOnly.readOnly, "The image file is read-only.");
    fs::permissions(PathFromUtf8(image), fs::perms::owner_write, fs::perm_options::add);
}

#ifndef _WIN32
// A link is followed once, when the image is read: re-pointed before the replace, the
// change is refused and neither file is touched; otherwise its target is replaced and the
// link stays a link.
TEST(ImageChange, ALinkIsFollowedOnceAndNeverRePointed) {
    TempDir dir;
    const std::string image = BlankImage(dir, "target.img");
    const std::string bystander = dir.Write("notes.txt", {'k', 'e', 'e', 'p'});
    const fs::path link = dir.Path() / "link.img";
    fs::create_symlink(PathFromUtf8(image), link);
    const auto before = ReadAll(PathFromUtf8(image));
    hostfiles::ReplaceableFile::SetReplaceSeam([&] {
        fs::remove(link);
        fs::create_symlink(PathFromUtf8(bystander), link);
    });
    const auto refusal = AddOne(Utf8FromPath(link), "A");
    hostfiles::ReplaceableFile::SetReplaceSeam(nullptr);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->kind, ChangeFailure::Changed);
    EXPECT_EQ(ReadAll(PathFromUtf8(bystander)), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(ReadAll(PathFromUtf8(image)), before);

    fs::remove(link);
    fs::create_symlink(PathFromUtf8(image), link);
    EXPECT_FALSE(AddOne(Utf8FromPath(link), "A"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(ReadAll(PathFromUtf8(image)), before);
}

// What the file was is what it stays: owner and group (when root changes another user's
// image), every mode bit, extended attributes.
TEST(ImageChange, OwnerModeAndAttributesAreKept) {
    TempDir dir;
    const std::string image = BlankImage(dir, "owned.img");
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(image.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(image.c_str(), root ? 06660 : 0660), 0);
    const bool attributes = setxattr(image.c_str(), "user.bk.note", "kept", 4, 0) == 0;
    EXPECT_FALSE(AddOne(image, "A"));
    struct stat info {};
    ASSERT_EQ(stat(image.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, root ? 06660u : 0660u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
    }
    char value[8] = {};
    EXPECT_EQ(attributes ? getxattr(image.c_str(), "user.bk.note", value, sizeof value) : 4, 4);
    EXPECT_STREQ(attributes ? value : "kept", "kept");
}
#endif

// A host file is a .bin file only when its name says so and its header's length fits;
// any other file goes whole, whatever its first four bytes happen to be.
// A hard disk's logical disk is written in place: what another writer put on another disk
// meanwhile stays, a change to the disk itself refuses the write, and a run killed halfway
// through the write is undone (or kept, when it had ended) by the next that opens the image.
TEST(ImageChange, HardDisksArePatchedInPlaceAndAKilledPatchIsUndone) {
    TempDir dir;
    const Bytes original = HardDiskOf({BlankDisk(FormatMkDos), BlankDisk(FormatAndos)});
    const std::string image = dir.Write("hd.hdi", original);
    const fs::path undo = dir.Path() / ".hd.hdi.bk-undo";
    const ChangeRequest request{{}, true, {}, false, {1, nullptr}, {}};
    const auto add = [](std::string name) {
        return [name](CDiskEditor& editor, std::vector<std::string>& made) {
            return StepOf(editor.AddFile(editor.Disk().RootDir(), name, 01000, Filled(3000), false),
                          editor, name, false, made);
        };
    };
    const auto poke = [&](size_t offset, uint8_t value) {
        std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(static_cast<std::streamoff>(offset));
        file.put(static_cast<char>(value));
    };
    const auto hardDisk = OpenDiskImage(image);
    ASSERT_TRUE(hardDisk && hardDisk->HardDisk());
    const auto disks = hardDisk->HardDisk()->disks;
    const size_t disk0 = static_cast<size_t>(disks[0].offset),
                 disk1 = static_cast<size_t>(disks[1].offset);

    hostfiles::ReplaceableFile::SetReplaceSeam([&] { poke(disk0 + 5000, 0x42); });
    ASSERT_EQ(ChangeImageFile(image, request, add("A")).kind, ChangeOutcome::Kind::Written);
    hostfiles::ReplaceableFile::SetReplaceSeam([&] { poke(disk1 + 5000, 0x42); });
    EXPECT_EQ(ChangeImageFile(image, request, add("B")).kind,
              ChangeOutcome::Kind::ChangedElsewhere);
    hostfiles::ReplaceableFile::SetReplaceSeam(nullptr);
    const auto written = ReadAll(image);
    EXPECT_EQ(written[disk0 + 5000], 0x42);
    EXPECT_EQ(written[disk1 + 5000], 0x42);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + static_cast<long>(disk1),
                           written.begin(),
                           [&](uint8_t a, uint8_t b) { return a == b || b == 0x42; }));
    EXPECT_FALSE(fs::exists(undo));
#ifndef _WIN32
    dir.Write("hd.hdi", original);
    // Killed with the journal written and half the disk: the next opening puts it back.
    if (const pid_t child = fork(); child == 0) {
        hostfiles::ReplaceableFile::SetPatchSeam([&] {
            std::fstream file(image, std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(static_cast<std::streamoff>(disk1));
            file.write(std::string(static_cast<size_t>(disks[1].size / 2), 'X').data(),
                       disks[1].size / 2);
            file.flush();
            _exit(9);
        });
        ChangeImageFile(image, request, add("C"));
        _exit(0);
    } else {
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_EQ(WEXITSTATUS(status), 9);
    }
    ASSERT_TRUE(fs::exists(undo));
    const Bytes journal = ReadAll(undo);
    EXPECT_NE(ReadAll(image), original);
    FinishInterruptedChange(image);
    EXPECT_EQ(ReadAll(image), original);
    EXPECT_FALSE(fs::exists(undo));
    // Killed once the disk was written, before the journal went: the change stays.
    ASSERT_EQ(ChangeImageFile(image, request, add("C")).kind, ChangeOutcome::Kind::Written);
    const auto changed = ReadAll(image);
    dir.Write(".hd.hdi.bk-undo", journal);
    FinishInterruptedChange(image);
    EXPECT_EQ(ReadAll(image), changed);
    EXPECT_FALSE(fs::exists(undo));
#endif
}

TEST(ParseDiskSizes, CountsOfSizesInKOrM) {
    const long long k800 = 800 * 1024;
    EXPECT_EQ(ParseDiskSizes("2x800K,1X16m"), (std::vector<long long>{k800, k800, 16 << 20}));
    EXPECT_EQ(ParseDiskSizes("800"), (std::vector<long long>{k800}));
    for (const char* bad : {"", "abc", "4x", "x800K", "4x800G", "4x800K,", "-1x800K", "123456K"})
        EXPECT_FALSE(ParseDiskSizes(bad)) << bad;
    // However many are asked for, no more are listed than it takes to refuse them.
    const auto many = ParseDiskSizes("99999x1K,99999x1K");
    ASSERT_TRUE(many);
    EXPECT_EQ(many->size(), static_cast<size_t>(kMaxLogicalDisks) + 1);
}

TEST(FileToAdd, OnlyFilesNamedBinLoseTheirHeader) {
    const std::vector<uint8_t> headed = {0, 2, 2, 0, 'h', 'i'}; // at 0o1000, 2 bytes
    const auto bin = FileToAddFrom("GAME.Bin", headed, kDefaultLoadAddress);
    EXPECT_EQ(bin.name, "GAME");
    EXPECT_EQ(bin.address, 01000);
    EXPECT_EQ(bin.data, (std::vector<uint8_t>{'h', 'i'}));
    for (const auto& [name, data] :
         {std::pair{"GAME", headed}, std::pair{"ZERO", std::vector<uint8_t>(4)},
          std::pair{"SHORT.BIN", std::vector<uint8_t>{0, 2, 9, 0}}}) {
        const auto whole = FileToAddFrom(name, data, 02000);
        EXPECT_EQ(whole.name, name);
        EXPECT_EQ(whole.address, 02000) << name;
        EXPECT_EQ(whole.data, data) << name;
    }
}

// A file the disk has no room for says how large it is and how much room is left.
TEST(AddHostFiles, AFullDiskSaysWhatTheFileNeedsAndWhatIsFree) {
    TempDir dir;
    std::string error;
    auto edit = CImageFileEdit::Open(BlankImage(dir, "full.img"), error);
    ASSERT_TRUE(edit);
    std::vector<std::string> files;
    for (int i = 0; i < 13; ++i) // 13 x 64,000 bytes: 1,625 blocks on a disk of 1,580
        files.push_back(dir.Write("F" + std::to_string(i), std::vector<uint8_t>(64000, 1)));
    const auto why = AddHostFiles(edit->Editor(), 0, files, kDefaultLoadAddress, {});
    ASSERT_TRUE(why);
    EXPECT_EQ(*why, PrintableHostPath(files[12]) +
                        ": the disk is full: the file takes 64000 bytes, and 40960 are free.");
}

// A folder goes on as a directory with all it holds, folders inside too, when folders are
// asked for (else it is refused as no file); a directory of its name already there takes
// its entries. A link is never followed: a folder that holds one is refused whole.
TEST(AddHostFiles, FoldersGoOnAsDirectoriesWithAllTheyHold) {
    TempDir dir;
    std::string error;
    auto edit = CImageFileEdit::Open(BlankImage(dir, "tree.img"), error);
    ASSERT_TRUE(edit);
    CDiskEditor& editor = edit->Editor();
    for (const char* folder : {"GAMES", "GAMES/SUB", "MORE", "MORE/GAMES"})
        fs::create_directory(dir.Path() / folder);
    dir.Write("GAMES/A.TXT", {'a'});
    dir.Write("GAMES/SUB/PROG.bin", {0x00, 0x02, 0x01, 0x00, 'p'}); // at 01000, one byte
    dir.Write("MORE/GAMES/D.TXT", {'d'});
    const auto paths = [&] {
        std::vector<std::string> found;
        for (const DiskEntry& entry : editor.Disk().Entries()) {
            std::string path = entry.name;
            for (int up = entry.holdingDir; up != editor.Disk().RootDir();) {
                const auto holder = std::find_if(
                    editor.Disk().Entries().begin(), editor.Disk().Entries().end(),
                    [&](const DiskEntry& e) { return e.IsDirectory() && e.ownDir == up; });
                path = holder->name + "/" + path;
                up = holder->holdingDir;
            }
            found.push_back(path + (entry.IsDirectory() ? "/" : ""));
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::string games = Utf8FromPath(dir.Path() / "GAMES");
    const auto noFolders = AddHostFiles(editor, 0, {games}, kDefaultLoadAddress, {});
    ASSERT_TRUE(noFolders);
    EXPECT_NE(noFolders->find("add -r"), std::string::npos) << *noFolders;
    AddControl folders;
    folders.folders = true;
    std::vector<size_t> totals;
    folders.progress = [&](size_t, size_t total) { return totals.push_back(total), true; };
    std::vector<std::string> added;
    EXPECT_EQ(AddHostFiles(editor, 0, {games}, kDefaultLoadAddress, folders, &added), std::nullopt);
    EXPECT_EQ(added, std::vector<std::string>{"GAMES"});
    EXPECT_EQ(totals, (std::vector<size_t>{2, 2}));
    EXPECT_EQ(AddHostFiles(editor, 0, {Utf8FromPath(dir.Path() / "MORE" / "GAMES")},
                           kDefaultLoadAddress, folders),
              std::nullopt);
    EXPECT_EQ(paths(), (std::vector<std::string>{"GAMES/", "GAMES/A.TXT", "GAMES/D.TXT",
                                                 "GAMES/SUB/", "GAMES/SUB/PROG"}));

    // A link to a file out of the folder, or to a folder, is never followed.
    const std::string outside = dir.Write("SECRET", {'s'});
    for (const std::string link : {"OUT", "LOOP"}) {
        const fs::path at = dir.Path() / "MORE" / link;
        std::error_code noLinks; // Wine makes none
        if (link == "OUT")
            fs::create_symlink(PathFromUtf8(outside), at, noLinks);
        else
            fs::create_directory_symlink(dir.Path() / "GAMES", at, noLinks);
        if (noLinks)
            return;
        auto fresh = CImageFileEdit::Open(Utf8FromPath(dir.Path() / "tree.img"), error);
        ASSERT_TRUE(fresh); // a refused add leaves its editor part-way: the caller drops it
        const auto refused = AddHostFiles(fresh->Editor(), 0, {Utf8FromPath(dir.Path() / "MORE")},
                                          kDefaultLoadAddress, folders);
        ASSERT_TRUE(refused) << link;
        EXPECT_NE(refused->find(link + " is a symbolic link"), std::string::npos) << *refused;
        fs::remove(at);
    }
}
