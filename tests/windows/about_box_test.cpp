// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: its dialog template as the built program carries it, and its
// dialog procedure driven inside a real modal dialog made from that template.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "message_box_watcher.h"
#include "shell/about_box_win.h"

namespace {

const std::string saverProgram = windowsPathOf(GLIMMER_SAVER_PATH);
const std::string expectedLink = std::string("https://") + GLIMMER_SITE_HOST + "/link";
const std::string expectedCredit = std::string("This Screen Saver was created using\n\n"
                                               "The Glimmerwheel Studio\n\n"
                                               "Make your own screen savers on-line\n\n") +
                                   GLIMMER_SITE_HOST;
const WORD englishUnitedKingdom = 2057;

// The saver program's resources, loaded as data only.
HMODULE saverResources()
{
    static HMODULE module = LoadLibraryExA(saverProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

struct RawResource {
    const unsigned char* bytes = nullptr;
    size_t size = 0;
};

RawResource aboutBoxResource()
{
    HMODULE module = saverResources();
    if (!module)
        return {};
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(101), englishUnitedKingdom);
    if (!found)
        return {};
    HGLOBAL loaded = LoadResource(module, found);
    if (!loaded)
        return {};
    return {static_cast<const unsigned char*>(LockResource(loaded)), size_t(SizeofResource(module, found))};
}

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR context)
{
    reinterpret_cast<std::vector<WORD>*>(context)->push_back(language);
    return TRUE;
}

// Reads a dialog template field by field, never past its end.
struct TemplateReader {
    RawResource resource;
    size_t position = 0;
    bool overrun = false;

    unsigned word()
    {
        if (position + 2 > resource.size) {
            overrun = true;
            return 0;
        }
        const unsigned value = resource.bytes[position] | unsigned(resource.bytes[position + 1]) << 8;
        position += 2;
        return value;
    }
    unsigned long dword()
    {
        const unsigned long low = word();
        return low | (unsigned long)word() << 16;
    }
    int signedWord() { return short(word()); }
    // A zero-terminated UTF-16 string of ASCII characters.
    std::string text()
    {
        std::string result;
        while (!overrun) {
            const unsigned character = word();
            if (character == 0)
                break;
            result += character < 0x80 ? char(character) : '?';
        }
        return result;
    }
    // An ordinal (0xFFFF and a number) or a string, as "#n" or the string.
    std::string ordinalOrText()
    {
        if (position + 2 <= resource.size && resource.bytes[position] == 0xFF && resource.bytes[position + 1] == 0xFF) {
            word();
            return "#" + std::to_string(word());
        }
        return text();
    }
    void alignToDword() { position = (position + 3) & ~size_t(3); }
};

struct ControlTemplate {
    unsigned long style, extendedStyle;
    int x, y, width, height;
    unsigned id;
    std::string className, text;
    unsigned creationDataSize;
};

ControlTemplate readControl(TemplateReader& reader)
{
    reader.alignToDword();
    ControlTemplate control;
    control.style = reader.dword();
    control.extendedStyle = reader.dword();
    control.x = reader.signedWord();
    control.y = reader.signedWord();
    control.width = reader.signedWord();
    control.height = reader.signedWord();
    control.id = reader.word();
    control.className = reader.ordinalOrText();
    control.text = reader.ordinalOrText();
    control.creationDataSize = reader.word();
    return control;
}

// What the Visit Site button asked the shell to do.
struct LinkCall {
    HWND owner;
    std::string verb, file;
    bool noParameters, noDirectory;
    INT showCommand;
    bool ownerVisible;
};
std::vector<LinkCall> linkCalls;

HINSTANCE WINAPI recordLink(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show)
{
    linkCalls.push_back({owner, verb ? verb : "(null)", file ? file : "(null)", parameters == nullptr,
                         directory == nullptr, show, IsWindowVisible(owner) != FALSE});
    return reinterpret_cast<HINSTANCE>(INT_PTR(42));  // above 32: the shell's "done"
}

BOOL CALLBACK findOwnDialog(HWND window, LPARAM context)
{
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(context) = window;
        return FALSE;
    }
    return TRUE;
}

// Runs the About box modally from the saver's own template with
// aboutBoxProcedure, and once it is up runs `script` on it from inside the
// modal loop. Returns the dialog's result, or -100 when it never appeared or
// did not end within 10 seconds.
std::function<void(HWND)> pendingScript;
HWND scriptedDialog;
DWORD scriptStart;

void CALLBACK scriptTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!pendingScript) {
        if (GetTickCount() - scriptStart > 10000) {
            KillTimer(nullptr, timer);
            if (scriptedDialog)
                EndDialog(scriptedDialog, -100);
        }
        return;
    }
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findOwnDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog)
        return;
    scriptedDialog = dialog;
    auto script = std::move(pendingScript);
    pendingScript = nullptr;
    script(dialog);
}

INT_PTR runScriptedAboutBox(std::function<void(HWND)> script)
{
    const RawResource resource = aboutBoxResource();
    if (!resource.bytes)
        return -100;
    pendingScript = std::move(script);
    scriptedDialog = nullptr;
    scriptStart = GetTickCount();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, scriptTimer);
    const INT_PTR result =
        DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<const DLGTEMPLATE*>(resource.bytes),
                                nullptr, aboutBoxProcedure, 0);
    KillTimer(nullptr, timer);
    pendingScript = nullptr;
    return result;
}

class AboutBoxProcedure : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(aboutBoxResource().bytes, nullptr) << "no About box in " << saverProgram;
        savedOpenLink = openLinkProcedure;
        openLinkProcedure = recordLink;
        linkCalls.clear();
    }
    void TearDown() override { openLinkProcedure = savedOpenLink; }

    void expectLinkOpened(const LinkCall& call, HWND dialog)
    {
        EXPECT_EQ(call.owner, dialog);
        EXPECT_EQ(call.verb, "open");
        EXPECT_EQ(call.file, expectedLink);
        EXPECT_TRUE(call.noParameters);
        EXPECT_TRUE(call.noDirectory);
        EXPECT_EQ(call.showCommand, SW_SHOWNORMAL);
        EXPECT_TRUE(call.ownerVisible) << "the box must still be open while the link opens";
    }

    ShellExecuteProcedure savedOpenLink = nullptr;
};

}  // namespace

TEST(AboutBoxResource, LinkTargetIsTheSitesLinkPage)
{
    EXPECT_EQ(std::string(linkTarget), expectedLink);
    EXPECT_EQ(std::string(GLIMMER_SITE_HOST).find('/'), std::string::npos);
}

TEST(AboutBoxResource, OnlyBritishEnglishDialog101)
{
    ASSERT_NE(saverResources(), nullptr);
    std::vector<WORD> languages;
    EnumResourceLanguagesA(saverResources(), MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(101), collectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    ASSERT_EQ(languages.size(), 1u);
    EXPECT_EQ(languages[0], englishUnitedKingdom);
}

TEST(AboutBoxResource, TemplateMatchesFieldByField)
{
    TemplateReader reader{aboutBoxResource()};
    ASSERT_NE(reader.resource.bytes, nullptr);

    EXPECT_EQ(reader.dword(), 0x80C800C0ul) << "WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME";
    EXPECT_EQ(reader.dword(), 0ul) << "extended style";
    const unsigned controlCount = reader.word();
    EXPECT_EQ(controlCount, 3u);
    EXPECT_EQ(reader.signedWord(), 0);  // x
    EXPECT_EQ(reader.signedWord(), 0);  // y
    EXPECT_EQ(reader.signedWord(), 188);
    EXPECT_EQ(reader.signedWord(), 106);
    EXPECT_EQ(reader.ordinalOrText(), "") << "menu";
    EXPECT_EQ(reader.ordinalOrText(), "") << "class";
    EXPECT_EQ(reader.text(), "The Glimmerwheel Studio");
    EXPECT_EQ(reader.word(), 8u) << "point size";
    EXPECT_EQ(reader.text(), "MS Sans Serif");
    ASSERT_FALSE(reader.overrun);
    ASSERT_EQ(controlCount, 3u);

    const ControlTemplate ok = readControl(reader);
    EXPECT_EQ(ok.style, 0x50010001ul) << "WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON";
    EXPECT_EQ(ok.extendedStyle, 0ul);
    EXPECT_EQ((std::vector<int>{ok.x, ok.y, ok.width, ok.height}), (std::vector<int>{36, 78, 50, 14}));
    EXPECT_EQ(ok.id, 1u);
    EXPECT_EQ(ok.className, "#128") << "button";
    EXPECT_EQ(ok.text, "OK");
    EXPECT_EQ(ok.creationDataSize, 0u);

    const ControlTemplate credit = readControl(reader);
    EXPECT_EQ(credit.style, 0x50020001ul) << "WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER";
    EXPECT_EQ(credit.extendedStyle, 0ul);
    EXPECT_EQ((std::vector<int>{credit.x, credit.y, credit.width, credit.height}),
              (std::vector<int>{13, 7, 167, 56}));
    EXPECT_EQ(credit.id, 65535u);
    EXPECT_EQ(credit.className, "#130") << "static";
    EXPECT_EQ(credit.text, expectedCredit);
    EXPECT_EQ(credit.creationDataSize, 0u);

    const ControlTemplate visit = readControl(reader);
    EXPECT_EQ(visit.style, 0x50010000ul) << "WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON";
    EXPECT_EQ(visit.extendedStyle, 0ul);
    EXPECT_EQ((std::vector<int>{visit.x, visit.y, visit.width, visit.height}),
              (std::vector<int>{105, 78, 50, 14}));
    EXPECT_EQ(visit.id, 1000u);
    EXPECT_EQ(visit.className, "#128") << "button";
    EXPECT_EQ(visit.text, "Visit Site");
    EXPECT_EQ(visit.creationDataSize, 0u);

    EXPECT_FALSE(reader.overrun);
    EXPECT_EQ(reader.position, reader.resource.size) << "nothing may follow the third control";
}

TEST_F(AboutBoxProcedure, OkEndsTheBoxWithOne)
{
    BOOL handled = FALSE;
    const INT_PTR result = runScriptedAboutBox([&](HWND dialog) {
        handled = BOOL(aboutBoxProcedure(dialog, WM_COMMAND, IDOK, 0));
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(handled);
    EXPECT_TRUE(linkCalls.empty());
}

TEST_F(AboutBoxProcedure, OkEndsTheBoxWhateverTheNotificationCode)
{
    const INT_PTR result = runScriptedAboutBox([](HWND dialog) {
        aboutBoxProcedure(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0x7654), 0);
    });
    EXPECT_EQ(result, 1);
}

TEST_F(AboutBoxProcedure, VisitSiteOpensTheLinkEachTimeAndKeepsTheBoxOpen)
{
    const int presses = 4;
    std::vector<BOOL> handled;
    bool openAfterPresses = false;
    HWND seenDialog = nullptr;
    const INT_PTR result = runScriptedAboutBox([&](HWND dialog) {
        seenDialog = dialog;
        for (int press = 0; press < presses; ++press)
            handled.push_back(BOOL(aboutBoxProcedure(dialog, WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), 0)));
        openAfterPresses = IsWindow(dialog) && IsWindowVisible(dialog);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1) << "only OK ends the box";
    EXPECT_TRUE(openAfterPresses);
    ASSERT_EQ(handled.size(), size_t(presses));
    for (BOOL each : handled)
        EXPECT_TRUE(each);
    ASSERT_EQ(linkCalls.size(), size_t(presses));
    for (const LinkCall& call : linkCalls)
        expectLinkOpened(call, seenDialog);
}

TEST_F(AboutBoxProcedure, CancelOtherCommandsAndOtherMessagesAreNotHandled)
{
    std::vector<std::pair<const char*, BOOL>> answers;
    bool stillOpen = false;
    const INT_PTR result = runScriptedAboutBox([&](HWND dialog) {
        answers.push_back({"WM_INITDIALOG", BOOL(aboutBoxProcedure(dialog, WM_INITDIALOG, 0, 0))});
        answers.push_back({"IDCANCEL", BOOL(aboutBoxProcedure(dialog, WM_COMMAND, IDCANCEL, 0))});
        answers.push_back({"IDCANCEL from a button",
                           BOOL(aboutBoxProcedure(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0))});
        answers.push_back({"command 0", BOOL(aboutBoxProcedure(dialog, WM_COMMAND, 0, 0))});
        answers.push_back({"command 999", BOOL(aboutBoxProcedure(dialog, WM_COMMAND, 999, 0))});
        answers.push_back({"command 1001", BOOL(aboutBoxProcedure(dialog, WM_COMMAND, 1001, 0))});
        answers.push_back({"command 65535", BOOL(aboutBoxProcedure(dialog, WM_COMMAND, 0xFFFF, 0))});
        // The identifiers of OK and Visit Site in the high half only.
        answers.push_back({"notification 1", BOOL(aboutBoxProcedure(dialog, WM_COMMAND, MAKEWPARAM(7, 1), 0))});
        answers.push_back({"notification 1000", BOOL(aboutBoxProcedure(dialog, WM_COMMAND, MAKEWPARAM(7, 1000), 0))});
        answers.push_back({"WM_CLOSE", BOOL(aboutBoxProcedure(dialog, WM_CLOSE, 0, 0))});
        answers.push_back({"WM_SYSCOMMAND", BOOL(aboutBoxProcedure(dialog, WM_SYSCOMMAND, SC_CLOSE, 0))});
        answers.push_back({"WM_NOTIFY 1000", BOOL(aboutBoxProcedure(dialog, WM_NOTIFY, 1000, 0))});
        answers.push_back({"WM_USER 1", BOOL(aboutBoxProcedure(dialog, WM_USER, IDOK, 0))});
        stillOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1) << "the box must have stayed open until OK";
    EXPECT_TRUE(stillOpen);
    for (const auto& [what, answer] : answers)
        EXPECT_FALSE(answer) << what;
    EXPECT_TRUE(linkCalls.empty());
}

// The dialog manager's own routes: Escape and the close box send cancel, which
// is ignored; Enter presses the default button, OK.
TEST_F(AboutBoxProcedure, EscapeAndCloseBoxLeaveItOpenEnterEndsIt)
{
    HWND seenDialog = nullptr;
    const INT_PTR result = runScriptedAboutBox([&](HWND dialog) {
        seenDialog = dialog;
        PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        // Reached only if the box is still open: the link opens while it is visible.
        PostMessageA(dialog, WM_COMMAND, 1000, 0);
        PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(linkCalls.size(), 1u) << "the box ended before Visit Site was pressed";
    expectLinkOpened(linkCalls[0], seenDialog);
}

TEST_F(AboutBoxProcedure, DialogHasItsControlsAtTheTopLeft)
{
    std::string okText, visitText, creditText;
    RECT frame = {-1, -1, -1, -1};
    runScriptedAboutBox([&](HWND dialog) {
        char text[512] = {};
        GetDlgItemTextA(dialog, 1, text, sizeof text);
        okText = text;
        GetDlgItemTextA(dialog, 1000, text, sizeof text);
        visitText = text;
        GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);
        creditText = text;
        GetWindowRect(dialog, &frame);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(okText, "OK");
    EXPECT_EQ(visitText, "Visit Site");
    EXPECT_EQ(creditText, expectedCredit);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
}
