// Ravelko's window, constructed for real (modeless) and driven through its own controls.
#include "AboutDlg.h"
#include "DropFiles.h"
#include "Export.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageBuilders.h"
#include "RavelkoAccess.h"
#include "TempDir.h"
#include "WxTest.h"

#include <gtest/gtest.h>
#include <wx/control.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#endif

#include <fstream>

using namespace testimg;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

// Records what would be started ("open PATH", "text PATH"); `starts` says whether it would.
class RecordingLauncher : public ILauncher {
public:
    explicit RecordingLauncher(Strings& log) : m_log(log) {}
    bool OpenWithDefaultApp(const std::string& path) override {
        return m_log.push_back("open " + path), starts;
    }
    bool OpenInTextEditor(const std::string& path) override {
        return m_log.push_back("text " + path), starts;
    }
    bool starts = true;

private:
    Strings& m_log;
};

Bytes SampleImage() {
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(0100));
    b.File(0, "TEXT.TXT", 0, {'h', 'i', 0x0A});
    b.Dir(1, 0, "\xC8\xC3\xD0\xDB"); // ИГРЫ
    b.File(1, "INNER", 02000, Filled(3));
    b.Dir(2, 0, "EMPTY");
    return b.Image();
}

const std::string kGames = "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB"; // ИГРЫ in UTF-8

class Ravelko : public ::testing::Test {
protected:
    void SetUp() override {
        dlg = new CExplorerDlg(nullptr);
        win.dlg = dlg;
        win.ShowMessage() = [this](const wxString& text) {
            messages.push_back(text.utf8_string());
        };
        auto recording = std::make_unique<RecordingLauncher>(launches);
        launcher = recording.get();
        win.Launcher() = std::move(recording);
        dlg->Show();
        Pump(50);
        imagePath = files.Write("sample.img", SampleImage());
    }
    void TearDown() override {
        dlg->Destroy();
        Pump(20);
    }

    void Open() { dlg->OpenDroppedFiles({imagePath}); }
    Strings Column(int column = 0) const {
        Strings texts;
        for (long i = 0; i < win.List().GetItemCount(); ++i)
            texts.push_back(win.List().GetItemText(i, column).utf8_string());
        return texts;
    }
    void Select(std::initializer_list<long> rows) {
        win.List().SetItemState(-1, 0, wxLIST_STATE_SELECTED);
        for (long row : rows)
            win.List().SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    bool Enabled(int tool) const { return win.ToolBar().GetToolEnabled(tool); }
    void Command(int tool) { win.Command(tool); }
    void Key(int code, int modifiers = wxMOD_NONE) { win.Key(code, modifiers); }
    void Drop(const std::string& path) {
        win.DropTarget().OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(path)));
    }
    std::string Pane(int pane) const { return win.Pane(pane); }

    TempDir tmp, files;
    ScopedEnv tempVariable{kTempVariable, tmp.Path().string()};
    CExplorerDlg* dlg = nullptr;
    RavelkoAccess win{nullptr};
    std::string imagePath;
    Strings messages, launches;
    RecordingLauncher* launcher = nullptr;
};

} // namespace

TEST_F(Ravelko, OpeningFillsRowsPanesAndTheSelectionDrivesTheToolbar) {
    EXPECT_FALSE(Enabled(ID_SAVE_BINS));
    EXPECT_TRUE(win.AddBinCheck().GetValue());
    EXPECT_EQ(dlg->GetTitle(), "Ravelko");
    EXPECT_TRUE(dlg->HasFlag(wxMAXIMIZE_BOX));
    int columns = 0; // every column shows at the start size
    for (int i = 0; i < win.List().GetColumnCount(); ++i)
        columns += win.List().GetColumnWidth(i);
    EXPECT_GE(win.List().GetClientSize().x, columns);
    Open();
    EXPECT_EQ(win.List().GetSelectedItemCount(), 1); // Enter acts at once
    EXPECT_EQ(win.List().GetItemState(0, wxLIST_STATE_SELECTED), wxLIST_STATE_SELECTED);
    EXPECT_EQ(Column(0), (Strings{"GAME", "TEXT.TXT", kGames, "EMPTY"}));
    EXPECT_EQ(Column(1), (Strings{"", "", "<DIR>", "<DIR>"}));
    EXPECT_EQ(Column(2), (Strings{"1000", "0", "", ""}));
    EXPECT_EQ(Column(3), (Strings{"100", "3", "", ""}));
    EXPECT_EQ(Pane(0) + "|" + Pane(1) + "|" + Pane(2),
              "\\|MKDOS|800 Kb, 748 Kb free, 748 Kb in one piece");
    EXPECT_EQ(dlg->GetTitle().utf8_string(), "sample.img \xE2\x80\x94 Ravelko");
    Select({0}); // the toolbar follows the selection within one timer tick
    EXPECT_TRUE(PumpUntil([&] { return Enabled(ID_SAVE_BINS) && Enabled(ID_VIEW_AS_TEXT); }));
    Select({});
    EXPECT_TRUE(PumpUntil([&] { return !Enabled(ID_SAVE_BINS) && !Enabled(ID_VIEW_AS_TEXT); }));
    EXPECT_TRUE(Enabled(ID_OPEN_IMAGE) && Enabled(ID_APP_ABOUT));
}

// Double-click, Enter and Backspace walk the tree; after every refill the keyboard works
// at once: the list has the focus and a current row.
TEST_F(Ravelko, DirectoriesAreWalkedAndKeysWorkAfterEveryRefill) {
    const auto current = [this] {
        return win.List().GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    };
    Open();
    EXPECT_EQ(current(), 0);
    Select({2});
    win.DoubleClick(); // into ИГРЫ: the first row is current, nothing is selected
    EXPECT_EQ(Column(), (Strings{"..", "INNER"}));
    EXPECT_EQ(Pane(0), "\\" + kGames);
    EXPECT_EQ(wxWindow::FindFocus(), &win.List());
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(win.List().GetSelectedItemCount(), 0);
    Key(WXK_BACK); // up, onto the directory we came from
    ASSERT_EQ(Column().size(), 4u);
    EXPECT_EQ(current(), 2);
    EXPECT_EQ(win.List().GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), 2);
    Key(WXK_BACK); // at the root: nothing
    EXPECT_EQ(Column().size(), 4u);
    Key(WXK_RETURN); // into it again; Enter never closes the window
    EXPECT_EQ(Column(), (Strings{"..", "INNER"}));
    EXPECT_TRUE(dlg->IsShown());
    Select({0});
    Key(WXK_NUMPAD_ENTER);
    Select({3});
    Key(WXK_RETURN);
    EXPECT_EQ(Column(), Strings{".."});
    win.List().DeleteAllItems(); // with nothing selected, nothing happens
    win.DoubleClick();
    EXPECT_TRUE(launches.empty());
}

// A failed open (missing, unknown, a name without an image extension) leaves the open
// image usable; a drop opens the first image file of what was dropped, and a drop of
// anything else with no image open says what to do.
TEST_F(Ravelko, FailedOpensKeepThePreviousImageUsable) {
    Drop(files.Write("disk.img.bak", SampleImage()));
    EXPECT_FALSE(win.Image());
    ASSERT_EQ(messages, Strings{"Open a disk image first (Ctrl+O), or make a new one (Ctrl+N)."});
    messages.clear();
    wxArrayString mixed; // with no disk open, the image among them opens
    mixed.Add(wxString::FromUTF8(files.Write("notes.txt", Bytes(3, 'n'))));
    mixed.Add(wxString::FromUTF8(files.Write("first.img", SampleImage())));
    win.DropTarget().OnDropFiles(0, 0, mixed);
    EXPECT_EQ(Pane(1), "MKDOS");
    dlg->OpenFromCommandLine(files.Path().string() + "/disk.img.bak"); // named: any extension
    EXPECT_EQ(Column().size(), 4u);
    Drop(files.Write("DISK.IMG", SampleImage()));
    ASSERT_TRUE(win.Image());
    const std::string unknown = files.Write("text.img", Bytes(4096, 'x'));
    for (const std::string& path : {Utf8FromPath(files.Path() / "missing.img"), unknown}) {
        Select({0});
        EXPECT_EQ(dlg->OpenImage(path), 1);
        Drop(path);
        EXPECT_TRUE(PumpUntil([&] { return Enabled(ID_SAVE_BINS); })) << path;
        EXPECT_EQ(Column().size(), 4u);
        EXPECT_EQ(Pane(1), "MKDOS");
    }
    ASSERT_EQ(messages.size(), 4u); // the system's message only where the format is unknown
    EXPECT_EQ(messages[0].rfind("missing.img: The file cannot be read: ", 0), 0u) << messages[0];
    EXPECT_EQ(messages[2], "Wrong image format, or image file has read-only attribute.\n"
                           "text.img: It is not a BK disk image of a known format (MicroDOS, "
                           "MKDOS, ANDOS, CSIDOS, BK hard-disk images).");
    Select({2});
    win.DoubleClick(); // the directory still opens
    EXPECT_EQ(Column(), (Strings{"..", "INNER"}));
}

// Each row opens what its own entry opens, whatever shares its name, and Backspace goes
// back the way the user came; a deleted directory opens with its way back; a hard disk
// lists its logical disks, and each opens or says why not.
TEST_F(Ravelko, RowsOpenTheirOwnDirectoriesDeletedOnesAndLogicalDisks) {
    const std::string folder = "\xD0\x9F\xD0\x90\xD0\x9F\xD0\x9A\xD0\x90"; // ПАПКА in UTF-8
    MicroDosBuilder twins(true);
    twins.Dir(1, 0, "SUB");
    twins.File(1, "MINE", 01000, Filled(1));
    twins.Dir(2, 0, "\xCF\xC0\xCF\xCA\xC0");
    twins.Dir(3, 2, "SUB");
    twins.File(3, "THEIRS", 01000, Filled(1));
    Drop(files.Write("twins.img", twins.Image()));
    Select({0});
    win.DoubleClick();
    EXPECT_EQ(Column(), (Strings{"..", "MINE"}));
    Key(WXK_BACK);
    Select({1});
    Key(WXK_RETURN);
    Select({1});
    Key(WXK_RETURN);
    EXPECT_EQ(Column(), (Strings{"..", "THEIRS"}));
    EXPECT_EQ(Pane(0), "\\" + folder + "\\SUB");
    Key(WXK_BACK);
    Key(WXK_BACK);
    EXPECT_EQ(Column(), (Strings{"SUB", folder}));
    EXPECT_EQ(win.List().GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), 1);

    AndosBuilder andos;
    andos.Image()[andos.Dir(1, 0, "OLD")] = 0xE5;
    andos.File(1, "KEPT", "", 0, Filled(5));
    Drop(files.Write("andos.bkd", andos.Image()));
    Select({0});
    Key(WXK_RETURN);
    EXPECT_EQ(Column(), (Strings{"..", "KEPT"}));
    Key(WXK_BACK);
    EXPECT_EQ(Column().size(), 1u);

    Drop(files.Write("hd.hdi", HardDiskOf({SampleImage(), Bytes(4096)})));
    EXPECT_EQ(Column(), (Strings{"0", "1"}));
    EXPECT_EQ(Column(1), (Strings{"<DISK>", "<DISK>"}));
    EXPECT_EQ(Pane(1), "Hard disk");
    Select({0});
    Key(WXK_RETURN);
    EXPECT_EQ(Column(), (Strings{"..", "GAME", "TEXT.TXT", kGames, "EMPTY"}));
    EXPECT_EQ(Pane(0) + "|" + Pane(1), "\\0|MKDOS");
    Key(WXK_BACK);
    Select({1});
    Key(WXK_RETURN);
    EXPECT_EQ(Column(), (Strings{"0", "1"}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("Logical disk 1 cannot be opened.", 0), 0u) << messages[0];
}

// Every control inside its window, as large as its text and clear of the others, in the
// main window and the About box; CTest runs this again with fonts twice as large.
TEST_F(Ravelko, NothingOverlapsOrIsCutAtAnyFontSize) {
    Open();
    EXPECT_EQ(LayoutFaults(*dlg), Strings{});
    CAboutDlg about(dlg);
    EXPECT_EQ(LayoutFaults(about), Strings{});
}

TEST_F(Ravelko, ResizeMovesOnlyListToolbarCheckBoxAndStatusBar) {
    const wxSize start = dlg->GetSize();
    // The start size: the template's, made wider where the columns need it.
    EXPECT_EQ(dlg->GetMinClientSize().y, dlg->GetClientSize().y);
    EXPECT_LE(dlg->GetMinClientSize().x, dlg->GetClientSize().x);
    const wxRect list = win.List().GetRect(), check = win.AddBinCheck().GetRect(),
                 tools = win.ToolBar().GetRect();
    dlg->SetSize(start + wxSize(50, 30));
    ASSERT_TRUE(PumpUntil([&] { return win.List().GetRect() != list; }));
    ASSERT_EQ(dlg->GetSize(), start + wxSize(50, 30));
    EXPECT_EQ(win.List().GetRect(), wxRect(list.GetPosition(), list.GetSize() + wxSize(50, 30)));
    EXPECT_EQ(win.AddBinCheck().GetRect(),
              wxRect(check.GetPosition() + wxPoint(0, 30), check.GetSize()));
    EXPECT_EQ(win.ToolBar().GetRect(),
              wxRect(tools.GetPosition(), tools.GetSize() + wxSize(0, 30)));
    EXPECT_GE(tools.GetHeight(), win.ToolBar().GetBestSize().y); // every tool shows
    // The status bar at the bottom, as high as its font needs, and below the check box.
    const wxSize client = dlg->GetClientSize();
    const int height = win.StatusBar().GetSize().y;
    EXPECT_GT(height, win.StatusBar().GetCharHeight());
    EXPECT_EQ(win.StatusBar().GetRect(), wxRect(0, client.y - height, client.x, height));
    EXPECT_LE(win.AddBinCheck().GetRect().GetBottom(), client.y - height);
}

TEST_F(Ravelko, ExportThroughTheReplacedFolderDialog) {
    Open();
    TempDir out;
    Strings starts;
    win.ChooseFolder() = [&](const std::string& start) -> std::optional<std::string> {
        starts.push_back(start);
        return Utf8FromPath(out.Path());
    };
    Select({0, 2});
    Command(ID_SAVE_BINS);
    EXPECT_EQ(fs::file_size(out.Path() / "GAME.bin"), 68u);
    EXPECT_TRUE(fs::exists(out.Path() / PathFromUtf8(kGames) / "INNER.bin"));
    EXPECT_TRUE(messages.empty()); // everything written: nothing to say
    fs::create_directory(out.Path() / "TEXT.TXT");
    Select({1});
    Command(ID_SAVE_BINS); // a folder in the way of a file: said after the export
    EXPECT_EQ(messages, Strings{"Files written: 0. Entries not exported: 1.\nTEXT.TXT: "
                                "something other than a file is in the way"});
    Select({0, 2});
    win.AddBinCheck().SetValue(false); // clicking the box toggles the flag
    wxCommandEvent click(wxEVT_CHECKBOX, IDC_ADD_BIN_EXTENSION);
    dlg->ProcessWindowEvent(click);
    EXPECT_FALSE(win.AddBinExtension());
    Command(ID_SAVE_BINS);
    EXPECT_TRUE(fs::exists(out.Path() / "GAME"));
    // Files in the way are asked about; an answer for all is asked once.
    Strings asked;
    win.AskExisting() = [&](const std::string& path) {
        asked.push_back(path);
        return std::optional(std::pair(ExistingFile::KeepBoth, true));
    };
    Strings news;
    win.ShowInfo() = [&](const wxString& text) { news.push_back(text.utf8_string()); };
    Command(ID_SAVE_BINS);
    EXPECT_EQ(asked, Strings{Utf8FromPath(out.Path() / "GAME")});
    EXPECT_TRUE(fs::exists(out.Path() / PathFromUtf8(kGames) / "INNER~1"));
    ASSERT_EQ(news.size(), 1u); // every file written: news, not a fault
    EXPECT_EQ(news[0].rfind("Files written: 2. Entries not exported: 0.", 0), 0u) << news[0];
    EXPECT_EQ(messages.size(), 1u);
    // The chooser opens at home, then where the last export went.
    EXPECT_EQ(starts, (Strings{wxGetHomeDir().utf8_string(), Utf8FromPath(out.Path()),
                               Utf8FromPath(out.Path()), Utf8FromPath(out.Path())}));
}

// Only passive data from an image reaches the desktop's opener; every other file, a
// program, a type that runs code through an installed program or a type not known, is
// shown as text under a name ending in .txt, and the status bar says why.
TEST_F(Ravelko, OnlyPassiveDataGoesToTheOpenerTheRestIsShownAsText) {
    const Strings refused = {"HELLO.BAT",   "SETUP.MSI", "S.PY",   "S.PYW", "S.HLP",
                             "S.SEARCH-MS", "S.HTML",    "S.SVG",  "S.IMG", "S.ISO",
                             "S.DOCM",      "S.XLL",     "S.JNLP", "S.SH",  "S.ZZZ"};
    const Strings passive = {"NOTE.TXT", "PIC.PNG", "TUNE.WAV"};
    MicroDosBuilder b(true);
    for (const std::string& name : refused)
        b.File(0, name, 01000, {'e', 'c', 'h', 'o'});
    b.File(0, "MONITOR", 01000, {'e', 'c', 'h', 'o'});  // opened as MONITOR.bin
    b.File(0, "TRICK", 0x457F, Bytes(0x464C, 0));       // its .bin header spells "\x7FELF"
    b.File(0, "EVIL.TXT", 01000, {'#', '!', 's', 'h'}); // a text by name, a script by content
    for (const std::string& name : passive)
        b.File(0, name, 0, {'h', 'i'});
    dlg->OpenDroppedFiles({files.Write("programs.img", b.Image())});
    const fs::path temp = *GetTempFolder();
    Strings expected;
    for (const std::string& name : refused)
        expected.push_back("text " + Utf8FromPath(temp / (name + ".txt")));
    expected.push_back("text " + Utf8FromPath(temp / "MONITOR.txt"));
    expected.push_back("text " + Utf8FromPath(temp / "TRICK.txt"));
    // Its text view is no script where the text is UTF-16 after a byte-order mark.
    expected.push_back(
        "text " +
        Utf8FromPath(temp / (HostTextForm() == TextForm::Utf8Lf ? "EVIL.TXT.txt" : "EVIL.TXT")));
    for (const std::string& name : passive)
        expected.push_back("open " + Utf8FromPath(temp / name));
    for (int row = 0; row < static_cast<int>(expected.size()); ++row) {
        Select({row});
        win.DoubleClick();
        EXPECT_EQ(launches.size(), static_cast<size_t>(row + 1));
    }
    EXPECT_EQ(launches, expected);
    EXPECT_EQ(ReadAll(temp / "PIC.PNG"), (Bytes{'h', 'i'})); // as on the disk: no .bin header
    EXPECT_FALSE(fs::exists(temp / "HELLO.BAT"));            // nothing written but the text
    EXPECT_EQ(ReadAll(temp / "HELLO.BAT.txt"),
              TextViewBytes(Bytes{'e', 'c', 'h', 'o'}.data(), 4, HostTextForm()));
    Select({0});
    win.DoubleClick();
    EXPECT_EQ(win.StatusBar().GetStatusText(0).utf8_string(),
              "Shown as text: only text, pictures and sound go to other programs");
}

TEST_F(Ravelko, LauncherGetsTheExtractedFiles) {
    Open();
    Select({1});
    Command(ID_VIEW_AS_TEXT);
    const fs::path temp = *GetTempFolder();
    const std::string text = Utf8FromPath(temp / "TEXT.TXT");
    const Bytes bytes = {'h', 'i', 0x0A};
    EXPECT_EQ(ReadAll(temp / "TEXT.TXT"), TextViewBytes(bytes.data(), 3, HostTextForm()));
    Select({0, 1});
    win.DoubleClick();
    Select({1});
    win.DoubleClick();
    EXPECT_EQ(launches,
              (Strings{"text " + text, "text " + Utf8FromPath(temp / "GAME.txt"), "open " + text}));
    EXPECT_EQ(ReadAll(temp / "TEXT.TXT"), bytes); // as on the disk

    MicroDosBuilder two(true);
    two.File(0, "A.TXT", 0, {'a'});
    two.File(0, "B.TXT", 0, {'b'});
    dlg->OpenDroppedFiles({files.Write("two.img", two.Image())});
    win.ProgressFactory() = [](ProgressWords) {
        return [](size_t, size_t) { return false; };
    }; // Cancel
    Select({0, 1});
    win.DoubleClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("The export was cancelled", 0), 0u);
    EXPECT_EQ(launches.size(), 3u); // nothing opened
    messages.clear();
    win.ProgressFactory() = [](ProgressWords) { return ExportProgress(); };

    Open();
    launcher->starts = false; // no program: the user hears of it, with the file's path
    Select({1});
    Command(ID_VIEW_AS_TEXT);
    EXPECT_EQ(messages,
              Strings{"No program could be started to show the file written as\n" + text});

    // A file no program opens is offered as text, converted as the text view converts it.
    Strings questions;
    bool yes = false;
    win.Confirm() = [&](const wxString& question) {
        return questions.push_back(question.utf8_string()), yes;
    };
    MicroDosBuilder sound(true);
    sound.File(0, "TUNE.WAV", 0, {'R', 0xE1, 0x0A});
    dlg->OpenDroppedFiles({files.Write("sound.img", sound.Image())});
    launches.clear();
    messages.clear();
    for (const bool answer : {false, true}) {
        yes = answer;
        Select({0});
        win.DoubleClick();
    }
    const std::string wav = Utf8FromPath(temp / "TUNE.WAV");
    EXPECT_EQ(questions, Strings(2, "No program could be started to show the file written as\n" +
                                        wav + "\n\nShow it as text?"));
    const fs::path view = temp / "TUNE.WAV.txt"; // no editor either: said, not offered again
    EXPECT_EQ(messages, Strings{"No program could be started to show the file written as\n" +
                                Utf8FromPath(view)});
    EXPECT_EQ(launches, (Strings{"open " + wav, "open " + wav, "text " + Utf8FromPath(view)}));
    const Bytes koi8 = {'R', 0xE1, 0x0A};
    EXPECT_EQ(ReadAll(view), TextViewBytes(koi8.data(), 3, HostTextForm()));

    dlg->Destroy(); // its copies go with it
    Pump(20);
    for (const fs::path& copy : {view, temp / "TUNE.WAV", temp / "TEXT.TXT", temp / "GAME.txt"})
        EXPECT_FALSE(fs::exists(copy)) << copy;
    dlg = new CExplorerDlg(nullptr);
}

#ifndef _WIN32
// The desktop's opener and the text editor get the path as one argument, whatever the
// name holds, and their failure reaches the user.
TEST_F(Ravelko, HostOpenerGetsThePathAndItsFailureIsReported) {
    TempDir bin, xdg;
    const fs::path mark = bin.Path() / "argument";
    const std::string script =
        "#!/bin/sh\nprintf %s \"$1\" > '" + mark.string() + "'\necho noise >&2\nexit 3\n";
    const std::string opener = bin.Write("xdg-open", Bytes(script.begin(), script.end()));
    fs::permissions(opener, fs::perms::owner_all);
    // The text editor: the desktop's default needs a terminal, so the next one is taken.
    fs::create_directories(xdg.Path() / "applications");
    std::ofstream(xdg.Path() / "applications" / "vim.desktop")
        << "[Desktop Entry]\nExec=vim %f\nTerminal=true\n";
    std::ofstream(xdg.Path() / "applications" / "pad.desktop")
        << "[Desktop Entry]\nExec=" << opener << " %f\n";
    std::ofstream(xdg.Path() / "applications" / "mimeinfo.cache")
        << "[MIME Cache]\ntext/plain=vim.desktop;pad.desktop\n";
    ScopedEnv path("PATH", bin.Path().string() + ":" + std::getenv("PATH")),
        dataHome("XDG_DATA_HOME", xdg.Path().string()),
        configHome("XDG_CONFIG_HOME", xdg.Path().string()),
        dataDirs("XDG_DATA_DIRS", xdg.Path().string()),
        configDirs("XDG_CONFIG_DIRS", xdg.Path().string());
    Strings gaveUp;
    CHostLauncher host([&](const std::string& failed, bool textEditor) {
        gaveUp.push_back((textEditor ? "text " : "open ") + failed);
    });
    const std::string hostile = (files.Path() / "$(touch pwned) `x` 'q'.bin").string();
    for (const bool text : {false, true}) {
        fs::remove(mark);
        gaveUp.clear();
        EXPECT_TRUE(text ? host.OpenInTextEditor(hostile) : host.OpenWithDefaultApp(hostile));
        PumpUntil([&] { return !gaveUp.empty(); });
        EXPECT_EQ(gaveUp, Strings{(text ? "text " : "open ") + hostile});
        const Bytes argument = ReadAll(mark);
        EXPECT_EQ(std::string(argument.begin(), argument.end()), hostile);
    }
    EXPECT_FALSE(fs::exists("pwned"));
}
#endif

TEST_F(Ravelko, DragDataIsRenderedOnlyWhenAskedAndAnewEachTime) {
    Open();
    Select({0, 2});
    CFileDataSource& source = win.List().DataSource();
    EXPECT_EQ(source.RenderCount(), 0);
    std::vector<char> bytes(source.GetDataSize());
    ASSERT_TRUE(source.GetDataHere(bytes.data()));
    const fs::path temp = *GetTempFolder();
    const Strings paths = {Utf8FromPath(temp / "GAME.bin"),
                           Utf8FromPath(temp / PathFromUtf8(kGames))};
#ifdef __WXMSW__
    // The shell's CF_HDROP block itself, in 16-bit characters.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), BuildDropBlock(paths, true));
#else
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ToUriList(paths));
#endif
    EXPECT_EQ(source.RenderCount(), 1);

    // A long extraction shows its progress; cancelled, the request fails.
    win.ProgressFactory() = [](ProgressWords) { return [](size_t, size_t) { return false; }; };
    EXPECT_EQ(source.GetDataSize(), 0u);
}

// The title and labels of the About box that `open` shows; the box is closed again.
Strings AboutBoxTexts(CExplorerDlg* dlg, const std::function<void()>& open) {
    Strings texts;
    dlg->CallAfter([&] {
        for (wxWindow* window : wxTopLevelWindows) {
            auto* about = dynamic_cast<wxDialog*>(window);
            if (!about || about == dlg || !about->IsModal())
                continue;
            texts.push_back(about->GetTitle().utf8_string());
            for (wxWindow* child : about->GetChildren()) {
                texts.push_back(wxControl::RemoveMnemonics(child->GetLabel()).utf8_string());
                const wxSize size = child->GetSize(), best = child->GetBestSize();
                EXPECT_TRUE(!dynamic_cast<wxStaticText*>(child) ||
                            (size.x >= best.x && size.y >= best.y))
                    << "cut off: " << texts.back();
                EXPECT_TRUE(about->GetClientRect().Contains(child->GetRect()))
                    << "outside: " << texts.back();
            }
            about->EndModal(wxID_OK);
        }
    });
    open();
    return texts;
}

// Every command from the keyboard, and every action answered: Ctrl+A takes every row but
// "..", Enter on a selection with a directory and F3 or Enter on an unreadable entry say
// why nothing opens, Ctrl+E's export says where it went.
TEST_F(Ravelko, KeysReachTheCommandsAndEveryActionAnswers) {
    Open();
    Key('A', wxMOD_CONTROL);
    EXPECT_EQ(win.List().GetSelectedItemCount(), 4);
    Select({2});
    Key(WXK_RETURN);
    Key('A', wxMOD_CONTROL);
    EXPECT_EQ(win.List().GetSelectedItemCount(), 1);
    EXPECT_EQ(win.List().GetItemState(0, wxLIST_STATE_SELECTED), 0); // not ".."
    Key(WXK_BACK);
    Select({0, 3});
    Key(WXK_RETURN);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Enter opens one directory, or files only: select either to open them.");

    TempDir out;
    win.ChooseFolder() = [&](const std::string&) { return std::optional(out.Path().string()); };
    Select({0, 1});
    Key('E', wxMOD_CONTROL);
    EXPECT_EQ(Pane(0), "2 files written to " + out.Path().string());
    EXPECT_EQ(messages.size(), 1u); // no box to close

    AndosBuilder b;
    b.SetFat(b.Image()[b.File(0, "\xC5GONE", "TXT", 0, Filled(30)) + 26], 0xFF8); // reused
    Drop(files.Write("gone.bkd", b.Image()));
    Select({0});
    Key(WXK_F3);
    Key(WXK_RETURN);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[1], "?GONE.TXT cannot be shown as text: deleted entry; its data may have "
                           "been overwritten.");
    EXPECT_NE(messages[2].find("?GONE.TXT: deleted entry"), std::string::npos) << messages[2];
    EXPECT_TRUE(launches.empty());
    const Strings about = AboutBoxTexts(dlg, [this] { Key(WXK_F1); });
    EXPECT_EQ(about.empty() ? "" : about[0], "About Ravelko");
}

// As file managers do: a header's click sorts, the selection's count and bytes show, the
// numbers' columns say octal, deleted rows are grey, and every text fits: the status bar
// as high as its font, the type column as wide as "<DIR> deleted".
TEST_F(Ravelko, SortingTotalsAndTextsThatFit) {
    Open();
    const auto header = [this](int column) {
        wxListEvent click(wxEVT_LIST_COL_CLICK, IDC_FILE_LIST);
        click.m_col = column;
        click.SetEventObject(&win.List());
        dlg->ProcessWindowEvent(click);
    };
    header(3); // by size, directories first
    EXPECT_EQ(Column(), (Strings{"EMPTY", kGames, "TEXT.TXT", "GAME"}));
    Select({2, 3});
    EXPECT_TRUE(PumpUntil([&] { return Pane(3) == "2 selected, 67 bytes"; })) << Pane(3);
    header(3); // the selected rows stay selected where they move
    EXPECT_EQ(Column(), (Strings{"GAME", "TEXT.TXT", kGames, "EMPTY"}));
    EXPECT_EQ(win.List().GetSelectedItemCount(), 2);
    EXPECT_EQ(win.List().GetItemState(0, wxLIST_STATE_SELECTED), wxLIST_STATE_SELECTED);
    EXPECT_EQ(win.List().GetItemState(1, wxLIST_STATE_SELECTED), wxLIST_STATE_SELECTED);
    header(3);
    header(0); // by name, then down, then the catalog's order
    EXPECT_EQ(Column(), (Strings{"EMPTY", "GAME", "TEXT.TXT", kGames}));
    header(0);
    EXPECT_EQ(Column(), (Strings{kGames, "TEXT.TXT", "GAME", "EMPTY"}));
    header(0);
    EXPECT_EQ(Column(), (Strings{"GAME", "TEXT.TXT", kGames, "EMPTY"}));
    wxListItem title;
    title.SetMask(wxLIST_MASK_TEXT);
    win.List().GetColumn(2, title);
    EXPECT_EQ(title.GetText(), "Address (octal)");

    wxRect pane;
    ASSERT_TRUE(win.StatusBar().GetFieldRect(1, pane));
    EXPECT_GE(pane.height, win.StatusBar().GetTextExtent(Pane(1)).y);
    EXPECT_GE(pane.width, win.StatusBar().GetTextExtent(Pane(1)).x);
    EXPECT_GE(win.List().GetColumnWidth(1), win.List().GetTextExtent("<DIR> deleted").x);

    AndosBuilder b;
    b.File(0, "LIVE", "", 0, Filled(3));
    b.File(0, "\xC5OLD", "", 0, Filled(3)); // deleted
    Drop(files.Write("andos.bkd", b.Image()));
    EXPECT_EQ(Column(), (Strings{"LIVE", "?OLD"}));
    EXPECT_EQ(win.List().GetItemTextColour(1), wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    EXPECT_NE(win.List().GetItemTextColour(0), wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));

    // Widths, size and the check box go into the settings and come back.
    win.List().SetColumnWidth(0, 222);
    wxCommandEvent uncheck(wxEVT_CHECKBOX, IDC_ADD_BIN_EXTENSION);
    dlg->ProcessWindowEvent(uncheck);
    const ExplorerSettings saved = dlg->CurrentSettings();
    EXPECT_EQ(saved.columnWidths[0], 222);
    EXPECT_FALSE(saved.addBinExtension);
    dlg->ApplySettings(ExplorerSettings{});
    EXPECT_TRUE(win.AddBinExtension());
    dlg->ApplySettings(saved);
    EXPECT_EQ(dlg->CurrentSettings(), saved);
}

TEST_F(Ravelko, AboutBoxFromTheToolbarAndEscapeCloses) {
    const Strings texts = AboutBoxTexts(dlg, [this] { Command(ID_APP_ABOUT); });
    EXPECT_EQ(texts.size(), 6u); // the title, the icon, three lines and OK
    EXPECT_EQ(texts.empty() ? "" : texts[0], "About Ravelko");
#ifdef __WXMSW__
    // The messages Windows itself sends: the system menu's command and a toolbar click.
    wxMenu* menu = dlg->MSWGetSystemMenu();
    ASSERT_TRUE(menu);
    const size_t count = menu->GetMenuItemCount();
    ASSERT_GE(count, 2u);
    EXPECT_TRUE(menu->FindItemByPosition(count - 2)->IsSeparator());
    EXPECT_EQ(menu->FindItemByPosition(count - 1)->GetItemLabel(), "&About Ravelko...");
    const WPARAM clicked = MAKEWPARAM(ID_APP_ABOUT, BN_CLICKED);
    const auto toolbar = reinterpret_cast<LPARAM>(win.ToolBar().GetHWND());
    for (const auto& send : std::vector<std::function<void()>>{
             [this] { ::SendMessage(dlg->GetHWND(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0); },
             [&] { ::SendMessage(dlg->GetHWND(), WM_COMMAND, clicked, toolbar); }}) {
        const Strings shown = AboutBoxTexts(dlg, send);
        EXPECT_EQ(shown.empty() ? "" : shown[0], "About Ravelko");
    }
#endif
    Open();
    Key(WXK_ESCAPE);
    EXPECT_FALSE(win.Image());
    EXPECT_FALSE(dlg->IsShown());
}
