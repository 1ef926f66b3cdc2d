// Tomsivar's frame over a shared-memory object of the test's own.
#include "AboutDlg.h"
#include "MainFrame.h"
#include "TempDir.h"
#include "TomsivarApp.h"
#include "TomsivarAccess.h"
#include "WxTest.h"

#include <gtest/gtest.h>

#include <set>
#include <wx/uiaction.h>
#include <wx/clipbrd.h>
#include <wx/fileconf.h>
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
        // News is told apart from errors: it carries the information icon, they the error one.
        win.ShowNotice() = [this](const wxString& text) {
            messages.push_back("(i) " + text.utf8_string());
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
    EXPECT_EQ(Pane(1), "Waiting for the emulator (" + FormatRamName(base, 0) + "...63)");
    EXPECT_EQ(frame->GetTitle(), "Tomsivar");
    CreateRam(1);
    ASSERT_TRUE(PumpUntil([&] { return !messages.empty(); }));
    EXPECT_EQ(messages, std::vector<std::string>{"(i) Zelmarin detected!"});
    ExpectPlantedPixels(1, true);
    DestroyRam(); // on Windows too: the viewer lets go of a section only it holds
    EXPECT_TRUE(PumpUntil(
        [&] { return Pane(1) == "The emulator has gone; waiting for it to start again"; }));
    EXPECT_TRUE(PumpUntil([&] { return win.Screen().empty(); })); // the background again
    CreateRam(0); // the status bar says so; no second box
    ASSERT_TRUE(PumpUntil([&] { return Pane(1) == "Watching " + FormatRamName(base, 0); }));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(frame->GetTitle().utf8_string(), FormatRamName(base, 0) + " \xE2\x80\x94 Tomsivar");
    ExpectPlantedPixels(1, true);
    delete frame;
    frame = nullptr;
    for (int i = 0; i < RAM_NAME_SUFFIXES; ++i)
        EXPECT_EQ(RamObjectExists(FormatRamName(base, i)), i == objectIndex) << i;
}

// An emulator found at start needs no word: when it is replaced, the status bar and the
// title say so, and no box stops the picture.
TEST_F(Tomsivar, AReplacedEmulatorIsToldInTheStatusBarOnly) {
    CreateRam(0);
    OpenFrame();
    ASSERT_TRUE(PumpUntil([&] { return Pane(1) == "Watching " + FormatRamName(base, 0); }));
    DestroyRam();
    EXPECT_TRUE(PumpUntil([&] { return win.Screen().empty(); }));
    CreateRam(0);
    ASSERT_TRUE(PumpUntil([&] { return Pane(1) == "Watching " + FormatRamName(base, 0); }));
    Pump(50);
    EXPECT_TRUE(messages.empty());
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
    EXPECT_EQ(win.View().GetScrollPos(wxVERTICAL), 01000 / win.View().BytesPerRow());
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
    // The bar counts rows from the address's place in its row.
    EXPECT_EQ(view.GetScrollPos(wxVERTICAL), 0);
    EXPECT_EQ(view.GetScrollRange(wxVERTICAL), (0x10000 - 1 + row - 1) / row);

    SetAddressText("1000"); // a scroll step after "&Set" goes on from the address set
    const auto scroll = [&](wxEventType type, int position = 0) {
        wxScrollWinEvent step(type, position, wxVERTICAL);
        view.ProcessWindowEvent(step);
    };
    scroll(wxEVT_SCROLLWIN_LINEDOWN);
    EXPECT_EQ(Address(), 01000 + row);
    EXPECT_EQ(view.GetScrollPos(wxVERTICAL), 01000 / row + 1); // the thumb follows
    const int rows = view.Layout().rows;
    scroll(wxEVT_SCROLLWIN_PAGEDOWN);
    EXPECT_EQ(Address(), 01000 + (rows + 1) * row);
    frame->SetAddress(3);
    scroll(wxEVT_SCROLLWIN_THUMBTRACK, view.GetScrollRange(wxVERTICAL)); // dragged to the bottom
    EXPECT_EQ(Address(), LastPageAddress(view.Layout()) / row * row + 3);
    EXPECT_EQ(view.GetScrollPos(wxVERTICAL) + view.GetScrollThumb(wxVERTICAL),
              view.GetScrollRange(wxVERTICAL));
    // The wheel: three rows a notch; with Ctrl, a zoom around the byte under the mouse.
    const auto wheel = [&](int rotation, bool control) {
        wxMouseEvent event(wxEVT_MOUSEWHEEL);
        event.m_wheelRotation = rotation;
        event.m_wheelDelta = 120;
        event.m_controlDown = control;
        event.SetPosition(wxPoint(100, 50));
        view.ProcessWindowEvent(event);
    };
    frame->SetAddress(0x4000);
    wheel(-120, false);
    EXPECT_EQ(Address(), 0x4000 + 3 * row);
    wheel(60, false); // half a notch: kept for the next
    EXPECT_EQ(Address(), 0x4000 + 3 * row);
    wheel(60, false);
    EXPECT_EQ(Address(), 0x4000);
    const unsigned under = *ByteAt(Address(), {100, 50}, view.Layout());
    wheel(120, true);
    EXPECT_EQ(win.ScaleIndex(), 1);
    EXPECT_EQ(ByteAt(Address(), {100, 50}, view.Layout()), under);
    Command(ID_VIEW_ZOOM_OUT);

    // The viewer's keys, except in the address field.
    view.SetFocus();
    const auto press = [&](int key) {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = key;
        frame->ProcessWindowEvent(event);
    };
    frame->SetAddress(01000);
    press(WXK_DOWN);
    EXPECT_EQ(Address(), 01000 + row);
    press(WXK_END); // the last byte at the bottom, the thumb at the end
    EXPECT_EQ(Address(), 0x10000 - rows * row);
    EXPECT_EQ(view.GetScrollPos(wxVERTICAL) + view.GetScrollThumb(wxVERTICAL),
              view.GetScrollRange(wxVERTICAL));
    press(WXK_PAGEUP); // by exactly the rows shown, the byte in its row kept
    EXPECT_EQ(Address(), 0x10000 - 2 * rows * row);
    press(WXK_PAGEDOWN);
    press(WXK_NUMPAD_PAGEDOWN); // clamped to the last page
    EXPECT_EQ(Address(), 0x10000 - rows * row);
    press(WXK_HOME);
    EXPECT_EQ(Address(), 0);
    // The real keys, as the toolkit delivers them to the picture.
    frame->SetAddress(3);
    view.SetFocus();
    Pump(20);
    wxUIActionSimulator keyboard;
    keyboard.Char(WXK_PAGEDOWN);
    EXPECT_TRUE(PumpUntil([&] { return Address() == 3 + rows * row; })) << Address();
    keyboard.Char(WXK_PAGEUP);
    EXPECT_TRUE(PumpUntil([&] { return Address() == 3; })) << Address();
    frame->SetAddress(0);
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
    ASSERT_TRUE(win.Selection());
    EXPECT_EQ(*win.Selection(), (MemorySelection{040000 + 2 * 64, row, 97, row}));
    EXPECT_EQ(Pane(3), "40200-54277: 64 bytes x 97 rows");

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
    ram[10 * win.View().BytesPerRow() + 3] ^= 0xFF;
    EXPECT_TRUE(PumpUntil([&] { return win.Screen() != before; }));
    // Only the changed row was painted again, and the picture is the one a whole paint makes.
    const std::vector<uint32_t> live = win.Screen();
    win.View().Refresh();
    win.View().Update();
    EXPECT_EQ(win.Screen(), live);

    Command(ID_VIEW_LIVE_UPDATE);
    EXPECT_FALSE(win.LiveUpdate());
    EXPECT_FALSE(win.Link().IsLive()); // nothing looks at the memory by itself
    ExpectPlantedPixels(1, true);      // a repaint reads it afresh
}

// The selection stays on its memory: a narrower window saves and copies the columns it
// still shows, a scrolled one the rows; rows of another width take it away.
TEST_F(Tomsivar, SelectionKeepsItsMemoryAndSavesWhatIsShown) {
    CreateRam();
    OpenFrame();
    Command(ID_VIEW_ROW_BYTES_FIRST + 3); // 128 bytes a row
    EXPECT_EQ(win.View().BytesPerRow(), 128);
    const int width = win.View().GetClientSize().x;
    frame->SetClientSize(frame->GetClientSize() + wxSize(1024 - width, 0));
    ASSERT_TRUE(PumpUntil([&] { return win.View().GetClientSize().x >= 1024; }));
    SetAddressText("40000");
    Drag(0, 0, 5000, 40);
    ASSERT_TRUE(win.Selection());
    EXPECT_EQ(*win.Selection(), (MemorySelection{040000, 128, 40, 128}));
    EXPECT_EQ(Pane(3), "40000-51777: 128 bytes x 40 rows");

    frame->SetClientSize(frame->GetClientSize() - wxSize(512, 0));
    ASSERT_TRUE(PumpUntil([&] { return win.View().GetClientSize().x < 1024; }));
    for (int i = 0; i < 10; ++i)
        Command(ID_ROW_DOWN);
    const int shown = win.View().Layout().columns;
    ASSERT_LT(shown, 128);
    Pump(20); // the status bar says what a save takes now
    const auto savedLast = 040000 + 10 * 128 + 29 * 128 + shown - 1;
    EXPECT_EQ(Pane(3), AddressText(040000 + 10 * 128) + "-" +
                           AddressText(static_cast<uint16_t>(savedLast)) + ": " +
                           std::to_string(shown) + " bytes x 30 rows");
    const CPixelTables tables;
    const auto expected =
        ComposeSelection(ram, {040000 + 10 * 128, shown, 30, 128}, win.View().IsColor(), tables);
    testimg::TempDir dir;
    const std::string path = (dir.Path() / "shown.bmp").string();
    win.ChoosePath() = [&] { return std::optional<std::string>(path); };
    Command(ID_FILE_SAVE_SELECTION);
    EXPECT_EQ(testimg::ReadAll(path), EncodeBmp(*expected));

    Command(ID_EDIT_COPY);
    wxBitmapDataObject copied;
    ASSERT_TRUE(wxTheClipboard->Open());
    EXPECT_TRUE(wxTheClipboard->GetData(copied));
    wxTheClipboard->Close();
    EXPECT_EQ(copied.GetBitmap().GetSize(), wxSize(expected->width, expected->height));

    Command(ID_VIEW_ROW_BYTES_AUTO);
    EXPECT_FALSE(win.Selection());
    EXPECT_EQ(Pane(3), "");
    messages.clear();
    Command(ID_EDIT_COPY);
    EXPECT_EQ(messages.size(), 1u);
}

// The BK screen in one step; the byte under the mouse in the status bar.
TEST_F(Tomsivar, BkScreenAndTheByteUnderTheMouse) {
    CreateRam();
    OpenFrame();
    Command(ID_VIEW_ZOOM_IN);
    Command(ID_VIEW_ROW_BYTES_FIRST); // 16 bytes a row
    Command(ID_VIEW_BK_SCREEN);
    EXPECT_EQ(Address(), 040000);
    EXPECT_EQ(win.View().BytesPerRow(), 64);
    const wxSize client = win.View().GetClientSize();
    EXPECT_EQ(win.ScaleIndex(), ScreenScaleIndex(client.x, client.y));
    ram[040000 + 64 + 2] = 0123;
    Command(ID_VIEW_REFRESH);
    Mouse(wxEVT_MOTION, 17 * g_scales[static_cast<size_t>(win.ScaleIndex())],
          1 * g_scales[static_cast<size_t>(win.ScaleIndex())]);
    EXPECT_EQ(Pane(2), "40102: 123");
    Mouse(wxEVT_LEAVE_WINDOW, 0, 0);
    EXPECT_EQ(Pane(2), "");
    // The real pointer resting there: the status bar follows the picture moving under it.
    const int scale = g_scales[static_cast<size_t>(win.ScaleIndex())];
    win.View().WarpPointer(17 * scale + scale / 2, scale + scale / 2);
    EXPECT_TRUE(PumpUntil([&] { return Pane(2) == "40102: 123"; })) << Pane(2);
    ram[040000 + 2 * 64 + 2] = 077;
    Command(ID_ROW_DOWN);
    EXPECT_TRUE(PumpUntil([&] { return Pane(2) == "40202: 77"; })) << Pane(2);
    win.View().WarpPointer(-50, -50);
}

// Another emulator chosen from the menu of those that exist; the settings go into the
// configuration and come back from it.
TEST_F(Tomsivar, EmulatorMenuAndSettingsKeptBetweenRuns) {
    CreateRam(0);
    RamMapping second;
    uint8_t* other = CreateRamObject(FormatRamName(base, 2), RAM_MAPPING_SIZE, second);
    ASSERT_TRUE(other);
    OpenFrame();
    EXPECT_EQ(Pane(1), "Watching " + FormatRamName(base, 0));
    wxMenuEvent open(wxEVT_MENU_OPEN, 0, win.EmulatorMenu()->GetParent());
    frame->ProcessWindowEvent(open);
    ASSERT_EQ(win.EmulatorMenu()->GetMenuItemCount(), 3u); // any, 0, 2
    EXPECT_EQ(win.EmulatorMenu()->FindItemByPosition(2)->GetItemLabelText(),
              FormatRamName(base, 2));
    Command(ID_VIEW_EMULATOR_FIRST + 2);
    EXPECT_EQ(Pane(1), "Watching " + FormatRamName(base, 2));
    EXPECT_EQ(frame->GetTitle().utf8_string(), FormatRamName(base, 2) + " \xE2\x80\x94 Tomsivar");
    Command(ID_VIEW_ANY_EMULATOR);
    EXPECT_EQ(Pane(1), "Watching " + FormatRamName(base, 0));
    DestroyRamObject(FormatRamName(base, 2), second, RAM_MAPPING_SIZE);

    SetAddressText("1234");
    Command(ID_VIEW_ZOOM_IN);
    Command(ID_VIEW_COLOR_MODE);
    Command(ID_VIEW_ROW_BYTES_FIRST + 1); // 32
    testimg::TempDir dir;
    const wxString file = wxString::FromUTF8((dir.Path() / "Tomsivar.conf").string());
    {
        wxFileConfig config("Tomsivar", wxEmptyString, file, wxEmptyString,
                            wxCONFIG_USE_LOCAL_FILE);
        WriteSettings(config, frame->CurrentSettings());
    }
    const ViewerSettings saved = frame->CurrentSettings();
    EXPECT_EQ(saved.address, 01234);
    EXPECT_EQ(saved.rowBytes, 32);
    frame->ApplySettings(ViewerSettings{});
    EXPECT_EQ(Address(), 0);
    wxFileConfig config("Tomsivar", wxEmptyString, file, wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
    frame->ApplySettings(ReadSettings(config));
    EXPECT_EQ(frame->CurrentSettings(), saved);
    EXPECT_EQ(win.ScaleIndex(), 1);
    EXPECT_FALSE(win.View().IsColor());
}

// Every item of a menu has a letter of its own.
// Every control inside its window, as large as its text and clear of the others, in the
// bar, the frame and the About box; CTest runs this again with fonts twice as large.
TEST_F(Tomsivar, NothingOverlapsOrIsCutAtAnyFontSize) {
    OpenFrame();
    EXPECT_EQ(LayoutFaults(*frame), std::vector<std::string>{});
    CAboutDlg about(frame);
    EXPECT_EQ(LayoutFaults(about), std::vector<std::string>{});
}

TEST_F(Tomsivar, EachMenuItemHasItsOwnLetter) {
    OpenFrame();
    const wxMenuBar* bar = frame->GetMenuBar();
    for (size_t m = 0; m < bar->GetMenuCount(); ++m) {
        std::set<wxUniChar> seen;
        for (const wxMenuItem* item : bar->GetMenu(m)->GetMenuItems()) {
            const wxString label = item->GetItemLabel();
            const int mark = label.Find('&');
            if (mark == wxNOT_FOUND || static_cast<size_t>(mark) + 1 >= label.length())
                continue;
            EXPECT_TRUE(seen.insert(wxTolower(label[static_cast<size_t>(mark) + 1])).second)
                << label.utf8_string();
        }
    }
}
