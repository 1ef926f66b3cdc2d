// Tomsivar's frame over a shared-memory object of the test's own.
#include "MainFrame.h"
#include "TempDir.h"
#include "TomsivarAccess.h"
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
        win.frame = frame;
        win.ShowMessage() = [this](const wxString& text) {
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
        DestroyRam();
    }
    void DestroyRam() {
        if (ram)
            DestroyRamObject(FormatRamName(base, objectIndex), mapping, RAM_MAPPING_SIZE);
        ram = nullptr;
    }
    std::string Pane(int pane) const {
        return frame->GetStatusBar()->GetStatusText(pane).utf8_string();
    }
    void Command(int id) {
        wxCommandEvent event(wxEVT_MENU, id);
        frame->ProcessWindowEvent(event);
        Pump(10);
    }
    void SetAddressText(const char* text) {
        win.AddressField().ChangeValue(text);
        wxCommandEvent click(wxEVT_BUTTON, IDC_SET);
        frame->ProcessWindowEvent(click);
    }
    void Mouse(wxEventType type, int x, int y) {
        wxMouseEvent event(type);
        event.SetPosition(wxPoint(x, y));
        event.SetEventObject(&win.View());
        win.View().ProcessWindowEvent(event);
    }
    void Drag(int x0, int y0, int x1, int y1) {
        Mouse(wxEVT_LEFT_DOWN, x0, y0);
        Mouse(wxEVT_MOTION, x1, y1);
        Mouse(wxEVT_LEFT_UP, x1, y1);
    }
    bool MenuEnabled(int id) {
        frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
        return frame->GetMenuBar()->IsEnabled(id);
    }
    uint16_t Address() const { return frame->GetAddress(); }
    // What the view drew for bytes planted at the address: 0x01 starts the first row and
    // the second, 0x40 is the first row's second byte. Mono shows bit 0 leftmost; colour
    // shows the bit pairs, 01 being blue.
    void ExpectPlantedPixels(int scale, bool colour) {
        const int row = win.View().BytesPerRow();
        ram[Address()] = ram[Address() + row] = 0x01;
        ram[Address() + 1] = 0x40;
        win.View().Refresh();
        win.View().Update(); // painted now
        const int width = win.View().GetClientSize().x;
        ASSERT_EQ(win.Screen().size(), static_cast<size_t>(width) * win.View().GetClientSize().y);
        const auto at = [&](int x, int y) { return win.Screen()[y * scale * width + x * scale]; };
        const uint32_t on = colour ? 0x0000FF : 0xFFFFFF, second = colour ? on : 0;
        EXPECT_EQ(std::vector<uint32_t>(
                      {at(0, 0), at(1, 0), at(2, 0), at(13, 0), at(14, 0), at(15, 0), at(0, 1)}),
                  std::vector<uint32_t>({on, second, 0, 0, on, second, on}))
            << "scale " << scale << (colour ? ", colour" : ", mono");
        EXPECT_EQ(win.Screen()[(scale - 1) * width + scale - 1], on); // each pixel a square
    }

    RamMapping mapping;
    uint8_t* ram = nullptr;
    int objectIndex = 0;
    CMainFrame* frame = nullptr;
    TomsivarAccess win{nullptr};
    std::vector<std::string> messages;
};

} // namespace

TEST_F(Tomsivar, PictureShowsMemoryAtTwoScalesInBothCodings) {
    CreateRam(2);
    OpenFrame();
    EXPECT_TRUE(win.Link().IsAttached());
    EXPECT_EQ(win.AddressField().GetValue(), "0");
    EXPECT_EQ(win.View().GetClientSize().x, 512); // 64 bytes a row: the BK screen unsheared
    EXPECT_EQ(Pane(0), "Scale 1x");
    SetAddressText("40000");
    ExpectPlantedPixels(1, true);
    Command(ID_VIEW_COLOR_MODE);
    ExpectPlantedPixels(1, false);
    win.ScaleChoice().SetSelection(2);
    wxCommandEvent choose(wxEVT_CHOICE, IDC_SCALE);
    frame->ProcessWindowEvent(choose);
    EXPECT_EQ(win.Scale(), 4);
    EXPECT_EQ(Pane(0), "Scale 4x");
    ExpectPlantedPixels(4, false);
    Command(ID_VIEW_COLOR_MODE);
    ExpectPlantedPixels(4, true);
    EXPECT_TRUE(messages.empty());
}

// Started before the emulator, the viewer shows the background and says when it came; it
// follows the emulator through a restart, and closed, it leaves nothing behind.
TEST_F(Tomsivar, WaitsForTheEmulatorAndFollowsItThroughARestart) {
    OpenFrame();
    EXPECT_FALSE(win.Link().IsAttached());
    EXPECT_TRUE(win.Screen().empty()); // the empty background
    CreateRam(1);
    ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); }));
    EXPECT_EQ(messages, std::vector<std::string>{"Zelmarin detected!"});
    ExpectPlantedPixels(1, true);
#ifndef _WIN32 // a Windows section lives on while the viewer holds it
    DestroyRam();
    ASSERT_TRUE(PumpUntil([&] { return !Pane(1).empty(); }));
    EXPECT_EQ(Pane(1), "The emulator has gone; waiting for it to start again");
    EXPECT_TRUE(PumpUntil([&] { return win.Screen().empty(); })); // the background again
    messages.clear();
    CreateRam(0);
    ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); }));
    EXPECT_EQ(Pane(1), "");
    ExpectPlantedPixels(1, true);
#endif
    delete frame;
    frame = nullptr;
    for (int i = 0; i < RAM_NAME_SUFFIXES; ++i)
        EXPECT_EQ(RamObjectExists(FormatRamName(base, i)), i == objectIndex) << i;
}

// The parse itself is the core's; here, what the field shows after it and what the user
// is told. A refused text leaves the address and shows it again.
TEST_F(Tomsivar, AddressTextsOfTheSetButtonAndEnter) {
    CreateRam();
    OpenFrame();
    const struct {
        const char* typed;
        uint16_t address;
        const char* shown;
        const char* told;
    } cases[] = {
        {"177777", 0xFFFF, "177777", nullptr},
        {"200000", 0xFFFF, "177777", "The address is at most 177777, the last byte of the memory."},
        {"", 0xFFFF, "177777", "The address is octal: type up to six digits from 0 to 7."}};
    for (const auto& c : cases) {
        messages.clear();
        SetAddressText(c.typed);
        EXPECT_EQ(Address(), c.address) << c.typed;
        EXPECT_EQ(win.AddressField().GetValue(), c.shown) << c.typed;
        EXPECT_EQ(messages, c.told ? std::vector<std::string>{c.told} : std::vector<std::string>{})
            << c.typed;
    }
    // Enter in the field sets the address as the button does, and moves the scroll thumb.
    win.AddressField().ChangeValue("1000");
    wxCommandEvent enter(wxEVT_TEXT_ENTER, IDC_ADDRESS);
    win.AddressField().ProcessWindowEvent(enter);
    EXPECT_EQ(Address(), 01000);
    EXPECT_EQ(win.View().GetScrollPos(wxVERTICAL), 01000);
}

TEST_F(Tomsivar, CommandsScrollAndKeysMoveWithinMemory) {
    CreateRam();
    OpenFrame();
    CRamView& view = win.View();
    const int row = view.BytesPerRow();
    ASSERT_GT(row, 0);
    // command, address before, address after: clamped at both ends
    const struct {
        int command;
        uint16_t from, to;
    } steps[] = {{ID_ROW_DOWN, 0xFFF0, 0xFFFF},
                 {ID_BYTE_RIGHT, 0xFFFF, 0xFFFF},
                 {ID_ROW_UP, 5, 0},
                 {ID_BYTE_LEFT, 0, 0},
                 {ID_BYTE_RIGHT, 0, 1}};
    for (const auto& step : steps) {
        frame->SetAddress(step.from);
        Command(step.command);
        EXPECT_EQ(Address(), step.to) << step.command;
    }
    EXPECT_EQ(view.GetScrollPos(wxVERTICAL), 1);
    EXPECT_EQ(view.GetScrollRange(wxVERTICAL), view.BytesPerPage() + 0x10001);

    SetAddressText("1000"); // a scroll step after "&Set" goes on from the address set
    wxScrollWinEvent step(wxEVT_SCROLLWIN_LINEDOWN, 0, wxVERTICAL);
    view.ProcessWindowEvent(step);
    EXPECT_EQ(Address(), 01000 + row);
    EXPECT_EQ(view.GetScrollPos(wxVERTICAL), 01000 + row); // the thumb follows

    // The viewer's keys, except in the address field.
    view.SetFocus();
    const auto press = [&](int key) {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = key;
        frame->ProcessWindowEvent(event);
    };
    press(WXK_DOWN);
    EXPECT_EQ(Address(), 01000 + 2 * row);
    press(WXK_END);
    EXPECT_EQ(Address(), 0x10000 - view.BytesPerPage());
    press(WXK_HOME);
    EXPECT_EQ(Address(), 0);
    press('+');
    EXPECT_EQ(win.ScaleIndex(), 1);
    press('-');
    EXPECT_EQ(win.ScaleIndex(), 0);
    press(WXK_SCROLL);
    EXPECT_FALSE(view.IsColor());
    win.AddressField().SetFocus();
    press(WXK_END);
    EXPECT_EQ(Address(), 0);
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
    EXPECT_EQ(win.ScaleIndex(), 5);
    EXPECT_EQ(win.ScaleChoice().GetSelection(), 5);
    EXPECT_FALSE(MenuEnabled(ID_VIEW_ZOOM_IN));
    EXPECT_TRUE(MenuEnabled(ID_VIEW_ZOOM_OUT));
    EXPECT_FALSE(MenuEnabled(ID_FILE_SAVE_SELECTION));
}

TEST_F(Tomsivar, DraggedSelectionSavesWhatRamgrabWrites) {
    CreateRam();
    OpenFrame();
    SetAddressText("40000");
    const int width = win.View().GetClientSize().x;
    const int row = width / 8;   // whole byte columns
    Drag(3, 2, width + 500, 99); // held past the edge: the last whole column
    EXPECT_EQ(win.Selection(), (SelRect{0, 2, 8 * row, 99}));

    testimg::TempDir dir;
    const std::string path = (dir.Path() / "grab").string(); // typed without extension
    win.ChoosePath() = [&] { return std::optional<std::string>(path); };
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
    win.Confirm() = [&](const wxString&) { return asked = true, false; };
    Command(ID_VIEW_COLOR_MODE);
    Command(ID_FILE_SAVE_SELECTION);
    EXPECT_TRUE(asked);
    EXPECT_EQ(testimg::ReadAll(path + ".bmp"), testimg::ReadAll(grab));

    // A save that fails says so; with nothing selected there is nothing to save.
    messages.clear();
    win.ChoosePath() = [] { return std::optional<std::string>("/nonexistent-folder/x.bmp"); };
    Command(ID_FILE_SAVE_SELECTION);
    Command(ID_VIEW_ZOOM_IN);
    Command(ID_FILE_SAVE_SELECTION);
    ASSERT_EQ(messages.size(), 2u);
    // The system's reason follows, in the system's words.
    EXPECT_EQ(messages[0].rfind("Can't save file\n/nonexistent-folder/x.bmp\n", 0), 0u);
    EXPECT_GT(messages[0].size(),
              std::string("Can't save file\n/nonexistent-folder/x.bmp\n").size());
    EXPECT_EQ(messages[1].rfind("Nothing to save", 0), 0u);
}

// With Live Update on, a change of the visible memory shows by itself; off, the picture
// waits for a repaint as it always did.
TEST_F(Tomsivar, LiveUpdateShowsChangesAndOffWaitsForRefresh) {
    CreateRam();
    OpenFrame();
    EXPECT_TRUE(win.LiveUpdate());
    const std::vector<uint32_t> before = win.Screen();
    ram[0] ^= 0xFF;
    EXPECT_TRUE(PumpUntil([&] { return win.Screen() != before; }));

    Command(ID_VIEW_LIVE_UPDATE);
    EXPECT_FALSE(win.LiveUpdate());
    EXPECT_FALSE(win.Link().IsLive()); // nothing looks at the memory by itself
    ExpectPlantedPixels(1, true);      // a repaint reads it afresh
}
