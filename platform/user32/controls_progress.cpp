// The progress bar (msctls_progress32): a range, a position kept inside it, and a step.
#include "commctrl.h"
#include "platform/user32/control_look.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

int Clamp(const ControlState& state, int position) {
    if (position < state.rangeLow) return state.rangeLow;
    if (position > state.rangeHigh) return state.rangeHigh;
    return position;
}

// The position moves into a new range.
LRESULT SetRange(ControlState& state, int low, int high) {
    LRESULT previous = MAKELRESULT(state.rangeLow, state.rangeHigh);
    state.rangeLow = low;
    state.rangeHigh = high;
    state.position = Clamp(state, state.position);
    return previous;
}

LRESULT Handle(ControlState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    int previous = state.position;
    switch (message) {
        case PBM_SETRANGE:
            return SetRange(state, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        case PBM_SETRANGE32:
            return SetRange(state, static_cast<int>(static_cast<INT_PTR>(wParam)), static_cast<int>(lParam));
        case PBM_GETRANGE: {
            if (lParam) {
                auto* range = reinterpret_cast<PBRANGE*>(lParam);
                range->iLow = state.rangeLow;
                range->iHigh = state.rangeHigh;
            }
            return wParam ? state.rangeLow : state.rangeHigh;
        }
        case PBM_SETPOS:
            state.position = Clamp(state, static_cast<int>(static_cast<INT_PTR>(wParam)));
            return previous;
        case PBM_DELTAPOS:
            state.position = Clamp(state, state.position + static_cast<int>(static_cast<INT_PTR>(wParam)));
            return previous;
        case PBM_SETSTEP: {
            int previousStep = state.step;
            state.step = static_cast<int>(static_cast<INT_PTR>(wParam));
            return previousStep;
        }
        case PBM_STEPIT: {
            // Stepping past the end starts again from the beginning of the range.
            int next = state.position + state.step;
            if (next > state.rangeHigh) next = state.rangeLow + (next - state.rangeHigh);
            if (next < state.rangeLow) next = state.rangeHigh - (state.rangeLow - next);
            state.position = Clamp(state, next);
            return previous;
        }
        case PBM_GETPOS:
            return state.position;
        default:
            return 0;
    }
}

}  // namespace

// A change of the bar is painted again.
LRESULT CALLBACK ProgressProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> drawn = ProgressLook(hWnd, Msg, wParam, lParam)) return *drawn;
    if (Msg < PBM_SETRANGE || Msg > PBM_GETPOS) return DefWindowProcA(hWnd, Msg, wParam, lParam);
    LRESULT result = 0;
    bool changed = false;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(hWnd);
        if (!window) return 0;
        ControlState before = window->control;
        result = Handle(window->control, Msg, wParam, lParam);
        changed = before.position != window->control.position || before.rangeLow != window->control.rangeLow ||
                  before.rangeHigh != window->control.rangeHigh;
    }
    if (changed) InvalidateRect(hWnd, nullptr, FALSE);
    return result;
}

}  // namespace platform
