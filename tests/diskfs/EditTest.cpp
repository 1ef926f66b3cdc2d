// Changes to disks, checked by the tests' own readers: random sequences of changes to the
// real disks and to blank ones, each step compared with a model of what the disk must
// hold (every old file byte for byte, every new one as added, free space accounted for);
// and the refusals, which must leave every byte as it was.
#include "Cp1251.h"
#include "DiskEditor.h"
#include "ImageBuilders.h"
#include "ImageChange.h"
#include "OwnReaders.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>

#include <random>

namespace fs = std::filesystem;

namespace {

const fs::path kImages = BK_SHARED_IMAGES;

own::Disk ReadOwn(const CDiskEditor& editor) {
    return own::ReadAny(editor.Bytes());
}

// What the tests know of each writable format beyond its row: a new row needs a line here
// (and a reader in OwnReaders), and every test over the table then covers it.
struct FormatFacts {
    ImageFormat id;
    int catalogEntries; // empty files a blank disk's catalog takes
    bool onePiece;      // a file takes one run of blocks
};
constexpr FormatFacts kFacts[] = {
    {FormatMicroDos, 172, true},
    {FormatMkDos, 172, true},
    {FormatAndos, 112, false},
    {FormatCsidos, 199, true}, // 200 records, one of them the hole
};

FormatFacts FactsOf(const FileSystemFormat& format) {
    for (const FormatFacts& facts : kFacts) {
        if (facts.id == format.id)
            return facts;
    }
    ADD_FAILURE() << format.name << " has no facts in the tests";
    return {format.id, 0, false};
}

// The entry at a path of folded names, looked up in the disk the editor reads.
const DiskEntry* EntryAt(const CDiskEditor& editor, const std::string& path) {
    const CFileSystem& disk = editor.Disk();
    int dir = disk.RootDir();
    const DiskEntry* found = nullptr;
    size_t from = 0;
    while (from <= path.size()) {
        const size_t slash = std::min(path.find('/', from), path.size());
        const std::string name = path.substr(from, slash - from);
        found = nullptr;
        for (const int i : disk.Contents(dir)) {
            const DiskEntry& entry = disk.Entries()[static_cast<size_t>(i)];
            if (!entry.deleted && FoldName(entry.name) == name)
                found = &entry;
        }
        if (!found)
            return nullptr;
        dir = found->ownDir;
        from = slash + 1;
    }
    return found;
}

int DirNumber(const CDiskEditor& editor, const std::string& path) {
    if (path.empty())
        return editor.Disk().RootDir();
    const DiskEntry* entry = EntryAt(editor, path);
    return entry ? entry->ownDir : -1;
}

std::string Parent(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string Join(const std::string& dir, const std::string& name) {
    return dir.empty() ? name : dir + "/" + name;
}

// A disk, the model of what it holds, and random changes checked step by step: on the
// editor in memory, or on one logical disk of a hard-disk image file through the image
// transaction, every other byte of the file checked unchanged after each.
class Session {
public:
    Session(std::string label, std::string hardDisk, int disk, uint32_t seed)
        : Session(std::move(label), DiskOf(hardDisk, disk), true, seed) {
        m_hardDisk = std::move(hardDisk);
        m_disk = disk;
    }
    Session(std::string label, std::vector<uint8_t> bytes, bool blank, uint32_t seed)
        : m_label(std::move(label)), m_blank(blank), m_random(seed) {
        m_editor = EditDisk(std::move(bytes));
        if (!m_editor)
            return;
        m_model = ReadOwn(*m_editor);
        m_andos = m_editor->Disk().GetFormatName() == "ANDOS";
        m_unit = m_andos ? 2048 : 512;
    }

    bool Opened() const { return m_editor != nullptr; }
    const own::Disk& Model() const { return m_model; }
    int Made() const { return m_made; }

    void Run(int steps) {
        for (int step = 0; step < steps && !::testing::Test::HasFailure(); ++step) {
            m_step = step;
            m_kind = Pick(6);
            switch (m_kind) {
            case 0:
            case 1:
                AddNew();
                break;
            case 2:
                Replace();
                break;
            case 3:
                MakeDirectory();
                break;
            case 4:
                RemoveSomething();
                break;
            default:
                MoveSomething();
            }
        }
    }

private:
    static std::vector<uint8_t> DiskOf(const std::string& hardDisk, int disk) {
        const auto disks = own::ReadHardDisk(testimg::ReadAll(hardDisk));
        return disks.size() > static_cast<size_t>(disk) ? disks[static_cast<size_t>(disk)].bytes
                                                        : std::vector<uint8_t>();
    }

    EditResult Apply(const std::function<EditResult(CDiskEditor&)>& change) {
        if (m_hardDisk.empty())
            return change(*m_editor);
        EditResult result;
        const auto before = testimg::ReadAll(m_hardDisk);
        const ChangeRequest request{{}, true, {}, false, {m_disk, nullptr}, {}};
        const auto outcome = ChangeImageFile(m_hardDisk, request, [&](CDiskEditor& editor, auto&) {
            result = change(editor);
            return ChangeStep{result.error == EditError::None ? std::nullopt
                                                              : std::optional<std::string>("")};
        });
        EXPECT_TRUE(
            outcome.kind == ChangeOutcome::Kind::Written ||
            (outcome.kind == ChangeOutcome::Kind::Refused && result.error != EditError::None))
            << Where() << outcome.text;
        const auto after = testimg::ReadAll(m_hardDisk);
        const auto disks = own::ReadHardDisk(after);
        EXPECT_EQ(after.size(), before.size()) << Where();
        if (disks.size() <= static_cast<size_t>(m_disk) || after.size() != before.size()) {
            ADD_FAILURE() << Where() << " the image's table no longer reads";
            return result;
        }
        const own::LogicalDisk& changed = disks[static_cast<size_t>(m_disk)];
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + changed.offset, after.begin()) &&
                    std::equal(before.begin() + changed.offset + changed.size, before.end(),
                               after.begin() + changed.offset + changed.size))
            << Where() << " changed bytes outside its logical disk";
        m_editor = EditDisk(changed.bytes);
        return result;
    }

    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    std::string Letters(int most) {
        static const std::string alphabet = "ABCDEFGHKXYZ0123456789_-\xC6\xD9\xDF"; // Ж Щ Я
        std::string name;
        for (int i = Pick(most) + 1; i > 0; --i)
            name += alphabet[static_cast<size_t>(Pick(static_cast<int>(alphabet.size())))];
        return name;
    }
    std::string FileName() { return Pick(3) ? Letters(8) + "." + Letters(3) : Letters(8); }

    std::vector<uint8_t> Data() {
        const int kind = Pick(10); // now and then empty, now and then the longest
        const int most = kind == 0 ? 0 : kind == 1 ? (m_andos ? 90000 : 65535) : 6000;
        std::vector<uint8_t> data(static_cast<size_t>(Pick(most + 1)));
        for (auto& b : data)
            b = static_cast<uint8_t>(m_random());
        return data;
    }

    std::string RandomDir() {
        std::vector<std::string> dirs{""};
        dirs.insert(dirs.end(), m_model.dirs.begin(), m_model.dirs.end());
        return dirs[static_cast<size_t>(Pick(static_cast<int>(dirs.size())))];
    }

    std::string RandomPath(bool withDirs) {
        std::vector<std::string> paths;
        for (const auto& [path, file] : m_model.files)
            paths.push_back(path);
        if (withDirs)
            paths.insert(paths.end(), m_model.dirs.begin(), m_model.dirs.end());
        std::erase_if(paths, [](const std::string& path) { return path.starts_with("<lost>/"); });
        return paths.empty() ? ""
                             : paths[static_cast<size_t>(Pick(static_cast<int>(paths.size())))];
    }

    bool Taken(const std::string& path) const {
        return m_model.files.count(path) || m_model.dirs.count(path);
    }

    long long Units(size_t bytes) const {
        return (static_cast<long long>(bytes) + m_unit - 1) / m_unit * m_unit;
    }

    // A small new entry on a blank disk with room to spare must go in.
    bool MustFit(size_t bytes) const {
        return m_blank && m_model.files.size() + m_model.dirs.size() < 60 &&
               m_model.freeBytes > Units(bytes) + 4 * m_unit;
    }

    std::string Where() const {
        return m_label + " step " + std::to_string(m_step) + " change " + std::to_string(m_kind);
    }

    // A refused change leaves every byte; a made one gives the model's disk.
    void Check(const EditResult& result, const std::vector<uint8_t>& before, bool mustSucceed,
               const own::Disk& expected) {
        if (result.error != EditError::None) {
            EXPECT_FALSE(mustSucceed) << Where() << " refused " << static_cast<int>(result.error);
            EXPECT_TRUE(m_editor->Bytes() == before) << Where();
            return;
        }
        const own::Disk now = ReadOwn(*m_editor);
        EXPECT_EQ(now.problem, "") << Where();
        EXPECT_EQ(now.files.size(), expected.files.size()) << Where();
        EXPECT_TRUE(now.files == expected.files) << Where() << " first differing: " << [&] {
            for (const auto& [path, file] : expected.files) {
                if (!now.files.count(path) || !(now.files.at(path) == file))
                    return path;
            }
            return std::string();
        }();
        EXPECT_EQ(now.dirs, expected.dirs) << Where();
        EXPECT_EQ(now.freeBytes, expected.freeBytes) << Where();
        // A real disk's file may read past its blocks: the blocks it reads are never given
        // to a new file, though the catalog calls them free.
        if (m_blank)
            EXPECT_EQ(m_editor->FreeBytes(), now.freeBytes) << Where();
        else
            EXPECT_LE(m_editor->FreeBytes(), now.freeBytes) << Where();
        ExpectReaderAgrees(now);
        ExpectDeletedKept(before);
        m_model = now;
        ++m_made;
    }

    // Every deleted entry the reader still gives out after a change holds what an entry
    // of its name held before it: a deleted one, or the live file the change removed. (A
    // nameless one that gives nothing is a hole.)
    void ExpectDeletedKept(const std::vector<uint8_t>& before) const {
        std::vector<std::pair<std::string, std::vector<uint8_t>>> held;
        std::vector<uint8_t> data;
        const auto was = DetectFileSystem(before)->Open(before);
        for (const DiskEntry& entry : was->Entries()) {
            if (entry.kind == DiskEntry::Kind::File && was->Read(entry, data) == ReadFault::None)
                held.emplace_back(entry.name, data);
        }
        for (const DiskEntry& entry : m_editor->Disk().Entries()) {
            if (!entry.deleted || entry.kind != DiskEntry::Kind::File ||
                m_editor->Disk().Read(entry, data) != ReadFault::None ||
                (entry.name.empty() && data.empty())) // a hole left where a file went in
                continue;
            // ANDOS writes its deletion mark over the first letter.
            const bool lost = entry.name.starts_with(kLostLetter);
            EXPECT_TRUE(std::any_of(held.begin(), held.end(),
                                    [&](const auto& kept) {
                                        return kept.second == data &&
                                               (lost ? kept.first.size() == entry.name.size() &&
                                                           kept.first.substr(1) ==
                                                               entry.name.substr(1)
                                                     : kept.first == entry.name);
                                    }))
                << Where() << " deleted " << entry.name << " reads other bytes";
        }
    }

    // The reader under test gives every file as the tests' reader does (but for files
    // whose length runs past their blocks).
    void ExpectReaderAgrees(const own::Disk& disk) const {
        std::vector<uint8_t> data;
        for (const auto& [path, file] : disk.files) {
            if (path.starts_with("<lost>/"))
                continue; // the reader lists them under <N>
            const DiskEntry* entry = EntryAt(*m_editor, path);
            ASSERT_TRUE(entry) << Where() << " " << path;
            m_editor->Disk().Read(*entry, data);
            if (entry->length == file.data.size()) {
                EXPECT_TRUE(data == file.data && entry->address == file.address) << Where() << path;
            }
        }
    }

    void AddNew() {
        const std::string dir = RandomDir(), name = FileName();
        const auto data = Data();
        const auto address = static_cast<uint16_t>(Pick(2) ? 01000 : m_random());
        const std::string path = Join(dir, FoldName(name));
        own::Disk expected = m_model;
        expected.files[path] = {address, data, Units(data.size())};
        expected.freeBytes -= Units(data.size());
        const bool mustSucceed = !Taken(path) && MustFit(data.size()) && data.size() <= 65535 &&
                                 !(data.empty() && address == 0);
        const auto before = m_editor->Bytes();
        const int in = DirNumber(*m_editor, dir);
        const auto result = Apply(
            [&](CDiskEditor& editor) { return editor.AddFile(in, name, address, data, false); });
        if (result.error == EditError::None) {
            EXPECT_FALSE(Taken(path)) << Where() << " replaced without being asked";
        }
        Check(result, before, mustSucceed, expected);
    }

    void Replace() {
        const std::string path = RandomPath(false);
        if (path.empty())
            return;
        const auto data = Data();
        own::Disk expected = m_model;
        expected.freeBytes += m_model.files.at(path).allotted - Units(data.size());
        expected.files[path] = {01000, data, Units(data.size())};
        const auto before = m_editor->Bytes();
        const auto slash = path.rfind('/');
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        const int in = DirNumber(*m_editor, Parent(path));
        Check(
            Apply([&](CDiskEditor& editor) { return editor.AddFile(in, name, 01000, data, true); }),
            before, false, expected);
    }

    void MakeDirectory() {
        const std::string dir = RandomDir(), name = Letters(8);
        const std::string path = Join(dir, FoldName(name));
        own::Disk expected = m_model;
        expected.dirs.insert(path);
        const auto before = m_editor->Bytes();
        const int in = DirNumber(*m_editor, dir);
        Check(Apply([&](CDiskEditor& editor) { return editor.MakeDirectory(in, name); }), before,
              !Taken(path) && MustFit(0), expected);
    }

    void RemoveSomething() {
        const std::string path = RandomPath(true);
        const DiskEntry* entry = path.empty() ? nullptr : EntryAt(*m_editor, path);
        if (!entry)
            return;
        own::Disk expected = m_model;
        const auto inside = [&](const std::string& p) {
            return p == path || p.starts_with(path + "/");
        };
        std::erase_if(expected.files, [&](const auto& file) {
            if (inside(file.first))
                expected.freeBytes += file.second.allotted;
            return inside(file.first);
        });
        std::erase_if(expected.dirs, inside);
        const auto before = m_editor->Bytes();
        const int index = entry->index;
        Check(Apply([&](CDiskEditor& editor) { return editor.Remove(index, true); }), before, true,
              expected);
    }

    // A rename where it is, or a move into a directory: never a directory into itself.
    void MoveSomething() {
        const std::string path = RandomPath(true);
        const DiskEntry* entry = path.empty() ? nullptr : EntryAt(*m_editor, path);
        if (!entry)
            return;
        const bool dir = entry->IsDirectory();
        const std::string name = dir ? Letters(8) : FileName();
        const std::string to = Pick(2) ? Parent(path) : RandomDir();
        const bool intoItself = dir && (to == path || to.starts_with(path + "/"));
        const std::string renamed = Join(to, FoldName(name));
        own::Disk expected = m_model;
        const auto moved = [&](const std::string& p) {
            return p == path                   ? renamed
                   : p.starts_with(path + "/") ? renamed + p.substr(path.size())
                                               : p;
        };
        expected.files.clear();
        for (const auto& [p, file] : m_model.files)
            expected.files[moved(p)] = file;
        expected.dirs.clear();
        for (const auto& p : m_model.dirs)
            expected.dirs.insert(moved(p));
        const auto before = m_editor->Bytes();
        const int index = entry->index, in = DirNumber(*m_editor, to);
        const EditResult result = Apply([&](CDiskEditor& editor) {
            return to == Parent(path) ? editor.Rename(index, name) : editor.Move(index, in, name);
        });
        EXPECT_TRUE(!intoItself || result.error == EditError::IntoItself) << Where();
        Check(result, before, !Taken(renamed) && !intoItself, expected);
    }

    std::string m_label;
    std::string m_hardDisk; // empty: the disk is in memory only
    int m_disk = 0;
    bool m_blank;
    std::mt19937 m_random;
    std::unique_ptr<CDiskEditor> m_editor;
    own::Disk m_model;
    bool m_andos = false;
    long long m_unit = 512;
    int m_step = 0;
    int m_kind = 0;
    int m_made = 0;
};

} // namespace

TEST(EditProperty, RandomChangesToBlankDisksKeepEveryFileAndTheFreeSpace) {
    for (const FileSystemFormat* format : WritableFormats()) {
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            Session session(std::string("blank ") + format->name + " seed " + std::to_string(seed),
                            format->Blank(), true, seed);
            ASSERT_TRUE(session.Opened());
            EXPECT_EQ(session.Model().problem, "");
            session.Run(120);
            EXPECT_GT(session.Made(), 60);
        }
    }
}

// Each logical disk of a hard disk of three formats changed through the image file: the
// disk reads as the model says, and not one byte of the header, the table or another disk
// moves.
TEST(EditProperty, RandomChangesToLogicalDisksKeepEveryOtherByte) {
    testimg::TempDir dir;
    const std::string image =
        dir.Write("hd.hdi", testimg::HardDiskOf({testimg::BlankDisk(FormatMkDos),
                                                 testimg::BlankDisk(FormatAndos),
                                                 testimg::BlankDisk(FormatCsidos)}));
    for (int disk = 0; disk < 3; ++disk) {
        Session session("logical disk " + std::to_string(disk), image, disk, 7);
        ASSERT_TRUE(session.Opened());
        session.Run(50);
        EXPECT_GT(session.Made(), 20);
    }
}

// The real disks first agree with the rules the tests' readers check (the header counts
// of the MicroDOS family, ANDOS's equal FAT copies), then keep them through the changes.
TEST(EditProperty, RandomChangesToRealDisksKeepEveryOldFile) {
    if (!fs::exists(kImages))
        GTEST_SKIP() << "no real images at " << kImages;
    for (const char* name : {"mk_dos.img", "AODOS210.bkd", "ALEXSOFT.IMG", "GAMES.BKD",
                             "CSIDOS_330.DSK", "CSIMIR.bkd", "emptycsi.IMG", "INSULT.IMG"}) {
        for (uint32_t seed = 1; seed <= 2; ++seed) {
            Session session(name + std::string(" seed ") + std::to_string(seed),
                            testimg::ReadAll(kImages / name), false, seed);
            ASSERT_TRUE(session.Opened()) << name;
            EXPECT_EQ(session.Model().problem, "") << name;
            EXPECT_FALSE(session.Model().files.empty()) << name;
            session.Run(80);
            EXPECT_GT(session.Made(), 25) << name;
        }
    }
}

// Every refusal leaves every byte as it was.
TEST(EditRefusal, NamesTheFormatCannotHoldAndEntriesInTheWay) {
    const struct {
        ImageFormat format;
        const char* name;
        bool directory;
        EditError error;
    } cases[] = {
        {FormatMicroDos, "", false, EditError::NameEmpty},
        {FormatMicroDos, "ABCDEFGHIJKLMNO", false, EditError::NameTooLong},
        {FormatMkDos, "ABCDEFGHIJKLMN", true, EditError::NameTooLong},   // 13 for a directory
        {FormatMicroDos, "\xB8LKA", false, EditError::NameBadCharacter}, // no KOI-8 for 'ё'
        {FormatMicroDos, "NAME ", false, EditError::NameBadCharacter},   // would read as NAME
        {FormatMkDos, "TAB\t", false, EditError::NameBadCharacter},
        {FormatMkDos, "..", true, EditError::NameReserved},
        {FormatMicroDos, ".", false, EditError::NameReserved},
        {FormatAndos, "A*B", false, EditError::NameBadCharacter},
        {FormatAndos, "A.B.C", false, EditError::NameBadCharacter},
        {FormatAndos, ".PROFILE", false, EditError::NameBadCharacter},
        {FormatAndos, "\xC5\xC4\xC0", false, EditError::NameBadCharacter}, // KOI-8 0xE5: deleted
        {FormatAndos, "ABCDEFGHI", false, EditError::NameTooLong},
        {FormatAndos, "A.ABCD", false, EditError::NameTooLong},
        {FormatAndos, "ABCDEFGHIJKL", true, EditError::NameTooLong},
        {FormatAndos, "\xD0\xC0\xC7", true, EditError::None}, // stored upper-case: 'РАЗ'
    };
    for (const auto& c : cases) {
        auto editor = EditDisk(testimg::BlankDisk(c.format));
        const auto before = editor->Bytes();
        const EditResult result =
            c.directory ? editor->MakeDirectory(0, c.name)
                        : editor->AddFile(0, c.name, 01000, std::vector<uint8_t>(10, 1), false);
        EXPECT_EQ(result.error, c.error) << c.format << " " << c.name;
        EXPECT_TRUE(c.error == EditError::None || editor->Bytes() == before) << c.name;
    }

    auto disk = EditDisk(testimg::BlankDisk(FormatMicroDos));
    const std::vector<uint8_t> data(700, 7);
    ASSERT_EQ(disk->MakeDirectory(0, "GAMES").error, EditError::None);
    const int games = disk->Disk().Entries()[0].ownDir;
    ASSERT_EQ(disk->AddFile(games, "TETRIS", 01000, data, false).error, EditError::None);
    const auto before = disk->Bytes();
    EXPECT_EQ(disk->AddFile(games, "tetris", 01000, data, false).error, EditError::NameExists);
    EXPECT_EQ(disk->AddFile(0, "Games", 01000, data, true).error, EditError::DirectoryInTheWay);
    EXPECT_EQ(disk->Remove(0, false).error, EditError::NotEmpty);
    EXPECT_EQ(disk->AddFile(0, "EMPTY", 0, {}, false).error, EditError::ReadsAsDirectory);
    EXPECT_EQ(disk->AddFile(0, "HUGE", 01000, std::vector<uint8_t>(65536), false).error,
              EditError::FileTooLong);
    EXPECT_EQ(disk->MakeDirectory(99, "NOWHERE").error, EditError::NotFound);
    EXPECT_TRUE(disk->Bytes() == before);
    EXPECT_EQ(disk->Remove(0, true).error, EditError::None);
    EXPECT_TRUE(ReadOwn(*disk).files.empty() && ReadOwn(*disk).dirs.empty());
}

// Every writable row of the table of formats holds names as long as its limits say, and
// not one character longer: the limits the messages give are the editors' own.
TEST(EditRefusal, NameLimitsOfEveryFormatAreTheTables) {
    for (const FileSystemFormat* format : WritableFormats()) {
        const NameLimits& limits = format->names;
        const auto name = [](int length) { return std::string(static_cast<size_t>(length), 'N'); };
        const auto file = [&](int length, int extension) {
            return name(length) + (limits.extension ? "." + std::string(extension, 'E') : "");
        };
        auto disk = EditDisk(format->Blank());
        ASSERT_TRUE(disk) << format->name;
        const int root = disk->Disk().RootDir();
        const std::vector<uint8_t> data = {1};
        EXPECT_EQ(disk->AddFile(root, file(limits.name, limits.extension), 1, data, false).error,
                  EditError::None)
            << format->name;
        EXPECT_EQ(
            disk->AddFile(root, file(limits.name + 1, limits.extension), 1, data, false).error,
            EditError::NameTooLong)
            << format->name;
        if (limits.extension) {
            EXPECT_EQ(disk->AddFile(root, file(1, limits.extension + 1), 1, data, false).error,
                      EditError::NameTooLong)
                << format->name;
        }
        const auto dir = [](int length) { return std::string(static_cast<size_t>(length), 'D'); };
        EXPECT_EQ(disk->MakeDirectory(root, dir(limits.directory)).error, EditError::None)
            << format->name;
        EXPECT_EQ(disk->MakeDirectory(root, dir(limits.directory + 1)).error,
                  EditError::NameTooLong)
            << format->name;
    }
}

// Full disks and catalogs refuse the one change too many, and only that one.
TEST(EditRefusal, FullDiskAndFullCatalog) {
    for (const FileSystemFormat* row : WritableFormats()) {
        const std::string format = row->name;
        auto disk = EditDisk(row->Blank());
        const std::vector<uint8_t> big(60000, 3);
        EditResult result;
        int files = 0;
        const int root = disk->Disk().RootDir();
        while ((result = disk->AddFile(root, "F" + std::to_string(files), 1, big, false)).error ==
               EditError::None)
            ++files;
        EXPECT_EQ(result.error, EditError::DiskFull) << format;
        EXPECT_LT(disk->FreeBytes(), 61440) << format;
        EXPECT_EQ(files, 13) << format; // 800 KB less the catalog, in 60,000-byte files
        EXPECT_EQ(ReadOwn(*disk).problem, "") << format;
        // Two files apart leave room enough in two pieces, which one run of blocks cannot use.
        for (const char* name : {"F0", "F2"})
            ASSERT_EQ(disk->Remove(EntryAt(*disk, FoldName(name))->index, false).error,
                      EditError::None);
        // The largest piece says what still fits in one, where a file takes one piece.
        const auto largest = disk->LargestFreePiece();
        const auto pieces = disk->Bytes();
        EXPECT_EQ(disk->AddFile(root, "BIG", 1, std::vector<uint8_t>(64000, 4), false).error,
                  largest ? EditError::FreeSpaceInPieces : EditError::None)
            << format;
        EXPECT_TRUE(!largest || disk->Bytes() == pieces) << format;
        EXPECT_EQ(largest.has_value(), FactsOf(*row).onePiece) << format;
        if (largest) { // that much goes in, a block more not
            EXPECT_LT(*largest, disk->FreeBytes()) << format;
            EXPECT_EQ(
                disk->AddFile(root, "MORE", 1, std::vector<uint8_t>(*largest + 1), false).error,
                EditError::FreeSpaceInPieces)
                << format;
            EXPECT_EQ(disk->AddFile(root, "FITS", 1, std::vector<uint8_t>(*largest), false).error,
                      EditError::None)
                << format;
        }

        disk = EditDisk(row->Blank());
        int entries = 0;
        while ((result = disk->AddFile(root, "E" + std::to_string(entries), 1, {}, false)).error ==
               EditError::None)
            ++entries;
        EXPECT_EQ(result.error, EditError::CatalogFull) << format;
        EXPECT_EQ(entries, FactsOf(*row).catalogEntries) << format;
        EXPECT_EQ(disk->MakeDirectory(root, "D").error, EditError::CatalogFull) << format;
    }
}

// AO-DOS disks keep a copy of the catalog's ten blocks after it: a change keeps it too.
// Header counts that disagree with the catalog are a layout this reading does not explain:
// nothing changes. A file whose length runs past the blocks its entry owns keeps every byte
// it reads when a file is added after it.
TEST(EditRefusal, MkDosCountsThatDisagreeAndFilesLongerThanTheirBlocks) {
    testimg::MicroDosBuilder b(true, 819200, 20);
    b.File(0, "LOADER", 01000, testimg::Filled(3000));
    const std::vector<uint8_t> counted = b.Image();
    std::vector<uint8_t> uncounted = counted;
    testimg::PutWord(uncounted, 030, 0);
    const std::vector<uint8_t> added(100, 1);
    EXPECT_EQ(EditDisk(uncounted)->AddFile(0, "NEW", 01000, added, false).error,
              EditError::UnknownLayout);

    std::vector<uint8_t> unowned = counted; // LOADER owns no blocks, and the counts agree
    testimg::PutWord(unowned, 0x140 + 022, 0);
    testimg::PutWord(unowned, 032, 20);
    auto disk = EditDisk(unowned);
    ASSERT_EQ(disk->AddFile(0, "NEW", 01000, added, false).error, EditError::None);
    std::vector<uint8_t> loader;
    ASSERT_EQ(disk->Disk().Read(disk->Disk().Entries()[0], loader), ReadFault::None);
    EXPECT_EQ(loader, testimg::Filled(3000));
}

TEST(EditRefusal, RealDiskCatalogCopyFollowsTheCatalog) {
    if (!fs::exists(kImages))
        GTEST_SKIP() << "no real images at " << kImages;
    auto disk = EditDisk(testimg::ReadAll(kImages / "AODOS210.bkd"));
    ASSERT_TRUE(disk);
    ASSERT_EQ(disk->AddFile(0, "NEW", 01000, std::vector<uint8_t>(3000, 9), false).error,
              EditError::None);
    const auto& bytes = disk->Bytes();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 5120, bytes.begin() + 5120));
    EXPECT_EQ(bytes[030] | bytes[031] << 8, 102);
}
