// The window during a full analysis: created as the program creates it, "Analyse" pressed as a
// click presses it, and the window's answers timed by a probe on another thread while the
// analysis runs on the worker.
#include "bench/bench.h"

#include "engine/issue_model.h"
#include "tests/support/responsiveness_probe.h"
#include "ui/main_unit.h"

#include <commctrl.h>

namespace mendrake::bench {
namespace {

// No message box may wait for a click while the benchmark runs.
class SilentPrompts final : public Prompts {
  public:
    void Message(HWND, const std::string&, const std::string&, UINT) override {}
    bool AskSavePath(HWND, const SaveDialogOptions&, std::string&) override { return false; }
};

void Pump() {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

WindowTimes WindowBenchmark() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    Issues.clear();
    SilentPrompts prompts;
    WindowTimes times;
    {
        T_mainForm form(prompts);
        form.Show(SW_SHOWNORMAL);
        Pump();
        test::ResponsivenessProbe probe(form.hwnd());
        const double start = NowMs();
        SendMessageA(form.AnalyseAdvToolButton.hwnd(), BM_CLICK, 0, 0);
        while (form.Busy()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            Pump();
        }
        times.analysisMs = NowMs() - start;
        probe.Stop();
        times.worstAnswerMs = probe.WorstMs();
        times.timedOut = probe.TimedOut();
        times.issues = Issues.size();
    }
    Pump();
    Issues.clear();
    return times;
}

} // namespace mendrake::bench
