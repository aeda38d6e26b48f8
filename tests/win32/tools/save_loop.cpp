// pw_save_loop FOLDER EVENT: pellowick's start-up load, one more second on the
// totals and a save, over and over until someone kills the process. FOLDER\c stands
// in for the root of drive C and FOLDER\prog for the program's folder, so nothing
// else is touched; the named event EVENT is set when the loop starts.
#include "platform/win32/win32_platform.h"
#include "tests/win32/tools/test_platform.h"
#include "ui/frm_main.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    pw::test::TestPlatform p;
    const std::string folder = pw::ToUtf8(argv[1]);
    p.writeFolder = folder + "\\c";
    p.programFolder = folder + "\\prog";
    HANDLE started = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (!started || !SetEvent(started)) return 3;
    for (;;) {
        pw::FrmMain run(p);
        run.Stats().LoadTotals();
        pw::Control& s = run.lblTotalSeconds;
        s.SetCaption(pw::NumberText(pw::CaptionValue(s.Caption()) + 1));
        run.Stats().SaveTotals();
        if (!p.boxes.empty()) return 4;  // a save failed: the test would wait for nothing
    }
}
