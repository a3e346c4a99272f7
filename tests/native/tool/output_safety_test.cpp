// SPDX-License-Identifier: GPL-3.0-or-later
// Outputs are written whole or not at all: no link followed, no input, stub
// or device replaced, nothing left behind by a signal or a second writer; and
// the command line is read as a Unix tool reads it.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <functional>

#include "robustness_support.h"
#include "saver_startup.h"

using namespace robustness;

namespace {

// Each case runs in a folder of its own, which is the working directory
// meanwhile, so that names may start with a dash.
class OutputSafety : public ToolFiles {
protected:
    void SetUp() override
    {
        ToolFiles::SetUp();
        gif = pictureGif();
        home = fs::current_path();
        ASSERT_EQ(glimmer({"pack", write("picture.gif", gif), "-o", path("saver.scr")}).status, 0);
        saver = read("saver.scr");
    }
    void TearDown() override
    {
        fs::current_path(home);
        ToolFiles::TearDown();
    }
    void enter(const std::string& folder)
    {
        fs::current_path(directory);
        fs::create_directories(folder);
        fs::current_path(folder);
        std::ofstream("picture.gif", std::ios::binary).write(reinterpret_cast<const char*>(gif.data()), long(gif.size()));
    }
    // The bytes at `name` as one of the test's files, or where its link points.
    std::string whatIs(const std::string& name) const
    {
        std::error_code error;
        if (fs::is_symlink(name, error))
            return "-> " + fs::read_symlink(name).string();
        if (!fs::exists(name, error))
            return "absent";
        const Bytes bytes = readWholeFile(name);
        return bytes == saver ? "saver" : bytes == gif ? "picture" : std::string(bytes.begin(), bytes.end());
    }
    static std::vector<std::string> temporaries(const fs::path& folder)
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.path().filename().string().rfind(".glimmer-", 0) == 0)
                found.push_back(entry.path().string());
        return found;
    }

    Bytes gif;
    Bytes saver;
    fs::path home;
};

void plant(const std::string& text, const std::string& name)
{
    std::ofstream(name) << text;
}

// Starts `body` in a child process, which ends with its result.
pid_t startChild(const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    return child;
}

int waitStatus(pid_t child)
{
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

int inChild(const std::function<int()>& body)
{
    return waitStatus(startChild(body));
}

// glimmer on this process's own stdout and stderr.
int glimmerOnStdout(const std::vector<std::string>& words)
{
    Console console{std::cout, std::cerr};
    return runGlimmer(words, console);
}

bool endedWith(int status, int code)
{
    return WIFEXITED(status) && WEXITSTATUS(status) == code;
}

const std::string longName(255, 'n');

}  // namespace

TEST_F(OutputSafety, LinksInputsAndNames)
{
    const std::vector<std::string> packed = {"pack", "picture.gif", "-o", "out.scr"};
    const struct {
        const char* what;
        std::function<void()> setUp;
        std::vector<std::string> words;
        int status;
        std::vector<std::pair<std::string, std::string>> after;  // name, whatIs
        const char* message = "";
    } cases[] = {
        {"a link at OUT.part", [] { fs::create_symlink("picture.gif", "out.scr.part"); }, packed, 0,
         {{"picture.gif", "picture"}, {"out.scr", "saver"}, {"out.scr.part", "-> picture.gif"}}},
        {"a hard link at OUT.part", [] { fs::create_hard_link("picture.gif", "out.scr.part"); }, packed, 0,
         {{"out.scr.part", "picture"}, {"out.scr", "saver"}}},
        {"the output a link to another file", [] { plant("mine", "mine.txt"), fs::create_symlink("mine.txt", "out.scr"); },
         packed, 0, {{"mine.txt", "mine"}, {"out.scr", "saver"}}},
        {"the output a hard link of another file", [] { plant("mine", "mine.txt"), fs::create_hard_link("mine.txt", "out.scr"); },
         packed, 0, {{"mine.txt", "mine"}, {"out.scr", "saver"}}},
        {"an input named like a temporary", [] { fs::rename("picture.gif", "holiday.scr.part"); },
         {"pack", "holiday.scr.part", "-o", "holiday.scr"}, 0, {{"holiday.scr.part", "picture"}, {"holiday.scr", "saver"}}},
        {"the output a link to the input", [] { fs::create_symlink("picture.gif", "out.scr"); }, packed, 2,
         {{"picture.gif", "picture"}}, "is the input itself"},
        {"the output a hard link of the input", [] { fs::create_hard_link("picture.gif", "out.scr"); }, packed, 2,
         {{"out.scr", "picture"}}, "is the input itself"},
        {"the stub as the output", [] { fs::copy_file("picture.gif", "stub.exe"); },
         {"make", "picture.gif", "-o", "stub.exe", "--stub", "stub.exe"}, 2, {{"stub.exe", "picture"}}, "is the input itself"},
        {"a 255-byte name", [] {}, {"pack", "picture.gif", "-o", longName}, 0, {{longName, "saver"}}},
        {"a 256-byte name", [] {}, {"preview", "picture.gif", "--trace", "-o", longName + "n.gif"}, 2, {}, "File name too long"},
        {"an empty name", [] {}, {"decode", "picture.gif", "-o", ""}, 2, {}, "cannot write '': "},
        {"-o -h", [] {}, {"pack", "picture.gif", "-o", "-h"}, 0, {{"-h", "saver"}}},
        {"-- before a dash-named input", [] { fs::rename("picture.gif", "-p.gif"); },
         {"pack", "-o", "out.scr", "--", "-p.gif"}, 0, {{"out.scr", "saver"}}},
        {"/dev/full", [] {}, {"pack", "picture.gif", "-o", "/dev/full"}, 2, {}, "No space left on device"},
        {"/dev/full for decode", [] {}, {"decode", "picture.gif", "-o", "/dev/full"}, 2, {}, "No space left on device"},
        {"/dev/full for preview", [] { fs::create_symlink("/dev/full", "full.gif"); },
         {"preview", "picture.gif", "-o", "full.gif"}, 2, {{"full.gif", "-> /dev/full"}}, "No space left on device"},
        {"a video over a link to another file", [] { plant("mine", "mine.txt"), fs::create_symlink("mine.txt", "v.mp4"); },
         {"preview", "picture.gif", "--frames", "2", "-o", "v.mp4"}, 0, {{"mine.txt", "mine"}}},
        {"a video over the input", [] { fs::create_hard_link("picture.gif", "v.webm"); },
         {"preview", "picture.gif", "--frames", "2", "-o", "v.webm"}, 2, {{"v.webm", "picture"}}, "is the input itself"},
        {"a video through a link to /dev/full", [] { fs::create_symlink("/dev/full", "full.mp4"); },
         {"preview", "picture.gif", "--frames", "2", "-o", "full.mp4"}, 2, {{"full.mp4", "-> /dev/full"}},
         "No space left on device"},
    };
    int number = 0;
    for (const auto& c : cases) {
        enter("case" + std::to_string(number++));
        c.setUp();
        const ToolRun run = glimmer(c.words);
        EXPECT_EQ(run.status, c.status) << c.what << "\n" << describe(run);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << "\n" << describe(run);
        // A refusal before any work prints nothing else.
        if (c.status != 0)
            EXPECT_EQ(run.out, "") << c.what;
        for (const auto& [name, expected] : c.after)
            EXPECT_EQ(whatIs(name), expected) << c.what << ": " << name;
        EXPECT_EQ(temporaries("."), std::vector<std::string>()) << c.what;
    }
}

TEST_F(OutputSafety, ModesAndDevices)
{
    enter("modes");
    const mode_t mask = umask(027);
    ASSERT_EQ(glimmer({"pack", "picture.gif", "-o", "new.scr"}).status, 0);
    plant("old", "kept.scr");
    chmod("kept.scr", 0604);
    ASSERT_EQ(glimmer({"pack", "picture.gif", "-o", "kept.scr"}).status, 0);
    umask(mask);
    EXPECT_EQ(fs::status("new.scr").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status("kept.scr").permissions(), fs::perms(0604));
    // /dev/stdout on a file: the saver goes into that file through stdout.
    EXPECT_TRUE(endedWith(inChild([] {
        dup2(open("stdout.bin", O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        return glimmerOnStdout({"pack", "picture.gif", "-o", "/dev/stdout"});
    }), 0));
    EXPECT_EQ(whatIs("stdout.bin"), "saver");
    EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
    if (geteuid() != 0)
        GTEST_SKIP() << "/dev/null as root needs root";
    for (const char* command : {"pack", "make"}) {
        EXPECT_EQ(glimmer({command, "picture.gif", "-o", "/dev/null"}).status, 0) << command;
        EXPECT_TRUE(fs::is_character_file("/dev/null")) << command;
    }
}

// Another user plants, in a shared sticky folder, links to our file and to a
// device under the names we are about to write: neither is followed.
TEST_F(OutputSafety, EntriesPlantedByAnotherUserInAStickyFolder)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "planting as another user needs root";
    enter("sticky");
    plant("mine", "mine.txt");
    fs::create_directory("shared");
    chmod("shared", 01777);
    chmod(directory.c_str(), 0755);
    chmod(fs::current_path().c_str(), 0755);
    ASSERT_TRUE(endedWith(inChild([] {
        return setgid(65534) == 0 && setuid(65534) == 0 &&
                       symlink(fs::absolute("mine.txt").c_str(), "shared/out.scr") == 0 &&
                       symlink("/dev/full", "shared/full.scr") == 0
                   ? 0
                   : 1;
    }), 0));
    for (const char* name : {"shared/out.scr", "shared/full.scr"}) {
        const ToolRun run = glimmer({"pack", "picture.gif", "-o", name});
        EXPECT_EQ(run.status, 0) << name << "\n" << describe(run);
        EXPECT_EQ(whatIs(name), "saver") << name;
        EXPECT_EQ(fs::status(name).type(), fs::file_type::regular) << name;
    }
    EXPECT_EQ(whatIs("mine.txt"), "mine");
}

// Two runs into one output: each is a whole result of one of them.
TEST_F(OutputSafety, TwoWritersAtOnce)
{
    enter("race");
    const std::string input = write("race/saver.scr", saver);
    const auto words = [&](const char* seed) {
        return std::vector<std::string>{"preview", input, "--seed", seed, "--frames", "30", "-o", "out.gif"};
    };
    Bytes results[2];
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(glimmer(words(k ? "2" : "1")).status, 0);
        results[k] = readWholeFile("out.gif");
    }
    for (int round = 0; round < 4; ++round) {
        // Both start when the pipe closes.
        int start[2];
        ASSERT_EQ(pipe(start), 0);
        const auto writer = [&](const char* seed) {
            return startChild([&, seed] {
                char go;
                close(start[1]);
                (void)!::read(start[0], &go, 1);
                return glimmer(words(seed)).status;
            });
        };
        const pid_t writers[] = {writer("1"), writer("2")};
        close(start[0]);
        close(start[1]);
        for (const pid_t child : writers)
            EXPECT_TRUE(endedWith(waitStatus(child), 0)) << "round " << round;
        const Bytes written = readWholeFile("out.gif");
        EXPECT_TRUE(written == results[0] || written == results[1]) << "round " << round;
    }
    EXPECT_EQ(temporaries("."), std::vector<std::string>());
}

// A run ended by a signal while it writes leaves neither the output nor its
// temporary, and ends as the signal ends a process.
TEST_F(OutputSafety, SignalsInTheMiddleOfAWrite)
{
    enter("signals");
    const std::string input = write("signals/saver.scr", saver);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        int trace[2];
        ASSERT_EQ(pipe(trace), 0);
        const auto preview = [&] {
            // As a shell starts it: a signal the test runner ignores is not ignored.
            for (const int other : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
                struct sigaction current = {};
                if (sigaction(other, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
                    signal(other, SIG_DFL);
            }
            dup2(trace[1], STDOUT_FILENO);
            close(trace[0]);
            return glimmerOnStdout({"preview", input, "--trace", "--frames", "100000000", "-o", "big.gif"});
        };
        const pid_t child = startChild(preview);
        close(trace[1]);
        // Until the temporary holds data; then the signal, or for SIGPIPE the
        // end of the reader.
        for (int wait = 0; wait < 6000; ++wait) {
            const auto found = temporaries(".");
            if (!found.empty() && fs::file_size(found[0]) > 0)
                break;
            usleep(10000);
        }
        if (signalNumber != SIGPIPE)
            kill(child, signalNumber);
        close(trace[0]);
        const int status = waitStatus(child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << strsignal(signalNumber);
        EXPECT_EQ(temporaries("."), std::vector<std::string>()) << strsignal(signalNumber);
        EXPECT_FALSE(fs::exists("big.gif")) << strsignal(signalNumber);
    }
}

TEST_F(OutputSafety, CommandLinesAndMessages)
{
    enter("words");
    Bytes flat = gif, huge = gif;
    std::fill(flat.begin() + 6, flat.begin() + 10, 0);
    std::fill(huge.begin() + 6, huge.begin() + 10, 0xFF);
    write("words/flat.gif", flat);
    write("words/huge.gif", huge);
    write("words/one.gif", giftest::gifOf(Bytes(16 * 12, 0), 16, 12, 8));
    // A PNG's signature, header and an empty data chunk: the size is known
// before any work.
    write("words/big.png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                            0, 0, 0x20, 0x08, 0, 0, 0x20, 0x08, 8, 2, 0, 0, 0, 0x02, 0x4c, 0x9f, 0x97,
                            0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xaf, 0x06, 0x1e});
    const struct {
        std::vector<std::string> words;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{"pack", "flat.gif", "-o", "out.scr"}, 2, "",
         "the picture is 0 x 0, a size the saver cannot make a picture surface of: glimmer preview and play would "
         "refuse the saver (--force makes it all the same)"},
        {{"pack", "flat.gif", "-o", "out.scr", "--force"}, 0, "wrote out.scr", "warning: the picture is 0 x 0"},
        {{"pack", "huge.gif", "-o", "out.scr"}, 2, "", "65535 x 65535, more pixels than glimmer preview and play take"},
        {{"make", "big.png", "--fit", "none", "-o", "out.scr"}, 2, "", "is 8200 x 8200 pixels; with --fit none"},
        {{"make", "one.gif", "--reencode", "--dither=-0", "-o", "out.scr"}, 0,
         "picture of 1 colour from the GIF of 16 x 12 (fit cover, dither 0)", ""},
        {{"pack", "picture.gif", "-o", "a\nb.scr"}, 0, "wrote a\\nb.scr (", ""},
        {{"pack", "picture.gif", "-o", "x.scr", "-o", "y.scr"}, 2, "", "-o is given twice"},
        {{"pack", "picture.gif", "--external=yes", "-o", "x.scr"}, 2, "", "--external takes no value"},
        {{"pack", "picture.gif", "-o"}, 2, "", "-o needs a value"},
        {{"inspect", "--", "--help"}, 2, "", "cannot open '--help': No such file or directory"},
        {{"pack", "picture.gif", "-o", "x.scr", "--help"}, 0, "usage: glimmer pack", ""},
    };
    for (const auto& c : cases) {
        const ToolRun run = glimmer(c.words);
        EXPECT_EQ(run.status, c.status) << c.words[1] << "\n" << describe(run);
        EXPECT_NE(run.out.find(c.out), std::string::npos) << c.words[1] << "\n" << describe(run);
        EXPECT_NE(run.err.find(c.err), std::string::npos) << c.words[1] << "\n" << describe(run);
    }
}

// Record offsets of -13 to -1 put the saver's palette read among the file's
// first bytes (the program's own); below -13 it reads nothing.
TEST_F(OutputSafety, PreviewColoursOfNegativeOffsets)
{
    Bytes file = saverOf(gif);
    for (size_t at = 2; at < 1000; ++at)
        file[at] = uint8_t(at * 7 + 3);
    for (const int32_t offset : {-1, -7, -13, -14}) {
        put32(file, headerAt + recordField(0, offsetField), offset);
        const SaverPicture picture = loadSaverPicture(file, "negative.scr");
        Bytes colours, expected(768, 0);
        for (const PaletteEntry& entry : picture.palette)
            colours.insert(colours.end(), {entry.red, entry.green, entry.blue});
        if (offset >= -13)
            expected.assign(file.begin() + 13 + offset, file.begin() + 13 + offset + 768);
        EXPECT_EQ(colours, expected) << offset;
    }
}
