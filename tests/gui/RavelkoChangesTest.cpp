// Ravelko's commands that change the open image, driven as a user drives them (toolbar,
// keys, a drop, the name typed in place), with the dialogs replaced: each change is read
// back from the image file, and a refusal leaves it as it was.
#include "DiskImage.h"
#include "FormatChoiceDialog.h"
#include "ImageBuilders.h"
#include "RavelkoAccess.h"
#include "TempDir.h"
#include "WxTest.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

using namespace testimg;

namespace {

using Strings = std::vector<std::string>;
const std::string kGames = "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB"; // ИГРЫ in UTF-8

class RavelkoChanges : public ::testing::Test {
protected:
    void SetUp() override {
        MicroDosBuilder b(true);
        b.File(0, "GAME", 01000, Filled(0100));
        b.Dir(1, 0, "\xC8\xC3\xD0\xDB"); // ИГРЫ
        b.File(1, "INNER", 02000, Filled(3));
        image = files.Write("disk.img", b.Image());
        dlg = new CExplorerDlg(nullptr);
        win.dlg = dlg;
        win.ShowMessage() = [this](const wxString& text) {
            messages.push_back(text.utf8_string());
        };
        win.Confirm() = [this](const wxString& question) {
            questions.push_back(question.utf8_string());
            return answer;
        };
        dlg->Show();
        Pump(50);
    }
    void TearDown() override {
        dlg->Destroy();
        Pump(20);
    }

    Strings Column() const {
        Strings texts;
        for (long i = 0; i < win.List().GetItemCount(); ++i)
            texts.push_back(win.List().GetItemText(i).utf8_string());
        return texts;
    }
    Strings Selected() const {
        Strings texts;
        for (long i = 0; i < win.List().GetItemCount(); ++i) {
            if (win.List().GetItemState(i, wxLIST_STATE_SELECTED))
                texts.push_back(win.List().GetItemText(i).utf8_string());
        }
        return texts;
    }
    void Select(const std::string& name) {
        win.List().SetItemState(-1, 0, wxLIST_STATE_SELECTED);
        const long row = win.List().FindItem(-1, wxString::FromUTF8(name));
        ASSERT_GE(row, 0) << name;
        win.List().SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        ASSERT_TRUE(PumpUntil([&] { return Enabled(ID_DELETE); }));
    }
    bool Enabled(int tool) const { return win.ToolBar().GetToolEnabled(tool); }
    void Command(int tool) { win.Command(tool); }
    void Key(int code, int modifiers = wxMOD_NONE) { win.Key(code, modifiers); }
    // The user types a name into the in-place editor that F2 opened and presses Enter.
    void FinishRename(const std::string& name) {
        ASSERT_TRUE(PumpUntil([&] { return win.List().GetEditControl() != nullptr; }));
        win.List().GetEditControl()->SetValue(wxString::FromUTF8(name));
        win.List().EndEditLabel(false);
        ASSERT_TRUE(PumpUntil([&] { return win.List().GetEditControl() == nullptr; }));
    }
    std::string Pane(int pane) const { return win.Pane(pane); }
    // The image file as another reader sees it: names in the directory, by path.
    Strings OnDisk(const std::string& dir = "") const {
        const auto disk = OpenDiskImage(image, nullptr, ImageAccess::ReadOnly);
        EXPECT_TRUE(disk);
        Place place = disk->Root();
        if (!dir.empty()) {
            for (const EntryRef& ref : disk->List(place)) {
                if (disk->Entry(ref).name == dir)
                    place = *disk->Enter(ref);
            }
        }
        Strings names;
        for (const EntryRef& ref : disk->List(place)) {
            if (!disk->Entry(ref).deleted)
                names.push_back(disk->Entry(ref).name);
        }
        return names;
    }

    TempDir files, host;
    std::string image;
    CExplorerDlg* dlg = nullptr;
    RavelkoAccess win{nullptr};
    Strings messages, questions;
    bool answer = true;
};

} // namespace

TEST_F(RavelkoChanges, AddRenameDeleteAndNewFolderWriteTheImageAndSelectWhatTheyMade) {
    auto program = Filled(6, 1);
    program.insert(program.begin(), {0x00, 0x40, 0x06, 0x00}); // a .bin file: 040000, 6 bytes
    const std::vector<std::string> chosen = {host.Write("hello.txt", {'h', 'i'}),
                                             host.Write("prog.bin", program)};
    win.ChooseFiles() = [&] { return chosen; };
    dlg->OpenFromCommandLine(image);
    EXPECT_EQ(dlg->GetTitle().utf8_string(), "disk.img \xE2\x80\x94 Ravelko");
    ASSERT_TRUE(PumpUntil([&] { return Enabled(ID_ADD_FILES) && Enabled(ID_DELETE); }));

    const std::string freeBefore = Pane(2);
    Command(ID_ADD_FILES);
    EXPECT_EQ(Column(), (Strings{"GAME", kGames, "hello.txt", "prog"}));
    EXPECT_NE(Pane(2), freeBefore); // the free space follows the change
    EXPECT_EQ(Selected(), (Strings{"hello.txt", "prog"}));
    EXPECT_EQ(OnDisk(), (Strings{"GAME", "\xC8\xC3\xD0\xDB", "hello.txt", "prog"}));
    EXPECT_EQ(win.List().GetItemText(3, 2).utf8_string(), "40000");

    // Added again: the user is asked once, and a No changes nothing; a cancelled add
    // neither.
    const auto added = ReadAll(image);
    answer = false;
    Command(ID_ADD_FILES);
    EXPECT_EQ(questions, (Strings{"hello.txt is already in this directory. Replace it, and every "
                                  "other entry the added files meet?"}));
    EXPECT_EQ(ReadAll(image), added);
    std::vector<ravelko::StringId> titles;
    win.ProgressFactory() = [&](ProgressWords words) {
        titles.push_back(words.title);
        return ExportProgress([](size_t, size_t) { return false; });
    };
    answer = true;
    Command(ID_ADD_FILES);
    EXPECT_EQ(ReadAll(image), added);
    EXPECT_EQ(titles, std::vector<ravelko::StringId>{ravelko::IDS_ADD_PROGRESS_TITLE});
    EXPECT_EQ(messages, Strings(2, "Cancelled.\nNothing was changed."));
    win.ProgressFactory() = [](ProgressWords) { return ExportProgress(); };
    // A name the disk can never hold is refused before any question.
    const std::vector<std::string> mixed = {chosen[0], host.Write("A NAME FAR TOO LONG", {1})};
    win.ChooseFiles() = [&] { return mixed; };
    questions.clear();
    Command(ID_ADD_FILES);
    EXPECT_TRUE(questions.empty());
    EXPECT_NE(messages.back().find("A NAME FAR TOO LONG: the name is too long"), std::string::npos)
        << messages.back();
    const std::vector<std::string> newer = {host.Write("hello.txt", {'h', 'o'})};
    win.ChooseFiles() = [&] { return newer; };
    Command(ID_ADD_FILES);
    EXPECT_EQ(Selected(), (Strings{"hello.txt"}));
    EXPECT_NE(ReadAll(image), added);
    messages.clear();
    questions.clear();

    // Delete asks first, naming what goes; a No keeps it.
    answer = false;
    Select(kGames);
    Key(WXK_DELETE);
    EXPECT_EQ(questions, (Strings{"Delete " + kGames + " (with all it holds) from the disk?"}));
    questions.clear();

    // Inside a directory: Insert adds there, F2 renames in place.
    win.DoubleClick();
    win.ChooseFiles() = [&] { return std::vector<std::string>{chosen[0]}; };
    Key(WXK_INSERT);
    EXPECT_EQ(Column(), (Strings{"..", "INNER", "hello.txt"}));
    EXPECT_EQ(Pane(0), "\\" + kGames);
    Select("hello.txt");
    Key(WXK_F2);
    FinishRename("A NAME FAR TOO LONG"); // refused: edited again, as typed
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("too long"), std::string::npos) << messages.back();
    ASSERT_TRUE(PumpUntil([&] { return win.List().GetEditControl() != nullptr; }));
    EXPECT_EQ(win.List().GetEditControl()->GetValue().utf8_string(), "A NAME FAR TOO LONG");
    messages.clear();
    FinishRename("README");
    EXPECT_EQ(Column(), (Strings{"..", "INNER", "README"}));
    EXPECT_EQ(Selected(), (Strings{"README"}));
    win.List().SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(ID_DELETE) && !Enabled(ID_RENAME); }));
    Key(WXK_DELETE);
    EXPECT_EQ(questions, (Strings{"Delete INNER, README from the disk?"}));
    EXPECT_EQ(OnDisk("\xC8\xC3\xD0\xDB"), (Strings{"INNER", "README"}));
    answer = true;
    Key(WXK_DELETE);
    EXPECT_EQ(Column(), (Strings{".."}));
    EXPECT_EQ(OnDisk("\xC8\xC3\xD0\xDB"), Strings{});
    win.List().SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    win.List().EditLabel(0); // as a click on the selected ".." does: never edited
    EXPECT_FALSE(win.List().GetEditControl());

    // Back in the root, at the directory changed in: a new folder, then a name the disk
    // cannot hold.
    Key(WXK_BACK);
    EXPECT_EQ(Selected(), (Strings{kGames}));
    win.AskFolderName() = [](const std::string&) { return std::optional<std::string>("DOCS"); };
    Key('N', wxMOD_CONTROL | wxMOD_SHIFT);
    EXPECT_EQ(Selected(), (Strings{"DOCS"}));
    const auto before = ReadAll(image);
    Strings offered; // a refused name is offered again, as typed, until Cancel
    win.AskFolderName() = [&](const std::string& typed) {
        offered.push_back(typed);
        return offered.size() == 1 ? std::optional<std::string>("A NAME TOO LONG") : std::nullopt;
    };
    Command(ID_NEW_FOLDER);
    EXPECT_EQ(offered, (Strings{"", "A NAME TOO LONG"}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "A NAME TOO LONG: the name is too long for MKDOS (at most 13 characters).\n"
              "Nothing was changed.");
    EXPECT_EQ(ReadAll(image), before);
    EXPECT_TRUE(messages.size() == 1);
}

// Files dropped onto the list go onto the disk; a dropped image still opens; another
// program's change to the file is shown, never overwritten.
// A name typed with '/' (or '\\') is a path from the current directory: the entry moves
// there; a directory not there is refused, and edited again as typed.
TEST_F(RavelkoChanges, TypedPathsMoveEntries) {
    dlg->OpenFromCommandLine(image);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(ID_DELETE) || Enabled(ID_ADD_FILES); }));
    Select("GAME");
    Key(WXK_F2);
    FinishRename(kGames + "/MOVED");
    EXPECT_EQ(Column(), (Strings{kGames}));
    EXPECT_EQ(OnDisk("\xC8\xC3\xD0\xDB"), (Strings{"MOVED", "INNER"}));
    win.DoubleClick();
    Select("INNER");
    Key(WXK_F2);
    FinishRename("NOWHERE\\INNER");
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return win.List().GetEditControl() != nullptr; }));
    win.List().EndEditLabel(true);
    messages.clear();
    Select("INNER");
    Key(WXK_F2);
    FinishRename("..\\");
    EXPECT_EQ(Column(), (Strings{"..", "MOVED"}));
    EXPECT_EQ(OnDisk(), (Strings{"\xC8\xC3\xD0\xDB", "INNER"}));
    EXPECT_TRUE(messages.empty());
}

TEST_F(RavelkoChanges, DroppedFilesAreAddedAndChangesElsewhereAreNotLost) {
    dlg->OpenFromCommandLine(image);
    const std::string note = host.Write("NOTE", {'n'});
    win.DropTarget().OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(note)));
    EXPECT_EQ(Column(), (Strings{"GAME", kGames, "NOTE"}));
    EXPECT_EQ(Selected(), (Strings{"NOTE"}));
    const auto second = host.Write("SECOND", {'s'});
    win.DropTarget().OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(second)));
    Select("NOTE");
    Key(WXK_DELETE); // its row stays, deleted; the next live entry is selected, not the first
    EXPECT_EQ(Column(), (Strings{"GAME", kGames, "NOTE", "SECOND"}));
    EXPECT_EQ(Selected(), (Strings{"SECOND"}));
    std::filesystem::create_directories(host.Path() / "TOOLS" / "OLD"); // a directory, whole
    host.Write("TOOLS/OLD/EDIT", {'e'});
    win.DropTarget().OnDropFiles(
        0, 0, wxArrayString(1, wxString::FromUTF8((host.Path() / "TOOLS").string())));
    EXPECT_EQ(Column(), (Strings{"GAME", kGames, "SECOND", "TOOLS"})); // EDIT took NOTE's blocks
    EXPECT_EQ(OnDisk("TOOLS"), (Strings{"OLD"}));

    MicroDosBuilder other;
    other.File(0, "ELSEWHERE", 01000, Filled(10));
    const auto changed = other.Image();
    files.Write("disk.img", changed);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(ID_DELETE); }));
    Key(WXK_DELETE);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("changed by another program"), std::string::npos);
    EXPECT_EQ(Column(), (Strings{"ELSEWHERE"}));
    EXPECT_EQ(ReadAll(image), changed);

    ::chmod(image.c_str(), 0444); // made read-only while open: the window says so from then on
    win.DropTarget().OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(second)));
    EXPECT_EQ(ReadAll(image), changed);
    EXPECT_EQ(dlg->GetTitle().utf8_string(), "disk.img (read-only) \xE2\x80\x94 Ravelko");
    EXPECT_TRUE(PumpUntil([&] { return !Enabled(ID_ADD_FILES); }));
}

// A read-only image opens read-only: the title says so and the changing commands are
// disabled, each saying why, as do their keys and a drop (and they do with no image). A
// new image is written and opened.
TEST_F(RavelkoChanges, ReadOnlyImagesAndNewImages) {
    const wxArrayString dropped(1, wxString::FromUTF8(host.Write("NOTE", {'n'})));
    win.DropTarget().OnDropFiles(0, 0, dropped);
    Key(WXK_INSERT);
    EXPECT_EQ(messages,
              (Strings(2, "Open a disk image first (Ctrl+O), or make a new one (Ctrl+N).")));
    messages.clear();

    ::chmod(image.c_str(), 0444);
    dlg->OpenFromCommandLine(image);
    EXPECT_EQ(dlg->GetTitle().utf8_string(), "disk.img (read-only) \xE2\x80\x94 Ravelko");
    EXPECT_EQ(Column(), (Strings{"GAME", kGames}));
    win.List().SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(ID_SAVE_BINS); }));
    for (const int tool : {ID_ADD_FILES, ID_NEW_FOLDER, ID_DELETE, ID_RENAME}) {
        EXPECT_FALSE(Enabled(tool)) << tool;
        EXPECT_NE(
            win.ToolBar().GetToolShortHelp(tool).utf8_string().find("The image file is read-only."),
            std::string::npos)
            << tool;
    }
    const auto before = ReadAll(image);
    Key(WXK_DELETE);
    win.List().EditLabel(0); // as a click on the selected row does
    EXPECT_FALSE(win.List().GetEditControl());
    win.DropTarget().OnDropFiles(0, 0, dropped);
    EXPECT_TRUE(questions.empty());
    EXPECT_EQ(messages, (Strings(2, "The image file is read-only.")));
    EXPECT_EQ(ReadAll(image), before);
    messages.clear();

    const std::string fresh = (files.Path() / "fresh.bkd").string();
    for (const FileSystemFormat& format : FileSystemFormats()) {
        if (format.id == FormatAndos)
            win.ChooseNewImage() = [&] {
                return std::optional(NewImageChoice{fresh, &format, {}});
            };
    }
    Key('N', wxMOD_CONTROL);
    EXPECT_EQ(dlg->GetTitle().utf8_string(), "fresh.bkd \xE2\x80\x94 Ravelko");
    EXPECT_EQ(Pane(1) + "|" + Pane(2), "ANDOS|800 Kb, 794 Kb free"); // any clusters take a file
    EXPECT_TRUE(Column().empty());
    Key('N', wxMOD_CONTROL); // never over an existing file
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("is already there"), std::string::npos) << messages[0];
}

// What other programs do is never lost: an image another program holds open is left
// alone before anything is asked; a change landing while a question is on the screen
// wins over the window's; an image with a second name is changed only when the user says.
TEST_F(RavelkoChanges, OtherProgramsKeepWhatTheyDidAndHardLinksAreAskedAbout) {
    dlg->OpenFromCommandLine(image);
    const auto before = ReadAll(image);
    bool asked = false;
    win.AskFolderName() = [&](const std::string&) -> std::optional<std::string> {
        return asked = true, std::string("NEW");
    };
    {
        std::fstream emulator(image, std::ios::in | std::ios::out | std::ios::binary);
        Key('N', wxMOD_CONTROL | wxMOD_SHIFT);
    }
    EXPECT_FALSE(asked);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("is open in another program: take the disk out of the emulator"),
              std::string::npos)
        << messages[0];
    EXPECT_EQ(ReadAll(image), before);

    MicroDosBuilder other;
    other.File(0, "ELSEWHERE", 01000, Filled(10));
    const auto changed = other.Image();
    win.Confirm() = [&](const wxString&) { return files.Write("disk.img", changed), true; };
    const std::string game = host.Write("GAME", {'g'}); // asks whether to replace GAME
    win.DropTarget().OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(game)));
    EXPECT_EQ(ReadAll(image), changed);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].find("changed by another program"), std::string::npos) << messages[1];
    EXPECT_EQ(Column(), (Strings{"ELSEWHERE"}));

    const auto second = files.Path() / "second.img";
    std::filesystem::create_hard_link(image, second);
    answer = false;
    win.Confirm() = [this](const wxString& question) {
        questions.push_back(question.utf8_string());
        return answer;
    };
    const std::string note = host.Write("NOTE", {'n'});
    win.DropTarget().OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(note)));
    EXPECT_EQ(ReadAll(image), changed);
    answer = true;
    win.DropTarget().OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(note)));
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_NE(questions[0].find("has 2 names (hard links)"), std::string::npos) << questions[0];
    EXPECT_EQ(OnDisk(), (Strings{"ELSEWHERE", "NOTE"}));
    EXPECT_EQ(ReadAll(second), changed);
}

// Enter in the new image's format list activates its row and presses OK: the dialog ends
// once, with OK, and never asserts.
TEST(FormatChoice, EnterInTheListEndsTheDialogOnce) {
    const wxString formats[] = {"MicroDOS", "MKDOS"};
    CFormatChoiceDialog choice(nullptr, "Format", "New", 2, formats);
    choice.CallAfter([&] {
        choice.SetSelection(1);
        choice.EndModal(wxID_OK); // the default button
        choice.EndModal(wxID_OK); // the row's activation
    });
    EXPECT_EQ(choice.ShowModal(), wxID_OK);
    EXPECT_EQ(choice.GetSelection(), 1);
}

// Inside a logical disk the change tools work as on a floppy, with that disk's free space; a
// disk of no known format says why none can; a <DISK> row's menu formats it, asking first
// when it holds anything, and the other disks keep every byte.
TEST_F(RavelkoChanges, LogicalDisksOfAHardDiskChangeAndFormat) {
    const Bytes junk(64 * 1024, 0x5A);
    image = files.Write("hd.hdi", HardDiskOf({BlankDisk(FormatMkDos), junk}));
    const std::vector<std::string> chosen = {host.Write("hello.txt", {'h', 'i'})};
    win.ChooseFiles() = [&] { return chosen; };
    dlg->OpenFromCommandLine(image);
    EXPECT_EQ(Column(), (Strings{"0", "1"}));
    Key(WXK_INSERT); // files go into a logical disk, not into the list of them
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].find("Enter a logical disk to change what it holds"), 0u);
    win.List().SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    win.DoubleClick();
    ASSERT_TRUE(PumpUntil([&] { return Enabled(ID_ADD_FILES); }));
    EXPECT_EQ(Pane(1) + "|" + Pane(2), "MKDOS|800 Kb, 790 Kb free, 790 Kb in one piece");
    Command(ID_ADD_FILES);
    EXPECT_EQ(Column(), (Strings{"..", "hello.txt"}));
    EXPECT_EQ(Pane(2), "800 Kb, 789 Kb free, 789 Kb in one piece");
    const auto added = ReadAll(image);

    Key(WXK_BACK);
    win.List().SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    win.List().SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    win.DoubleClick(); // of no format: it cannot be entered, and says so
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].find("Logical disk 1 cannot be opened."), 0u) << messages[1];

    const FileSystemFormat* csidos = nullptr;
    for (const FileSystemFormat& format : FileSystemFormats())
        csidos = format.id == FormatCsidos ? &format : csidos;
    win.ChooseDiskFormat() = [&](int) { return csidos; };
    answer = false;
    win.FormatDisk(1);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions.back(), "Logical disk 1 is not empty. Format it as CSIDOS, losing all it "
                                "holds?");
    EXPECT_EQ(ReadAll(image), added);
    answer = true;
    win.FormatDisk(1);
    const auto after = ReadAll(image);
    EXPECT_TRUE(
        std::equal(after.begin(), after.end() - static_cast<long>(junk.size()), added.begin()));
    const auto disk = OpenDiskImage(image, nullptr, ImageAccess::ReadOnly);
    EXPECT_EQ(disk->FormatName({1, 0}), "CSIDOS");
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(Column(), (Strings{"0", "1"}));
    EXPECT_EQ(Selected(), (Strings{"1"}));

    // A new hard disk opens at its list of logical disks, each a blank disk of the format.
    const std::string fresh = (files.Path() / "new.hdi").string();
    win.ChooseNewImage() = [&] {
        return std::optional(NewImageChoice{fresh, csidos, {800 * 1024, 800 * 1024, 1 << 20}});
    };
    Key('N', wxMOD_CONTROL);
    EXPECT_EQ(dlg->GetTitle().utf8_string(), "new.hdi \xE2\x80\x94 Ravelko");
    EXPECT_EQ(Column(), (Strings{"0", "1", "2"}));
    EXPECT_EQ(Pane(1), "Hard disk");
    const auto made = OpenDiskImage(fresh, nullptr, ImageAccess::ReadOnly);
    ASSERT_TRUE(made && made->HardDisk());
    EXPECT_EQ(made->FormatName({2, 0}), "CSIDOS");
    EXPECT_EQ(made->DiskSize({2, 0}), 33 * 63 * 512); // 1 MB up to whole tracks
}
