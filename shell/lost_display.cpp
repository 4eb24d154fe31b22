#include "shell/lost_display.h"

#include <X11/Xlib.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "shell/run_control.h"

namespace {

int (*Finish)() = nullptr;
pthread_t MainThread;
std::atomic<bool> Lost{false};
enum { NotBegun, UnderWay, Done };
std::atomic<int> FinishState{NotBegun};
std::atomic<int> FinishCode{0};

// How long the handler, on another thread, leaves the main thread to end
// the run at its frame's end before doing the work itself.
constexpr auto MainThreadGrace = std::chrono::seconds(2);

// Must not return: the X library would end the program at once.
int DisplayGone(Display*) {
  if (!Lost.exchange(true)) {
    static const char Text[] = "pellix: the X display went away; the run ends\n";
    (void)!write(STDERR_FILENO, Text, sizeof Text - 1);
  }
  QuitRequested = 1;
  if (!pthread_equal(pthread_self(), MainThread)) {
    // The library's own thread: the main thread ends the run as after
    // Escape, unless it is held inside the X library; then it stands
    // still and the work is done here.
    const auto until = std::chrono::steady_clock::now() + MainThreadGrace;
    while (FinishState == NotBegun && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  _exit(FinishRunOnce());
}

}  // namespace

void SetExitWork(int (*finish_run)()) {
  Finish = finish_run;
  MainThread = pthread_self();
}

void CatchLostDisplay() { XSetIOErrorHandler(DisplayGone); }

int FinishRunOnce() {
  int expected = NotBegun;
  if (FinishState.compare_exchange_strong(expected, UnderWay)) {
    FinishCode = Finish ? Finish() : 0;
    FinishState = Done;
  } else {
    while (FinishState != Done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return FinishCode;
}

bool DisplayLost() { return Lost; }
