// The statistics file on the real C: drive, through the real profile and file
// functions: what a save writes, the start-up move between c:\pwick.dat and the
// program's folder, saves that cannot reach c:\, a program folder named beyond the
// Western code page, and a save loop killed at random moments.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "tests/win32/hostsim_process.h"
#include "tests/win32/tools/test_platform.h"
#include "ui/frm_main.h"

#include <windows.h>

namespace pw {
namespace {

namespace fs = std::filesystem;

const std::string kWrite = kWriteLocation;
const std::string kNone = "<none>";
const std::string kFolder = "<folder>";

// A statistics file; a saved one also carries its save generation, the saves it
// includes and their runs' counts (runs are named by process and tick: "*" here).
std::string Stats(const char* s, const char* m, const char* h, const char* d, int generation = -1) {
    return std::string("[Stats]\r\nSeconds=") + s + "\r\nMinutes=" + m + "\r\nHours=" + h + "\r\nDays=" + d +
           "\r\n" +
           (generation < 0 ? ""
                           : "Generation=" + std::to_string(generation) + "\r\nIncludes=*\r\nCounted=*\r\n");
}

// Where this process stages a save of `path`.
std::string Staged(const std::string& path) {
    return path + "." + std::to_string(GetCurrentProcessId()) + ".new";
}

std::string Bytes(const std::string& path) {
    DWORD a = GetFileAttributesW(ToUtf16(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return kNone;
    if (a & FILE_ATTRIBUTE_DIRECTORY) return kFolder;
    std::string bytes = test::ReadWholeFile(ToUtf16(path));
    for (const std::string key : {"\nIncludes=", "\nCounted="})
        if (auto at = bytes.find(key); at != std::string::npos)
            bytes.replace(at + key.size(), bytes.find('\r', at) - at - key.size(), "*");
    return bytes;
}

// Makes `path` hold `what`: file bytes, kFolder, or kNone for nothing at all.
void Place(const std::string& path, const std::string& what) {
    std::error_code ignored;
    fs::remove_all(fs::path(ToUtf16(path)), ignored);
    if (what == kNone) return;
    if (what == kFolder) {
        CreateDirectoryW(ToUtf16(path).c_str(), nullptr);
        return;
    }
    test::WriteWholeFile(ToUtf16(path), what);
}

std::string Totals(const FrmMain& m) {
    return m.lblTotalDays.Caption() + " " + m.lblTotalHours.Caption() + " " + m.lblTotalMinutes.Caption() +
           " " + m.lblTotalSeconds.Caption();
}

void SetTotals(FrmMain& m, const char* s, const char* min, const char* h, const char* d) {
    m.lblTotalSeconds.SetCaption(s);
    m.lblTotalMinutes.SetCaption(min);
    m.lblTotalHours.SetCaption(h);
    m.lblTotalDays.SetCaption(d);
}

// Open without sharing: nobody else can read, replace or delete the file meanwhile.
// A read-only attribute would not do: under Wine a process running as root writes
// through it.
class InUse {
  public:
    explicit InUse(const std::string& path)
        : h_(CreateFileW(ToUtf16(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~InUse() { Release(); }
    InUse(const InUse&) = delete;
    InUse& operator=(const InUse&) = delete;
    bool Held() const { return h_ != INVALID_HANDLE_VALUE; }
    void Release() {
        if (Held()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE h_;
};

// The real c:\pwick.dat, with the program's folder in a test folder on C:.
class StatsOnC : public testing::Test {
  protected:
    void SetUp() override {
        root_ = "C:\\pw_stats_" + std::to_string(GetCurrentProcessId());
        fs::create_directories(fs::path(ToUtf16(root_ + "\\prog")));
        // A c:\pwick.dat from outside the test is kept aside and put back.
        MoveFileExW(ToUtf16(kWrite).c_str(), ToUtf16(root_ + "\\kept.dat").c_str(), 0);
        p.programFolder = root_ + "\\prog";
    }
    void TearDown() override {
        Place(kWrite, kNone);
        Place(Staged(kWrite), kNone);
        MoveFileExW(ToUtf16(root_ + "\\kept.dat").c_str(), ToUtf16(kWrite).c_str(), 0);
        Place(root_, kNone);
    }

    std::string InFolder() const { return p.programFolder + "\\pwick.dat"; }
    // One start of the program: the totals it shows after loading.
    std::string Load() {
        FrmMain run(p);
        run.Stats().LoadTotals();
        return Totals(run);
    }

    test::TestPlatform p;
    std::string root_;
};

TEST_F(StatsOnC, SaveCreatesReplacesAndKeepsTheRest) {
    FrmMain run(p);
    SetTotals(run, "7", "8", "9", "10");
    run.Stats().SaveTotals();
    EXPECT_EQ(Bytes(kWrite), Stats("07", "08", "09", "10", 1));  // ANSI text, keys in this order

    SetTotals(run, "11", "12", "13", "14");
    Place(kWrite, "; mine\r\n[Other]\r\nSeconds=1\r\n[stats]\r\nhours=5\r\nnote=x\r\n");
    run.Stats().SaveTotals();
    EXPECT_EQ(
        Bytes(kWrite),
        "; mine\r\n[Other]\r\nSeconds=1\r\n[stats]\r\nhours=13\r\nnote=x\r\nSeconds=11\r\nMinutes=12\r\n"
        "Days=14\r\nGeneration=2\r\nIncludes=*\r\nCounted=*\r\n");
    EXPECT_EQ(Bytes(Staged(kWrite)), kNone);
}

TEST_F(StatsOnC, StartUpMovesTheLastSaveIntoTheProgramFolder) {
    const std::string saved = Stats("02", "03", "04", "05"), older = Stats("01", "01", "01", "01");
    const std::string shouted = "[STATS]\r\nSECONDS=12\r\nminutes=3\r\n";
    struct Case {
        const char* what;
        std::string inFolder, atC;  // before, placed in this order
        std::string totals;         // shown after the load
        std::string inFolderAfter, atCAfter;
    } cases[] = {
        {"both: c:\\ wins, replaces the folder's copy and goes", older, saved, "05 04 03 02", saved, kNone},
        {"only c:\\", kNone, saved, "05 04 03 02", saved, kNone},
        {"only the folder's copy, names in other case", shouted, kNone, "00 00 03 12", shouted, kNone},
        {"the folder's pwick.dat is a folder: the copy fails", kFolder, saved, "05 04 03 02", kFolder, saved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Place(InFolder(), c.inFolder);
        Place(kWrite, c.atC);
        EXPECT_EQ(Load(), c.totals);
        EXPECT_EQ(Bytes(InFolder()), c.inFolderAfter);
        EXPECT_EQ(Bytes(kWrite), c.atCAfter);
    }
}

TEST_F(StatsOnC, TheSameFileUnderAnotherSpellingStaysPut) {
    wchar_t shortRoot[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(ToUtf16(root_).c_str(), shortRoot, MAX_PATH), 0u);
    ASSERT_NE(ToUtf8(shortRoot), root_);
    std::string upper = root_;
    for (char& ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const std::string file = Stats("11", "00", "00", "00");
    for (const std::string& folder :
         {std::string("C:"), std::string("c:\\."), ToUtf8(shortRoot) + "\\..", upper + "\\PROG\\.\\..\\.."}) {
        SCOPED_TRACE(folder);
        Place(kWrite, file);
        p.programFolder = folder;
        EXPECT_EQ(Load(), "00 00 00 11");
        EXPECT_EQ(Bytes(kWrite), file);
    }
}

TEST_F(StatsOnC, SaveThatCannotReachCGoesBesideTheProgram) {
    Place(kWrite, Stats("01", "00", "00", "00"));
    {
        InUse busy(kWrite);
        ASSERT_TRUE(busy.Held());
        FrmMain run(p);
        run.lblTotalSeconds.SetCaption("42");
        run.Stats().SaveTotals();
        EXPECT_TRUE(p.boxes.empty());
    }
    EXPECT_EQ(Bytes(InFolder()), Stats("42", "00", "00", "00", 1));
    // The older copy could not be deleted; the next start must not let it win.
    EXPECT_EQ(Bytes(kWrite), Stats("01", "00", "00", "00"));
    EXPECT_EQ(Load(), "00 00 00 42");
    EXPECT_EQ(Bytes(kWrite), kNone);
    EXPECT_EQ(Bytes(InFolder()), Stats("42", "00", "00", "00", 1));
    EXPECT_EQ(Bytes(Staged(kWrite)), kNone);
    EXPECT_EQ(Bytes(Staged(InFolder())), kNone);
}

TEST_F(StatsOnC, NowhereToSaveTellsTheUserOncePerRun) {
    Place(kWrite, Stats("01", "00", "00", "00"));
    Place(InFolder(), kFolder);
    FrmMain run(p);
    run.Stats().LoadTotals();  // from c:\, where it stays
    InUse busy(kWrite);
    ASSERT_TRUE(busy.Held());
    run.lblTotalSeconds.SetCaption("42");
    run.Stats().SaveTotals();
    run.Stats().SaveTotals();
    ASSERT_EQ(p.boxes.size(), 1u);
    EXPECT_EQ(p.boxes[0].title, "Haulted!");
    EXPECT_EQ(run.lblTotalSeconds.Caption(), "42");
    // Once c:\ is free again, saves get through without another word.
    busy.Release();
    run.Stats().SaveTotals();
    EXPECT_EQ(Bytes(kWrite), Stats("42", "00", "00", "00", 3));
    EXPECT_EQ(p.boxes.size(), 1u);
}

TEST_F(StatsOnC, ProgramFolderNamedBeyondTheWesternCodePage) {
    ASSERT_EQ(GetACP(), 1252u);
    p.programFolder = root_ + "\\\xD0\xBF\xD0\xB5\xD0\xBB\xD0\xBE\xD0\xB2\xD0\xB8\xD0\xBA";  // пеловик
    Place(p.programFolder, kFolder);
    Place(kWrite, Stats("05", "04", "03", "02"));
    EXPECT_EQ(Load(), "02 03 04 05");
    EXPECT_EQ(Bytes(InFolder()), Stats("05", "04", "03", "02"));
    // A save that cannot reach c:\ goes into that folder, and the next start reads it.
    Place(kWrite, kFolder);
    {
        FrmMain run(p);
        run.Stats().LoadTotals();
        SetTotals(run, "06", "04", "03", "02");
        run.Stats().SaveTotals();
        EXPECT_TRUE(p.boxes.empty());
    }
    Place(kWrite, kNone);
    EXPECT_EQ(Bytes(InFolder()), Stats("06", "04", "03", "02", 2));  // after the try at c:\ (1)
    EXPECT_EQ(Load(), "02 03 04 06");
}

TEST_F(StatsOnC, ALogOffThroughTheRealWindowSavesTheTotals) {
    p.quitEndsProcess = false;
    FrmMain run(p);
    SetTotals(run, "07", "08", "09", "10");
    HWND w = reinterpret_cast<HWND>(run.Window().Handle());
    EXPECT_TRUE(SendMessageW(w, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    SendMessageW(w, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(p.quits, 1);
    EXPECT_EQ(Load(), "10 09 08 07");
}

// A backup holds c:\pwick.dat through the second of three starts: that run saves beside
// the program, and the third start adds up what each run added.
TEST_F(StatsOnC, ALockedFileAcrossThreeStartsLosesNothing) {
    Place(kWrite, Stats("05", "00", "00", "00"));
    {
        FrmMain run(p);
        run.Stats().LoadTotals();
        run.lblTotalSeconds.SetCaption("15");  // ten seconds idle
        run.Stats().SaveTotals();
    }
    Sleep(20);  // (two runs of one test process, told apart by their start)
    {
        InUse busy(kWrite);
        ASSERT_TRUE(busy.Held());
        FrmMain run(p);
        run.Stats().LoadTotals();
        EXPECT_EQ(Totals(run), "00 00 00 05");
        run.lblTotalSeconds.SetCaption("12");  // seven seconds idle
        run.Stats().SaveTotals();
        EXPECT_EQ(p.boxes.size(), 1u);  // told once that c:\ could not be read
    }
    EXPECT_EQ(Load(), "00 00 00 22");
    EXPECT_EQ(Bytes(kWrite + ".old"), kNone);
}

long TotalSeconds(const FrmMain& m) {
    return static_cast<long>(
        CaptionValue(m.lblTotalDays.Caption()) * 86400 + CaptionValue(m.lblTotalHours.Caption()) * 3600 +
        CaptionValue(m.lblTotalMinutes.Caption()) * 60 + CaptionValue(m.lblTotalSeconds.Caption()));
}

// pw_save_loop (beside the tests) in a folder of its own: FOLDER\c stands in for the
// root of C:, FOLDER\prog for the program's folder.
class SaveLoop : public testing::Test {
  protected:
    void SetUp() override {
        const std::string id = std::to_string(GetCurrentProcessId());
        exe_ = ToUtf16(Win32Platform().ProgramFolder() + "\\pw_save_loop.exe");
        ASSERT_NE(GetFileAttributesW(exe_.c_str()), INVALID_FILE_ATTRIBUTES)
            << "pw_save_loop.exe beside the tests";
        folder_ = "C:\\pw_save_loop_" + id;
        p.writeFolder = folder_ + "\\c";
        p.programFolder = folder_ + "\\prog";
        Place(folder_, kNone);
        fs::create_directories(fs::path(ToUtf16(p.writeFolder)));
        fs::create_directories(fs::path(ToUtf16(p.programFolder)));
        event_ = L"Local\\pw_save_loop_" + ToUtf16(id);
        started_ = CreateEventW(nullptr, FALSE, FALSE, event_.c_str());
        ASSERT_TRUE(started_);
    }
    void TearDown() override {
        if (started_) CloseHandle(started_);
        Place(folder_, kNone);
    }

    // Starts the loop, kills it `ms` after it began; false when it was not running then.
    bool RunAndKill(DWORD ms) {
        std::wstring cmd = L"\"" + exe_ + L"\" \"" + ToUtf16(folder_) + L"\" " + event_;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        bool began = WaitForSingleObject(started_, 20000) == WAIT_OBJECT_0;
        bool running = began && WaitForSingleObject(pi.hProcess, ms) == WAIT_TIMEOUT;
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        return running;
    }

    // The files a killed loop left, for a failure message.
    std::string Left() const {
        std::string out;
        for (const std::string& path :
             {p.writeFolder + "\\pwick.dat", p.writeFolder + "\\pwick.dat.new",
              p.programFolder + "\\pwick.dat", p.programFolder + "\\pwick.dat.new"}) {
            if (Bytes(path) != kNone) out += "\n" + path + ":\n" + Bytes(path);
        }
        return out;
    }

    test::TestPlatform p;
    std::wstring exe_, event_;
    std::string folder_;
    HANDLE started_ = nullptr;
};

// The loop runs load, one more second, save, over and over. Each round kills it a few
// to a few tens of milliseconds in, then starts the program the way a user would.
TEST_F(SaveLoop, KilledAtRandomMomentsTheTotalsStillLoadAndNeverGoBack) {
    constexpr int kKills = 200;
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<DWORD> delayMs(2, 40);
    long last = 0;
    unsigned long long lastGeneration = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        ASSERT_TRUE(RunAndKill(delayMs(rng))) << "kill " << kill << ": the loop did not run";
        const std::string left = Left();
        FrmMain run(p);
        run.Stats().LoadTotals();
        const long now = TotalSeconds(run);
        ASSERT_GE(now, last) << "kill " << kill << " lost ground, to " << Totals(run) << "; it left:" << left;
        for (const char* key : {"Seconds", "Minutes", "Hours", "Days"}) {
            std::string v = ReadIniValue(p, "Stats", key, run.Stats().ReadLocation());
            EXPECT_TRUE(now == 0 || IsPlainTotal(v)) << "kill " << kill << ": " << key << "=" << v;
        }
        const unsigned long long generation = std::strtoull(
            ReadIniValue(p, "Stats", "Generation", run.Stats().ReadLocation()).c_str(), nullptr, 10);
        ASSERT_GE(generation, lastGeneration)
            << "kill " << kill << ": the save generation went back; it left:" << left;
        lastGeneration = generation;
        last = now;
    }
    // Only that saves ran between the kills: how many got through depends on the
    // machine's speed and load (20 of 200 on a loaded machine).
    EXPECT_GT(last, 0) << "no save got through between the kills";
}

}  // namespace
}  // namespace pw
