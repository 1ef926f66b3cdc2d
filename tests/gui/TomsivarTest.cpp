// Tomsivar's frame over a shared-memory object of the test's own.
#include "MainFrame.h"
#include "ScreenPicture.h"
#include "TempDir.h"
#include "WxTest.h"

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/utils.h>

#include <chrono>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

class Tomsivar : public ::testing::Test {
protected:
    std::string base = "BKTEST_" + std::to_string(std::random_device{}()) + "_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_";

    uint8_t* CreateRam(int index = 0) {
        ram = CreateRamObject(FormatRamName(base, index), RAM_MAPPING_SIZE, mapping);
        objectIndex = index;
        for (int i = 0; i < 0x10000; ++i)
            ram[i] = static_cast<uint8_t>(i * 37 + (i >> 9));
        return ram;
    }
    void OpenFrame() {
        frame = new CMainFrame(base);
        frame->m_showMessage = [this](const wxString& text) {
            messages.push_back(text.utf8_string());
        };
        frame->Show();
        frame->SetClientSize(frame->GetClientSize().x, 500);
        Pump(80);
    }
    void TearDown() override {
        if (frame) {
            frame->Destroy();
            Pump(20);
        }
        if (ram)
            DestroyRamObject(FormatRamName(base, objectIndex), mapping, RAM_MAPPING_SIZE);
    }
    void Command(int id) {
        wxCommandEvent event(wxEVT_MENU, id);
        frame->ProcessWindowEvent(event);
        Pump(10);
    }
    void SetAddressText(const char* text) {
        frame->m_address->ChangeValue(text);
        wxCommandEvent click(wxEVT_BUTTON, IDC_SET);
        frame->ProcessWindowEvent(click);
    }
    void Mouse(wxEventType type, int x, int y) {
        wxMouseEvent event(type);
        event.SetPosition(wxPoint(x, y));
        event.SetEventObject(frame->m_wndView);
        frame->m_wndView->ProcessWindowEvent(event);
    }
    bool MenuEnabled(int id) {
        frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
        return frame->GetMenuBar()->IsEnabled(id);
    }
    // The picture the view drew, against the core's composition of the same memory.
    void ExpectPictureMatchesMemory() {
        frame->m_wndView->Refresh();
        Pump(30);
        const std::vector<uint32_t>& drawn = frame->m_wndView->m_screen;
        const wxSize size = frame->m_wndView->GetClientSize();
        ASSERT_EQ(drawn.size(), static_cast<size_t>(size.x) * size.y);
        std::vector<PixelWord> words(static_cast<size_t>(StrideWords(size.x)) * size.y);
        ComposePicture(
            ram, frame->m_wAddress,
            {size.x, size.y, frame->m_wndView->m_nScale, frame->m_wndView->m_bColor != 0},
            frame->m_wndView->m_tables, words.data());
        std::vector<uint32_t> xrgb(drawn.size());
        ConvertToXrgb(words.data(), size.x, size.y, xrgb.data());
        EXPECT_TRUE(xrgb == drawn);
    }

    RamMapping mapping;
    uint8_t* ram = nullptr;
    int objectIndex = 0;
    CMainFrame* frame = nullptr;
    std::vector<std::string> messages;
};

} // namespace

TEST_F(Tomsivar, PictureMatchesMemoryAtTwoScalesInBothCodings) {
    CreateRam(2);
    OpenFrame();
    EXPECT_TRUE(frame->m_pRamLink->IsAttached());
    EXPECT_EQ(frame->m_address->GetValue(), "0");
    EXPECT_EQ(frame->m_wndView->GetClientSize().x, 512); // 64 bytes a row: the BK screen unsheared
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "Scale 1x");
    SetAddressText("40000");
    ExpectPictureMatchesMemory();
    Command(ID_VIEW_COLOR_MODE);
    EXPECT_EQ(frame->m_wndView->m_bColor, 0);
    ExpectPictureMatchesMemory();
    frame->m_scale->SetSelection(2);
    wxCommandEvent choose(wxEVT_CHOICE, IDC_SCALE);
    frame->ProcessWindowEvent(choose);
    EXPECT_EQ(frame->m_wndView->m_nScale, 4);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(0), "Scale 4x");
    ExpectPictureMatchesMemory();
    Command(ID_VIEW_COLOR_MODE);
    ExpectPictureMatchesMemory();
    EXPECT_TRUE(messages.empty());
}

TEST_F(Tomsivar, WaitsForTheEmulatorAndSaysWhenItCame) {
    OpenFrame();
    EXPECT_FALSE(frame->m_pRamLink->IsAttached());
    EXPECT_TRUE(frame->m_wndView->m_screen.empty()); // the empty background
    CreateRam(1);
    const auto start = std::chrono::steady_clock::now();
    while (messages.empty() && std::chrono::steady_clock::now() - start < std::chrono::seconds(3))
        Pump(10);
    EXPECT_EQ(messages, std::vector<std::string>{"Zelmarin detected!"});
    ExpectPictureMatchesMemory();
}

TEST_F(Tomsivar, AddressTextsOfTheSetButton) {
    CreateRam();
    OpenFrame();
    // The parse itself is the core's (tested there); here, what the field shows after it
    // and what the user is told. A refused text leaves the address and shows it again.
    const struct {
        const char* typed;
        uint16_t address;
        const char* shown;
        const char* told;
    } cases[] = {
        {"177777", 0xFFFF, "177777", nullptr},
        {"200000", 0xFFFF, "177777", "The address is at most 177777, the last byte of the memory."},
        {"", 0xFFFF, "177777", "The address is octal: type up to six digits from 0 to 7."},
        {"40000", 040000, "40000", nullptr}};
    for (const auto& c : cases) {
        messages.clear();
        SetAddressText(c.typed);
        EXPECT_EQ(frame->m_wAddress, c.address) << c.typed;
        EXPECT_EQ(frame->m_address->GetValue(), c.shown) << c.typed;
        EXPECT_EQ(messages, c.told ? std::vector<std::string>{c.told} : std::vector<std::string>{})
            << c.typed;
    }
    // Enter in the field sets the address as the button does, and moves the scroll thumb.
    frame->m_address->ChangeValue("1000");
    wxCommandEvent enter(wxEVT_TEXT_ENTER, IDC_ADDRESS);
    frame->m_address->ProcessWindowEvent(enter);
    EXPECT_EQ(frame->m_wAddress, 01000);
    EXPECT_EQ(frame->m_wndView->GetScrollPos(wxVERTICAL), 01000);
}

TEST_F(Tomsivar, RowByteAndScrollCommandsClamp) {
    CreateRam();
    OpenFrame();
    const int row = frame->m_wndView->BytesPerRow();
    ASSERT_GT(row, 0);
    frame->SetAddress(0xFFF0);
    Command(ID_ROW_DOWN);
    EXPECT_EQ(frame->m_wAddress, 0xFFFF);
    Command(ID_BYTE_RIGHT);
    EXPECT_EQ(frame->m_wAddress, 0xFFFF);
    frame->SetAddress(5);
    Command(ID_ROW_UP);
    EXPECT_EQ(frame->m_wAddress, 0);
    Command(ID_BYTE_LEFT);
    EXPECT_EQ(frame->m_wAddress, 0);
    Command(ID_BYTE_RIGHT);
    EXPECT_EQ(frame->m_wAddress, 1);
    EXPECT_EQ(frame->m_wndView->GetScrollPos(wxVERTICAL), 1);
    EXPECT_EQ(frame->m_wndView->GetScrollRange(wxVERTICAL),
              frame->m_wndView->BytesPerPage() + 0x10001);

    // A scroll step after "&Set" goes on from the address set.
    SetAddressText("1000");
    wxScrollWinEvent step(wxEVT_SCROLLWIN_LINEDOWN, 0, wxVERTICAL);
    frame->m_wndView->ProcessWindowEvent(step);
    EXPECT_EQ(frame->m_wAddress, 01000 + row);

    // The viewer's keys, except in the address field: arrows, End and Home, both
    // keyboards' + and -, Scroll Lock.
    frame->m_wndView->SetFocus();
    const auto press = [&](int key) {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = key;
        frame->ProcessWindowEvent(event);
    };
    press(WXK_DOWN);
    EXPECT_EQ(frame->m_wAddress, 01000 + 2 * row);
    press(WXK_END);
    EXPECT_EQ(frame->m_wAddress, 0x10000 - frame->m_wndView->BytesPerPage());
    press(WXK_HOME);
    EXPECT_EQ(frame->m_wAddress, 0);
    press('+');
    EXPECT_EQ(frame->m_nScaleIndex, 1);
    press('-');
    EXPECT_EQ(frame->m_nScaleIndex, 0);
    press(WXK_SCROLL);
    EXPECT_EQ(frame->m_wndView->m_bColor, 0);
    frame->m_address->SetFocus();
    press(WXK_HOME);
    press(WXK_END);
    EXPECT_EQ(frame->m_wAddress, 0);
}

TEST_F(Tomsivar, ZoomLimitsGreyTheMenuAndScaleChangesClearTheSelection) {
    CreateRam();
    OpenFrame();
    EXPECT_FALSE(MenuEnabled(ID_VIEW_ZOOM_OUT));
    EXPECT_TRUE(MenuEnabled(ID_VIEW_ZOOM_IN));
    EXPECT_FALSE(MenuEnabled(ID_FILE_SAVE_SELECTION));
    Mouse(wxEVT_LEFT_DOWN, 20, 7);
    Mouse(wxEVT_LEFT_UP, 20, 7);
    EXPECT_TRUE(MenuEnabled(ID_FILE_SAVE_SELECTION)); // a click alone selects an empty rectangle
    for (int i = 0; i < 7; ++i)
        Command(ID_VIEW_ZOOM_IN);
    EXPECT_EQ(frame->m_nScaleIndex, 5);
    EXPECT_EQ(frame->m_scale->GetSelection(), 5);
    EXPECT_FALSE(MenuEnabled(ID_VIEW_ZOOM_IN));
    EXPECT_TRUE(MenuEnabled(ID_VIEW_ZOOM_OUT));
    EXPECT_FALSE(frame->m_wndView->HasSelection());
    EXPECT_FALSE(MenuEnabled(ID_FILE_SAVE_SELECTION));
}

TEST_F(Tomsivar, DraggedSelectionSavesWhatRamgrabWrites) {
    CreateRam();
    OpenFrame();
    SetAddressText("40000");
    const int width = frame->m_wndView->GetClientSize().x;
    const int row = width / 8; // whole byte columns
    Mouse(wxEVT_LEFT_DOWN, 3, 2);
    Mouse(wxEVT_MOTION, width + 500, 99); // held past the edge: the last whole column
    Mouse(wxEVT_LEFT_UP, width + 500, 99);
    EXPECT_EQ(frame->m_wndView->m_rcSel, (SelRect{0, 2, 8 * row, 99}));

    testimg::TempDir dir;
    const std::string path = (dir.Path() / "grab").string(); // typed without extension
    frame->m_choosePath = [&] { return std::optional<std::string>(path); };
    Command(ID_FILE_SAVE_SELECTION);
    ASSERT_TRUE(fs::exists(path + ".bmp"));

    char address[16];
    std::snprintf(address, sizeof address, "%o", 040000 + 2 * row);
    const std::string grab = (dir.Path() / "ramgrab.bmp").string();
    const std::string command = std::string(RAMGRAB_PATH) + " --name " + base + " --address " +
                                address + " --bytes-per-row " + std::to_string(row) +
                                " --rows 97 " + grab;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(testimg::ReadAll(path + ".bmp"), testimg::ReadAll(grab));

    // The completed name exists now: replaced only after the question.
    bool asked = false;
    frame->m_confirm = [&](const wxString&) { return asked = true, false; };
    Command(ID_VIEW_COLOR_MODE);
    Command(ID_FILE_SAVE_SELECTION);
    EXPECT_TRUE(asked);
    EXPECT_EQ(testimg::ReadAll(path + ".bmp"), testimg::ReadAll(grab));
}

TEST_F(Tomsivar, SaveFailuresAndEmptySelectionsAreReported) {
    CreateRam();
    OpenFrame();
    Command(ID_FILE_SAVE_SELECTION);
    ASSERT_EQ(messages.size(), 1u); // nothing selected: nothing to save
    EXPECT_EQ(messages[0].rfind("Nothing to save", 0), 0u);
    Mouse(wxEVT_LEFT_DOWN, 16, 16);
    Mouse(wxEVT_MOTION, 64, 40);
    Mouse(wxEVT_LEFT_UP, 64, 40);
    frame->m_choosePath = [] { return std::optional<std::string>("/nonexistent-folder/x.bmp"); };
    Command(ID_FILE_SAVE_SELECTION);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "Can't save file\n/nonexistent-folder/x.bmp\nNo such file or directory");
}

TEST_F(Tomsivar, ClosingWhileWaitingEndsPromptlyAndLeavesNothing) {
    OpenFrame();
    ASSERT_FALSE(frame->m_pRamLink->IsAttached());
    delete frame; // the link's own test times how promptly its watcher stops
    frame = nullptr;
    for (int i = 0; i < RAM_NAME_SUFFIXES; ++i)
        EXPECT_FALSE(RamObjectExists(FormatRamName(base, i))) << i;
    EXPECT_TRUE(messages.empty());
}

namespace {

// Pumps events until `done` holds (five seconds at most); whether it came.
template <typename Condition> bool PumpUntil(Condition done) {
    for (int i = 0; i < 500 && !done(); ++i)
        Pump(10);
    return done();
}

} // namespace

// With Live Update on, a change of the visible memory shows by itself; off, the picture
// waits for a repaint as it always did.
TEST_F(Tomsivar, LiveUpdateShowsChangesAndOffWaitsForRefresh) {
    CreateRam();
    OpenFrame();
    EXPECT_TRUE(frame->m_bLiveUpdate);
    const std::vector<uint32_t> before = frame->m_wndView->m_screen;
    ram[0] ^= 0xFF;
    EXPECT_TRUE(PumpUntil([&] { return frame->m_wndView->m_screen != before; }));
    ExpectPictureMatchesMemory();

    Command(ID_VIEW_LIVE_UPDATE);
    EXPECT_FALSE(frame->m_bLiveUpdate);
    EXPECT_FALSE(frame->m_pRamLink->IsLive()); // nothing looks at the memory by itself
    ram[1] ^= 0xFF;
    Command(ID_VIEW_REFRESH);
    ExpectPictureMatchesMemory();
}

#ifndef _WIN32
// The stand-in as a process of its own: stopped, the viewer shows the background and says
// so; started again with other memory, it is detected and shown.
TEST_F(Tomsivar, FollowsTheStandInThroughARestart) {
    const auto start = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = {ZELMARIN_SIM_PATH, "--name", base};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<const char*> argv;
        for (const auto& arg : args)
            argv.push_back(arg.c_str());
        argv.push_back(nullptr);
        return wxExecute(argv.data(), wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE);
    };
    const long first = start({});
    ASSERT_GT(first, 0);
    OpenFrame();
    ASSERT_TRUE(PumpUntil([&] { return frame->m_pRamLink->IsAttached(); }));
    wxKill(first, wxSIGTERM);
    ASSERT_TRUE(PumpUntil([&] { return !frame->GetStatusBar()->GetStatusText(1).empty(); }));
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(1),
              "The emulator has gone; waiting for it to start again");
    EXPECT_EQ(frame->m_pRamLink->GetRam(), nullptr);
    Pump(30);
    EXPECT_TRUE(frame->m_wndView->m_screen.empty()); // the background

    messages.clear();
    const long second = start({"--at", "40000", SAMPLE_SCREEN});
    ASSERT_GT(second, 0);
    ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); }));
    EXPECT_EQ(messages, std::vector<std::string>{"Zelmarin detected!"});
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(1), "");
    const auto screen = testimg::ReadAll(SAMPLE_SCREEN);
    ASSERT_NE(frame->m_pRamLink->GetRam(), nullptr);
    EXPECT_TRUE(std::equal(screen.begin(), screen.end(), frame->m_pRamLink->GetRam() + 040000));
    wxKill(second, wxSIGTERM);
    PumpUntil([&] { return !frame->m_pRamLink->IsAttached(); });
}
#endif
