// Ravelko's window, constructed for real (modeless) and driven through its own controls.
#include "DropFiles.h"
#include "ExplorerDlg.h"
#include "Export.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageBuilders.h"
#include "TempDir.h"
#include "WxTest.h"

#include <gtest/gtest.h>
#include <wx/clipbrd.h>
#include <wx/utils.h>
#include <wx/control.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#endif

#include <cstdlib>
#include <fstream>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

struct Launch {
    std::string kind;
    std::string path;
    bool operator==(const Launch&) const = default;
};

// Records what would be started; `starts` says whether it would start.
class RecordingLauncher : public ILauncher {
public:
    explicit RecordingLauncher(std::vector<Launch>& log) : m_log(log) {}
    bool OpenWithDefaultApp(const std::string& path) override { return Record("open", path); }
    bool OpenInTextEditor(const std::string& path) override { return Record("text", path); }
    bool starts = true;

private:
    bool Record(const char* kind, const std::string& path) {
        m_log.push_back({kind, path});
        return starts;
    }
    std::vector<Launch>& m_log;
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

// The variable that names the host's temporary folder.
#ifdef _WIN32
constexpr const char* kTempVariable = "TMP";
void SetEnvironment(const char* name, const char* value) {
    _putenv_s(name, value ? value : "");
}
#else
constexpr const char* kTempVariable = "TMPDIR";
void SetEnvironment(const char* name, const char* value) {
    value ? setenv(name, value, 1) : unsetenv(name);
}
#endif

class Ravelko : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv(kTempVariable);
        if (old)
            savedTemp = old;
        SetEnvironment(kTempVariable, tmp.Path().string().c_str());
        dlg = new CExplorerDlg(nullptr);
        dlg->m_showMessage = [this](const wxString& text) {
            messages.push_back(text.utf8_string());
        };
        auto recording = std::make_unique<RecordingLauncher>(launches);
        launcher = recording.get();
        dlg->m_launcher = std::move(recording);
        dlg->Show();
        Pump(50);
        imagePath = files.Write("sample.img", SampleImage());
    }
    void TearDown() override {
        dlg->Destroy();
        Pump(20);
        SetEnvironment(kTempVariable, savedTemp ? savedTemp->c_str() : nullptr);
    }

    void Open() {
        ASSERT_EQ(dlg->OpenImage(imagePath), 0);
        dlg->m_pImage->ChangeDir("");
        dlg->FillList();
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (long i = 0; i < dlg->m_list->GetItemCount(); ++i)
            texts.push_back(dlg->m_list->GetItemText(i, column).utf8_string());
        return texts;
    }
    void Select(std::initializer_list<long> rows) {
        for (long i = 0; i < dlg->m_list->GetItemCount(); ++i)
            dlg->m_list->SetItemState(i, 0, wxLIST_STATE_SELECTED);
        for (long row : rows)
            dlg->m_list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    }
    bool Enabled(int tool) const { return dlg->m_toolBar->GetToolEnabled(tool); }
    void Command(int tool) {
        wxCommandEvent event(wxEVT_TOOL, tool);
        event.SetEventObject(dlg->m_toolBar);
        dlg->m_toolBar->ProcessWindowEvent(event);
    }
    void Key(int code) {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = code;
        dlg->ProcessWindowEvent(event);
    }

    TempDir tmp, files;
    std::optional<std::string> savedTemp;
    CExplorerDlg* dlg = nullptr;
    std::string imagePath;
    std::vector<std::string> messages;
    std::vector<Launch> launches;
    RecordingLauncher* launcher = nullptr;
};

} // namespace

TEST_F(Ravelko, OpeningFillsRowsPanesAndButtons) {
    Pump(30);
    EXPECT_FALSE(Enabled(ID_SAVE_BINS));
    EXPECT_FALSE(Enabled(ID_VIEW_AS_TEXT));
    EXPECT_TRUE(dlg->m_addBinCheck->GetValue());
    EXPECT_EQ(dlg->GetTitle(), "Ravelko");
    Open();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"GAME", "TEXT.TXT",
                                                   "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB", "EMPTY"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"", "", "<DIR>", "<DIR>"}));
    EXPECT_EQ(Column(2), (std::vector<std::string>{"1000", "0", "", ""}));
    EXPECT_EQ(Column(3), (std::vector<std::string>{"100", "3", "", ""}));
    EXPECT_EQ(dlg->m_statusBar->GetStatusText(1), "MKDOS");
    EXPECT_EQ(dlg->m_statusBar->GetStatusText(2), "800 Kb");
    EXPECT_EQ(dlg->GetTitle().utf8_string(), "sample.img \xE2\x80\x94 Ravelko");
    EXPECT_EQ(dlg->m_statusBar->GetStatusText(0), "\\");
}

TEST_F(Ravelko, SelectionDrivesTheToolbarWithinOneTick) {
    Open();
    const struct {
        std::initializer_list<long> rows;
        bool save, view;
    } cases[] = {{{0}, true, true}, {{2}, true, false}, {{0, 1}, true, false}, {{}, false, false}};
    for (const auto& c : cases) {
        Select(c.rows);
        Pump(25);
        EXPECT_EQ(Enabled(ID_SAVE_BINS), c.save);
        EXPECT_EQ(Enabled(ID_VIEW_AS_TEXT), c.view);
    }
    EXPECT_TRUE(Enabled(ID_OPEN_IMAGE));
    EXPECT_TRUE(Enabled(ID_APP_ABOUT));
}

TEST_F(Ravelko, DoubleClickAndEnterWalkDirectories) {
    Open();
    Select({2});
    dlg->OnDblClkList();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"..", "INNER"}));
    EXPECT_EQ(dlg->m_list->GetSelectedItemCount(), 0);
    Select({0});
    Key(WXK_RETURN);
    EXPECT_EQ(Column(0).size(), 4u);
    EXPECT_TRUE(dlg->IsShown()); // Enter never closes the window
    Select({3});
    Key(WXK_NUMPAD_ENTER);
    EXPECT_EQ(Column(0), std::vector<std::string>{".."});
    dlg->m_list->DeleteAllItems(); // with nothing selected, nothing happens
    dlg->OnDblClkList();
    EXPECT_TRUE(launches.empty());
}

// After every refill the keyboard works at once: the list has the focus and a current row.
TEST_F(Ravelko, KeysWorkAfterEveryRefill) {
    const auto current = [this] {
        return dlg->m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    };
    dlg->OpenDroppedFile(imagePath);
    EXPECT_EQ(current(), 0);
    Select({2});
    dlg->OnDblClkList(); // into ИГРЫ: the first row is current, nothing is selected
    EXPECT_EQ(dlg->m_statusBar->GetStatusText(0).utf8_string(),
              "\\\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB");
    EXPECT_EQ(wxWindow::FindFocus(), dlg->m_list);
    EXPECT_EQ(current(), 0);
    EXPECT_EQ(dlg->m_list->GetSelectedItemCount(), 0);
    Key(WXK_BACK); // up, onto the directory we came from
    ASSERT_EQ(Column(0).size(), 4u);
    EXPECT_EQ(current(), 2);
    EXPECT_EQ(dlg->m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED), 2);
    Key(WXK_BACK); // at the root: nothing
    EXPECT_EQ(Column(0).size(), 4u);
    Key(WXK_RETURN); // into it again
    EXPECT_EQ(Column(0), (std::vector<std::string>{"..", "INNER"}));
}

// A failed open (missing, unknown, read-only, dropped) leaves the open image usable.
TEST_F(Ravelko, FailedOpenKeepsThePreviousImageUsable) {
    Open();
    const std::string unknown = files.Write("text.img", Bytes(4096, 'x'));
    for (const std::string& path : {Utf8FromPath(files.Path() / "missing.img"), unknown}) {
        Select({0});
        EXPECT_EQ(dlg->OpenImage(path), 1);
        dlg->m_dropTarget->OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(path)));
        Pump(25);
        EXPECT_TRUE(Enabled(ID_SAVE_BINS)) << path;
        EXPECT_EQ(Column(0).size(), 4u);
        EXPECT_EQ(dlg->m_statusBar->GetStatusText(1), "MKDOS");
    }
    ASSERT_EQ(messages.size(), 4u); // the system's message, and why on a second line
    EXPECT_EQ(messages[0].rfind("Wrong image format, or image file has read-only attribute.\n"
                                "The file cannot be read: ",
                                0),
              0u)
        << messages[0];
    EXPECT_EQ(messages[2], "Wrong image format, or image file has read-only attribute.\n"
                           "It is not a BK disk image of a known format.");
    Select({2});
    dlg->OnDblClkList(); // the directory still opens
    EXPECT_EQ(Column(0), (std::vector<std::string>{"..", "INNER"}));
}

TEST_F(Ravelko, DroppedFilesOpenByExtension) {
    const std::string upper = files.Write("DISK.IMG", SampleImage());
    const std::string other = files.Write("disk.img.bak", SampleImage());
    dlg->m_dropTarget->OnDropFiles(0, 0, wxArrayString(1, wxString::FromUTF8(other)));
    EXPECT_FALSE(dlg->m_pImage);
    wxArrayString dropped;
    dropped.Add(wxString::FromUTF8(upper));
    dropped.Add(wxString::FromUTF8(other));
    dlg->m_dropTarget->OnDropFiles(0, 0, dropped);
    ASSERT_TRUE(dlg->m_pImage);
    EXPECT_EQ(Column(0).size(), 4u);
}

TEST_F(Ravelko, ResizeMovesOnlyListCheckBoxAndStatusBar) {
    const wxSize start = dlg->GetSize();
    EXPECT_EQ(dlg->GetMinClientSize(), dlg->GetClientSize());
    const wxRect list = dlg->m_list->GetRect(), check = dlg->m_addBinCheck->GetRect(),
                 tools = dlg->m_toolBar->GetRect();
    dlg->SetSize(start + wxSize(50, 30));
    Pump(100);
    ASSERT_EQ(dlg->GetSize(), start + wxSize(50, 30));
    EXPECT_EQ(dlg->m_list->GetRect(), wxRect(list.GetPosition(), list.GetSize() + wxSize(50, 30)));
    EXPECT_EQ(dlg->m_addBinCheck->GetRect(),
              wxRect(check.GetPosition() + wxPoint(0, 30), check.GetSize()));
    EXPECT_EQ(dlg->m_toolBar->GetRect(), tools);
    const wxSize client = dlg->GetClientSize();
    EXPECT_EQ(dlg->m_statusBar->GetRect(), wxRect(0, client.y - 20, client.x, 20));
}

TEST_F(Ravelko, ExportThroughTheReplacedFolderDialog) {
    Open();
    TempDir out;
    std::vector<std::string> starts;
    dlg->m_chooseFolder = [&](const std::string& start) -> std::optional<std::string> {
        starts.push_back(start);
        return Utf8FromPath(out.Path());
    };
    Select({0, 2});
    Command(ID_SAVE_BINS);
    EXPECT_TRUE(fs::exists(out.Path() / "GAME.bin"));
    EXPECT_EQ(fs::file_size(out.Path() / "GAME.bin"), 68u);
    EXPECT_TRUE(
        fs::exists(out.Path() / PathFromUtf8("\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB") / "INNER.bin"));
    EXPECT_TRUE(messages.empty()); // everything written: nothing to say
    fs::create_directory(out.Path() / "TEXT.TXT");
    Select({1});
    Command(ID_SAVE_BINS); // a folder in the way of a file: said after the export
    EXPECT_EQ(messages,
              std::vector<std::string>{"Files written: 0. Entries not exported: 1.\nTEXT.TXT: "
                                       "something other than a file is in the way"});
    Select({0, 2});

    dlg->m_addBinCheck->SetValue(false); // clicking the box toggles the flag
    wxCommandEvent click(wxEVT_CHECKBOX, IDC_ADD_BIN_EXTENSION);
    dlg->ProcessWindowEvent(click);
    EXPECT_FALSE(dlg->m_bAddBinExtension);
    Command(ID_SAVE_BINS);
    EXPECT_TRUE(fs::exists(out.Path() / "GAME"));
    ASSERT_EQ(starts.size(), 3u); // the chooser opens at home, then where the last export went
    EXPECT_EQ(starts[0], wxGetHomeDir().utf8_string());
    EXPECT_EQ(starts[1], Utf8FromPath(out.Path()));
    Pump(25);
    EXPECT_FALSE(dlg->m_addBinCheck->GetValue());
}

TEST_F(Ravelko, LauncherGetsTheExtractedFiles) {
    Open();
    Select({1});
    Command(ID_VIEW_AS_TEXT);
    const fs::path temp = *GetTempFolder();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0], (Launch{"text", Utf8FromPath(temp / "TEXT.TXT")}));
    const Bytes text = {'h', 'i', 0x0A};
    EXPECT_EQ(ReadAll(temp / "TEXT.TXT"), TextViewBytes(text.data(), 3, HostTextForm()));

    Select({0, 1});
    dlg->OnDblClkList();
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[1], (Launch{"open", Utf8FromPath(temp / "GAME.bin")}));
    EXPECT_TRUE(fs::exists(temp / "TEXT.TXT"));

    dlg->m_exportProgress = [] { return [](size_t, size_t) { return false; }; }; // Cancel at once
    Select({0, 1});
    dlg->OnDblClkList();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("The export was cancelled", 0), 0u);
    EXPECT_EQ(launches.size(), 2u); // nothing opened
    messages.clear();
    dlg->m_exportProgress = [] { return ExportProgress(); };

    launcher->starts = false; // no program: the user hears of it, with the file's path
    dlg->OnDblClkList();
    Select({1});
    Command(ID_VIEW_AS_TEXT);
    EXPECT_EQ(messages,
              (std::vector<std::string>{
                  "No program could be started to show the file written as\n" + launches[1].path,
                  "No program could be started to show the file written as\n" + launches[0].path}));
}

#ifndef _WIN32
// The desktop's opener gets the path as one argument, whatever the name holds, and its
// failure reaches the user.
TEST_F(Ravelko, HostOpenerGetsThePathAndItsFailureIsReported) {
    TempDir bin;
    const fs::path mark = bin.Path() / "argument";
    const std::string script =
        "#!/bin/sh\nprintf %s \"$1\" > '" + mark.string() + "'\necho noise >&2\nexit 3\n";
    const std::string opener = bin.Write("xdg-open", Bytes(script.begin(), script.end()));
    fs::permissions(opener, fs::perms::owner_all);
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", (bin.Path().string() + ":" + oldPath).c_str(), 1);
    std::vector<std::string> gaveUp;
    CHostLauncher host([&](const std::string& path) { gaveUp.push_back(path); });
    const std::string hostile = (files.Path() / "$(touch pwned) `x` 'q'.bin").string();
    EXPECT_TRUE(host.OpenWithDefaultApp(hostile));
    for (int i = 0; i < 300 && gaveUp.empty(); ++i)
        Pump(10);
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(gaveUp, std::vector<std::string>{hostile});
    const Bytes argument = ReadAll(mark);
    EXPECT_EQ(std::string(argument.begin(), argument.end()), hostile);
    EXPECT_FALSE(fs::exists("pwned"));

    // The text editor: the desktop's default needs a terminal, so the next one is taken.
    TempDir xdg;
    fs::create_directories(xdg.Path() / "applications");
    std::ofstream(xdg.Path() / "applications" / "vim.desktop")
        << "[Desktop Entry]\nExec=vim %f\nTerminal=true\n";
    std::ofstream(xdg.Path() / "applications" / "pad.desktop")
        << "[Desktop Entry]\nExec=" << opener << " %f\n";
    std::ofstream(xdg.Path() / "applications" / "mimeinfo.cache")
        << "[MIME Cache]\ntext/plain=vim.desktop;pad.desktop\n";
    for (const char* variable :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        setenv(variable, xdg.Path().c_str(), 1); // this desktop only
    fs::remove(mark);
    gaveUp.clear();
    EXPECT_TRUE(host.OpenInTextEditor(hostile));
    for (int i = 0; i < 300 && gaveUp.empty(); ++i)
        Pump(10);
    for (const char* variable :
         {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"})
        unsetenv(variable);
    const Bytes edited = ReadAll(mark);
    EXPECT_EQ(std::string(edited.begin(), edited.end()), hostile);
}
#endif

TEST_F(Ravelko, DragDataIsRenderedOnlyWhenAskedAndAnewEachTime) {
    Open();
    Select({0, 2});
    CFileDataSource& source = dlg->m_list->m_dataSource;
    EXPECT_EQ(source.RenderCount(), 0);
    std::vector<char> bytes(source.GetDataSize());
    ASSERT_TRUE(source.GetDataHere(bytes.data()));
    const fs::path temp = *GetTempFolder();
    const std::vector<std::string> paths = {
        Utf8FromPath(temp / "GAME.bin"),
        Utf8FromPath(temp / PathFromUtf8("\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB"))};
#ifdef __WXMSW__
    // The shell's CF_HDROP block itself, in 16-bit characters.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), BuildDropBlock(paths, true));
#else
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), ToUriList(paths));
#endif
    EXPECT_EQ(source.RenderCount(), 1);

    // Through the clipboard: the data goes out as a file list and is rendered on request.
    auto* offered = new CFileDataSource([this] { return dlg->RenderDropFiles(); });
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->SetData(offered);
    EXPECT_EQ(offered->RenderCount(), 0);
    wxFileDataObject received;
    ASSERT_TRUE(wxTheClipboard->GetData(received));
    EXPECT_GE(offered->RenderCount(), 1);
    wxTheClipboard->Clear();
    wxTheClipboard->Close();
    ASSERT_EQ(received.GetFilenames().size(), 2u);
    EXPECT_EQ(received.GetFilenames()[0].utf8_string(), paths[0]);
    EXPECT_EQ(received.GetFilenames()[1].utf8_string(), paths[1]);

    // A long extraction shows its progress; cancelled, the request fails.
    dlg->m_exportProgress = [] { return [](size_t, size_t) { return false; }; };
    EXPECT_EQ(source.GetDataSize(), 0u);
}

// The title and labels of the About box that `open` shows; the box is closed again.
std::vector<std::string> AboutBoxTexts(CExplorerDlg* dlg, const std::function<void()>& open) {
    std::vector<std::string> texts;
    dlg->CallAfter([&] {
        for (wxWindow* window : wxTopLevelWindows) {
            auto* about = dynamic_cast<wxDialog*>(window);
            if (!about || about == dlg || !about->IsModal())
                continue;
            texts.push_back(about->GetTitle().utf8_string());
            for (wxWindow* child : about->GetChildren()) {
                texts.push_back(
                    wxControl::RemoveMnemonics(child->GetLabel()).utf8_string()); // as shown
                const wxSize size = child->GetSize(), best = child->GetBestSize();
                if (dynamic_cast<wxStaticText*>(child)) {
                    EXPECT_TRUE(size.x >= best.x && size.y >= best.y)
                        << "cut off: " << texts.back();
                }
                EXPECT_TRUE(about->GetClientRect().Contains(child->GetRect()))
                    << "outside: " << texts.back();
            }
            about->EndModal(wxID_OK);
        }
    });
    open();
    return texts;
}

TEST_F(Ravelko, AboutBoxFromTheToolbar) {
    EXPECT_EQ(AboutBoxTexts(dlg, [this] { Command(ID_APP_ABOUT); }),
              (std::vector<std::string>{
                  "About Ravelko", "", "Ravelko Version 1.1",
                  "Zelmarin tool for image disk managing .\nFull drag & drop support",
                  "Original from BK 0010(01)", "OK"}));
}

#ifdef __WXMSW__
// The messages Windows itself sends: the system menu's command and a toolbar click.
TEST_F(Ravelko, AboutBoxFromTheSystemMenuAndTheNativeToolbar) {
    wxMenu* menu = dlg->MSWGetSystemMenu();
    ASSERT_TRUE(menu);
    const size_t count = menu->GetMenuItemCount();
    ASSERT_GE(count, 2u);
    EXPECT_TRUE(menu->FindItemByPosition(count - 2)->IsSeparator());
    EXPECT_EQ(menu->FindItemByPosition(count - 1)->GetItemLabel(), "&About Ravelko...");
    const auto texts = AboutBoxTexts(
        dlg, [this] { ::SendMessage(dlg->GetHWND(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0); });
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[0], "About Ravelko");
    const auto clicked = AboutBoxTexts(dlg, [this] {
        ::SendMessage(dlg->GetHWND(), WM_COMMAND, MAKEWPARAM(ID_APP_ABOUT, BN_CLICKED),
                      reinterpret_cast<LPARAM>(dlg->m_toolBar->GetHWND()));
    });
    ASSERT_FALSE(clicked.empty());
    EXPECT_EQ(clicked[0], "About Ravelko");
}
#endif

TEST_F(Ravelko, EscapeClosesAndReleasesTheImage) {
    Open();
    Key(WXK_ESCAPE);
    EXPECT_FALSE(dlg->m_pImage);
    EXPECT_FALSE(dlg->IsShown());
}
